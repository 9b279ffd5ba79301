#pragma once
// The Windows error codes the station reports. They are part of the system's
// vocabulary (settings getters, serial layer, instrument status), so they keep
// their Windows numbers on Linux too.
#include <cstdint>

namespace platform {

using ErrorCode = unsigned;

inline constexpr ErrorCode kErrorSuccess = 0;
inline constexpr ErrorCode kErrorFileNotFound = 2;     // ERROR_FILE_NOT_FOUND
inline constexpr ErrorCode kErrorPathNotFound = 3;     // ERROR_PATH_NOT_FOUND
inline constexpr ErrorCode kErrorAccessDenied = 5;     // ERROR_ACCESS_DENIED
inline constexpr ErrorCode kErrorInvalidHandle = 6;    // ERROR_INVALID_HANDLE
inline constexpr ErrorCode kErrorInvalidData = 13;     // ERROR_INVALID_DATA
inline constexpr ErrorCode kErrorOutOfMemory = 14;     // ERROR_OUTOFMEMORY
inline constexpr ErrorCode kErrorGenFailure = 31;      // ERROR_GEN_FAILURE
inline constexpr ErrorCode kErrorSharingViolation = 32;
inline constexpr ErrorCode kErrorDevNotExist = 55;     // ERROR_DEV_NOT_EXIST
inline constexpr ErrorCode kErrorInvalidParameter = 87;
inline constexpr ErrorCode kErrorDiskFull = 112;       // ERROR_DISK_FULL
inline constexpr ErrorCode kErrorCallNotImplemented = 120;
inline constexpr ErrorCode kErrorInsufficientBuffer = 122;
inline constexpr ErrorCode kErrorFileTooLarge = 223;   // ERROR_FILE_TOO_LARGE
inline constexpr ErrorCode kErrorNoData = 232;         // ERROR_NO_DATA
inline constexpr ErrorCode kErrorMoreData = 234;       // ERROR_MORE_DATA
inline constexpr ErrorCode kErrorCanNotComplete = 1003;  // ERROR_CAN_NOT_COMPLETE
inline constexpr ErrorCode kErrorCantRead = 1012;      // ERROR_CANTREAD
inline constexpr ErrorCode kErrorCantWrite = 1013;     // ERROR_CANTWRITE
inline constexpr ErrorCode kErrorRegistryCorrupt = 1015;  // ERROR_REGISTRY_CORRUPT
inline constexpr ErrorCode kErrorIoDevice = 1117;      // ERROR_IO_DEVICE
inline constexpr ErrorCode kErrorConnectionRefused = 1225;  // ERROR_CONNECTION_REFUSED

// Maps an errno value from a failed file or device call to the nearest code.
ErrorCode ErrorFromErrno(int err);

}  // namespace platform

#include "framework/core/Exceptions.h"

#include "framework/core/Strings.h"

namespace fw {

std::string ArchiveException::Message() const {
    return LoadString(kIdsInvalidFormat);
}

std::string MemoryException::Message() const {
    return LoadString(kIdsOutOfMemory);
}

UINT WriteFailureCause(platform::ErrorCode code) {
    switch (code) {
        case platform::kErrorDiskFull:
            return kIdsDiskFull;
        case platform::kErrorAccessDenied:
            return kIdsAccessDenied;
        case platform::kErrorFileNotFound:  // a file being made: its folder is missing
        case platform::kErrorPathNotFound:
            return kIdsFolderMissing;
        default:
            return 0;
    }
}

}  // namespace fw

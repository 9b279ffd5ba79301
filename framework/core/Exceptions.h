#pragma once
// The framework's exceptions: they carry failures from a file or an archive
// to the place that reports them (a document's ReportSaveLoadException).
#include <exception>
#include <string>

#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/WinTypes.h"

namespace fw {

class Exception : public std::exception {
public:
    // The exception's own message for the operator; empty when the reporter
    // should use its default text instead.
    virtual std::string Message() const { return {}; }
    const char* what() const noexcept override { return "fw::Exception"; }
};

class ArchiveException : public Exception {
public:
    enum Cause {
        kGeneric,
        kEndOfFile,  // the data ends inside an item
        kBadIndex,   // an object tag that names nothing usable
        kBadClass,   // a class that is unknown or not the one expected
        kBadSchema,  // a stored class schema the class cannot read
        kBadData,    // a value that makes no sense for the item
    };
    explicit ArchiveException(Cause cause) : m_cause(cause) {}
    Cause GetCause() const { return m_cause; }
    // "Unexpected file format." for every cause: each means the file is not
    // what its reader expected.
    std::string Message() const override;
    const char* what() const noexcept override { return "fw::ArchiveException"; }

private:
    Cause m_cause;
};

// A file that cannot be opened, read or written; the reporter's default text
// (failed to open / save) applies. A file refused for reading carries why.
class FileException : public Exception {
public:
    explicit FileException(platform::ErrorCode code,
                           platform::ReadRefusal refusal = platform::ReadRefusal::kNone)
        : m_code(code), m_refusal(refusal) {}
    platform::ErrorCode GetCode() const { return m_code; }
    platform::ReadRefusal GetReadRefusal() const { return m_refusal; }
    const char* what() const noexcept override { return "fw::FileException"; }

private:
    platform::ErrorCode m_code;
    platform::ReadRefusal m_refusal;
};

class MemoryException : public Exception {
public:
    std::string Message() const override;  // "Out of memory."
    const char* what() const noexcept override { return "fw::MemoryException"; }
};

// An argument outside what the callee accepts (an index out of range).
class InvalidArgException : public Exception {
public:
    const char* what() const noexcept override { return "fw::InvalidArgException"; }
};

// Framework string ids.
inline constexpr UINT kIdsFailedToOpenDoc = 61697;
inline constexpr UINT kIdsFailedToSaveDoc = 61698;
inline constexpr UINT kIdsInvalidFormat = 61728;
inline constexpr UINT kIdsOutOfMemory = 61475;
inline constexpr UINT kIdsIdleMessage = 57345;
// Why a file could not be written.
inline constexpr UINT kIdsDiskFull = 61710;
inline constexpr UINT kIdsAccessDenied = 61711;
inline constexpr UINT kIdsFolderMissing = 61712;

// Why a file could not be read; each names the file (%1, its full path).
inline constexpr UINT kIdsReadNoSuchFile = 61713;
inline constexpr UINT kIdsReadBrokenLink = 61714;
inline constexpr UINT kIdsReadFolder = 61715;
inline constexpr UINT kIdsReadNotRegular = 61716;
inline constexpr UINT kIdsReadTooLarge = 61717;
inline constexpr UINT kIdsReadNoPermission = 61718;

// The text naming the cause of a failed write (one of the three above), or
// 0 when the error says nothing the operator could act on.
UINT WriteFailureCause(platform::ErrorCode code);
// The text naming why a file was not read (one of the six above), or 0.
UINT ReadFailureCause(platform::ReadRefusal refusal);

}  // namespace fw

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

UINT ReadFailureCause(platform::ReadRefusal refusal) {
    switch (refusal) {
        case platform::ReadRefusal::kNoSuchFile:
            return kIdsReadNoSuchFile;
        case platform::ReadRefusal::kBrokenLink:
            return kIdsReadBrokenLink;
        case platform::ReadRefusal::kFolder:
            return kIdsReadFolder;
        case platform::ReadRefusal::kNotRegularFile:
            return kIdsReadNotRegular;
        case platform::ReadRefusal::kTooLarge:
            return kIdsReadTooLarge;
        case platform::ReadRefusal::kNoPermission:
            return kIdsReadNoPermission;
        case platform::ReadRefusal::kNone:
        case platform::ReadRefusal::kOther:
            break;
    }
    return 0;
}

}  // namespace fw

#include "framework/core/Exceptions.h"

#include "framework/core/Strings.h"

namespace fw {

std::string ArchiveException::Message() const {
    return LoadString(kIdsInvalidFormat);
}

std::string MemoryException::Message() const {
    return LoadString(kIdsOutOfMemory);
}

}  // namespace fw

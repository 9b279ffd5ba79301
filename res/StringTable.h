#pragma once
// The station's string table: every text the operator sees, by number.
// Texts are UTF-8; the escapes are those the messages are shown with.
#include <cstddef>

namespace res {

struct StringEntry {
    unsigned id;
    const char* text;
};

// Sorted by id, each id once.
extern const StringEntry kStringTable[];
extern const std::size_t kStringTableSize;

}  // namespace res

#include "framework/core/Strings.h"

#include <algorithm>
#include <atomic>

#include "res/StringTable.h"

namespace fw {

bool ResourceStringTable::Find(UINT id, std::string& text) const {
    const res::StringEntry* begin = res::kStringTable;
    const res::StringEntry* end = begin + res::kStringTableSize;
    auto it =
        std::lower_bound(begin, end, id, [](const res::StringEntry& e, UINT key) { return e.id < key; });
    if (it == end || it->id != id) return false;
    text = it->text;
    return true;
}

namespace {
ResourceStringTable g_resourceTable;
std::atomic<StringTable*> g_table{nullptr};
}  // namespace

StringTable& Strings() {
    StringTable* t = g_table.load();
    return t ? *t : g_resourceTable;
}

StringTable* InstallService(StringTable* table) {
    StringTable* prev = g_table.exchange(table);
    return prev ? prev : &g_resourceTable;
}

std::string LoadString(UINT id) {
    std::string text;
    Strings().Find(id, text);
    return text;
}

std::string FormatString(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            size_t n = static_cast<size_t>(text[i + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FormatString1(UINT id, std::string_view arg) {
    return FormatString(LoadString(id), {arg});
}

}  // namespace fw

#pragma once
// The string table as a service, so that tests can give texts of their own and
// see which were asked for. Every message the operator sees is loaded here.
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace fw {

class StringTable {
public:
    virtual ~StringTable() = default;
    // false, and text untouched, when the table has no such id.
    virtual bool Find(UINT id, std::string& text) const = 0;
};

// The station's own table (res/StringTable.cpp).
class ResourceStringTable : public StringTable {
public:
    bool Find(UINT id, std::string& text) const override;
};

// The current table: the resource table unless a test installed another.
StringTable& Strings();
// Installs table (nullptr: the resource table again); returns the previous one.
StringTable* InstallService(StringTable* table);

// The text of id, or an empty string when the table lacks it.
std::string LoadString(UINT id);

// Replaces %1 to %9 with the matching argument (an argument that is not given
// becomes empty); any other '%' stays as it is, so printf formats survive.
std::string FormatString(std::string_view text, std::initializer_list<std::string_view> args);
// The text of id with its %1 replaced by arg.
std::string FormatString1(UINT id, std::string_view arg);

}  // namespace fw

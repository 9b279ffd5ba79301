#pragma once
// Windows-1252 <-> UTF-8. Text inside the station is UTF-8; files shared with
// Windows stations (test files, exports, DOS-version files, the verification
// log) hold Windows-1252 and are converted at the file boundary.
#include <string>
#include <string_view>

namespace platform {

// Every byte maps to one character; 0x80-0x9F as Windows maps them, including
// the five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D),
// which Windows turns into the C1 controls of the same number.
std::string Cp1252ToUtf8(std::string_view text);

// Characters Windows-1252 cannot hold, and malformed UTF-8 sequences, become '?'.
std::string Utf8ToCp1252(std::string_view text);

// Number of characters (code points) in UTF-8 text; a malformed byte counts as one.
size_t Utf8Length(std::string_view text);

// Decodes one code point at text[pos], advancing pos; malformed input yields
// U+FFFD and advances by one byte.
char32_t DecodeUtf8(std::string_view text, size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace platform

#include "platform/Numbers.h"

#include <locale.h>

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

std::string VFormat(const char* fmt, va_list args) {
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, args);
    return std::string(big.data(), static_cast<size_t>(n));
}

// Switches only this thread's locale for the duration of a call.
class ThreadCLocale {
public:
    ThreadCLocale() : m_old(uselocale(CLocale())) {}
    ~ThreadCLocale() { uselocale(m_old); }
    ThreadCLocale(const ThreadCLocale&) = delete;
    ThreadCLocale& operator=(const ThreadCLocale&) = delete;

private:
    locale_t m_old;
};

}  // namespace

std::string FormatC(const char* fmt, ...) {
    ThreadCLocale c;
    va_list args;
    va_start(args, fmt);
    std::string s = VFormat(fmt, args);
    va_end(args);
    return s;
}

std::string FormatUser(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string s = VFormat(fmt, args);
    va_end(args);
    return s;
}

bool ParseDoubleC(std::string_view text, double& value) {
    std::string s(text);
    const char* begin = s.c_str();
    while (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n') ++begin;
    if (!*begin) return false;
    char* end = nullptr;
    errno = 0;
    const double v = strtod_l(begin, &end, CLocale());
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') ++end;
    if (*end) return false;
    value = v;
    return true;
}

double AtofC(std::string_view text) {
    std::string s(text);
    return strtod_l(s.c_str(), nullptr, CLocale());
}

bool ParseLong(std::string_view text, long long& value, int base) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n'))
        --e;
    if (b < e && text[b] == '+') ++b;
    if (b == e) return false;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(text.data() + b, text.data() + e, v, base);
    if (ec != std::errc() || ptr != text.data() + e) return false;
    value = v;
    return true;
}

}  // namespace platform

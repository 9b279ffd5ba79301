#include "setup/NumEditRules.h"

#include <algorithm>

#include "platform/Numbers.h"

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Start of the character that ends at pos.
size_t PrevStart(std::string_view text, size_t pos) {
    if (pos == 0) return 0;
    size_t p = pos - 1;
    while (p > 0 && IsContinuation(text[p])) --p;
    return p;
}

// End of the character that starts at pos.
size_t NextEnd(std::string_view text, size_t pos) {
    if (pos >= text.size()) return text.size();
    size_t p = pos + 1;
    while (p < text.size() && IsContinuation(text[p])) ++p;
    return p;
}

std::string Utf8(char32_t ch) {
    std::string s;
    if (ch < 0x80) {
        s += static_cast<char>(ch);
    } else if (ch < 0x800) {
        s += static_cast<char>(0xC0 | (ch >> 6));
        s += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        s += static_cast<char>(0xE0 | (ch >> 12));
        s += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (ch >> 18));
        s += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (ch & 0x3F));
    }
    return s;
}

bool InRange(std::string_view candidate, const NumEditLimits& limits, std::string_view separator) {
    const double v = NumEditLeadingValue(candidate, separator);
    return limits.minimum < v && v < limits.maximum;
}

bool StartsWithMinus(std::string_view text) {
    return !text.empty() && text.front() == '-';
}

// The backspace rule over the removal [rs, re).
bool RemovalAccepted(std::string_view text, size_t rs, size_t re, const NumEditLimits& limits,
                     std::string_view separator) {
    std::string candidate(text.substr(0, rs));
    candidate.append(text.substr(re));
    if (candidate.empty()) return true;
    if (!InRange(candidate, limits, separator)) return false;
    const size_t p = separator.empty() ? std::string_view::npos : text.find(separator);
    if (p != std::string_view::npos && rs <= p && p < re) {
        // The separator goes: what is left of both parts becomes the integer part.
        long long digits = static_cast<long long>(text.size() - (re - rs));
        if (StartsWithMinus(text) && rs > 0) --digits;  // the sign stays and is no digit
        if (digits > static_cast<long long>(limits.intDigits)) return false;
    }
    return true;
}

}  // namespace

double NumEditLeadingValue(std::string_view text, std::string_view separator) {
    // Rewritten into the C form: the separator becomes '.', a '.' that is not
    // the separator becomes a character no number holds.
    std::string c;
    c.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (!separator.empty() && text.substr(i, separator.size()) == separator) {
            c += '.';
            i += separator.size();
        } else {
            c += text[i] == '.' ? '#' : text[i];
            ++i;
        }
    }
    return platform::AtofC(c);
}

bool NumEditAcceptsChar(std::string_view text, size_t selStart, size_t selEnd, char32_t ch,
                        const NumEditLimits& limits, std::string_view separator) {
    const size_t len = text.size();
    const size_t s = std::min(std::min(selStart, selEnd), len);
    const size_t e = std::min(std::max(selStart, selEnd), len);
    const size_t p = separator.empty() ? std::string_view::npos : text.find(separator);
    const bool hasSep = p != std::string_view::npos;

    if (ch == U'-') {
        // Only at the front, only where negative values exist, never a second sign.
        return limits.minimum < 0 && s == 0 && !(StartsWithMinus(text) && e == 0);
    }
    if (ch == kNumEditBackspace) {
        if (s == e) return RemovalAccepted(text, PrevStart(text, s), s, limits, separator);
        return RemovalAccepted(text, s, e, limits, separator);
    }
    if (ch >= U'0' && ch <= U'9') {
        if (s == 0 && e == 0 && StartsWithMinus(text)) return false;  // nothing in front of the sign
        const bool signStays = StartsWithMinus(text) && s > 0;
        if (!hasSep || p >= s) {
            // Into the integer part: the integer digits that stay must leave room for one more.
            const size_t base = hasSep && p >= e ? p : len;
            long long digits = static_cast<long long>(base) - static_cast<long long>(e - s);
            if (signStays) --digits;
            if (digits >= static_cast<long long>(limits.intDigits)) return false;
        } else if (hasSep && p < s) {
            // Into the fraction part.
            const long long frac =
                static_cast<long long>(len - p - separator.size()) - static_cast<long long>(e - s) + 1;
            if (frac > static_cast<long long>(limits.fracDigits)) return false;
        }
        std::string candidate(text.substr(0, s));
        candidate += static_cast<char>(ch);
        candidate.append(text.substr(e));
        return InRange(candidate, limits, separator);
    }
    if (!separator.empty() && Utf8(ch) == separator.substr(0, NextEnd(separator, 0))) {
        return limits.fracDigits > 0 && (!hasSep || (s <= p && p < e));
    }
    return false;  // letters, blanks, control characters (tab, enter, the clipboard keys)
}

NumEditDelete NumEditDeleteKey(std::string_view text, size_t selStart, size_t selEnd,
                               const NumEditLimits& limits, std::string_view separator) {
    const size_t len = text.size();
    const size_t s = std::min(std::min(selStart, selEnd), len);
    const size_t e = std::min(std::max(selStart, selEnd), len);
    if (s != e) {
        return RemovalAccepted(text, s, e, limits, separator) ? NumEditDelete::Removes
                                                              : NumEditDelete::Refused;
    }
    if (s >= len) return NumEditDelete::Nothing;
    // The caret steps over the next character, which backspace then takes away.
    return RemovalAccepted(text, s, NextEnd(text, s), limits, separator) ? NumEditDelete::Removes
                                                                         : NumEditDelete::Refused;
}

std::optional<double> NumEditParse(std::string_view text, const NumEditLimits& limits,
                                   std::string_view separator) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    auto digitsAt = [&](size_t& pos) {
        size_t n = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
            ++n;
        }
        return n;
    };
    const size_t intCount = digitsAt(i);
    size_t fracCount = 0;
    if (!separator.empty() && text.substr(i, separator.size()) == separator) {
        if (limits.fracDigits == 0) return std::nullopt;
        i += separator.size();
        fracCount = digitsAt(i);
    }
    if (i != text.size() || intCount + fracCount == 0) return std::nullopt;
    if (intCount > limits.intDigits || fracCount > limits.fracDigits) return std::nullopt;
    const double v = NumEditLeadingValue(text, separator);
    if (!(limits.minimum < v && v < limits.maximum)) return std::nullopt;
    return v;
}

std::string NumEditFormat(double value, int decimals, std::string_view separator) {
    std::string s = platform::FormatC("%.*f", decimals, value);
    const size_t dot = s.find('.');
    if (dot != std::string::npos) s.replace(dot, 1, separator);
    return s;
}

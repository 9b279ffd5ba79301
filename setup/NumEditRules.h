#pragma once
// The rules of the numeric edit field, without a window: which keystroke is
// let through, how the whole text is read back and how a value is shown.
// Texts are UTF-8 and positions are byte offsets; the decimal separator is
// passed in (the field takes the user's locale's), so the rules never depend
// on the process locale.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct NumEditLimits {
    unsigned intDigits = 0;   // most digits before the separator (a sign is no digit)
    unsigned fracDigits = 0;  // most digits after it; 0: no separator can be typed
    double minimum = 0;       // exclusive bounds of the value
    double maximum = 0;
};

inline constexpr char32_t kNumEditBackspace = 8;

// The decision for one typed character: ch is typed over the selection
// [selStart, selEnd) of text (selStart == selEnd: the caret, nothing
// selected). Backspace (8) removes the selection, or the character before
// the caret. True lets the keystroke through; false refuses it and the text
// stays as it was.
bool NumEditAcceptsChar(std::string_view text, size_t selStart, size_t selEnd, char32_t ch,
                        const NumEditLimits& limits, std::string_view separator);

// The Delete key: with a selection it removes it, with none the character
// after the caret, under the backspace rule; at the end of the text it does
// nothing.
enum class NumEditDelete { Removes, Refused, Nothing };
NumEditDelete NumEditDeleteKey(std::string_view text, size_t selStart, size_t selEnd,
                               const NumEditLimits& limits, std::string_view separator);

// The value the rules compare with the bounds: the longest leading number of
// text read with the given separator, as the C library's strtod reads it in
// a locale with that separator; 0 when the text starts with no number ("-").
double NumEditLeadingValue(std::string_view text, std::string_view separator);

// Reads the whole text (blanks around it allowed) as a field's value: an
// optional minus sign, at most intDigits digits, then optionally the
// separator and at most fracDigits digits, at least one digit in all, and the
// value strictly inside the bounds. Pasted or program-set text can break
// every one of these; nullopt then.
std::optional<double> NumEditParse(std::string_view text, const NumEditLimits& limits,
                                   std::string_view separator);

// "%.*f" of value with the given separator in place of the point.
std::string NumEditFormat(double value, int decimals, std::string_view separator);

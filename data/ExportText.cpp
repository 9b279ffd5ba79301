#include "data/ExportText.h"

#include "framework/core/Strings.h"
#include "platform/Numbers.h"

namespace exporttext {

namespace {
constexpr UINT kIdsUnknown = 145;

// Hours 1 to 12 with AM or PM, as the English (United States) time format.
std::string UsTime(const std::tm& tm) {
    int hour = tm.tm_hour % 12;
    if (hour == 0) hour = 12;
    return platform::FormatC("%d:%02d:%02d %s", hour, tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
}

std::string UsDate(const std::tm& tm) {
    return platform::FormatC("%d/%d/%d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
}

// tm formatted with pattern in the locale in force; empty when the text does
// not fit.
std::string StrftimeText(const std::tm& tm, const char* pattern) {
    char text[256];
    const size_t n = std::strftime(text, sizeof text, pattern, &tm);
    return std::string(text, n);
}
}  // namespace

bool ToLocalTime(Time64 t, std::tm& out) {
    const std::time_t tt = static_cast<std::time_t>(t);
    if (static_cast<Time64>(tt) != t) return false;
    if (!localtime_r(&tt, &out)) return false;
    return out.tm_year + 1900 >= 1972;
}

std::string UnknownTime() {
    return fw::LoadString(kIdsUnknown);
}

bool ToLocalTimeOfFile(Time64 t, std::tm& out) {
    if (t <= 0) return false;
    const std::time_t tt = static_cast<std::time_t>(t);
    if (static_cast<Time64>(tt) != t) return false;
    return localtime_r(&tt, &out) != nullptr;
}

std::string FileDateTime(Time64 t) {
    std::tm tm{};
    if (!ToLocalTimeOfFile(t, tm)) return UnknownTime();
    return UsDate(tm) + " " + UsTime(tm);
}

std::string FileDate(Time64 t) {
    std::tm tm{};
    if (!ToLocalTimeOfFile(t, tm)) return UnknownTime();
    return UsDate(tm);
}

std::string LocaleTimeText(Time64 t, const char* pattern) {
    std::tm tm{};
    if (!ToLocalTimeOfFile(t, tm)) return UnknownTime();
    return StrftimeText(tm, pattern);
}

std::string ReportTimeText(Time64 t, const char* pattern) {
    std::tm tm{};
    if (!ToLocalTime(t, tm)) return UnknownTime();
    return StrftimeText(tm, pattern);
}

std::string StreamNumber(float value) {
    return platform::FormatC("%g", static_cast<double>(value));
}

std::string CsvText(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '"') out += '"';
        // Every line break becomes "\n", which the file writes as CR LF.
        if (ch == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += '\n';
            continue;
        }
        out += ch;
    }
    out += '"';
    return out;
}

}  // namespace exporttext

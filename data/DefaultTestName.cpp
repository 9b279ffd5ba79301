#include "data/DefaultTestName.h"

#include "platform/Numbers.h"
#include "settings/CQXRegistry.h"

std::string DefaultTestNameState::s_strDateStamp;
int DefaultTestNameState::s_nSequence = 0;

namespace {

constexpr int kLastSequence = 99;

std::function<std::time_t()>& DateClock() {
    static std::function<std::time_t()> clock;
    return clock;
}

}  // namespace

void SetDateStampClock(std::function<std::time_t()> clock) {
    DateClock() = std::move(clock);
}

void MakeDateStamp() {
    const std::time_t now = DateClock() ? DateClock()() : std::time(nullptr);
    std::tm t{};
    int year = 0, month = 0, day = 0;
    if (localtime_r(&now, &t)) {
        year = (t.tm_year + 1900) % 100;
        month = t.tm_mon + 1;
        day = t.tm_mday;
    }
    DefaultTestNameState::s_strDateStamp = platform::FormatC("%02d%02d%02d", year, month, day);
    DefaultTestNameState::s_nSequence = 0;
    std::string last;
    if (theRegistry.GetTestLastDefault(last) == 0 && last.size() == 8 &&
        last.compare(0, 6, DefaultTestNameState::s_strDateStamp) == 0) {
        // Only two digits are a sequence; anything else starts the day afresh.
        const char a = last[6], b = last[7];
        if (a >= '0' && a <= '9' && b >= '0' && b <= '9')
            DefaultTestNameState::s_nSequence = (a - '0') * 10 + (b - '0');
    }
}

std::optional<double> DefaultNameTarget() {
    double target = 0;
    if (theRegistry.GetTestBath(target) != 0) return std::nullopt;
    return target;
}

std::string DefaultTestName(int sequence, std::optional<double> target) {
    std::string name = platform::FormatC("%6s%02d", DefaultTestNameState::s_strDateStamp.c_str(), sequence);
    if (target) name += platform::FormatC(" %.f", *target);
    return name;
}

std::string DefaultTestName(int sequence) {
    return DefaultTestName(sequence, DefaultNameTarget());
}

void AdvanceDefaultTestName() {
    MakeDateStamp();
    if (DefaultTestNameState::s_nSequence >= kLastSequence) return;
    ++DefaultTestNameState::s_nSequence;
    const std::string candidate = DefaultTestName(DefaultTestNameState::s_nSequence);
    std::string name;
    if (theRegistry.GetTestFileName(name) == 0 && name == candidate)
        theRegistry.SetTestLastDefault(candidate.substr(0, 8));
}

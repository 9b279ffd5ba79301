#pragma once
// The default test name of the day: "yymmdd", a two-digit sequence, a blank
// and the target bath temperature without decimals ("24030501 -18"). The
// Test Setup dialog proposes the next free one; saving a test (the finish of
// a test, an aborted test saved) advances Test\Last Default when the
// operator kept the proposal, so the next day's search starts after it.
#include <ctime>
#include <functional>
#include <optional>
#include <string>

// The date stamp and sequence, shared by the whole process.
struct DefaultTestNameState {
    static std::string s_strDateStamp;  // six characters: year, month, day
    static int s_nSequence;             // 0 to 99
};

// Sets the date stamp from the local date, and the sequence from Test\Last
// Default when that holds the same date stamp and two digits (else 0).
void MakeDateStamp();
// After a test has been saved: when Test\File Name is the default name that
// follows the last default, it becomes the last default. Past sequence 99
// there is no default name and nothing changes.
void AdvanceDefaultTestName();
// The default name of a sequence with the current date stamp; the target
// temperature is setting Test Bath. Without a target temperature the name
// ends after the sequence.
std::string DefaultTestName(int sequence);
std::string DefaultTestName(int sequence, std::optional<double> target);
// Setting Test Bath, if it can be read.
std::optional<double> DefaultNameTarget();

// Test hook: the wall clock of the date stamp (empty: the real one).
void SetDateStampClock(std::function<std::time_t()> clock);

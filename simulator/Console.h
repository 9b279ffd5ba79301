#pragma once
// The short commands a person (or a script) types to ryx-sim: the operator's
// hands on the bench and the faults, one line each.
#include <string>
#include <string_view>

namespace ryxsim {

class Simulator;

// The list that "help" prints.
std::string ConsoleHelp();

// Runs one line; returns the text to print (ends in a newline; "ok", the
// status, or "error: ..." with what was wrong). quit is set by "quit".
std::string RunConsoleCommand(Simulator& sim, std::string_view line, bool& quit);

// The usage text of the program.
std::string UsageText();

}  // namespace ryxsim

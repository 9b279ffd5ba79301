#pragma once
// The start-up's settings check without the application object: which groups
// of settings are missing, in the order the message lists them, and whether
// a calibration value is. Its two side effects are the check's own: the data
// directory becomes the current directory, and the stored port is opened.
#include <functional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace appcheck {

// The line of a port whose alias names something that is no serial device
// (in place of 573): %1 the alias, %2 what it names.
inline constexpr UINT IDS_PORT_ALIAS_NOT_SERIAL = 578;

struct SetupCheck {
    std::vector<UINT> missing;  // the string ids of the lines (577, 570, 571, 572, 573 or 578, 576, 574)
    bool calibrationMissing = false;
    // For line 578: the port's alias and what it names.
    std::string portAlias;
    std::string portTarget;
};

// openPort: opens the named port on the instrument, 0 when it is open.
SetupCheck CheckStoredSetup(const std::function<unsigned(const std::string&)>& openPort);

// The lines of the start-up message after its heading (575), in order.
std::string MissingLines(const SetupCheck& check);

}  // namespace appcheck

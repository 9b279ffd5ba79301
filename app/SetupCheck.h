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

struct SetupCheck {
    std::vector<UINT> missing;  // the string ids of the lines (577, 570, 571, 572, 573, 576, 574)
    bool calibrationMissing = false;
};

// openPort: opens the named port on the instrument, 0 when it is open.
SetupCheck CheckStoredSetup(const std::function<unsigned(const std::string&)>& openPort);

}  // namespace appcheck

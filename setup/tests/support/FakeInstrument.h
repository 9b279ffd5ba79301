#pragma once
// The instrument as the setup pages see it: a firmware version, ports that
// open or not, and the equation's reload.
#include <set>
#include <string>
#include <vector>

#include "setup/SetupPages.h"

namespace setup {

class FakeInstrument : public SetupInstrument {
public:
    std::string version = "?";
    // Non-empty: the version the instrument tells once a port has opened.
    std::string versionOnOpen;
    std::set<std::string> available = {"COM1", "COM2", "COM3", "COM4"};
    std::string open;
    std::vector<std::string> setPorts;
    bool reloadOk = true;
    int reloads = 0;

    std::string GetFirmwareVersion() override { return version; }
    unsigned SetPort(const std::string& name) override {
        setPorts.push_back(name);
        if (!available.count(name)) {
            open.clear();
            return 1117;
        }
        open = name;
        if (!versionOnOpen.empty()) version = versionOnOpen;
        return 0;
    }
    bool ReloadTemperatureEquation() override {
        ++reloads;
        return reloadOk;
    }
};

}  // namespace setup

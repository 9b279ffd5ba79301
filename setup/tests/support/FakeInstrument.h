#pragma once
// The instrument as the setup pages see it: a firmware version, ports that
// open or not, the link's status and the equation's reload.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "setup/SetupPages.h"

namespace setup {

class FakeInstrument : public SetupInstrument {
public:
    std::string version = "?";
    // Non-empty: the version the instrument tells once a port has opened.
    std::string versionOnOpen;
    // Non-empty: the version told once clock has moved versionAfterMs past
    // the port's opening (a reply that takes its time).
    std::string versionLater;
    uint32_t versionAfterMs = 0;
    platform::Clock* clock = nullptr;
    std::set<std::string> available = {"COM1", "COM2", "COM3", "COM4"};
    std::string open;
    std::vector<std::string> setPorts;
    // The status once a port has opened, while no version has come: an
    // instrument that never answers has been declared lost (55) unless a
    // case says otherwise.
    unsigned silentStatus = 55;
    bool reloadOk = true;
    int reloads = 0;
    // Called at each look at the version (what a wait sees).
    std::function<void()> onLook;

    std::string GetFirmwareVersion() override {
        if (onLook) onLook();
        if (!versionLater.empty() && !open.empty() && clock && clock->Now() - openedAt >= versionAfterMs)
            version = versionLater;
        return version;
    }
    unsigned GetStatus() override {
        if (open.empty()) return 1117;
        return version == "?" ? silentStatus : 0u;
    }
    unsigned SetPort(const std::string& name) override {
        setPorts.push_back(name);
        if (!available.count(name)) {
            open.clear();
            return 1117;
        }
        if (open != name && clock) openedAt = clock->Now();
        open = name;
        if (!versionOnOpen.empty()) version = versionOnOpen;
        return 0;
    }
    bool ReloadTemperatureEquation() override {
        ++reloads;
        return reloadOk;
    }

private:
    uint32_t openedAt = 0;
};

}  // namespace setup

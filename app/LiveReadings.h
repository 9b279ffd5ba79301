#pragma once
// What the live-readings bar writes on one instrument update, apart from its
// window: which values changed and their texts, and whether the failure is
// to be reported. Kept apart so that each rule can be tried on its own.
#include <optional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class LiveReadings {
public:
    enum Field { kForce, kDeflection, kTemperature, kTarget };
    struct Write {
        Field field;
        std::string text;
        bool operator==(const Write&) const = default;
    };
    struct Update {
        std::optional<double> target;  // Test Bath, when it could be read
        bool readingsValid = false;    // GetReadings returned TRUE
        unsigned status = 0;
        bool testRunning = false;
        float force = 0, deflection = 0, temperature = 0;
        bool forceResolution = false;  // Force\Resolution non-zero
        bool lossTold = false;         // a box has told this loss of the line already
    };
    struct Result {
        std::vector<Write> writes;
        bool reportError = false;
    };

    Result Apply(const Update& u);

private:
    static constexpr float kUnshown = 131071.0f;  // far from any reading: the next one redraws
    float m_force = kUnshown, m_deflection = kUnshown, m_temperature = kUnshown;
    double m_target = -100000.0;
    bool m_valid = false;
};

#pragma once
// What a station calibrated to the simulator makes of a data frame: the
// reading conversion done the station's way (three deflection ranges, the
// tare fixed at the first frame of a load, the frame's compliance taken
// off), with the simulator's calibration values as its settings.
#include "simulator/Calibration.h"
#include "simulator/tests/support/PtyPeer.h"

namespace ryxsim::testing {

struct Readings {
    double deflection = 0;   // mm
    double force = 0;        // mN
    double temperature = 0;  // degC
};

class StationView {
public:
    explicit StationView(const Calibration& cal, bool hundredths = true)
        : m_cal(cal), m_hundredths(hundredths) {}
    // The next frame is the first of a load: it fixes the tare.
    void LoadAcknowledged() {
        m_tarePending = true;
        m_test = true;
    }
    void LoadEnded() {
        m_test = false;
        m_tare = 0;
    }
    Readings Convert(const Frame& f);

private:
    Calibration m_cal;
    bool m_hundredths;
    bool m_tarePending = false;
    bool m_test = false;
    double m_tare = 0;
};

// Stiffness by the test's formula (MPa) for a force (mN) and deflection (mm)
// of a beam width x thickness on the 101.6 mm span, in single precision.
double StiffnessMPa(double force, double deflection, double width = 12.7, double thickness = 6.35);

}  // namespace ryxsim::testing

#pragma once
// The physical set-up around the simulated instrument: the bath, the loading
// shaft with its load cell and LVDT, what lies on the beam supports, the
// masses on the loading platform and the front-panel switches. Time is model
// time in seconds; the instrument moves it forward, never back.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "simulator/Calibration.h"

namespace ryxsim {

enum class BeamKind { kNone, kBinder, kThinSteel, kThickSteel };
enum class GageLevel { kNone, kTop, kRed, kWhite, kBlue };

const char* BeamName(BeamKind kind);
const char* GageName(GageLevel level);

struct BeamDimensions {
    double width;      // mm
    double thickness;  // mm
};

// Span of the supports and the beams of the set-up.
constexpr double kSpan = 101.6;                    // mm
constexpr BeamDimensions kBinderBeam{12.7, 6.35};  // 125 x 12.7 x 6.35 mm
constexpr BeamDimensions kThinSteelBeam{12.7, 1.17};
constexpr BeamDimensions kThickSteelBeam{12.7, 6.35};
constexpr double kSteelModulus = 200000.0;  // MPa
constexpr double kGravity = 9.80665;        // mN per gram

// Asphalt binder creep: the stiffness at 60 s and the m-value as functions
// of temperature, log-linear in stiffness and linear in m through a binder
// of about 200 MPa / 0.35 at -12 degC and 400 MPa / 0.28 at -18 degC.
struct BinderProperties {
    double refTemperature = -12.0;
    double stiffnessAtRef = 200.0;         // MPa, as a standard test reports it
    double doublingPerDegree = 1.0 / 6.0;  // log2 stiffness per degree colder
    double mAtRef = 0.35;
    double mPerDegree = 0.07 / 6.0;  // m-value lost per degree colder

    double Stiffness60(double celsius) const;  // MPa
    double MValue(double celsius) const;
};

struct ModelState {
    double time = 0;      // s
    double bath = 0;      // degC, true
    double setPoint = 0;  // degC
    char control = 'B';
    bool remote = true;
    bool loadSwitch = false;  // front-panel Zero/Load switch at Load
    bool testLoad = false;    // the controller applies the test load
    bool lifted = false;
    double contactLoad = 0;  // mN
    int massGrams = 0;
    BeamKind beam = BeamKind::kNone;
    GageLevel gage = GageLevel::kNone;
    double force = 0;     // mN on the specimen, true
    double position = 0;  // mm below the Red level, true
};

class BenchModel {
public:
    BenchModel(const Calibration& cal, uint32_t seed);

    // Moves model time forward (earlier times are ignored).
    void AdvanceTo(double seconds);
    double Time() const { return m_time; }

    // Bath.
    void SetSetPoint(double celsius);
    void SetControl(char letter);             // 'B', 'C', 'H' or 'N'
    void SetBathTemperature(double celsius);  // places the bath there at once
    double BathTemperature() const { return m_bath; }

    // Load frame.
    void SetTestLoad(bool on);
    void SetTestLoadForce(double mN);
    void SetContactLoad(double mN);
    void SetLoadSwitch(bool atLoad);
    void SetRemote(bool remote);
    void SetLifted(bool lifted);
    // Masses on the loading platform, in grams (2, 4 and 100 g pieces and
    // their sums); false when there is not that much to take off.
    bool AddMass(int grams);
    bool RemoveMass(int grams);
    void RemoveAllMasses();

    // What lies on the supports: one beam or the gage block, not both.
    void InsertBeam(BeamKind kind);
    void FlipBeam();  // turns the beam over: it is seated afresh
    void PlaceGageBlock(GageLevel level);

    bool LoadApplied() const { return m_testLoad || m_loadSwitch; }
    bool Remote() const { return m_remote; }
    char Control() const { return m_control; }

    // True values at the current model time.
    double Force() const;     // mN, as the load cell would read it without noise
    double Position() const;  // mm below Red, as the LVDT would read it without noise

    // One reading of the three transducers, with their noise.
    struct Reading {
        uint16_t deflection;
        uint16_t force;
        double temperature;  // degC, the bath sensor's value
    };
    Reading Read();

    ModelState State() const;
    const BinderProperties& Binder() const { return m_binder; }

private:
    double PushForce() const;       // what the shaft pushes with
    double SupportedForce() const;  // what reaches the beam or block
    double BeamDeflection() const;
    void RecordBeamForce();  // after anything that may change the beam's force
    void StepBath(double dt);

    Calibration m_cal;
    BinderProperties m_binder;
    std::mt19937 m_rng;

    double m_time = 0;
    double m_bath = -12.0;
    double m_setPoint = -12.0;
    char m_control = 'B';

    bool m_remote = true;
    bool m_loadSwitch = false;
    bool m_testLoad = false;
    bool m_lifted = false;
    double m_contact = 35.0;
    double m_testLoadForce = 980.0;
    int m_mass = 0;
    BeamKind m_beam = BeamKind::kBinder;
    GageLevel m_gage = GageLevel::kNone;

    // The binder's load history since it was seated: force steps (time, mN),
    // so that creep and recovery follow by superposition.
    struct Step {
        double time;
        double delta;
    };
    std::vector<Step> m_history;
    double m_beamForce = 0;  // the sum of the steps
};

}  // namespace ryxsim

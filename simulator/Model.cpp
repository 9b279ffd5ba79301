#include "simulator/Model.h"

#include <algorithm>
#include <cmath>

namespace ryxsim {

namespace {

// Where the shaft tip stands, in mm below the gage block's Red level.
constexpr double kSupportPlane = 6.60;  // tip resting on the supports themselves
constexpr double kTopStop = -2.50;
constexpr double kBottomStop = 7.00;
constexpr double kFreeFloat = 2.25;   // the regulator balancing the shaft
constexpr double kBalanceBand = 0.5;  // mN of net push that still floats

// Bath: a first-order approach to the set-point, and a slow drift to the
// room when control cannot act in the needed direction.
constexpr double kBathTau = 90.0;    // s
constexpr double kRoomTau = 1800.0;  // s
constexpr double kRoom = 22.0;       // degC
constexpr double kBathMin = -45.0;
constexpr double kBathMax = 60.0;

// Sensor noise, peak values of a uniform spread.
constexpr double kTemperatureNoise = 0.025;  // degC
constexpr double kForceNoise = 0.3;          // mN
constexpr double kPositionNoise = 0.00015;   // mm, about one count

// A standard test loads 980 mN on a beam already carrying the 35 mN contact
// load, so only the increment creeps from the start of the load while the
// station divides the whole force by the deflection. The binder's own
// compliance is scaled so that the standard test reports the stiffness the
// properties name.
constexpr double kStandardShare = (980.0 - 35.0) / 980.0;

constexpr size_t kMaxHistory = 256;

double ElasticCompliance(const BeamDimensions& b) {
    // Mid-span deflection of a simply supported beam: F L^3 / (4 E w h^3),
    // in mm per mN.
    return kSpan * kSpan * kSpan / (4.0 * kSteelModulus * b.width * std::pow(b.thickness, 3)) / 1000.0;
}

}  // namespace

const char* BeamName(BeamKind kind) {
    switch (kind) {
        case BeamKind::kNone:
            return "none";
        case BeamKind::kBinder:
            return "binder";
        case BeamKind::kThinSteel:
            return "thin";
        case BeamKind::kThickSteel:
            return "thick";
    }
    return "?";
}

const char* GageName(GageLevel level) {
    switch (level) {
        case GageLevel::kNone:
            return "none";
        case GageLevel::kTop:
            return "top";
        case GageLevel::kRed:
            return "red";
        case GageLevel::kWhite:
            return "white";
        case GageLevel::kBlue:
            return "blue";
    }
    return "?";
}

double BinderProperties::Stiffness60(double celsius) const {
    return stiffnessAtRef * std::pow(2.0, (refTemperature - celsius) * doublingPerDegree);
}

double BinderProperties::MValue(double celsius) const {
    return std::clamp(mAtRef - (refTemperature - celsius) * mPerDegree, 0.05, 0.9);
}

BenchModel::BenchModel(const Calibration& cal, uint32_t seed) : m_cal(cal), m_rng(seed) {
    RecordBeamForce();
}

void BenchModel::AdvanceTo(double seconds) {
    if (!(seconds > m_time)) return;
    double dt = seconds - m_time;
    // Control may switch between acting and drifting as the bath moves, so
    // step in seconds; past an hour the bath has long settled either way.
    int steps = 0;
    while (dt > 1.0 && steps < 3600) {
        StepBath(1.0);
        dt -= 1.0;
        ++steps;
    }
    StepBath(dt);
    m_time = seconds;
}

void BenchModel::StepBath(double dt) {
    if (dt <= 0) return;
    const bool heat = m_control == 'B' || m_control == 'H';
    const bool cool = m_control == 'B' || m_control == 'C';
    const bool acts = (m_setPoint > m_bath && heat) || (m_setPoint < m_bath && cool);
    const double target = acts ? m_setPoint : kRoom;
    const double tau = acts ? kBathTau : kRoomTau;
    m_bath = target + (m_bath - target) * std::exp(-dt / tau);
}

void BenchModel::SetSetPoint(double celsius) {
    m_setPoint = std::clamp(celsius, kBathMin, kBathMax);
}

void BenchModel::SetControl(char letter) {
    if (letter == 'B' || letter == 'C' || letter == 'H' || letter == 'N') m_control = letter;
}

void BenchModel::SetBathTemperature(double celsius) {
    m_bath = std::clamp(celsius, kBathMin, kBathMax);
}

void BenchModel::SetTestLoad(bool on) {
    m_testLoad = on;
    RecordBeamForce();
}

void BenchModel::SetTestLoadForce(double mN) {
    m_testLoadForce = mN;
    RecordBeamForce();
}

void BenchModel::SetContactLoad(double mN) {
    m_contact = mN;
    RecordBeamForce();
}

void BenchModel::SetLoadSwitch(bool atLoad) {
    m_loadSwitch = atLoad;
    RecordBeamForce();
}

void BenchModel::SetRemote(bool remote) {
    m_remote = remote;
}

void BenchModel::SetLifted(bool lifted) {
    m_lifted = lifted;
    RecordBeamForce();
}

bool BenchModel::AddMass(int grams) {
    if (grams <= 0 || m_mass + grams > 2000) return false;
    m_mass += grams;
    RecordBeamForce();
    return true;
}

bool BenchModel::RemoveMass(int grams) {
    if (grams <= 0 || grams > m_mass) return false;
    m_mass -= grams;
    RecordBeamForce();
    return true;
}

void BenchModel::RemoveAllMasses() {
    m_mass = 0;
    RecordBeamForce();
}

void BenchModel::InsertBeam(BeamKind kind) {
    m_beam = kind;
    if (kind != BeamKind::kNone) m_gage = GageLevel::kNone;
    m_history.clear();
    m_beamForce = 0;
    RecordBeamForce();
}

void BenchModel::FlipBeam() {
    InsertBeam(m_beam);
}

void BenchModel::PlaceGageBlock(GageLevel level) {
    m_gage = level;
    if (level != GageLevel::kNone) InsertBeam(BeamKind::kNone);
}

double BenchModel::PushForce() const {
    return (LoadApplied() ? m_testLoadForce : m_contact) + m_mass * kGravity;
}

double BenchModel::SupportedForce() const {
    if (m_lifted || m_beam == BeamKind::kNone) return 0;
    return PushForce();
}

void BenchModel::RecordBeamForce() {
    if (m_beam != BeamKind::kBinder) return;
    const double now = SupportedForce();
    if (now == m_beamForce) return;
    m_history.push_back({m_time, now - m_beamForce});
    m_beamForce = now;
    if (m_history.size() > kMaxHistory) {
        // Fold the two oldest steps into one: by now they are far in the past
        // and creep alike.
        m_history[1].delta += m_history[0].delta;
        m_history[1].time = m_history[0].time;
        m_history.erase(m_history.begin());
    }
}

double BenchModel::BeamDeflection() const {
    switch (m_beam) {
        case BeamKind::kNone:
            return 0;
        case BeamKind::kThinSteel:
            return SupportedForce() * ElasticCompliance(kThinSteelBeam);
        case BeamKind::kThickSteel:
            return SupportedForce() * ElasticCompliance(kThickSteelBeam);
        case BeamKind::kBinder:
            break;
    }
    // Creep compliance J(t) = (t / 60 s)^m / (G S60), G = 4 w h^3 / L^3; the
    // beam sits in the bath, so its temperature is the bath's.
    const double g = 4.0 * kBinderBeam.width * std::pow(kBinderBeam.thickness, 3) / std::pow(kSpan, 3);
    const double s60 = m_binder.Stiffness60(m_bath) * kStandardShare;
    const double m = m_binder.MValue(m_bath);
    double d = 0;
    for (const Step& s : m_history) {
        const double age = m_time - s.time;
        if (age > 0) d += s.delta * std::pow(age / 60.0, m);
    }
    return d / (1000.0 * g * s60);
}

double BenchModel::Force() const {
    // The gage block takes the shaft on its own seat, not through the load cell.
    if (m_gage != GageLevel::kNone) return 0;
    return SupportedForce();
}

double BenchModel::Position() const {
    double p;
    if (m_lifted) {
        p = kTopStop;
    } else if (m_gage != GageLevel::kNone) {
        const GageBlock& g = m_cal.gage;
        const double level = m_gage == GageLevel::kTop     ? g.top
                             : m_gage == GageLevel::kRed   ? g.red
                             : m_gage == GageLevel::kWhite ? g.white
                                                           : g.blue;
        p = g.red - level;
    } else if (m_beam == BeamKind::kNone) {
        const double push = PushForce();
        p = push > kBalanceBand ? kBottomStop : push < -kBalanceBand ? kTopStop : kFreeFloat;
    } else {
        const double h = m_beam == BeamKind::kThinSteel    ? kThinSteelBeam.thickness
                         : m_beam == BeamKind::kThickSteel ? kThickSteelBeam.thickness
                                                           : kBinderBeam.thickness;
        p = kSupportPlane - h + BeamDeflection() + SupportedForce() * m_cal.compliance;
    }
    return std::clamp(p, kTopStop, kBottomStop);
}

BenchModel::Reading BenchModel::Read() {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    Reading r;
    r.deflection = m_cal.PositionToCount(Position() + kPositionNoise * unit(m_rng));
    r.force = m_cal.ForceToCount(Force() + kForceNoise * unit(m_rng));
    r.temperature = m_bath + kTemperatureNoise * unit(m_rng);
    return r;
}

ModelState BenchModel::State() const {
    ModelState s;
    s.time = m_time;
    s.bath = m_bath;
    s.setPoint = m_setPoint;
    s.control = m_control;
    s.remote = m_remote;
    s.loadSwitch = m_loadSwitch;
    s.testLoad = m_testLoad;
    s.lifted = m_lifted;
    s.contactLoad = m_contact;
    s.massGrams = m_mass;
    s.beam = m_beam;
    s.gage = m_gage;
    s.force = Force();
    s.position = Position();
    return s;
}

}  // namespace ryxsim

#include "setup/SetupPages.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/FileDialogs.h"
#include "instrument/CQXBendingBeam.h"
#include "instrument/TempOffsetTable.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/SettingsSaveFailure.h"

namespace setup {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// At most n characters of a UTF-8 text (the edit's length limit).
std::string FirstChars(const std::string& text, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == n) return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

std::string Shown(const NumField& f, double stored) {
    const double v = stored * f.scale;
    if (f.kind == Kind::Whole) return platform::FormatUser("%lld", static_cast<long long>(v));
    return platform::FormatUser(f.format, v);
}

// The field's label and bounds in the range message.
bool RangeMessage(const NumField& f) {
    fw::ShowMessage(fw::FormatString(fw::LoadString(IDS_VALUE_OUT_OF_RANGE),
                                     {f.label, platform::FormatUser("%.10g", f.minimum),
                                      platform::FormatUser("%.10g", f.maximum)}),
                    MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool Missing() {
    fw::ShowMessage(IDS_VALUE_MISSING, MB_OK);
    return false;
}

NumField Real(int id, const char* label, unsigned intDigits, unsigned fracDigits, double minimum,
              double maximum, const char* format, double def, unsigned (CQXRegistry::*get)(double&),
              unsigned (CQXRegistry::*set)(double), double scale = 1.0) {
    return NumField{id,    label, intDigits,  fracDigits, minimum, maximum, format,
                    scale, def,   Kind::Real, get,        set,     nullptr, nullptr};
}

NumField Whole(int id, const char* label, unsigned intDigits, double maximum, double def,
               unsigned (CQXRegistry::*get)(DWORD&), unsigned (CQXRegistry::*set)(DWORD)) {
    return NumField{id,  label, intDigits,   0,       0,       maximum, "%d",
                    1.0, def,   Kind::Whole, nullptr, nullptr, get,     set};
}

}  // namespace

// ---- controls as values ----

std::string ControlTable::GetText(int id) const {
    return m_controls[id].text;
}
void ControlTable::SetText(int id, const std::string& text) {
    m_controls[id].text = text;
}
bool ControlTable::GetCheck(int id) const {
    return m_controls[id].check;
}
void ControlTable::SetCheck(int id, bool checked) {
    m_controls[id].check = checked;
}
void ControlTable::Enable(int id, bool enabled) {
    m_controls[id].enabled = enabled;
}
void ControlTable::Show(int id, bool shown) {
    m_controls[id].shown = shown;
}
void ControlTable::SetItems(int id, const std::vector<std::string>& items) {
    m_controls[id].items = items;
    m_controls[id].text.clear();
}
const ControlTable::Control& ControlTable::At(int id) const {
    return m_controls[id];
}

// ---- the instrument ----

std::string BeamInstrument::GetFirmwareVersion() {
    return m_beam.GetFirmwareVersion();
}
unsigned BeamInstrument::SetPort(const std::string& name) {
    return m_beam.SetPort(name);
}
unsigned BeamInstrument::GetStatus() {
    return m_beam.GetStatus();
}
bool BeamInstrument::ReloadTemperatureEquation() {
    // The reload's FALSE also stands for "no offset for the set-point", which
    // is what a coefficient change has just made so: what counts here is that
    // the equation found all three stored coefficients.
    m_beam.ReloadTemperatureEquation();
    double v = 0;
    return theRegistry.GetTemperatureA0(v) == 0 && theRegistry.GetTemperatureA1(v) == 0 &&
           theRegistry.GetTemperatureA3(v) == 0;
}

// ---- texts ----

double FirmwareNumber(const std::string& version) {
    return platform::AtofC(version);
}

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::optional<double> ParseUserNumber(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) return std::nullopt;
    // strtod also reads "inf", "nan" and hexadecimal forms: none is a field's.
    for (char ch : t) {
        if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '-' || ch == '+' || ch == 'e' ||
              ch == 'E' || std::ispunct(static_cast<unsigned char>(ch)) ||
              static_cast<unsigned char>(ch) >= 0x80))
            return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);  // the process's locale: the user's
    if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<long long> ParseInteger(const std::string& text) {
    long long v = 0;
    const std::string t = Trim(text);
    if (t.empty() || !platform::ParseLong(t, v, 10)) return std::nullopt;
    return v;
}

std::string FolderWithSeparator(const std::string& folder) {
    return fw::WithTrailingSeparator(Trim(folder));
}

bool DirectoryUsable(const std::string& folder) {
    if (folder.empty() || !platform::IsDirectory(folder)) return false;
    // Permissions do not tell for root: make a file and take it away again.
    std::string probe = platform::JoinPath(folder, ".ryxw-probe-XXXXXX");
    const int fd = mkstemp(probe.data());
    if (fd < 0) return false;
    close(fd);
    unlink(probe.c_str());
    return true;
}

// ---- the protocol ----

bool SetupPage::CheckVisited() {
    if (m_nVisits > 1) return true;
    fw::ShowMessage(IDS_DEFAULTS_PRESENT, MB_OK);
    return false;
}

NumericPage::NumericPage(std::string title, int dialogId, std::vector<NumField> fields)
    : SetupPage(std::move(title), dialogId), m_fields(std::move(fields)), m_state(m_fields.size()) {}

void NumericPage::LoadFields(PageControls& c) {
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const NumField& f = m_fields[i];
        FieldState& s = m_state[i];
        double v = 0;
        unsigned e = 0;
        if (f.kind == Kind::Whole) {
            DWORD dw = 0;
            e = (theRegistry.*f.getWhole)(dw);
            v = dw;
        } else {
            e = (theRegistry.*f.get)(v);
        }
        const double shown = v * f.scale;
        s.loadedValid = e == 0 && f.minimum < shown && shown < f.maximum;
        if (!s.loadedValid) {
            v = f.defaultValue;
            m_defaulted = true;
        }
        s.loaded = v;
        s.shown = Shown(f, v);
        s.entered.reset();
        c.SetText(f.id, s.shown);
    }
}

bool NumericPage::Check(PageControls& c) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        texts.push_back(Trim(c.GetText(m_fields[i].id)));
        if (texts[i].empty() && !MayBeEmpty(c, i)) return Missing();
    }
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const NumField& f = m_fields[i];
        FieldState& s = m_state[i];
        s.entered.reset();
        s.unchanged = false;
        if (texts[i].empty()) continue;
        std::optional<double> v;
        if (f.kind == Kind::Whole) {
            if (auto n = ParseInteger(texts[i])) v = static_cast<double>(*n);
        } else {
            v = ParseUserNumber(texts[i]);
        }
        if (!v || !(f.minimum < *v && *v < f.maximum)) return RangeMessage(f);
        s.entered = v;
        s.unchanged = s.loadedValid && texts[i] == s.shown;
    }
    if (!CheckMore()) return false;
    return CheckVisited();
}

double NumericPage::ToStore(size_t i) const {
    const FieldState& s = m_state[i];
    return s.unchanged ? s.loaded : *s.entered / m_fields[i].scale;
}

unsigned NumericPage::Write() {
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (!m_state[i].entered) continue;
        const NumField& f = m_fields[i];
        const double v = ToStore(i);
        const unsigned e = f.kind == Kind::Whole ? (theRegistry.*f.setWhole)(static_cast<DWORD>(v))
                                                 : (theRegistry.*f.set)(v);
        if (e) return e;
    }
    return 0;
}

// ---- Bath ----

CPageFiveModel::CPageFiveModel()
    : NumericPage("Bath", 143,
                  // Exactly what the offset table takes: a bath that rounds to
                  // one of its degrees, -40 to +25 degC.
                  {Real(kTemperature, "Bath Temperature", 2, 0, TempOffsetTable::kFirstDegree - 0.5,
                        TempOffsetTable::kLastDegree + 0.5, "%.f", -30, &CQXRegistry::GetTestBath,
                        &CQXRegistry::SetTestBath)}) {}

void CPageFiveModel::Load(PageControls& c) {
    NumericPage::Load(c);
    m_loaded = m_defaulted ? -1000.0 : Loaded(0);
}

bool CPageFiveModel::Check(PageControls& c) {
    if (!NumericPage::Check(c)) return false;
    m_entered = ToStore(0);
    return true;
}

// ---- Gage Block ----

CPageTwoModel::CPageTwoModel()
    : NumericPage("Gage Block", 140,
                  {Real(kTop, "Top Level", 2, 3, 0, 60, "%.3f", 16, &CQXRegistry::GetGageBlockTop,
                        &CQXRegistry::SetGageBlockTop),
                   Real(kRed, "Red Level", 2, 3, 0, 60, "%.3f", 15, &CQXRegistry::GetGageBlockRed,
                        &CQXRegistry::SetGageBlockRed),
                   Real(kWhite, "White Level", 2, 3, 0, 60, "%.3f", 13, &CQXRegistry::GetGageBlockWhite,
                        &CQXRegistry::SetGageBlockWhite),
                   Real(kBlue, "Blue Level", 2, 3, 0, 60, "%.3f", 10, &CQXRegistry::GetGageBlockBlue,
                        &CQXRegistry::SetGageBlockBlue)}) {}

void CPageTwoModel::Load(PageControls& c) {
    NumericPage::Load(c);
    for (size_t i = 0; i < 4; ++i) m_loaded[i] = Loaded(i);
    if (m_defaulted) m_loaded[1] = -1.0;
}

bool CPageTwoModel::Check(PageControls& c) {
    if (!NumericPage::Check(c)) return false;
    for (size_t i = 0; i < 4; ++i) m_entered[i] = ToStore(i);
    return true;
}

bool CPageTwoModel::Changed() const {
    for (size_t i = 0; i < 4; ++i)
        if (m_entered[i] != m_loaded[i]) return true;
    return false;
}

// ---- Confidence Test ----

CPageThreeModel::CPageThreeModel()
    : NumericPage("Confidence Test", 141,
                  {Real(kMinimum, "Minimum Limit", 3, 1, 0, 400, "%.1f", 1.83,
                        &CQXRegistry::GetConfidenceTestMin, &CQXRegistry::SetConfidenceTestMin, 100.0),
                   Real(kMaximum, "Maximum Limit", 3, 1, 0, 400, "%.1f", 2.23,
                        &CQXRegistry::GetConfidenceTestMax, &CQXRegistry::SetConfidenceTestMax, 100.0)}) {}

double CPageThreeModel::ToStore(size_t i) const {
    // Limits entered the wrong way round are stored the right way round.
    const double a = NumericPage::ToStore(0);
    const double b = NumericPage::ToStore(1);
    return i == 0 ? std::min(a, b) : std::max(a, b);
}

// ---- Graphs ----

CPageFourModel::CPageFourModel()
    : NumericPage("Graphs", 142,
                  {Real(kDeflection, "Deflection", 1, 2, 0, 10, "%.2f", 1, &CQXRegistry::GetGraphsDeflection,
                        &CQXRegistry::SetGraphsDeflection),
                   Real(kForce, "Force", 4, 0, 0, 10000, "%.f", 1000, &CQXRegistry::GetGraphsForce,
                        &CQXRegistry::SetGraphsForce)}) {}

void CPageFourModel::Load(PageControls& c) {
    DWORD dw = 0;
    if (theRegistry.GetGraphsAuto(dw)) {
        dw = 1;
        m_defaulted = true;
    }
    c.SetCheck(kAutoScale, dw != 0);
    dw = 0;
    if (theRegistry.GetForceResolution(dw)) {
        dw = 0;
        m_defaulted = true;
    }
    c.SetCheck(kResolution, dw != 0);
    LoadFields(c);
    OnAutoScale(c);
    LoadDone();
}

void CPageFourModel::OnAutoScale(PageControls& c) {
    const bool fixed = !c.GetCheck(kAutoScale);
    c.Enable(kDeflection, fixed);
    c.Enable(kForce, fixed);
}

bool CPageFourModel::Check(PageControls& c) {
    if (!NumericPage::Check(c)) return false;
    m_auto = c.GetCheck(kAutoScale);
    m_resolution = c.GetCheck(kResolution);
    return true;
}

unsigned CPageFourModel::Write() {
    if (unsigned e = theRegistry.SetGraphsAuto(m_auto ? 1 : 0)) return e;
    // An empty scale beside AutoScale is no scale: it stays as stored.
    if (unsigned e = NumericPage::Write()) return e;
    if (unsigned e = theRegistry.SetForceResolution(m_resolution ? 1 : 0)) return e;
    m_wrote = true;
    return 0;
}

// ---- Beam Dimensions ----

CPageEightModel::CPageEightModel()
    : NumericPage(
          "Beam Dimensions", 1537,
          {Real(kThinThickness, "Thin Beam Thickness", 1, 2, 0, 2, "%.2f", 1.2,
                &CQXRegistry::GetBeamDimensionsThinThickness, &CQXRegistry::SetBeamDimensionsThinThickness),
           Real(kThinWidth, "Thin Beam Width", 2, 2, 0, 14, "%.2f", 12.7,
                &CQXRegistry::GetBeamDimensionsThinWidth, &CQXRegistry::SetBeamDimensionsThinWidth),
           Real(kThickThickness, "Thick Beam Thickness", 2, 2, 0, 14, "%.2f", 6.35,
                &CQXRegistry::GetAutoThicknessThickThickness,
                &CQXRegistry::SetAutoThicknessThickThickness)}) {}

void CPageEightModel::Load(PageControls& c) {
    NumericPage::Load(c);
    m_loadedThin = Loaded(0);
    m_loadedThick = Loaded(2);
    if (!m_state[0].loadedValid || !m_state[1].loadedValid)
        m_loadedThin = -1.0;
    else if (!m_state[2].loadedValid)
        m_loadedThick = -1.0;
}

bool CPageEightModel::Check(PageControls& c) {
    if (!NumericPage::Check(c)) return false;
    m_enteredThin = ToStore(0);
    m_enteredThick = ToStore(2);
    return true;
}

// ---- Advanced Test Settings ----

CPageNineModel::CPageNineModel()
    : NumericPage("Advanced Test Settings", 106,
                  {Whole(kLoadTime, "Test Load Time", 6, 605000.1, 240, &CQXRegistry::GetTestLoadTime,
                         &CQXRegistry::SetTestLoadTime),
                   Whole(kRecoveryTime, "Test Recovery Time", 5, 87000.1, 10,
                         &CQXRegistry::GetTestRecoveryTime, &CQXRegistry::SetTestRecoveryTime),
                   Whole(kSampleInterval, "Extended Sample Interval", 4, 3600.1, 30,
                         &CQXRegistry::GetTestSampleInterval, &CQXRegistry::SetTestSampleInterval)}) {}

bool CPageNineModel::CheckMore() {
    if (*m_state[0].entered < 240 || *m_state[1].entered < 10 || *m_state[2].entered < 1) {
        fw::ShowMessage(IDS_ADVANCED_INVALID, MB_OK);
        return false;
    }
    return true;
}

// ---- Port ----

namespace {
const std::vector<std::string> kPorts = {"NONE", "COM1", "COM2", "COM3", "COM4"};
}

CPageSixModel::CPageSixModel(SetupInstrument& beam) : SetupPage("Port", 144), m_beam(beam) {}

void CPageSixModel::Load(PageControls& c) {
    std::string port;
    m_stored = theRegistry.GetPort(port) == 0;
    if (!m_stored) {
        port = "COM1";
        m_defaulted = true;
    }
    // The port in use, opened again when a port chosen at OK cannot be.
    m_openPort = port;
    // Any name but the four COM entries (also "NONE") is shown as "COM1".
    if (std::find(kPorts.begin() + 1, kPorts.end(), port) == kPorts.end()) port = "COM1";
    c.SetItems(kPort, kPorts);
    c.SetText(kPort, port);
    m_loadedPort = port;
    LoadDone();
}

bool CPageSixModel::Check(PageControls& c) {
    if (!CheckVisited()) return false;
    m_chosen = FirstChars(c.GetText(kPort), 4);
    return true;
}

bool CPageSixModel::SwitchPort(PageControls& c) {
    m_opened = m_beam.SetPort(m_chosen) == 0;
    if (!m_opened) {
        // "NONE" closes the line and keeps the stored port.
        if (m_chosen == "NONE") return true;
        Restore(c);
        fw::ShowMessage(IDS_PORT_UNAVAILABLE, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // Stored now, not with the other pages: a page after this one may still
    // refuse, and the line stays on the chosen port.
    if (!m_stored || m_chosen != m_openPort) {
        if (theRegistry.SetPort(m_chosen)) {
            m_opened = false;
            Restore(c);
            ShowSettingsSaveFailure(IDS_REGISTRY_WRITE);
            return false;
        }
        m_openPort = m_chosen;
        m_loadedPort = m_chosen;
        m_stored = true;
    }
    return true;
}

void CPageSixModel::Restore(PageControls& c) {
    m_beam.SetPort(m_openPort);
    c.SetText(kPort, m_loadedPort);
}

// ---- Equipment ----

CPageOneModel::CPageOneModel(SetupInstrument& beam) : SetupPage("Equipment", 139), m_beam(beam) {}

namespace {
constexpr int kCoefficientIds[3] = {CPageOneModel::kA0, CPageOneModel::kA1, CPageOneModel::kA2};
constexpr unsigned (CQXRegistry::*kCoefficientGet[3])(double&) = {
    &CQXRegistry::GetTemperatureA0, &CQXRegistry::GetTemperatureA1, &CQXRegistry::GetTemperatureA3};
constexpr unsigned (CQXRegistry::*kCoefficientSet[3])(double) = {
    &CQXRegistry::SetTemperatureA0, &CQXRegistry::SetTemperatureA1, &CQXRegistry::SetTemperatureA3};
const char* const kCoefficientLabels[3] = {"A0", "A1", "A2"};
}  // namespace

void CPageOneModel::Load(PageControls& c) {
    std::string id, serial;
    if (theRegistry.GetEquipmentRYX(id)) m_defaulted = true;
    m_serialStored = theRegistry.GetEquipmentThermistor(serial) == 0;
    if (!m_serialStored) m_defaulted = true;
    c.SetText(kApparatusId, Trim(id));
    c.SetText(kSerialNumber, Trim(serial));
    for (int i = 0; i < 3; ++i) {
        double v = 0;
        m_stored[i].reset();
        if ((theRegistry.*kCoefficientGet[i])(v)) {
            m_defaulted = true;
            continue;
        }
        m_stored[i] = v;
        m_loaded[i] = v;
        if (!(kMin < v && v < kMax)) m_defaulted = true;
    }
    for (int i = 0; i < 3; ++i) {
        m_shown[i] = m_defaulted ? std::string() : platform::FormatUser("%.10g", m_loaded[i]);
        if (m_defaulted) m_loaded[i] = kMin - 10;
        c.SetText(kCoefficientIds[i], m_shown[i]);
    }
    if (m_defaulted) c.SetText(kSerialNumber, "");
    m_serialShown = m_defaulted ? std::string() : Trim(serial);
    // Firmware 2 and later measure the bath itself; until the instrument has
    // said which it runs, the probe's fields stay, so that a first setup
    // stores them.
    m_probe = FirmwareNumber(m_beam.GetFirmwareVersion()) < 2.0;
    ShowProbe(c);
    // This page keeps no count of visits and never asks for one.
}

void CPageOneModel::ShowProbe(PageControls& c) {
    for (int id : {int(kProbeGroup), int(kSerialLabel), int(kSerialNumber), int(kA0Label), int(kA0),
                   int(kA1Label), int(kA1), int(kA2Label), int(kA2)})
        c.Show(id, m_probe);
}

bool CPageOneModel::Check(PageControls& c) {
    // The firmware may have been told since the page was made (the line
    // opened at an earlier OK of this sheet): from 2 on the probe is hidden
    // now. Once hidden it stays so, also while a reopened line asks again.
    if (m_probe && FirmwareNumber(m_beam.GetFirmwareVersion()) >= 2.0) {
        m_probe = false;
        ShowProbe(c);
    }
    m_id = FirstChars(Trim(c.GetText(kApparatusId)), 30);
    if (m_id.empty()) return Missing();
    m_changed = false;
    m_clearOffsets = false;
    if (!m_probe) return UseProbeDefaults(c);
    m_writeSerial = true;
    for (bool& w : m_write) w = true;
    m_serial = FirstChars(Trim(c.GetText(kSerialNumber)), 15);
    std::string texts[3];
    for (int i = 0; i < 3; ++i) texts[i] = Trim(c.GetText(kCoefficientIds[i]));
    if (m_serial.empty() || texts[0].empty() || texts[1].empty() || texts[2].empty()) return Missing();
    for (int i = 0; i < 3; ++i) {
        const auto v = ParseUserNumber(texts[i]);
        if (!v || !(kMin < *v && *v < kMax)) {
            return RangeMessage(NumField{kCoefficientIds[i], kCoefficientLabels[i], 10, 10, kMin, kMax,
                                         "%.10g", 1, 0, Kind::Real, nullptr, nullptr, nullptr, nullptr});
        }
        // A text left as shown keeps the stored value to the last digit.
        m_entered[i] = (m_stored[i] && !m_shown[i].empty() && texts[i] == m_shown[i]) ? *m_stored[i] : *v;
    }
    for (int i = 0; i < 3; ++i) {
        if (m_entered[i] != m_loaded[i]) m_changed = true;
        // Offsets belong to the stored equation: only a change of it voids them.
        if (m_stored[i] && *m_stored[i] != m_entered[i]) m_clearOffsets = true;
    }
    return true;
}

bool CPageOneModel::UseProbeDefaults(PageControls& c) {
    // Firmware 2 and later measure the bath themselves and the probe's fields
    // are hidden; the start-up still wants the coefficients stored. What the
    // operator typed while the fields were shown (the firmware not known yet)
    // is stored as typed; else what is missing gets the placeholder ("1111",
    // 1.0) and what is stored stays as it is, so that no temperature offsets
    // are voided.
    const std::string serial = FirstChars(Trim(c.GetText(kSerialNumber)), 15);
    if (!serial.empty() && serial != m_serialShown) {
        m_writeSerial = true;
        m_serial = serial;
    } else {
        m_writeSerial = !m_serialStored;
        m_serial = "1111";
    }
    for (int i = 0; i < 3; ++i) {
        const std::string text = Trim(c.GetText(kCoefficientIds[i]));
        // A text that is no coefficient, in a field the operator can no
        // longer see, is not one to store.
        std::optional<double> typed;
        if (!text.empty() && text != m_shown[i]) typed = ParseUserNumber(text);
        if (typed && !(kMin < *typed && *typed < kMax)) typed.reset();
        if (typed) {
            m_write[i] = true;
            m_entered[i] = *typed;
        } else {
            m_write[i] = !m_stored[i];
            m_entered[i] = m_stored[i] ? *m_stored[i] : 1.0;
        }
        if (m_write[i] && m_entered[i] != m_loaded[i]) m_changed = true;
        if (m_stored[i] && *m_stored[i] != m_entered[i]) m_clearOffsets = true;
    }
    return true;
}

unsigned CPageOneModel::Write() {
    for (int i = 0; i < 3; ++i)
        if (m_write[i])
            if (unsigned e = (theRegistry.*kCoefficientSet[i])(m_entered[i])) return e;
    if (m_writeSerial)
        if (unsigned e = theRegistry.SetEquipmentThermistor(m_serial)) return e;
    if (unsigned e = theRegistry.SetEquipmentRYX(m_id)) return e;
    if (m_clearOffsets) {
        static const char kNone = 0;
        if (unsigned e = theRegistry.SetTemperatureOffsets(&kNone, 0)) return e;
    }
    return 0;
}

bool CPageOneModel::AfterCommit(PageControls&) {
    if (!m_changed) return true;
    char offsets[CQXRegistry::kOffsetsSize];
    const bool cleared = !m_clearOffsets || theRegistry.GetTemperatureOffsets(offsets, sizeof offsets) != 0;
    if (m_beam.ReloadTemperatureEquation() && cleared) return true;
    fw::ShowMessage(IDS_REGISTRY_WRITE, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// ---- Archive ----

CPageSevenModel::CPageSevenModel() : SetupPage("Archive", 145) {}

std::string CPageSevenModel::DefaultDirectory() {
    const char* home = std::getenv("HOME");
    return FolderWithSeparator(home && home[0] == '/' ? home : "/");
}

void CPageSevenModel::Load(PageControls& c) {
    std::string dir;
    c.Show(kMissing, false);
    if (theRegistry.GetTestDirectory(dir)) {
        dir = DefaultDirectory();
        m_defaulted = true;
    } else if (chdir(dir.c_str()) != 0) {
        // Perhaps a share that is away for the moment: the stored path stays
        // as it is, marked, and is never replaced by a default.
        c.SetText(kMissing, fw::LoadString(IDS_DIRECTORY_MISSING));
        c.Show(kMissing, true);
        m_defaulted = true;
    }
    c.SetText(kPath, dir);
    LoadDone();
}

bool CPageSevenModel::Check(PageControls& c) {
    m_path = c.GetText(kPath);
    if (!DirectoryUsable(m_path)) {
        c.SetText(kMissing, fw::LoadString(IDS_DIRECTORY_MISSING));
        c.Show(kMissing, true);
        fw::ShowMessage(fw::FormatString1(IDS_DIRECTORY_UNUSABLE, m_path), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return CheckVisited();
}

unsigned CPageSevenModel::Write() {
    return theRegistry.SetTestDirectory(m_path);
}

bool CPageSevenModel::AfterCommit(PageControls&) {
    // Files are made in the data directory, as after a start with it stored.
    [[maybe_unused]] const int rc = chdir(m_path.c_str());
    return true;
}

void CPageSevenModel::OnBrowse(PageControls& c, const std::optional<std::string>& chosen) {
    if (!chosen) return;
    c.SetText(kPath, FolderWithSeparator(*chosen));
    c.Show(kMissing, false);
}

}  // namespace setup

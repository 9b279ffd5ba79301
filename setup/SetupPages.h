#pragma once
// The nine pages of the Instrument Setup sheet as plain classes: each page is
// a table of fields {control, setting, default, limits, message}, and its
// load, check and write are loops over that table. The Qt pages (CPages.h)
// only hand their controls over through PageControls; the tests hand over a
// ControlTable instead, so every rule here runs without a display.
//
// The page protocol: Load when the page's window is made (a missing or
// out-of-range value shows the default and marks the page defaulted; a page
// that is not defaulted counts one visit), OnSetActive counts a visit, Check
// reads and judges everything entered (259 empty, the range, 258 a defaulted
// page not looked at since), Write queues the page's setters inside the
// sheet's settings group, AfterCommit does what follows a stored change.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CQXBendingBeam;
class CQXRegistry;

namespace setup {

// Message ids of the pages.
inline constexpr UINT IDS_DEFAULTS_PRESENT = 258;
inline constexpr UINT IDS_VALUE_MISSING = 259;
inline constexpr UINT IDS_ADVANCED_INVALID = 261;
inline constexpr UINT IDS_REGISTRY_WRITE = 312;
inline constexpr UINT IDS_PORT_UNAVAILABLE = 314;
inline constexpr UINT IDS_VALUE_OUT_OF_RANGE = 920;  // %1 field, %2 and %3 the exclusive bounds
inline constexpr UINT IDS_DIRECTORY_UNUSABLE = 921;  // %1 the path
inline constexpr UINT IDS_DIRECTORY_MISSING = 922;   // the mark beside a path that cannot be reached

// The help topic of every page but the Advanced Test Settings page.
inline constexpr const char* kHelpSetup = "RYXW.chm::/RYXW/Instrument_setup.htm";

// A page's controls by id, as the page model reads and sets them.
class PageControls {
public:
    virtual ~PageControls() = default;
    // Edit and static texts; for a combo box the selected entry's text.
    virtual std::string GetText(int id) const = 0;
    // For a combo box: selects the entry with that text.
    virtual void SetText(int id, const std::string& text) = 0;
    virtual bool GetCheck(int id) const = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual void Show(int id, bool shown) = 0;
    // A combo box's entries, in order (the selection is cleared).
    virtual void SetItems(int id, const std::vector<std::string>& items) = 0;
};

// The controls as plain values: what the tests (and nothing else) use.
class ControlTable : public PageControls {
public:
    struct Control {
        std::string text;
        bool check = false;
        bool enabled = true;
        bool shown = true;
        std::vector<std::string> items;
    };
    std::string GetText(int id) const override;
    void SetText(int id, const std::string& text) override;
    bool GetCheck(int id) const override;
    void SetCheck(int id, bool checked) override;
    void Enable(int id, bool enabled) override;
    void Show(int id, bool shown) override;
    void SetItems(int id, const std::vector<std::string>& items) override;
    const Control& At(int id) const;

private:
    mutable std::map<int, Control> m_controls;
};

// What the pages ask of the instrument object.
class SetupInstrument {
public:
    virtual ~SetupInstrument() = default;
    virtual std::string GetFirmwareVersion() = 0;           // "?" until the instrument said
    virtual unsigned SetPort(const std::string& name) = 0;  // 0: open
    // 0 while the link is up; 55 once a request went unanswered, 1117 when
    // the port is not open.
    virtual unsigned GetStatus() = 0;
    // True when the equation now uses the stored coefficients.
    virtual bool ReloadTemperatureEquation() = 0;
};

// The application's instrument object behind that interface.
class BeamInstrument : public SetupInstrument {
public:
    explicit BeamInstrument(CQXBendingBeam& beam) : m_beam(beam) {}
    std::string GetFirmwareVersion() override;
    unsigned SetPort(const std::string& name) override;
    unsigned GetStatus() override;
    bool ReloadTemperatureEquation() override;

private:
    CQXBendingBeam& m_beam;
};

// The leading number of a firmware version text ("2.000" 2, "?" 0): below 2
// temperatures arrive as thermistor counts and the probe's coefficients count.
double FirmwareNumber(const std::string& version);

// A whole text as a number in the user's locale (the one the pages format
// with), the exponent form included; blanks around it allowed.
std::optional<double> ParseUserNumber(const std::string& text);
// A whole text as a base-10 integer; blanks around it allowed.
std::optional<long long> ParseInteger(const std::string& text);
// Blanks (spaces, tabs, line ends) off both ends.
std::string Trim(const std::string& text);
// A chosen folder trimmed of blanks and ending in one separator.
std::string FolderWithSeparator(const std::string& folder);

// The kinds of numeric field.
enum class Kind { Real, Whole };

// One numeric field of a page.
struct NumField {
    int id;
    const char* label;  // for the range message: the template's label without "&" and " :"
    unsigned intDigits;
    unsigned fracDigits;
    double minimum;  // exclusive
    double maximum;  // exclusive
    const char* format;
    double scale;         // shown = stored x scale
    double defaultValue;  // as stored
    Kind kind;
    unsigned (CQXRegistry::*get)(double&);
    unsigned (CQXRegistry::*set)(double);
    unsigned (CQXRegistry::*getWhole)(DWORD&);
    unsigned (CQXRegistry::*setWhole)(DWORD);
};

class SetupPage {
public:
    SetupPage(std::string title, int dialogId) : m_title(std::move(title)), m_dialogId(dialogId) {}
    virtual ~SetupPage() = default;
    SetupPage(const SetupPage&) = delete;
    SetupPage& operator=(const SetupPage&) = delete;

    const std::string& Title() const { return m_title; }
    int DialogId() const { return m_dialogId; }
    // nullptr: the page has no help (the Advanced Test Settings page).
    virtual const char* HelpTopic() const { return kHelpSetup; }

    // The page's window is made: its settings are read and shown.
    virtual void Load(PageControls& c) = 0;
    // The page became the active tab.
    void OnSetActive() { ++m_nVisits; }
    // OK: reads and judges what was entered; shows the page's message and
    // returns false when the page refuses. Nothing is written here.
    virtual bool Check(PageControls& c) = 0;
    // Queues the page's writes in the open settings group: 0 or the first
    // setter's refusal.
    virtual unsigned Write() = 0;
    // After the group was stored: what follows the page's change (false
    // after the page's message: the sheet stays open on it).
    virtual bool AfterCommit(PageControls&) { return true; }
    // Whether the sheet may close on this page after a failed store.
    bool Defaulted() const { return m_defaulted; }

    int m_nVisits = 0;

protected:
    // 258 when the page fell back to defaults and was not looked at since.
    bool CheckVisited();
    void LoadDone() {
        if (!m_defaulted) ++m_nVisits;
    }
    bool m_defaulted = false;

private:
    std::string m_title;
    int m_dialogId;
};

// A page of numeric fields (Bath, Gage Block, Confidence Test, Beam
// Dimensions, Advanced Test Settings; the Graphs page adds its check boxes).
class NumericPage : public SetupPage {
public:
    NumericPage(std::string title, int dialogId, std::vector<NumField> fields);
    void Load(PageControls& c) override {
        LoadFields(c);
        LoadDone();
    }
    bool Check(PageControls& c) override;
    unsigned Write() override;

    // For each field: the value loaded (as stored; the default when the page
    // fell back to it) and the one entered at OK (nullopt: left empty).
    double Loaded(size_t i) const { return m_state[i].loaded; }
    std::optional<double> Entered(size_t i) const { return m_state[i].entered; }
    const std::vector<NumField>& Fields() const { return m_fields; }

protected:
    // Reads and shows every field; a missing or invalid one its default.
    void LoadFields(PageControls& c);
    // Whether field i may stay empty at OK (it is then not written).
    virtual bool MayBeEmpty(PageControls&, size_t) const { return false; }
    // Checks after the range and before 258 (the Advanced page's 261).
    virtual bool CheckMore() { return true; }
    // The value written for field i, as stored: the loaded one exactly when
    // its text was left as shown.
    virtual double ToStore(size_t i) const;

    struct FieldState {
        double loaded = 0;
        bool loadedValid = false;
        std::string shown;              // the text put into the control at load
        std::optional<double> entered;  // as shown (x scale)
        bool unchanged = false;         // the text is the one shown at load
    };
    std::vector<NumField> m_fields;
    std::vector<FieldState> m_state;
};

class CPageFiveModel : public NumericPage {  // Bath
public:
    CPageFiveModel();
    enum { kTemperature = 1006 };
    // The tracked bath temperature: loaded (-1000 when defaulted) and entered.
    double m_loaded = 0;
    double m_entered = 50;
    void Load(PageControls& c) override;
    bool Check(PageControls& c) override;
};

class CPageTwoModel : public NumericPage {  // Gage Block
public:
    CPageTwoModel();
    enum { kTop = 1009, kRed = 1010, kWhite = 1011, kBlue = 1012 };
    double m_loaded[4] = {0, 0, 0, 0};
    double m_entered[4] = {0, 0, 0, 0};
    void Load(PageControls& c) override;
    bool Check(PageControls& c) override;
    bool Changed() const;
};

class CPageThreeModel : public NumericPage {  // Confidence Test
public:
    CPageThreeModel();
    enum { kMinimum = 1005, kMaximum = 1015 };

protected:
    double ToStore(size_t i) const override;
};

class CPageFourModel : public NumericPage {  // Graphs
public:
    CPageFourModel();
    enum { kAutoScale = 1007, kDeflection = 1027, kForce = 1026, kResolution = 1041 };
    void Load(PageControls& c) override;
    bool Check(PageControls& c) override;
    unsigned Write() override;
    // Check box 1007: the scale fields are for a fixed scale only.
    void OnAutoScale(PageControls& c);
    // The page's writes ask the main frame to redraw with its children.
    bool WantsRedraw() const { return m_wrote; }

protected:
    bool MayBeEmpty(PageControls& c, size_t) const override { return c.GetCheck(kAutoScale); }

private:
    bool m_auto = true;
    bool m_resolution = false;
    bool m_wrote = false;
};

class CPageEightModel : public NumericPage {  // Beam Dimensions
public:
    CPageEightModel();
    enum { kThinThickness = 1039, kThinWidth = 1003, kThickThickness = 1004 };
    double m_loadedThin = 0, m_enteredThin = 0;
    double m_loadedThick = 0, m_enteredThick = 0;
    void Load(PageControls& c) override;
    bool Check(PageControls& c) override;
};

class CPageNineModel : public NumericPage {  // Advanced Test Settings
public:
    CPageNineModel();
    enum { kLoadTime = 1042, kRecoveryTime = 1043, kSampleInterval = 1044 };
    const char* HelpTopic() const override { return nullptr; }

protected:
    bool CheckMore() override;
};

class CPageSixModel : public SetupPage {  // Port
public:
    explicit CPageSixModel(SetupInstrument& beam);
    enum { kPort = 1017 };
    void Load(PageControls& c) override;
    bool Check(PageControls& c) override;
    // Before the pages after it are judged: opens the chosen port and stores
    // it at once, so that the line and the settings agree whatever a later
    // page says (also after a Cancel). False (after 314, or 312 when it
    // cannot be stored) when the port in use before is open and selected
    // again.
    bool SwitchPort(PageControls& c);
    // The port was stored by SwitchPort: nothing is left for the group.
    unsigned Write() override { return 0; }
    // Whether the last SwitchPort opened the chosen port.
    bool Opened() const { return m_opened; }
    const std::string& LoadedPort() const { return m_loadedPort; }

private:
    // The port in use before open again, its entry selected.
    void Restore(PageControls& c);

    SetupInstrument& m_beam;
    std::string m_loadedPort;  // the entry selected for the port in use
    std::string m_openPort;    // the stored name, which the start-up opened
    bool m_stored = false;     // m_openPort is the stored setting
    std::string m_chosen;
    bool m_opened = false;
};

class CPageOneModel : public SetupPage {  // Equipment
public:
    explicit CPageOneModel(SetupInstrument& beam);
    enum {
        kApparatusId = 1040,
        kSerialNumber = 1028,
        kA0 = 1012,
        kA1 = 1013,
        kA2 = 1014,
        // The probe's group box and labels, hidden from firmware 2 on.
        kProbeGroup = 1029,
        kSerialLabel = 1030,
        kA0Label = 1031,
        kA1Label = 1032,
        kA2Label = 1033
    };
    static constexpr double kMin = -1e11;
    static constexpr double kMax = 1e11;
    void Load(PageControls& c) override;
    bool Check(PageControls& c) override;
    unsigned Write() override;
    bool AfterCommit(PageControls& c) override;
    // Firmware 2 and later measure the temperature themselves.
    bool ProbeShown() const { return m_probe; }
    // The tracked coefficients: loaded (the minimum less 10 when defaulted).
    double m_loaded[3] = {0, 0, 0};
    double m_entered[3] = {0, 0, 0};

private:
    // OK with the probe hidden: what the operator typed into the probe's
    // fields while they were shown, else what is stored, else placeholders.
    bool UseProbeDefaults(PageControls& c);
    // The probe's nine controls shown or hidden as m_probe says.
    void ShowProbe(PageControls& c);

    SetupInstrument& m_beam;
    bool m_probe = true;
    std::optional<double> m_stored[3];  // as stored at load, whatever the range
    bool m_serialStored = false;
    std::string m_shown[3];
    std::string m_serialShown;
    std::string m_id, m_serial;
    bool m_write[3] = {false, false, false};  // the coefficients written at OK
    bool m_writeSerial = false;
    bool m_changed = false;  // a coefficient differs from the loaded one
    bool m_clearOffsets = false;
};

class CPageSevenModel : public SetupPage {  // Archive
public:
    CPageSevenModel();
    enum { kPath = 1021, kBrowse = 1022, kMissing = 1023 };
    void Load(PageControls& c) override;
    bool Check(PageControls& c) override;
    unsigned Write() override;
    bool AfterCommit(PageControls& c) override;
    // The folder chooser's answer (nullopt: cancelled).
    void OnBrowse(PageControls& c, const std::optional<std::string>& chosen);
    // What stands in for the system drive's root when nothing is stored.
    static std::string DefaultDirectory();

private:
    std::string m_path;
};

// Whether folder is a directory a file can be made in (tried, since root may
// write where permissions say no).
bool DirectoryUsable(const std::string& folder);

}  // namespace setup

#pragma once
// The temperature calibration: the operator types the reference
// thermometer's reading of the bath at the current set-point, confirms it,
// and the difference from the bath reading is stored as the offset of the
// set-point's whole degree; the instrument then reloads its temperature
// equation. All offsets can be cleared first. TempOffsetCalibration is the
// logic, CTempOffset its dialog (1538), built with the main frame as parent.
#include <string>

#include "framework/ui/Dialogs.h"
#include "platform/WinTypes.h"

class CNumEdit;
class CQXBendingBeam;
class QCheckBox;

// What the calibration asks of the instrument object.
class TempOffsetInstrument {
public:
    virtual ~TempOffsetInstrument() = default;
    virtual BOOL GetUncorrectedTemperature(double& out) = 0;
    virtual BOOL ReloadTemperatureEquation() = 0;
};

// The instrument object's uncorrected bath reading, only once a frame has
// come and the firmware version is known.
class BeamTempOffsetInstrument final : public TempOffsetInstrument {
public:
    explicit BeamTempOffsetInstrument(CQXBendingBeam& beam) : m_beam(beam) {}
    BOOL GetUncorrectedTemperature(double& out) override;
    BOOL ReloadTemperatureEquation() override;

private:
    CQXBendingBeam& m_beam;
};

class TempOffsetCalibration {
public:
    static constexpr UINT kIdsClearAll = 254;
    static constexpr UINT kIdsFailed = 257;
    static constexpr UINT kIdsConfirm = 264;
    static constexpr UINT kIdsReloadFailed = 265;
    static constexpr UINT kIdsTooFar = 538;
    // The edit's limits as OnInitDialog sets them (exclusive bounds).
    static constexpr unsigned kIntDigits = 2;
    static constexpr unsigned kFracDigits = 2;
    static constexpr double kMinimum = -48.00001;
    static constexpr double kMaximum = 28.00001;
    static constexpr double kWindow = 3.0;  // degC around the set-point

    enum class Outcome {
        kEnd,   // the dialog ends with IDOK (what happened was said)
        kStay,  // the dialog stays, the reading selected for another try
    };

    explicit TempOffsetCalibration(TempOffsetInstrument& instrument) : m_instrument(instrument) {}

    // OK: whether Clear All is checked, the reading's text and whether the
    // operator changed it.
    Outcome OnOK(bool clearAll, const std::string& text, bool modified);

    // The help topic of F1, the title bar's help button and the context menu.
    static const char* HelpTopic() {
        return "RYXW.chm::/RYXW/Windows_keyboard_commands_for_menus_applications.htm";
    }

private:
    Outcome Fail();
    TempOffsetInstrument& m_instrument;
};

class CTempOffset : public fw::Dialog {
    Q_OBJECT
public:
    static constexpr int IDC_TEMP_READING = 1006;
    static constexpr int IDC_CLEAR_ALL = 1030;

    // parent: the main frame; beam: the instrument object it reaches.
    CTempOffset(QWidget* parent, CQXBendingBeam& beam);
    ~CTempOffset() override;

    CNumEdit* Reading() const { return m_reading; }
    QCheckBox* ClearAll() const { return m_clearAll; }
    TempOffsetCalibration& Logic() { return m_logic; }

    // Public so that tests can open the dialog without the modal loop.
    bool OnInitDialog() override;
    void OnOK() override;

    // WM_HELP: the topic for a window's help request only (F1, the title
    // bar's help button); others are answered and nothing more.
    enum class HelpRequest { kWindow, kMenu };
    bool OnHelp(HelpRequest request);
    // WM_CONTEXTMENU: the topic.
    void OnContextHelp();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    BeamTempOffsetInstrument m_beamInstrument;
    TempOffsetCalibration m_logic;
    CNumEdit* m_reading;
    QCheckBox* m_clearAll;
};

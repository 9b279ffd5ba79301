#pragma once
// The step wizards of the calibrations, without windows: a table of steps
// driven by Next, Back and the instrument's new readings; the rule of acting
// on every second data frame; the busy flag around every message box; the
// Retry/Ignore error step; the final save through one group write. A thin
// dialog (WizardDialog) shows the view the engine keeps and passes the
// buttons and WM_INSTRUMENT_UPDATE on.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/MessageBox.h"
#include "framework/core/WindowPost.h"
#include "instrument/BeamState.h"
#include "instrument/CQXBendingBeam.h"
#include "platform/WinTypes.h"

// What a wizard asks of the instrument object; the station passes its
// CQXBendingBeam through BeamInstrument, tests a scripted one.
class WizardInstrument {
public:
    virtual ~WizardInstrument() = default;
    virtual BOOL GetState(BeamState& out) = 0;
    virtual BOOL GetReadings(BeamReadings& out) = 0;
    virtual unsigned GetStatus() = 0;
    // The box with the status's message and detail (nothing at status 0).
    virtual void ReportError(const std::string& detail) = 0;
    virtual void AddNotifyWindow(fw::WindowId window) = 0;
    virtual void RemoveNotifyWindow(fw::WindowId window) = 0;
};

class BeamInstrument final : public WizardInstrument {
public:
    explicit BeamInstrument(CQXBendingBeam& beam) : m_beam(beam) {}
    BOOL GetState(BeamState& out) override { return m_beam.GetState(out); }
    BOOL GetReadings(BeamReadings& out) override { return m_beam.GetReadings(out); }
    unsigned GetStatus() override { return m_beam.GetStatus(); }
    void ReportError(const std::string& detail) override { m_beam.ReportError(detail); }
    void AddNotifyWindow(fw::WindowId window) override { m_beam.AddNotifyWindow(window); }
    void RemoveNotifyWindow(fw::WindowId window) override { m_beam.RemoveNotifyWindow(window); }

private:
    CQXBendingBeam& m_beam;
};

// printf into a string as long as the text needs (the wizards' results are
// printf formats of the string table; numbers in the user's locale).
template <class... Args>
std::string FormatPrompt(const std::string& format, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    const int n = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (n < 0) return {};
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), args...);
#pragma GCC diagnostic pop
    text.resize(static_cast<size_t>(n));
    return text;
}

// The current time for Last Calibration and Confidence Test\Last.
Time64 WizardClockNow();

inline constexpr int kNoStep = -1;

// One row of a wizard's step table.
struct WizardStep {
    UINT text = 0;          // string id of the prompt
    int next = kNoStep;     // where Next leads; kNoStep: Next disabled
    int back = kNoStep;     // where Back leads; kNoStep: Back disabled
    int reading = kNoStep;  // where a taken reading leads; kNoStep: readings pass by
    bool beep = false;      // the simple beep when the step shows
    bool result = false;    // Next reads "&OK" and saves
    UINT heading = 0;       // for wizards whose prompts carry a heading
};

// What the dialog shows.
struct WizardView {
    int step = 0;
    std::string prompt;  // "\r\n" line ends, as the string table holds them
    std::string nextCaption;
    std::string backCaption;
    bool nextEnabled = false;
    bool backEnabled = false;
    // Next becomes the default button, and takes the focus when this says so.
    bool nextIsDefault = false;
    bool nextTakesFocus = false;
};

// Control ids shared by the wizards' dialogs.
inline constexpr int IDC_WIZARD_NEXT = 1003;
inline constexpr int IDC_WIZARD_BACK = 1004;

class WizardEngine {
public:
    enum class Source {
        kState,     // GetState, accepted at status 0 and 1015, then GetReadings
        kReadings,  // GetReadings, accepted at status 0 only
    };
    enum Action { kBack = 0, kNext = 1, kReading = 2 };

    // errorStep: the number of the Retry/Ignore step (after the table).
    WizardEngine(WizardInstrument& instrument, Source source, std::vector<WizardStep> table, int errorStep);
    virtual ~WizardEngine() = default;
    WizardEngine(const WizardEngine&) = delete;
    WizardEngine& operator=(const WizardEngine&) = delete;

    // changed: the view has changed. ended: the wizard is over with IDOK
    // (the values are saved) or IDCANCEL.
    void SetListener(std::function<void()> changed, std::function<void(int result)> ended);

    // OnInitDialog: registers window, takes the starting count, shows step 0.
    void Start(fw::WindowId window);
    // The buttons; a disabled button, or any input after the end, does nothing.
    void Next();
    void Back();
    // WM_INSTRUMENT_UPDATE.
    void OnInstrumentUpdate();
    // Cancel and Esc: unregisters, ends with IDCANCEL, writes nothing.
    void Cancel();

    const WizardView& View() const { return m_view; }
    int Step() const { return m_step; }
    bool Busy() const { return m_busy; }
    bool Ended() const { return m_ended; }
    int Result() const { return m_result; }
    int Attempts() const { return m_attempts; }
    int LastCount() const { return m_lastCount; }
    const std::vector<WizardStep>& Table() const { return m_table; }
    // The help topic of F1 (WM_COMMANDHELP).
    static const char* HelpTopic() { return "RYXW.chm::/RYXW/Testing_a_sample.htm"; }

protected:
    // A new reading at a step whose table row has a reading target: true
    // takes it and moves there; false stays (the hook may have shown another
    // step or ended the wizard).
    virtual bool TakeReading(int step) = 0;
    // Next at a prompt step, before moving on; false stays (same as above).
    virtual bool LeaveByNext(int) { return true; }
    // The result step's text (without the leading "\r\n").
    virtual std::string ResultText(int) { return {}; }
    // The prompt of a table step; the default is "\r\n" and the string.
    virtual std::string Prompt(int step, const WizardStep& row);
    // The values, written as one group: 0, or the error (nothing written).
    virtual unsigned SaveValues() = 0;
    // Last changes to a step's view before it shows (captions, states).
    virtual void AdjustView(int, WizardView&) {}
    // Called once a step is shown (its view made, its beep given).
    virtual void StepShown(int) {}

    void ShowStep(int step);
    // A box under the busy flag, then Cancel.
    void Fail(UINT stringId, UINT type = MB_OK);
    // The instrument's own message under the busy flag, then Cancel.
    void FailInstrument();
    // A message box under the busy flag; the wizard goes on. Returns the answer.
    int Ask(const std::string& text, UINT type = MB_OK);
    // The error step with text, Retry and Ignore leading back to step.
    void ShowError(UINT textId, int rememberedStep);
    // Whether the current reading is taken: inside the window (bounds
    // included), after Ignore, or after two rejections in a row. Otherwise
    // the error step with errorId.
    bool CheckReading(double minDeflection, double maxDeflection, double minForce, double maxForce,
                      UINT errorId);
    // Unregisters and saves: IDOK, or message 407 and IDCANCEL.
    void Finish();

    const BeamState& State() const { return m_state; }
    const BeamReadings& Readings() const { return m_readings; }
    WizardInstrument& Instrument() { return m_instrument; }

    int m_errorText = 0;
    int m_rememberedStep = 0;

private:
    void DoStep(int action);
    void End(int result);
    bool ReadNow();

    WizardInstrument& m_instrument;
    Source m_source;
    std::vector<WizardStep> m_table;
    int m_errorStep;
    fw::WindowId m_window = fw::kNoWindow;
    BeamState m_state;
    BeamReadings m_readings;
    int m_step = 0;
    int m_attempts = 0;
    int m_lastCount = 0;
    bool m_busy = false;
    bool m_ended = false;
    int m_result = 0;
    WizardView m_view;
    std::function<void()> m_changed;
    std::function<void(int)> m_endedListener;
};

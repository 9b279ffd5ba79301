#include "calibration/WizardEngine.h"

#include <ctime>

#include "framework/core/Beep.h"
#include "framework/core/Strings.h"
#include "setup/SettingsSaveFailure.h"

namespace {

constexpr UINT kIdsNext = 154;
constexpr UINT kIdsBack = 153;
constexpr UINT kIdsOk = 155;
constexpr UINT kIdsSaveFailed = 407;
// Ignore on the error step: the next reading is taken whatever it is.
constexpr int kIgnored = 1000;
// A rejected reading counts twice (the check and the error step): after two
// rejections in a row, answered with Retry, the next reading is taken.
constexpr int kTakenAnyway = 3;

}  // namespace

WizardEngine::WizardEngine(WizardInstrument& instrument, Source source, std::vector<WizardStep> table,
                           int errorStep)
    : m_instrument(instrument), m_source(source), m_table(std::move(table)), m_errorStep(errorStep) {}

void WizardEngine::SetListener(std::function<void()> changed, std::function<void(int)> ended) {
    m_changed = std::move(changed);
    m_endedListener = std::move(ended);
}

void WizardEngine::Start(fw::WindowId window) {
    m_window = window;
    m_instrument.AddNotifyWindow(window);
    // Whatever the answer, its count is where the wizard starts counting.
    if (m_source == Source::kState)
        m_instrument.GetState(m_state);
    else
        m_instrument.GetReadings(m_readings);
    m_lastCount = m_source == Source::kState ? m_state.count : m_readings.count;
    ShowStep(0);
}

void WizardEngine::Next() {
    if (m_ended || m_busy || !m_view.nextEnabled) return;
    DoStep(kNext);
}

void WizardEngine::Back() {
    if (m_ended || m_busy || !m_view.backEnabled) return;
    DoStep(kBack);
}

bool WizardEngine::ReadNow() {
    if (m_source == Source::kState) {
        if (!m_instrument.GetState(m_state) && m_instrument.GetStatus() != 1015) return false;
        return true;
    }
    return m_instrument.GetReadings(m_readings) != FALSE;
}

void WizardEngine::OnInstrumentUpdate() {
    if (m_ended || m_busy) return;
    if (!ReadNow()) {
        FailInstrument();
        return;
    }
    const int n = m_source == Source::kState ? m_state.count : m_readings.count;
    // Only a count that is new and not the very next one: every second frame.
    if (n == m_lastCount || n - m_lastCount == 1) return;
    m_lastCount = n;
    if (m_source == Source::kState) m_instrument.GetReadings(m_readings);
    DoStep(kReading);
}

void WizardEngine::Cancel() {
    if (m_ended) return;
    m_instrument.RemoveNotifyWindow(m_window);
    End(IDCANCEL);
}

void WizardEngine::End(int result) {
    m_ended = true;
    m_result = result;
    if (m_endedListener) m_endedListener(result);
}

void WizardEngine::DoStep(int action) {
    if (m_step == m_errorStep) {
        if (action == kNext) {
            ShowStep(m_rememberedStep);
        } else if (action == kBack) {
            m_attempts = kIgnored;
            ShowStep(m_rememberedStep);
        }
        return;
    }
    if (m_step < 0 || m_step >= static_cast<int>(m_table.size())) return;
    const int step = m_step;
    const WizardStep& row = m_table[static_cast<size_t>(step)];
    switch (action) {
        case kNext:
            if (row.result) {
                Finish();
            } else if (row.next != kNoStep && LeaveByNext(step) && !m_ended && m_step == step) {
                ShowStep(row.next);
            }
            break;
        case kBack:
            if (row.back != kNoStep) ShowStep(row.back);
            break;
        case kReading:
            if (row.reading != kNoStep && TakeReading(step) && !m_ended && m_step == step)
                ShowStep(row.reading);
            break;
        default:
            break;
    }
}

std::string WizardEngine::Prompt(int, const WizardStep& row) {
    return "\r\n" + fw::LoadString(row.text);
}

void WizardEngine::ShowStep(int step) {
    WizardView view;
    view.step = step;
    view.nextCaption = fw::LoadString(kIdsNext);
    view.backCaption = fw::LoadString(kIdsBack);
    bool beep = false;
    if (step == m_errorStep) {
        ++m_attempts;
        view.prompt = "\r\n" + fw::LoadString(static_cast<UINT>(m_errorText));
        view.nextCaption = "&Retry";
        view.backCaption = "&Ignore";
        view.nextEnabled = view.backEnabled = true;
        beep = true;
    } else if (step >= 0 && step < static_cast<int>(m_table.size())) {
        const WizardStep& row = m_table[static_cast<size_t>(step)];
        view.nextEnabled = row.next != kNoStep || row.result;
        view.backEnabled = row.back != kNoStep;
        beep = row.beep;
        m_step = step;  // the result text may look at the step
        if (row.result) {
            view.nextCaption = fw::LoadString(kIdsOk);
            view.prompt = "\r\n" + ResultText(step);
        } else {
            view.prompt = Prompt(step, row);
        }
    } else {
        // Beyond the table: the step number stands for the string.
        view.prompt = "\r\n" + fw::LoadString(static_cast<UINT>(step));
        view.nextEnabled = view.backEnabled = true;
    }
    view.nextIsDefault = view.nextTakesFocus = view.nextEnabled;
    m_step = step;
    AdjustView(step, view);
    m_view = std::move(view);
    if (m_changed) m_changed();
    if (beep) fw::MessageBeep(fw::BEEP_SIMPLE);
    StepShown(step);
}

void WizardEngine::Fail(UINT stringId, UINT type) {
    Ask(fw::LoadString(stringId), type);
    Cancel();
}

void WizardEngine::FailInstrument() {
    m_busy = true;
    m_instrument.ReportError("");
    m_busy = false;
    Cancel();
}

int WizardEngine::Ask(const std::string& text, UINT type) {
    m_busy = true;
    const int answer = fw::ShowMessage(text, type);
    m_busy = false;
    return answer;
}

void WizardEngine::ShowError(UINT textId, int rememberedStep) {
    m_errorText = static_cast<int>(textId);
    m_rememberedStep = rememberedStep;
    ShowStep(m_errorStep);
}

bool WizardEngine::CheckReading(double minDeflection, double maxDeflection, double minForce, double maxForce,
                                UINT errorId) {
    const int n = m_attempts;
    m_attempts = n + 1;
    const double d = m_readings.deflection.m_data;
    const double f = m_readings.force.m_data;
    if (n >= kTakenAnyway || (minDeflection <= d && d <= maxDeflection && minForce <= f && f <= maxForce)) {
        m_attempts = 0;
        return true;
    }
    ShowError(errorId, m_step);
    return false;
}

void WizardEngine::Finish() {
    m_instrument.RemoveNotifyWindow(m_window);
    if (SaveValues() != 0) {
        // A settings file that cannot be read is named, with why.
        Ask(setup::SettingsSaveFailureText(kIdsSaveFailed), MB_OK);
        Cancel();
        return;
    }
    End(IDOK);
}

Time64 WizardClockNow() {
    return static_cast<Time64>(std::time(nullptr));
}

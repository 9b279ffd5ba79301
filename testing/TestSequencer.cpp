#include "testing/TestSequencer.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <new>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/Beep.h"
#include "framework/core/Exceptions.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"
#include "res/StringTable.h"

namespace {

constexpr UINT IDS_DISK_SPACE = 137;
constexpr UINT IDS_TEST_ABORTED = 500;
constexpr UINT IDS_REMOTE = 504;
constexpr UINT IDS_NO_AUTOREPORT_OFF = 516;
constexpr UINT IDS_CONTACT_LOAD = 520;
constexpr UINT IDS_NO_PRELOAD = 524;
constexpr UINT IDS_NOT_RELEASED = 528;
constexpr UINT IDS_DAMAGED = 532;
constexpr UINT IDS_NO_TEMP_CAL = 533;
constexpr UINT IDS_TEMP_TOLERANCE = 540;
constexpr UINT IDS_TEMP_CONTROL_OFF = 543;
constexpr UINT IDS_NO_TEST_LOAD = 544;
constexpr UINT IDS_LOAD_ON_AT_END = 548;
constexpr UINT IDS_NO_ZERO = 552;
constexpr UINT IDS_SAVE_ABORTED = 602;
constexpr UINT IDS_PREPARING = 632;
constexpr UINT IDS_PRELOAD = 633;
constexpr UINT IDS_TESTING = 634;
constexpr UINT IDS_FLIP_BEAM = 708;
constexpr UINT IDS_THICKNESS_ERROR = 721;
constexpr UINT IDS_MEASURING = 724;
constexpr UINT IDS_PLACE_SPECIMEN = 736;
constexpr UINT IDS_REPORT_FAILED = 404;
constexpr UINT IDS_OUT_OF_MEMORY = 61475;
constexpr UINT IDS_BAD_SAMPLE_INTERVAL = 913;
constexpr UINT IDS_SAVE_ELSEWHERE = 914;

constexpr float kContactMin = 25.0f;
constexpr float kContactMax = 45.0f;
constexpr float kReleasedMax = 45.0f;
constexpr double kDeflectionLimit = 5.0;
constexpr int kLiveTicks = 500;

// printf with one of the table's formats (validated by the caller's choice
// of id); the table writes 64-bit counts as "%I64u".
std::string FormatTable(UINT id, auto... args) {
    std::string fmt = fw::LoadString(id);
    for (size_t p; (p = fmt.find("%I64u")) != std::string::npos;) fmt.replace(p, 5, "%llu");
    char buffer[1024];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    int n = std::snprintf(buffer, sizeof buffer, fmt.c_str(), args...);
#pragma GCC diagnostic pop
    if (n < 0) return fmt;
    return std::string(buffer, std::min(static_cast<size_t>(n), sizeof buffer - 1));
}

}  // namespace

TestSequencer::TestSequencer(CQXRYXTestDoc& doc, SequencerInstrument& beam, SequencerWindow& window,
                             SequencerEnvironment& env, platform::Clock& clock)
    : m_doc(doc), m_beam(beam), m_window(window), m_env(env), m_clock(clock) {}

bool TestSequencer::StartTest() {
    // Every point time divides by the interval, and a load below one sample
    // would go out as a nonsense 16-bit count.
    if (m_doc.m_sampleInterval < 1 || m_doc.m_loadSamples < 1 || m_doc.m_totalSamples <= m_doc.m_loadSamples) {
        fw::ShowMessage(IDS_BAD_SAMPLE_INTERVAL, MB_OK | MB_ICONSTOP);
        return false;
    }
    m_beam.Register(true);
    m_state = kPreparation;
    m_saveAborted = false;
    SetFlag(kMeasureThickness, m_doc.m_beamThickness.m_data == FLT_MAX);
    m_window.SetTestRunning(true);
    m_doc.m_testState = 7;
    return true;
}

// Counts the sequencer's entries on the stack: an update that finds one
// there comes from the nested loop of a box that a step has open.
struct TestSequencer::Entry {
    explicit Entry(TestSequencer& s) : depth(s.m_depth) { ++depth; }
    ~Entry() { --depth; }
    int& depth;
};

void TestSequencer::OnInstrumentData() {
    if (m_depth > 0) {
        NestedUpdate();
        return;
    }
    Entry entry(*this);
    Update();
}

void TestSequencer::NestedUpdate() {
    // No step runs here: the step whose box is open would go on, after the
    // box, with a machine changed under it.
    PumpStop();
    BeamReadings reading;
    if (!m_beam.GetReadings(reading)) {
        // The line is lost while a box is open. The step is overtaken: it
        // ends when its box returns and the error path runs after it, once.
        // A test already ending (its abort, error or finish under way, state
        // 0) ends as it is: no second report, no second close.
        if (m_state != kIdle && !m_ended && m_state != kInstrumentError) {
            m_state = kInstrumentError;
            m_lostStatus = m_beam.GetStatus();
        }
        return;
    }
    m_readings = reading;
    if (m_state == kWaiting && !m_ended) m_doc.UpdateTemperatureRange(m_readings.temperature.m_data);
    m_window.Invalidate();
}

bool TestSequencer::Ask(const std::string& text, UINT type, int& answer) {
    answer = fw::ShowMessage(text, type);
    return m_state != kInstrumentError;
}

void TestSequencer::Update() {
    PumpStop();
    if (m_ended) {
        // The test is over (finished, or its window is closing): one end.
        m_window.Invalidate();
        return;
    }
    BeamReadings reading;
    m_readingsOk = m_beam.GetReadings(reading) != FALSE;
    if (m_readingsOk) {
        m_readings = reading;
    } else {
        // The last good reading stays: a failed one carries nothing.
        if (m_closeQuestionOpen) {
            // The error path waits for the answer; the view runs this update
            // again once the question is answered.
            m_deferredUpdate = true;
            return;
        }
        if (m_state == kTesting && m_step > kLiveTicks) m_saveAborted = true;
        m_state = kInstrumentError;
        m_lostStatus = m_beam.GetStatus();
    }
    UpdateCaption();
    const int state = m_state;
    Dispatch();
    // A step overtaken by a loss of the line while its box was open: the
    // error path, now that the step has returned.
    if (m_state == kInstrumentError) Dispatch();
    const bool quiet = state == kIdle || state == kInstrumentError || state == kAbort || state == kFinish;
    if (!quiet) m_doc.UpdateTemperatureRange(m_readings.temperature.m_data);
    m_window.Invalidate();
}

void TestSequencer::Dispatch() {
    if (m_closeQuestionOpen && m_state != kTesting) return;
    switch (m_state) {
        case kPreparation: PrepareTest(); break;
        case kThicknessStart: StartThicknessMeasurement(); break;
        case kThickness: MeasureThickness(); break;
        case kPreload:
            m_window.ShowBeamThickness(m_doc.m_beamThickness.m_data);
            ApplyPreload();
            break;
        case kPreloadRelease: ReleasePreload(); break;
        case kReleaseCheck: WaitForRelease(); break;
        case kTestLoad: ApplyTestLoad(); break;
        case kTesting: {
            OnTestTick();
            if (m_closeQuestionOpen) break;  // the limit waits for the answer too
            bool beyond = m_step > kLiveTicks || m_lastTickBeyond;
            if (m_state != kAbort) CheckDeflectionLimit();
            if (beyond && m_state == kAbort) m_saveAborted = true;
            if (m_state == kFinish) {
                // The last reading belongs to the test that is saved and
                // exported, not only to the one the report shows.
                m_doc.UpdateTemperatureRange(m_readings.temperature.m_data);
                FinishTest();
            }
            break;
        }
        case kInstrumentError: InstrumentError(); break;
        case kAbort: Abort(); break;
        case kFinish: FinishTest(); break;
        default: break;
    }
}

void TestSequencer::OnPreloadTimer() {
    if (!m_timerRunning || m_depth > 0) return;
    Entry entry(*this);
    m_timerRunning = false;
    m_window.KillPreloadTimer();
    if (m_state == kRecovery && !m_closeQuestionOpen) {
        m_state = kTestLoad;
        m_chunks.Reset();
        m_loadValue = 0;
        Update();
    } else if (m_state >= kPreload && m_state <= kRecovery) {
        // Early on the normal road (or during a close question): acted on
        // when the recovery is entered.
        m_timerExpired = true;
    }
}

void TestSequencer::UpdateCaption() {
    std::string phase;
    switch (m_state) {
        case kPreparation:
        case kPreload: phase = fw::LoadString(IDS_PREPARING); break;
        case kThicknessStart:
        case kThickness:
            if (m_flags & kMeasureThickness) phase = fw::LoadString(IDS_MEASURING);
            break;
        case kPreloadRelease:
        case kReleaseCheck:
        case kRecovery: {
            DWORD elapsed = m_clock.Now() - m_preloadStart;
            int left = 21 - static_cast<int>(elapsed / 1000);
            phase = fw::FormatString1(IDS_PRELOAD, std::to_string(left));
            break;
        }
        case kTestLoad:
        case kTesting: phase = fw::LoadString(IDS_TESTING); break;
        default: break;
    }
    if (phase.empty()) return;
    std::string caption = m_doc.GetTitle() + phase;
    if (caption != m_window.GetCaption()) m_window.SetCaption(caption);
}

// ---- preparation ------------------------------------------------------------

bool TestSequencer::CheckDiskSpace() {
    std::string dir;
    if (!m_env.GetTestDirectory(dir) || dir.empty()) dir = platform::DirName(m_doc.GetPathName());
    if (dir.empty()) dir = ".";
    long long extra = (static_cast<long long>(m_doc.m_totalSamples) - 501) * 6 / (2LL * m_doc.m_sampleInterval);
    long long required = 20480 + extra;
    if (required < 0) required = 0;
    uint64_t available = 0;
    if (!m_env.FreeDiskSpace(dir, available)) return true;  // unknown counts as enough
    if (static_cast<uint64_t>(required) <= available) return true;
    int answer = 0;
    Ask(FormatTable(IDS_DISK_SPACE, dir.c_str(), static_cast<unsigned long long>(required),
                    static_cast<unsigned long long>(available)),
        MB_OK, answer);
    return false;
}

bool TestSequencer::IsTempInTolerance() const {
    float diff = m_doc.m_targetTemperature.m_data - m_readings.temperature.m_data;
    return std::fabs(static_cast<double>(diff)) <= static_cast<double>(0.101f);
}

void TestSequencer::PrepareTest() {
    m_state = kWaiting;
    int answer = 0;
    if (!CheckDiskSpace()) {
        if (m_state == kWaiting) EnterAbort();
        return;
    }
    Time64 date = 0;
    bool calibrated = m_env.IsTemperatureCalibrated(m_doc.m_targetTemperature.m_data, date);
    if (!calibrated && !(m_flags & kCalibrationAccepted)) {
        if (!Ask(fw::LoadString(IDS_NO_TEMP_CAL), MB_OKCANCEL | MB_DEFBUTTON2, answer)) return;
        if (answer != IDOK) {
            EnterAbort();
            return;
        }
        SetFlag(kCalibrationAccepted, true);
    }
    m_doc.m_tempCalibrationDate = date;

    if (!IsTempInTolerance() && !(m_flags & kTempAccepted)) {
        UINT id = m_readings.mode == 1 ? IDS_TEMP_TOLERANCE : IDS_TEMP_CONTROL_OFF;
        std::string text = FormatTable(id, 0.1, static_cast<double>(m_readings.temperature.m_data),
                                       static_cast<double>(m_doc.m_targetTemperature.m_data));
        if (!Ask(text, MB_OKCANCEL | MB_DEFBUTTON2, answer)) return;
        if (answer != IDOK) {
            EnterAbort();
            return;
        }
        SetFlag(kTempAccepted, true);
    }

    if (!m_readings.remote) {
        if (!Ask(fw::LoadString(IDS_REMOTE), MB_OKCANCEL, answer)) return;
        if (answer != IDOK)
            EnterAbort();
        else
            m_state = kPreparation;
        return;
    }

    if (!m_readings.zero) {
        ++m_zeroTries;
        m_beam.SendZero();
        if (m_zeroTries >= 3) {
            m_abortText = fw::FormatString1(IDS_NO_ZERO, m_abortText);
            EnterAbort();
        } else {
            m_state = kPreparation;
        }
        return;
    }

    if (!Ask(fw::LoadString(IDS_PLACE_SPECIMEN), MB_OKCANCEL, answer)) return;
    if (answer != IDOK) {
        EnterAbort();
        return;
    }

    float force = m_readings.force.m_data;
    if (force >= kContactMin && force <= kContactMax) {
        m_state = kThicknessStart;
        return;
    }
    if (!Ask(fw::LoadString(IDS_CONTACT_LOAD), MB_OKCANCEL, answer)) return;
    if (answer != IDOK)
        EnterAbort();
    else
        m_state = kPreparation;
}

void TestSequencer::StartThicknessMeasurement() {
    if (!(m_flags & kMeasureThickness)) {
        m_state = kPreload;
        return;
    }
    m_state = kWaiting;
    m_firstDeflection = m_readings.deflection.m_data;
    int answer = 0;
    if (Ask(fw::LoadString(IDS_FLIP_BEAM), MB_OK, answer)) m_state = kThickness;
}

void TestSequencer::MeasureThickness() {
    m_secondDeflection = m_readings.deflection.m_data;
    double datum = 0, thick = 0;
    if (!m_env.GetAutoThicknessDatum(datum) || !m_env.GetThickThickness(thick)) {
        m_abortText = fw::LoadString(IDS_THICKNESS_ERROR);
        EnterAbort();
        return;
    }
    float mean = m_firstDeflection + (m_secondDeflection - m_firstDeflection) * 0.5f;
    double h = thick - (static_cast<double>(mean) - datum);
    // The test setup's range for a thickness; anything else is a failed
    // measurement, not a beam.
    if (!(h > 0.0 && h < 100.0)) {
        m_abortText = fw::LoadString(IDS_THICKNESS_ERROR);
        EnterAbort();
        return;
    }
    m_doc.m_beamThickness.m_data = static_cast<float>(h);
    m_state = kPreload;
}

// ---- preload ------------------------------------------------------------------

void TestSequencer::ApplyPreload() {
    if (!(m_flags & kLoadAccepted)) {
        if (!m_beam.StartLoad(2)) {
            if (++m_step >= 5) {
                m_abortText = fw::LoadString(IDS_NO_PRELOAD);
                EnterAbort();
            }
            return;
        }
        m_reporting = true;
    }
    m_window.StartPreloadTimer(kPreloadMs);
    m_timerRunning = true;
    m_timerExpired = false;
    m_preloadStart = m_clock.Now();
    SetFlag(kLoadAccepted, true);
    if (!m_readings.zero) {
        // The step counter goes on: refusals of the preload count towards
        // the release's tries.
        SetFlag(kLoadAccepted, false);
        m_state = kPreloadRelease;
    }
}

void TestSequencer::ReleasePreload() {
    ++m_step;
    if (m_step < 2) return;
    if (m_step == 2 && CheckDeflectionLimit()) return;
    if (m_beam.EndLoad()) {
        m_reporting = false;
        m_step = 0;
        m_state = kReleaseCheck;
    } else if (m_step >= 7) {
        m_abortText = fw::LoadString(IDS_NO_AUTOREPORT_OFF);
        EnterAbort();
    }
}

void TestSequencer::WaitForRelease() {
    if (m_readings.force.m_data <= kReleasedMax) {
        m_step = 0;
        EnterRecovery();
        return;
    }
    m_beam.SendZero();
    if (++m_step >= 3) {
        m_abortText = fw::LoadString(IDS_NOT_RELEASED);
        EnterAbort();
    }
}

void TestSequencer::EnterRecovery() {
    m_state = kRecovery;
    if (m_timerExpired) {
        m_timerExpired = false;
        m_state = kTestLoad;
        m_chunks.Reset();
        m_loadValue = 0;
    }
}

// ---- test load and testing ------------------------------------------------------

bool TestSequencer::SendTestLoad() {
    if (m_loadValue == 0) m_loadValue = m_chunks.NextLoadValue(m_doc.m_loadSamples);
    if (m_loadValue < 1) return false;
    if (!m_beam.StartLoad(static_cast<WORD>(m_loadValue))) return false;
    m_reporting = true;
    return true;
}

void TestSequencer::ApplyTestLoad() {
    if (!(m_flags & kLoadAccepted)) {
        if (!SendTestLoad()) {
            if (++m_step >= 5) {
                m_abortText = fw::LoadString(IDS_NO_TEST_LOAD);
                EnterAbort();
            }
            return;
        }
    }
    SetFlag(kLoadAccepted, true);
    if (!m_readings.zero) {
        if (!AddCurrentPoint()) {
            m_abortText = fw::LoadString(IDS_OUT_OF_MEMORY);
            EnterAbort();
            return;
        }
        SetFlag(kLoadAccepted, false);
        m_step = 0;
        m_state = kTesting;
    }
}

bool TestSequencer::AddCurrentPoint() {
    try {
        m_doc.AddPoint(m_readings.deflection, m_readings.force, m_readings.temperature);
    } catch (const fw::MemoryException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return m_window.AddGraphPoint(m_readings.deflection.m_data, m_readings.force.m_data);
}

void TestSequencer::OnTestTick() {
    ++m_step;
    const int tick = m_step;
    if (tick == m_doc.m_loadSamples && m_readings.zero) {
        // The instrument ended the load a sample early: this point carries
        // the one before it.
        if (CQXFloatData* d = m_doc.GetDeflection(m_doc.m_loadSamples - 1)) m_readings.deflection = *d;
        if (CQXFloatData* f = m_doc.GetForce(m_doc.m_loadSamples - 1)) m_readings.force = *f;
        m_readings.zero = FALSE;
    }
    if (tick <= kLiveTicks || tick % (2 * m_doc.m_sampleInterval) == 0) {
        if (!AddCurrentPoint()) {
            m_abortText = fw::LoadString(IDS_OUT_OF_MEMORY);
            EnterAbort();
            return;
        }
    }
    if (m_chunkResend > 0) {
        if (m_beam.StartLoad(static_cast<WORD>(m_chunkResend))) m_chunkResend = 0;
    } else if (m_chunks.IsActive()) {
        m_chunks.Decrement();
        if (m_chunks.IsZero()) {
            int value = m_chunks.NextLoadValue(m_doc.m_loadSamples);
            if (value > 0 && !m_beam.StartLoad(static_cast<WORD>(value))) m_chunkResend = value;
        }
    }
    if (tick == m_doc.m_loadSamples + 4 && m_readings.force.m_data > kReleasedMax) {
        SetFlag(kLoadNotReleased, true);
    } else if (tick == m_doc.m_totalSamples) {
        m_lastTickBeyond = tick > kLiveTicks;
        if (m_beam.EndLoad())
            m_reporting = false;
        else
            RequestStop(false);  // retried until accepted
        m_step = 0;
        m_state = kFinish;
        if (m_closeQuestionOpen) {
            // Finished while the operator is asked whether to abort: the
            // finish waits for the answer.
            m_finishPending = true;
        }
    }
}

bool TestSequencer::CheckDeflectionLimit() {
    DWORD on = 1;
    if (!m_env.GetStopTestMaxDefl(on)) on = 1;
    if (on && static_cast<double>(m_readings.deflection.m_data) > kDeflectionLimit) {
        m_abortText = fw::LoadString(IDS_DAMAGED);
        EnterAbort();
        return true;
    }
    return false;
}

// ---- ends ---------------------------------------------------------------------------

void TestSequencer::EnterAbort() {
    m_state = kAbort;
    LeaveRunningStates();
}

void TestSequencer::LeaveRunningStates() {
    if (m_timerRunning) {
        m_timerRunning = false;
        m_window.KillPreloadTimer();
    }
    m_timerExpired = false;
    SetFlag(kLoadAccepted, false);
    m_chunkResend = 0;
    if (m_reporting) RequestStop(true);
}

void TestSequencer::InstrumentError() {
    m_state = kIdle;
    LeaveRunningStates();
    // The status of the loss: the line may have come back while the box of
    // the step it overtook was still open.
    const unsigned status = m_lostStatus != 0 ? m_lostStatus : m_beam.GetStatus();
    m_lostStatus = 0;
    m_beam.ReportError(status, fw::FormatString1(IDS_TEST_ABORTED, ""));
    // A line still lost as the box returns (or lost again while it was
    // open) is the loss the operator has just been told of.
    m_beam.MarkLossTold();
    if (m_saveAborted) {
        m_saveAborted = false;
        if (OfferSave()) return;
    }
    ClosePath();
}

void TestSequencer::Abort() {
    m_state = kIdle;
    LeaveRunningStates();
    const bool offer = m_saveAborted;
    m_saveAborted = false;
    ShowAbortMessage();
    if (offer && OfferSave()) return;
    ClosePath();
}

bool TestSequencer::OfferSave() {
    if (fw::ShowMessage(fw::LoadString(IDS_SAVE_ABORTED), MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    RequestStop(true);
    m_step = 0;
    // The save branch widens the range with the current reading before the
    // finish saves it (a reading that failed has no temperature to give).
    if (m_readingsOk) m_doc.UpdateTemperatureRange(m_readings.temperature.m_data);
    FinishTest();
    return true;
}

void TestSequencer::ShowAbortMessage() {
    if (m_abortText.empty()) return;
    fw::MessageBeep(fw::BEEP_SIMPLE);
    std::string text = m_abortText + fw::FormatString1(IDS_TEST_ABORTED, "\n\n");
    m_abortText.clear();
    fw::ShowMessage(text, MB_OK | MB_ICONSTOP);
}

void TestSequencer::ClosePath() {
    m_ended = true;
    m_window.ClearBeamThickness();
    m_doc.m_testState = 6;
    m_window.PostClose();
    m_window.Invalidate();
}

void TestSequencer::FinishTest() {
    m_ended = true;
    m_window.ClearBeamThickness();
    m_state = kIdle;
    m_finishPending = false;
    m_beam.Register(false);
    fw::MessageBeep(fw::BEEP_SIMPLE);
    if (m_flags & kLoadNotReleased) fw::ShowMessage(fw::LoadString(IDS_LOAD_ON_AT_END), MB_OK);
    m_doc.CalculateResults();

    // Until it is saved the test is a modified document, so that closing its
    // window still offers to save it.
    m_doc.SetModifiedFlag(true);
    bool saved = m_doc.OnSaveDocument(m_doc.GetPathName());
    while (!saved) {
        if (fw::ShowMessage(fw::FormatString1(IDS_SAVE_ELSEWHERE, m_doc.GetPathName()),
                            MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            break;
        std::string path = m_doc.GetPathName();
        if (!m_window.AskSavePath(path)) break;
        if (m_doc.OnSaveDocument(path)) {
            m_doc.SetPathName(path);
            saved = true;
        }
    }
    if (saved) m_window.AdvanceDefaultTestName();

    // A report window opened during the recovery shows the test as it is
    // saved: its results and the warnings of its whole temperature range.
    // OpenReport brings that window forward rather than open a second one.
    m_doc.UpdateAllViews(nullptr);
    if (!m_window.OpenReport()) fw::ShowMessage(fw::LoadString(IDS_REPORT_FAILED), MB_OK);

    DWORD lims = 0;
    if (m_env.GetSaveLims(lims) && lims != 0) m_doc.ExportLimsCsv();
    m_doc.m_testState = 0;
    m_window.SetTestRunning(false);
}

void TestSequencer::EndByClose() {
    m_ended = true;
    m_finishPending = false;
    m_deferredUpdate = false;
    m_closeQuestionOpen = false;
    if (m_state != kIdle) {
        m_state = kIdle;
        m_beam.Register(false);
    }
    LeaveRunningStates();
}

void TestSequencer::SetCloseQuestionOpen(bool open) {
    m_closeQuestionOpen = open;
    if (open || m_depth > 0) return;
    Entry entry(*this);
    if (m_finishPending && m_state == kFinish) {
        m_finishPending = false;
        FinishTest();
        return;
    }
    if (m_deferredUpdate) {
        m_deferredUpdate = false;
        Update();
        return;
    }
    if (m_timerExpired && m_state == kRecovery) {
        m_timerExpired = false;
        m_state = kTestLoad;
        m_chunks.Reset();
        m_loadValue = 0;
        Update();
    }
}

// ---- stopping the instrument's reporting ---------------------------------------------

void TestSequencer::RequestStop(bool reZero) {
    if (m_reporting) m_stop.needEnd = true;
    if (reZero) m_stop.needZero = true;
    PumpStop();
}

bool TestSequencer::PumpStop() {
    const bool ending = m_stop.needEnd;
    const bool done = m_stop.Pump(m_beam);
    if (ending && !m_stop.needEnd) m_reporting = false;
    return done;
}

bool InstrumentStop::Pump(SequencerInstrument& beam) {
    if (!Pending()) return true;
    unsigned status = beam.GetStatus();
    if (status == 1117 || status == 55) {
        // The link is down: nothing more can be sent, and the instrument
        // object starts afresh when it comes back.
        needEnd = needZero = false;
        return true;
    }
    if (needEnd) {
        if (!beam.EndLoad()) return false;
        needEnd = false;
        return !needZero;
    }
    if (beam.SendZero()) needZero = false;
    return !needZero;
}

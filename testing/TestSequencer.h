#pragma once
// The test sequencer: runs one bending beam test from the preparation checks
// through preload, test load and recovery to the saved test. It has no thread
// and no clock of its own; it takes one step per instrument update and one
// when the preload timer expires. Everything it talks to is behind the small
// interfaces below, so that the whole machine runs in tests on a fake clock
// and a scripted message box; the live test view supplies the real ones.
#include <cstdint>
#include <string>

#include "instrument/CQXBendingBeam.h"
#include "platform/Clock.h"
#include "platform/WinTypes.h"
#include "testing/LoadChunkCounter.h"

class CQXRYXTestDoc;

// The instrument as the sequencer uses it.
class SequencerInstrument {
public:
    virtual ~SequencerInstrument() = default;
    virtual BOOL GetReadings(BeamReadings& out) = 0;
    virtual unsigned GetStatus() = 0;
    virtual BOOL SendZero() = 0;
    virtual BOOL StartLoad(WORD samples) = 0;
    virtual BOOL EndLoad() = 0;
    // The message of status (the loss's, which may have passed by now), a
    // blank line and detail, in a box; nothing at status 0.
    virtual void ReportError(unsigned status, const std::string& detail) = 0;
    // The loss of the line that is on now has been told by the test's loss
    // box: nobody tells it again once the test has ended.
    virtual void MarkLossTold() = 0;
    // On or off the instrument's list of windows that hear of updates.
    virtual void Register(bool on) = 0;
};

// The window side: the view, its frame, the main frame's pane, the preload
// timer and the report window.
class SequencerWindow {
public:
    virtual ~SequencerWindow() = default;
    virtual std::string GetCaption() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void ShowBeamThickness(float mm) = 0;
    virtual void ClearBeamThickness() = 0;
    // Starts or restarts the preload timer; the view calls OnPreloadTimer.
    virtual void StartPreloadTimer(UINT milliseconds) = 0;
    virtual void KillPreloadTimer() = 0;
    // Posts File Close to the view's own window.
    virtual void PostClose() = 0;
    virtual void Invalidate() = 0;
    // Adds the point just recorded to the live graphs (they keep the first
    // 501); false when memory runs out.
    virtual bool AddGraphPoint(float deflection, float force) = 0;
    // Opens the report window on the document; false when it cannot be made.
    virtual bool OpenReport() = 0;
    virtual void SetTestRunning(bool running) = 0;
    // After a finished test is saved: the test setup's next default name.
    virtual void AdvanceDefaultTestName() = 0;
    // Asks for another path for a test that could not be saved; false when
    // the operator gives none.
    virtual bool AskSavePath(std::string& path) = 0;
};

// Settings and the system, as the sequencer reads them.
class SequencerEnvironment {
public:
    virtual ~SequencerEnvironment() = default;
    // Each false when the setting cannot be read.
    virtual bool GetTestDirectory(std::string& dir) = 0;
    virtual bool GetStopTestMaxDefl(DWORD& on) = 0;
    virtual bool GetSaveLims(DWORD& on) = 0;
    virtual bool GetAutoThicknessDatum(double& mm) = 0;
    virtual bool GetThickThickness(double& mm) = 0;
    // The bath calibration for the target: false when the offsets cannot be
    // loaded, the target is outside the table or its degree is uncalibrated;
    // date gets the entry's time (0 when none) in any case.
    virtual bool IsTemperatureCalibrated(double target, Time64& date) = 0;
    // Free bytes for the caller in dir's file system; false when unknown.
    virtual bool FreeDiskSpace(const std::string& dir, uint64_t& bytes) = 0;
};

// What is left to send to stop the instrument: "D" (end its own reporting)
// and then "Z". One command per Pump, never a loop: the sender refuses while
// a command is pending, so the caller pumps again at its next update or idle
// pass. A link that is down ends it.
struct InstrumentStop {
    bool needEnd = false;
    bool needZero = false;
    bool Pending() const { return needEnd || needZero; }
    // True when nothing is left to send.
    bool Pump(SequencerInstrument& beam);
};

class TestSequencer {
public:
    enum State {
        kIdle = 0,
        kWaiting = 1,
        kPreparation = 2,
        kThicknessStart = 3,
        kThickness = 4,
        kPreload = 5,
        kPreloadRelease = 6,
        kReleaseCheck = 7,
        kRecovery = 8,
        kTestLoad = 9,
        kTesting = 10,
        kInstrumentError = 11,
        kAbort = 12,
        kFinish = 13,
    };
    enum Flags : DWORD {
        kAutoScale = 0x01,
        kMeasureThickness = 0x02,
        kTempAccepted = 0x04,
        kCalibrationAccepted = 0x08,
        kLoadAccepted = 0x10,
        kLoadNotReleased = 0x20,
    };
    static constexpr UINT kPreloadMs = 21000;
    static constexpr UINT kPreloadTimerId = 9;

    TestSequencer(CQXRYXTestDoc& doc, SequencerInstrument& beam, SequencerWindow& window,
                  SequencerEnvironment& env, platform::Clock& clock);

    // Refuses (a message, false) a test whose sample interval or load is
    // below 1; else registers, enters the preparation and marks the test
    // running.
    bool StartTest();
    // One step per instrument update. An update that a box of a step
    // delivers (its nested loop) runs no step: it widens the temperature
    // range and repaints, or, on a failed reading, overtakes the step, whose
    // box then ends it and leaves the error path to run once after it.
    void OnInstrumentData();
    // The preload timer's expiry.
    void OnPreloadTimer();
    // The test is over: finished, ended by the close questions, or its
    // window's close posted. Later updates do nothing.
    bool HasEnded() const { return m_ended; }
    void UpdateCaption();

    // While the document's close questions (601, 602) are open: testing
    // updates go on recording, everything else waits for the answer.
    // Closing the question runs what waited for it.
    void SetCloseQuestionOpen(bool open);
    bool IsCloseQuestionOpen() const { return m_closeQuestionOpen; }
    // The test ends without the sequencer (an abort confirmed at 601, the
    // aborted test saved): the timer stops, the instrument is stopped (see
    // PumpStop) and the machine goes idle.
    void EndByClose();
    // Stops the instrument's own reporting after an accepted load ("D" until
    // accepted, then "Z"), or only re-zeroes it. Each call tries the next
    // command once; true when nothing is left to send (done, or the link is
    // down). The view calls it at every update and hands what is left to
    // the application's idle work when it goes.
    bool PumpStop();
    void RequestStop(bool reZero);
    const InstrumentStop& PendingStop() const { return m_stop; }
    // Hands what is left of the stop to someone else (the idle work), once
    // no update may come to pump it.
    InstrumentStop TakeStop() {
        InstrumentStop stop = m_stop;
        m_stop = {};
        return stop;
    }
    // Whether the instrument is reporting on its own (a load was accepted and
    // no "D" since).
    bool IsReporting() const { return m_reporting; }

    int GetState() const { return m_state; }
    DWORD GetFlags() const { return m_flags; }
    void SetFlag(DWORD bit, bool on) { m_flags = on ? (m_flags | bit) : (m_flags & ~bit); }
    int GetStep() const { return m_step; }
    WORD GetZeroTries() const { return m_zeroTries; }
    bool GetSaveAborted() const { return m_saveAborted; }
    const BeamReadings& Readings() const { return m_readings; }
    const std::string& AbortText() const { return m_abortText; }

private:
    struct Entry;
    void Update();
    void NestedUpdate();
    // Shows a step's box; false when the line was lost while it was open (the
    // step is overtaken and returns at once).
    bool Ask(const std::string& text, UINT type, int& answer);
    void Dispatch();
    void PrepareTest();
    bool CheckDiskSpace();
    void StartThicknessMeasurement();
    void MeasureThickness();
    void ApplyPreload();
    void ReleasePreload();
    void WaitForRelease();
    void EnterRecovery();
    void ApplyTestLoad();
    void OnTestTick();
    bool CheckDeflectionLimit();
    void InstrumentError();
    void Abort();
    void FinishTest();
    void ClosePath();
    void ShowAbortMessage();
    bool AddCurrentPoint();
    bool SendTestLoad();
    bool OfferSave();  // 602; true when the test was finished
    void EnterAbort();  // state 12, timer killed
    void LeaveRunningStates();
    bool IsTempInTolerance() const;

    CQXRYXTestDoc& m_doc;
    SequencerInstrument& m_beam;
    SequencerWindow& m_window;
    SequencerEnvironment& m_env;
    platform::Clock& m_clock;

    BeamReadings m_readings;
    bool m_readingsOk = false;  // the last GetReadings succeeded
    std::string m_abortText;
    int m_state = kIdle;
    DWORD m_flags = kAutoScale;
    WORD m_zeroTries = 0;
    int m_step = 0;
    LoadChunkCounter m_chunks;
    DWORD m_preloadStart = 0;
    float m_firstDeflection = 0;
    float m_secondDeflection = 0;
    bool m_saveAborted = false;

    // Mended behaviour.
    bool m_timerRunning = false;
    bool m_timerExpired = false;  // expiry before state 8 on the normal road
    int m_loadValue = 0;          // the first chunk, computed once
    int m_chunkResend = 0;        // a chunk refused during the overlap
    bool m_reporting = false;
    InstrumentStop m_stop;
    bool m_deferredUpdate = false;  // a failed reading while a close question was open
    bool m_lastTickBeyond = false;
    bool m_closeQuestionOpen = false;
    bool m_finishPending = false;  // last tick reached while a close question was open
    int m_depth = 0;               // entries on the stack (a step with its box open)
    unsigned m_lostStatus = 0;     // the status of the failed reading that set state 11
    bool m_ended = false;
};

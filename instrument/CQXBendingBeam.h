#pragma once
// The instrument object: the one owner of the serial link. A worker thread
// runs the wire protocol; windows call the short operations below, which
// queue a command or copy a record under the object's lock and never wait
// for the instrument, and they hear of news from the posted message
// WM_INSTRUMENT_UPDATE, which carries no data.
//
// Lock order: this object's lock, then the settings store's, always (the
// worker reads calibration settings while it converts a frame).
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include "data/CQXDataObject.h"
#include "framework/core/WindowPost.h"
#include "instrument/BeamState.h"
#include "instrument/CQXBeamProtocol.h"
#include "instrument/CQXRS485Port.h"
#include "instrument/RYXTempEquation.h"
#include "instrument/ReadingConversion.h"
#include "instrument/WorkerWait.h"
#include "platform/Clock.h"
#include "platform/RecursiveLock.h"
#include "platform/WinTypes.h"

// Posted with wParam 0 and lParam 0 after every data frame and at every
// status change; receivers ask for readings, state and status.
inline constexpr UINT WM_INSTRUMENT_UPDATE = fw::kWmApp + 0x1501;

// One set of converted readings, as GetReadings copies it out.
struct BeamReadings {
    int count = 0;             // the frame count of the frame these came from
    CQXFloatData deflection;   // mm
    CQXFloatData force;        // mN
    CQXFloatData temperature;  // degC
    int mode = 0;              // temperature control, as in BeamState
    BOOL remote = FALSE;
    BOOL zero = FALSE;
    BOOL test = FALSE;  // a test load is applied
};

class CQXBendingBeam {
public:
    // Starts a worker thread running body; throws std::system_error when it
    // cannot (replaceable, so that a refusal can be tested).
    using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

    // The process-wide clock (platform::DefaultClock, followed as a test
    // replaces it); the worker sleeps until a byte, a queued command or the
    // next deadline.
    CQXBendingBeam();
    // The clock the protocol's times use; the worker runs a fixed pass every
    // 10 ms on it (the tests step it one pass at a time).
    explicit CQXBendingBeam(platform::Clock& clock);
    CQXBendingBeam(platform::Clock& clock, std::unique_ptr<WorkerWait> wait);
    virtual ~CQXBendingBeam();
    CQXBendingBeam(const CQXBendingBeam&) = delete;
    CQXBendingBeam& operator=(const CQXBendingBeam&) = delete;

    // Resets the protocol, loads the temperature equation and starts the
    // worker (the port stays as it is, normally closed). FALSE, status 1225
    // and the message box when the thread cannot start.
    BOOL Open();
    // Stops the worker and waits for it to end, then closes the port; status
    // 1117, nothing posted for it. Safe to call twice.
    void Close();
    // Opens the port by name (COMn, or a device path) and returns the
    // resulting status: 0 when it opened, 1117 when not. The name the port is
    // already open under returns 0 and changes nothing.
    unsigned SetPort(const std::string& name);
    // A message box with the status's message, a blank line and detail;
    // nothing at status 0. On the user-interface thread only.
    void ReportError(const std::string& detail);
    // The same for a status seen earlier (the line may have come back since).
    void ReportStatus(unsigned status, const std::string& detail);
    // A box has told the operator of the loss of the line that is on now
    // (the test's own loss box): the live-readings bar does not tell it
    // again. Nothing while the line is good; forgotten when it comes back,
    // so that the next loss is told afresh.
    void MarkLossTold();
    bool IsLossTold();

    unsigned GetStatus();
    std::string GetFirmwareVersion();     // "?" until the version frame
    BOOL GetReadings(BeamReadings& out);  // TRUE only at status 0; copies always
    BOOL GetState(BeamState& out);        // TRUE at status 0 or 1015
    BOOL GetUncorrectedTemperature(double& out);
    BOOL ReloadTemperatureEquation();

    // Each queues one command and returns TRUE, or FALSE while another is
    // pending (the caller asks again at its next opportunity).
    BOOL SendZero();
    BOOL StartLoad(WORD loadValue);
    BOOL EndLoad();
    BOOL SetTemperatureControl(BOOL heating, BOOL cooling);
    // FALSE also while the firmware version is not known yet (the equation
    // would take the wrong path) and when the set-point cannot be converted.
    BOOL SetTemperature(double setPoint);
    BOOL SendCommandR();

    // The most recently added window is posted to first; a window is listed once.
    void AddNotifyWindow(fw::WindowId window);
    void RemoveNotifyWindow(fw::WindowId window);

    // The simulated instrument (CQXBeamSimulation.cpp): answers a command
    // number as the instrument would, without the port, and for "G" processes
    // a made-up data frame; FALSE for an unknown number. Nothing in the
    // station calls it.
    BOOL SimulateResponse(int command);
    // The simulated deflection word: 22616 without a load, else the ramp at
    // the simulated load's count.
    WORD SimulateDeflection();

    // For tests and diagnostics.
    bool IsWorkerRunning() const { return m_workerAlive.load(); }
    void SetThreadStarter(ThreadStarter starter) { m_startThread = std::move(starter); }
    // Replaces how the worker waits between passes (a test steps the
    // station's own instrument with it). Only while no worker runs: false,
    // and nothing changed, after Open and before Close.
    bool SetWorkerWait(std::unique_ptr<WorkerWait> wait);
    // Bytes the worker has read from and written to the line since this
    // object was made: with the far end's own counts, a test knows when
    // everything sent has arrived.
    struct LineCounts {
        uint64_t received = 0;
        uint64_t written = 0;
    };
    LineCounts GetLineCounts();
    WORD GetLoadValue();

private:
    class Hooks : public CQXBeamProtocol::Hooks {
    public:
        explicit Hooks(CQXBendingBeam& beam) : m_beam(beam) {}
        void SetStatus(unsigned code) override { m_beam.SetStatus(code); }
        void DataFrameProcessed() override { m_beam.PublishFrame(); }
        void ProtocolReset() override { m_beam.ResetReadings(); }

    private:
        CQXBendingBeam& m_beam;
    };

    void SetStatus(unsigned code);
    BOOL Queued(BOOL queued);
    void NotifyWindows();
    void PublishFrame();
    void ResetReadings();
    void ThreadProc();

    std::atomic<bool> m_run{false};
    platform::RecursiveLock m_lock;
    std::list<fw::WindowId> m_notify;
    CQXRS485Port m_port;
    unsigned m_status;
    bool m_lossTold = false;  // see MarkLossTold
    std::atomic<bool> m_workerAlive{false};
    Hooks m_hooks{*this};
    CQXBeamProtocol m_protocol;
    BeamReadings m_readings;
    ConversionValues m_conversion;
    RYXTempEquation m_equation;
    std::unique_ptr<WorkerWait> m_wait;
    ThreadStarter m_startThread;
    std::thread m_thread;
};

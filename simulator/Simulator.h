#pragma once
// The simulated instrument on its pseudo-terminal: the firmware of
// Instrument.h driven by one I/O thread, plus the small API through which
// tests and the ryx-sim console act as the operator and inject faults.
//
// The thread waits on the line and on the time the next frame is due by the
// injected clock. With a ManualClock nothing moves until the test advances
// it; Sync() then makes the thread look at the new time before returning,
// so a test never needs to sleep.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "simulator/Instrument.h"
#include "simulator/Pty.h"

namespace ryxsim {

class Simulator {
public:
    struct Options {
        SimulatedInstrument::Options instrument;
        platform::Clock* clock = nullptr;  // nullptr: the process's default clock
    };

    explicit Simulator(const Options& options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal and starts the I/O thread.
    platform::ErrorCode Start();
    void Stop();
    const std::string& DevicePath() const { return m_pty.DevicePath(); }

    // Returns once the I/O thread has run a whole pass begun after the call:
    // every frame due by the clock's present time has been written.
    void Sync();
    // Waits (at most deadlineMs of real time) until the thread has read
    // `total` bytes from the line since it started; false on the deadline.
    // Lets a test know a command has arrived when its answer is meant not to.
    bool WaitForInput(uint64_t total, int deadlineMs = 5000);

    // Operator actions.
    void InsertBeam(BeamKind kind);
    void FlipBeam();
    void PlaceGageBlock(GageLevel level);
    bool AddMass(int grams);
    bool RemoveMass(int grams);
    void RemoveAllMasses();
    void SetContactLoad(double mN);
    void SetRemote(bool remote);
    void SetLoadSwitch(bool atLoad);
    void SetLifted(bool lifted);
    void SetBathTemperature(double celsius);

    // Faults.
    void SetSilent(bool on);
    void SetReplyDelay(uint32_t ms);
    void CorruptFrames(int count);
    void DropBytes(int count);  // one byte out of each of the next count frames
    void SetLowerCaseHex(bool on);
    void SetJunk(bool on);
    void SetAutoFramesStopped(bool stopped);
    void ClearFaults();

    ModelState State();
    Faults GetFaults();
    uint64_t FramesSent();
    uint64_t BytesDiscarded();  // output nobody read, beyond the line's buffer
    uint64_t BytesWritten();    // output handed to the line so far
    const Calibration& GetCalibration() const { return m_calibration; }
    double TimeScale() const { return m_scale; }
    const std::string& Firmware() const { return m_firmware; }
    void SetLog(SimulatedInstrument::Log log);

private:
    template <class F>
    void Act(F&& f);
    uint64_t Now64Locked();
    void Run();
    void Wake();
    void QueueLocked(const std::string& bytes);
    void FlushOutput();

    platform::Clock& m_clock;
    const Calibration m_calibration;
    const double m_scale;
    const std::string m_firmware;
    PseudoTerminal m_pty;
    int m_wakeFd = -1;

    std::mutex m_mutex;  // the instrument, the clock's unwrapping, the output
    uint32_t m_last32 = 0;
    uint64_t m_now64 = 0;
    SimulatedInstrument m_instrument;
    std::string m_output;
    uint64_t m_discarded = 0;
    uint64_t m_written = 0;

    std::mutex m_syncMutex;
    std::condition_variable m_syncCv;
    uint64_t m_syncRequested = 0;
    uint64_t m_syncDone = 0;
    uint64_t m_bytesRead = 0;
    bool m_running = false;

    std::thread m_thread;
};

}  // namespace ryxsim

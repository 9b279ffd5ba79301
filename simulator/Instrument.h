#pragma once
// The simulated instrument's firmware: it takes the bytes the station sends,
// acts on the bench model and produces the bytes it answers with, at the
// times they are due. It does no I/O and reads no clock of its own: the
// caller hands in the clock time (64-bit milliseconds), so the whole thing
// runs as well in virtual time as in real time.
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "simulator/Calibration.h"
#include "simulator/Model.h"
#include "simulator/Protocol.h"

namespace ryxsim {

// Faults the instrument can be told to show.
struct Faults {
    bool silent = false;             // a dead line: nothing sent, commands lost
    uint32_t replyDelayMs = 0;       // each command acted on this much later
    int corruptFrames = 0;           // the next n frames get a damaged byte
    int dropFrames = 0;              // the next n frames lose a byte
    bool lowerCaseHex = false;       // data frames in lower-case hex
    bool junk = false;               // stray bytes between frames, continuously
    bool autoFramesStopped = false;  // the load's own frames are not sent
};

class SimulatedInstrument {
public:
    struct Options {
        Calibration calibration;
        double timeScale = 1.0;  // model seconds per clock second
        std::string firmware = "2.000";
        uint32_t seed = 1;
    };

    SimulatedInstrument(const Options& options, uint64_t startMs);

    // Bytes from the station, arriving at nowMs.
    void Receive(std::string_view bytes, uint64_t nowMs);
    // Everything due by nowMs, in order: replies, automatic frames, junk.
    std::string Poll(uint64_t nowMs);
    // The clock time of the next thing due (after nowMs), or UINT64_MAX.
    uint64_t NextDueMs(uint64_t nowMs) const;

    // Operator actions and test set-ups act on the model at the given time.
    BenchModel& Model(uint64_t nowMs);
    Faults& GetFaults() { return m_faults; }
    const std::string& Firmware() const { return m_firmware; }
    double TimeScale() const { return m_scale; }
    const Calibration& GetCalibration() const { return m_cal; }
    bool AutoFramesOn() const { return m_auto; }
    uint64_t FramesSent() const { return m_framesSent; }

    // Told of what the instrument ignores or cannot do (for the console).
    using Log = std::function<void(const std::string&)>;
    void SetLog(Log log) { m_log = std::move(log); }

private:
    struct Pending {
        uint64_t dueMs;
        std::string line;
    };

    double ModelTime(uint64_t ms) const;
    uint64_t ClockTimeCeil(double modelSeconds) const;
    double NextFrameTime() const;
    void AdvanceModel(double t);
    void Execute(const std::string& line, double t, std::string& out);
    void EmitFrame(std::string frame, std::string& out);
    std::string DataFrameNow();
    void EmitJunk(uint64_t nowMs, std::string& out);
    void Note(const std::string& text);

    Calibration m_cal;
    double m_scale;
    std::string m_firmware;
    uint64_t m_originMs;
    BenchModel m_model;
    Faults m_faults;
    CommandSplitter m_splitter;
    std::deque<Pending> m_pending;
    std::mt19937 m_junkRng;
    uint64_t m_lastJunkMs;

    // The load and its automatic frames.
    bool m_loadOn = false;
    double m_loadEnd = 0;  // model s
    bool m_auto = false;
    double m_gridStart = 0;  // model s of frame 0
    uint64_t m_frameIndex = 0;
    uint64_t m_framesSent = 0;
    Log m_log;
};

}  // namespace ryxsim

#pragma once
// A pseudo-terminal between the station and the simulated instrument that
// passes every byte on and notes each command line the station sends, with
// the time of a clock the test chooses, so that a test can see what went
// over the line and when. It notices every opening and closing of the
// station's end, whether or not a byte has passed, from the kernel's file
// events (or, where there are none, from the line's hang-up state).
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"

namespace e2e {

class LineTap {
public:
    struct Line {
        std::string text;  // without its CR
        uint32_t at;       // the chosen clock's time when it arrived
        size_t heard;      // bytes the instrument had sent back by then
    };

    // instrumentDevice: the simulator's end; clock: the times noted.
    LineTap(const std::string& instrumentDevice, platform::Clock& clock);
    ~LineTap();
    LineTap(const LineTap&) = delete;
    LineTap& operator=(const LineTap&) = delete;

    bool IsOpen() const { return m_master >= 0 && m_instrument >= 0; }
    // The device the station opens.
    const std::string& DevicePath() const { return m_slavePath; }

    std::vector<Line> Lines() const;
    // Lines containing text.
    std::vector<Line> LinesWith(const std::string& text) const;
    // Whether the station has closed its end as often as it opened it (and
    // opened it at all).
    bool StationClosed() const;
    bool WaitForClosed(int ms) const;
    // Whether a descriptor of this process refers to the station's end now
    // (exact at the moment of the call, unlike the tap's own noticing).
    bool HeldByThisProcess() const;
    // Everything the instrument has sent to the station.
    std::string FromInstrument() const;
    // Complete data frames the instrument has sent (STX ... CR, 20 bytes).
    size_t DataFrames() const;
    // What the tap has seen, for a failing test's message.
    std::string Describe() const;
    // Waits until pred holds on the lines, at most ms of real time.
    bool WaitFor(const std::function<bool(const std::vector<Line>&)>& pred, int ms) const;

private:
    void Run();
    void NoteOpensAndCloses();  // from m_notify's events

    platform::Clock& m_clock;
    int m_master = -1;
    int m_instrument = -1;
    int m_wake[2] = {-1, -1};
    int m_notify = -1;  // inotify on the station's end, or -1
    std::string m_slavePath;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::vector<Line> m_lines;
    std::string m_partial;
    std::string m_fromInstrument;
    size_t m_fromStation = 0;  // bytes
    int m_opens = 0;           // of the station's end
    int m_closes = 0;
    int m_holders = 0;  // opens not closed yet
};

}  // namespace e2e

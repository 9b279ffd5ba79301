#pragma once
// The station's end of the simulator's pseudo-terminal, as a test holds it:
// bytes out, bytes in, and a deadline on every read so that a missing reply
// fails the test instead of hanging it.
#include <cstdint>
#include <string>
#include <vector>

namespace ryxsim::testing {

class PtyPeer {
public:
    explicit PtyPeer(const std::string& device);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    void Send(const std::string& bytes);
    // Up to and including the next CR; "" when none comes within the deadline.
    std::string ReadFrame(int deadlineMs = 5000);
    // Exactly n bytes, or fewer when the deadline passes.
    std::string ReadBytes(size_t n, int deadlineMs = 5000);

private:
    bool Fill(int deadlineMs);
    int m_fd = -1;
    std::string m_buffer;
};

// A data frame's fields, parsed strictly as the station's receiver would.
struct Frame {
    uint16_t deflection = 0, force = 0, temperature = 0;
    char remote = 0, zero = 0, control = 0;
};
bool ParseDataFrame(const std::string& bytes, Frame& frame);

// A temporary folder removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace ryxsim::testing

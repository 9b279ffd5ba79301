#pragma once
// A port for protocol tests: bytes fed by the test come out of Read, writes
// are recorded with the clock's time, failures are switched on by hand.
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "instrument/CQXCommPort.h"
#include "platform/Clock.h"
#include "platform/Errors.h"

namespace testsupport {

class FakePort : public CQXCommPort {
public:
    explicit FakePort(platform::Clock& clock) : m_clock(clock) {}

    struct Written {
        std::string text;
        uint32_t time;
    };

    BOOL IsOpen() const override { return open ? TRUE : FALSE; }
    unsigned Read(void* buffer, DWORD& count, DWORD wanted) override {
        count = 0;
        ++reads;
        if (readError) return readError;
        auto* out = static_cast<char*>(buffer);
        while (count < wanted) {
            if (endless) {
                out[count++] = endlessByte;
            } else if (!input.empty()) {
                out[count++] = input.front();
                input.pop_front();
            } else {
                break;
            }
        }
        return platform::kErrorSuccess;
    }
    unsigned Write(const void* buffer, DWORD count) override {
        if (writeError) return writeError;
        writes.push_back({std::string(static_cast<const char*>(buffer), count), m_clock.Now()});
        return platform::kErrorSuccess;
    }
    unsigned BytesWaiting(DWORD& count) override {
        if (!tellsWaiting || endless) return platform::kErrorCallNotImplemented;
        count = static_cast<DWORD>(input.size());
        return platform::kErrorSuccess;
    }

    void Feed(std::string_view bytes) { input.insert(input.end(), bytes.begin(), bytes.end()); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& w : writes) t.push_back(w.text);
        return t;
    }

    bool open = true;
    bool tellsWaiting = true;
    bool endless = false;  // a line that never pauses
    char endlessByte = 'x';
    unsigned readError = 0;
    unsigned writeError = 0;
    long reads = 0;
    std::deque<char> input;
    std::vector<Written> writes;

private:
    platform::Clock& m_clock;
};

}  // namespace testsupport

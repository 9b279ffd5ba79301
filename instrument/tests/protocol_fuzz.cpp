// Feeds the receiver arbitrary bytes interleaved with worker passes, queued
// commands, clock jumps, resets and a port that comes and goes, and checks
// that it never leaves its states, never writes a command twice, and takes
// the next well-formed frame once the garbage ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "instrument/CQXBeamProtocol.h"
#include "instrument/tests/support/FakePort.h"
#include "platform/Clock.h"

namespace {

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

class Hooks : public CQXBeamProtocol::Hooks {
public:
    void SetStatus(unsigned code) override { status = code; }
    void DataFrameProcessed() override { ++frames; }
    void ProtocolReset() override { ++resets; }
    unsigned status = 0;
    long frames = 0;
    long resets = 0;
};

class CheckingPort : public testsupport::FakePort {
public:
    using FakePort::FakePort;
    unsigned Write(const void* buffer, DWORD count) override {
        // Only the pending command is ever written.
        FUZZ_CHECK(protocol != nullptr && protocol->IsCommandPending());
        FUZZ_CHECK(std::string(static_cast<const char*>(buffer), count) == protocol->GetCommandText());
        return FakePort::Write(buffer, count);
    }
    const CQXBeamProtocol* protocol = nullptr;
};

void CheckInvariants(const CQXBeamProtocol& p, const CheckingPort& port) {
    FUZZ_CHECK(p.GetReceiveState() >= 0 && p.GetReceiveState() <= 16);
    FUZZ_CHECK(p.GetPendingCommand() >= 0 && p.GetPendingCommand() <= 11);
    // Each queued command goes out at most once: no resend.
    FUZZ_CHECK(port.writes.size() <= p.GetCommandsQueued());
    // With nothing awaited the receiver waits in the data-frame states.
    if (!p.IsCommandPending())
        FUZZ_CHECK(p.GetReceiveState() >= CQXBeamProtocol::kWaitData &&
                   p.GetReceiveState() <= CQXBeamProtocol::kDataEnd);
    const std::string& v = p.GetFirmwareVersion();
    FUZZ_CHECK(v.size() <= 5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::ManualClock clock(static_cast<uint32_t>(size) * 2654435761u);
    CheckingPort port(clock);
    Hooks hooks;
    CQXBeamProtocol protocol(port, clock, hooks);
    port.protocol = &protocol;
    protocol.ResetProtocol();

    // 0xFF introduces an operation; every other byte arrives on the line.
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b != 0xFF || i + 1 >= size) {
            port.Feed(std::string(1, static_cast<char>(b)));
            if (port.input.size() >= 24) protocol.ReceiveBytes();
        } else {
            const uint8_t op = data[++i];
            switch (op % 8) {
                case 0:
                    clock.Advance(static_cast<uint32_t>(op) * 23u);
                    break;
                case 1:
                    protocol.CheckTimeouts();
                    break;
                case 2:
                    protocol.Poll();
                    break;
                case 3:
                    protocol.SetLoadValue(static_cast<WORD>(op * 257u));
                    protocol.SetRawSetPoint(static_cast<WORD>(op * 131u));
                    protocol.SendCommand(op % 13);
                    break;
                case 4:
                    protocol.ResetProtocol();
                    break;
                case 5:
                    port.open = !port.open;
                    break;
                case 6:
                    port.writeError = port.writeError ? 0 : 1003;
                    break;
                default:  // one worker pass
                    protocol.ReceiveBytes();
                    protocol.CheckTimeouts();
                    protocol.Poll();
                    clock.Advance(10);
                    break;
            }
        }
        CheckInvariants(protocol, port);
    }
    protocol.ReceiveBytes();
    CheckInvariants(protocol, port);

    // The garbage ends: whatever was awaited runs out, and then a good frame
    // must be taken.
    port.open = true;
    port.writeError = 0;
    port.input.clear();
    for (int k = 0; k < 2; ++k) {
        clock.Advance(6000);
        protocol.CheckTimeouts();
        CheckInvariants(protocol, port);
    }
    FUZZ_CHECK(!protocol.IsCommandPending());
    FUZZ_CHECK(!protocol.GetState().test);
    const long frames = hooks.frames;
    const int count = protocol.GetState().count;
    port.Feed(
        "\x02"
        "1A2B 3C4D 5E6F RLC\r");
    protocol.ReceiveBytes();
    FUZZ_CHECK(hooks.frames == frames + 1);
    FUZZ_CHECK(protocol.GetState().count == count + 1);
    FUZZ_CHECK(protocol.GetState().rawDeflection == 0x1A2B);
    FUZZ_CHECK(protocol.GetState().rawForce == 0x3C4D);
    FUZZ_CHECK(protocol.GetState().rawTemperature == 0x5E6F);
    FUZZ_CHECK(protocol.GetState().mode == 2 && protocol.GetState().remote && !protocol.GetState().zero);
    CheckInvariants(protocol, port);
    return 0;
}

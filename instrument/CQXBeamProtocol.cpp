#include "instrument/CQXBeamProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Errors.h"

namespace {

struct CommandEntry {
    const char* text;  // the fixed text, or the format of those that carry a value
    int stateAfterSending;
    uint32_t replyTimeout;
};

// Indexed by command number.
constexpr CommandEntry kCommands[] = {
    {"", 0, 0},
    {"G\r", CQXBeamProtocol::kWaitData, 1000},
    {"V\r", CQXBeamProtocol::kWaitVersion, 1000},
    {"R\r", CQXBeamProtocol::kWaitAck, 5000},
    {"D\r", CQXBeamProtocol::kWaitAck, 1000},
    {"H\r", CQXBeamProtocol::kWaitAck, 1000},
    {"C\r", CQXBeamProtocol::kWaitAck, 1000},
    {"B\r", CQXBeamProtocol::kWaitAck, 1000},
    {"N\r", CQXBeamProtocol::kWaitAck, 1000},
    {"%04hXL\r", CQXBeamProtocol::kWaitAck, 1000},
    {"Z\r", CQXBeamProtocol::kWaitAck, 1000},
    {"%04hXT\r", CQXBeamProtocol::kWaitAck, 2000},
};

constexpr uint32_t kTestFrameGap = 1000;  // longest pause between frames under load
constexpr uint32_t kPollStartDelay = 1000;
constexpr uint32_t kPollInterval = 700;

}  // namespace

CQXBeamProtocol::CQXBeamProtocol(CQXCommPort& port, platform::Clock& clock, Hooks& hooks)
    : m_port(port), m_clock(clock), m_hooks(hooks) {}

uint32_t CQXBeamProtocol::ReplyTimeout(int command) {
    if (command < kCmdG || command > kCmdT) return 0;
    return kCommands[command].replyTimeout;
}

BOOL CQXBeamProtocol::SendCommand(int command) {
    if (m_pendingCommand != kCmdNone) return FALSE;
    if (command < kCmdG || command > kCmdT) return FALSE;
    const CommandEntry& entry = kCommands[command];
    m_remainingTransmissions = 1;
    m_stateAfterSending = entry.stateAfterSending;
    m_replyTimeout = entry.replyTimeout;
    if (command == kCmdL || command == kCmdT) {
        char text[16];
        const unsigned short value = command == kCmdL ? m_loadValue : m_rawSetPoint;
        std::snprintf(text, sizeof text, entry.text, value);
        m_commandText = text;
    } else {
        m_commandText = entry.text;
    }
    m_pendingCommand = command;
    ++m_commandsQueued;
    // Dated one time-out back, so that the next time-out check writes it.
    m_sendTime = m_clock.Now() - m_replyTimeout;
    return TRUE;
}

BOOL CQXBeamProtocol::WriteCommand() {
    if (!m_port.IsOpen() ||
        m_port.Write(m_commandText.data(), static_cast<DWORD>(m_commandText.size())) != 0) {
        m_hooks.SetStatus(platform::kErrorIoDevice);
        return FALSE;
    }
    m_bytesWritten += m_commandText.size();
    m_receiveState = m_stateAfterSending;
    m_sendTime = m_clock.Now();
    return TRUE;
}

void CQXBeamProtocol::ReceiveBytes() {
    if (!m_port.IsOpen()) return;
    DWORD budget = kMaxBytesPerPass;
    DWORD waiting = 0;
    if (m_port.BytesWaiting(waiting) == 0) budget = std::min(waiting, kMaxWaitingPerPass);
    for (DWORD i = 0; i < budget; ++i) {
        char c = 0;
        DWORD got = 0;
        if (m_port.Read(&c, got, 1) != 0 || got == 0) break;
        ++m_bytesReceived;
        HandleByte(c);
    }
}

void CQXBeamProtocol::CheckTimeouts() {
    const uint32_t now = m_clock.Now();
    if (m_pendingCommand != kCmdNone && now - m_sendTime > m_replyTimeout) {
        const int remaining = m_remainingTransmissions--;
        if (remaining > 0) {
            WriteCommand();
        } else {
            m_hooks.SetStatus(platform::kErrorDevNotExist);
            ResetProtocol();
        }
    }
    if (m_state.test && now - m_lastFrameTime > kTestFrameGap) {
        m_hooks.SetStatus(platform::kErrorDevNotExist);
        ResetProtocol();
    }
}

void CQXBeamProtocol::Poll() {
    if (m_firmwareVersion == "?") SendCommand(kCmdV);
    const uint32_t now = m_clock.Now();
    if (now - m_linkStartTime > kPollStartDelay && !m_state.test && now - m_lastFrameTime > kPollInterval)
        SendCommand(kCmdG);
}

uint32_t CQXBeamProtocol::MillisecondsUntilDue() const {
    const uint32_t now = m_clock.Now();
    // Time left until more than limit ms have passed since `since`.
    auto left = [now](uint32_t since, uint32_t limit) -> uint32_t {
        const uint32_t elapsed = now - since;
        return elapsed > limit ? 0u : limit + 1 - elapsed;
    };
    uint32_t wait = kMaxIdleWait;
    if (m_pendingCommand != kCmdNone) {
        wait = std::min(wait, left(m_sendTime, m_replyTimeout));
    } else if (m_firmwareVersion == "?") {
        wait = 0;
    } else if (!m_state.test) {
        // A poll needs both the start delay and the interval behind it.
        wait = std::min(
            wait, std::max(left(m_linkStartTime, kPollStartDelay), left(m_lastFrameTime, kPollInterval)));
    }
    if (m_state.test) wait = std::min(wait, left(m_lastFrameTime, kTestFrameGap));
    return wait;
}

void CQXBeamProtocol::ResetProtocol() {
    const uint32_t now = m_clock.Now();
    m_lastFrameTime = now;
    m_linkStartTime = now;
    m_pendingCommand = kCmdNone;
    m_receiveState = kWaitData;
    m_tarePending = FALSE;
    for (auto& w : m_words) std::memcpy(w, "0000", 5);
    m_remoteLetter = 'L';
    m_zeroLetter = 'Z';
    m_controlLetter = 'N';
    m_state = BeamState{};
    m_firmwareVersion = "?";
    m_hooks.ProtocolReset();
}

void CQXBeamProtocol::BreakDataFrame(char c) {
    if (c == kStx) {
        m_fieldLength = 0;
        m_receiveState = kDeflection;
    } else {
        m_receiveState = kWaitData;
    }
}

void CQXBeamProtocol::HandleByte(char c) {
    switch (m_receiveState) {
        case kWaitAck:
            if (c == kSoh) m_receiveState = kAckO;
            break;
        case kAckO:
        case kAckK:
        case kReplyEnd: {
            const char expected = m_receiveState == kAckO ? 'O' : m_receiveState == kAckK ? 'K' : kCr;
            if (c == expected) {
                if (m_receiveState == kReplyEnd)
                    ReplyComplete();
                else
                    ++m_receiveState;
            } else {
                // An SOH starts the acknowledgement afresh rather than being lost.
                m_receiveState = c == kSoh ? kAckO : kWaitAck;
            }
            break;
        }
        case kWaitData:
            if (c == kStx) {
                m_fieldLength = 0;
                m_receiveState = kDeflection;
            }
            break;
        case kDeflection:
        case kForce:
        case kTemperature: {
            if (!IsHexDigit(c)) {
                BreakDataFrame(c);
                break;
            }
            char* word = m_words[(m_receiveState - kDeflection) / 2];
            word[m_fieldLength++] = c;
            if (m_fieldLength == 4) {
                word[4] = 0;
                ++m_receiveState;
            }
            break;
        }
        case kSpace1:
        case kSpace2:
        case kSpace3:
            if (c == ' ') {
                m_fieldLength = 0;
                ++m_receiveState;
            } else {
                BreakDataFrame(c);
            }
            break;
        case kRemoteLetter:
            if (c == 'L' || c == 'R') {
                m_remoteLetter = c;
                m_receiveState = kZeroLetter;
            } else {
                BreakDataFrame(c);
            }
            break;
        case kZeroLetter:
            if (c == 'L' || c == 'Z') {
                m_zeroLetter = c;
                m_receiveState = kControlLetter;
            } else {
                BreakDataFrame(c);
            }
            break;
        case kControlLetter:
            if (c == 'B' || c == 'C' || c == 'H' || c == 'N') {
                m_controlLetter = c;
                m_receiveState = kDataEnd;
            } else {
                BreakDataFrame(c);
            }
            break;
        case kDataEnd:
            if (c == kCr) {
                m_receiveState = kWaitData;
                ProcessDataFrame();
            } else {
                BreakDataFrame(c);
            }
            break;
        case kWaitVersion:
            if (c == 'V') {
                m_fieldLength = 0;
                m_receiveState = kVersionChars;
            }
            break;
        case kVersionChars:
            if ((c >= '0' && c <= '9') || c == '.') {
                m_versionText[m_fieldLength++] = c;
                if (m_fieldLength == 5) {
                    m_versionText[5] = 0;
                    m_receiveState = kReplyEnd;
                }
            } else {
                m_receiveState = kWaitData;
            }
            break;
        default:
            m_receiveState = kWaitData;  // never reached; keeps a stray state harmless
            break;
    }
}

void CQXBeamProtocol::ReplyComplete() {
    switch (m_pendingCommand) {
        case kCmdL:
            if (!m_state.test) {
                m_state.test = TRUE;
                m_tarePending = TRUE;
            }
            m_lastFrameTime = m_clock.Now();
            break;
        case kCmdD:
            m_state.test = FALSE;
            break;
        case kCmdV:
            m_firmwareVersion = m_versionText;
            break;
        default:
            break;
    }
    m_pendingCommand = kCmdNone;
    m_receiveState = kWaitData;
}

WORD CQXBeamProtocol::ParseWord(const char* text) {
    unsigned v = 0;
    for (int i = 0; i < 4 && text[i]; ++i) {
        const char c = text[i];
        v = v * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return static_cast<WORD>(v);
}

void CQXBeamProtocol::ProcessDataFrame() {
    m_lastFrameTime = m_clock.Now();
    if (m_pendingCommand == kCmdG)
        m_pendingCommand = kCmdNone;
    else
        m_state.test = TRUE;  // unasked: the instrument is under load
    m_state.rawDeflection = ParseWord(m_words[0]);
    m_state.rawForce = ParseWord(m_words[1]);
    m_state.rawTemperature = ParseWord(m_words[2]);
    switch (m_controlLetter) {
        case 'B':
            m_state.mode = 1;
            break;
        case 'C':
            m_state.mode = 2;
            break;
        case 'H':
            m_state.mode = 3;
            break;
        default:
            m_state.mode = 0;
            break;
    }
    m_state.remote = m_remoteLetter == 'R' ? TRUE : FALSE;
    ++m_state.count;
    m_state.zero = m_zeroLetter == 'Z' ? TRUE : FALSE;
    m_hooks.DataFrameProcessed();
}

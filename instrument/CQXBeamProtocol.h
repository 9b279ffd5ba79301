#pragma once
// The instrument's wire protocol: the command sender with its one
// outstanding command and reply time-outs, the polling rule, the receive
// state machine and the protocol reset.
//
// The instrument object owns one and calls it under its own lock, from its
// worker (ReceiveBytes, CheckTimeouts, Poll) and from its public operations
// (SendCommand); the class itself takes no lock and starts no thread, so the
// tests drive it with a fake port and a manual clock.
#include <cstdint>
#include <string>

#include "instrument/BeamState.h"
#include "instrument/CQXCommPort.h"
#include "platform/Clock.h"
#include "platform/WinTypes.h"

class CQXBeamProtocol {
public:
    // Command numbers.
    enum : int {
        kCmdNone = 0,
        kCmdG = 1,  // "G": readings, answered by a data frame
        kCmdV = 2,  // "V": firmware version, answered by a version frame
        kCmdR = 3,
        kCmdD = 4,  // end of load
        kCmdH = 5,  // heating only
        kCmdC = 6,  // cooling only
        kCmdB = 7,  // heating and cooling
        kCmdN = 8,  // temperature control off
        kCmdL = 9,  // start load, with the load value
        kCmdZ = 10,
        kCmdT = 11,  // bath set-point, with the raw set-point
    };

    // Receive states.
    enum : int {
        kWaitAck = 0,
        kAckO = 1,
        kAckK = 2,
        kReplyEnd = 3,
        kWaitData = 4,
        kDeflection = 5,
        kSpace1 = 6,
        kForce = 7,
        kSpace2 = 8,
        kTemperature = 9,
        kSpace3 = 10,
        kRemoteLetter = 11,
        kZeroLetter = 12,
        kControlLetter = 13,
        kDataEnd = 14,
        kWaitVersion = 15,
        kVersionChars = 16,
    };

    static constexpr char kSoh = 0x01;
    static constexpr char kStx = 0x02;
    static constexpr char kCr = 0x0D;

    // A pass never reads more than the bytes waiting when it starts (or this
    // many where the port cannot tell), so a line that never pauses cannot
    // keep the worker from its time-outs and polls.
    static constexpr DWORD kMaxBytesPerPass = 64;
    static constexpr DWORD kMaxWaitingPerPass = 4096;

    // What the owner supplies.
    class Hooks {
    public:
        virtual ~Hooks() = default;
        // A status change with its notice (55 from a time-out, 1117 from a
        // failed write).
        virtual void SetStatus(unsigned code) = 0;
        // A complete data frame is in the raw state: convert and publish it.
        virtual void DataFrameProcessed() = 0;
        // The protocol was reset: put the published readings back to their
        // starting values.
        virtual void ProtocolReset() = 0;
    };

    CQXBeamProtocol(CQXCommPort& port, platform::Clock& clock, Hooks& hooks);
    CQXBeamProtocol(const CQXBeamProtocol&) = delete;
    CQXBeamProtocol& operator=(const CQXBeamProtocol&) = delete;

    // How long a command's reply may take once it is written (0 for an
    // unknown number); after that the instrument counts as lost.
    static uint32_t ReplyTimeout(int command);

    // Queues one command for the next time-out check to write. FALSE, with
    // nothing changed, while another command is pending or for an unknown
    // number.
    BOOL SendCommand(int command);
    // Writes the queued command; a closed port or a failed write is 1117 and
    // leaves the command pending (it then times out).
    BOOL WriteCommand();
    // Hands the bytes waiting on the port to the state machine.
    void ReceiveBytes();
    // Writes a queued command, or declares a silent instrument lost (55 and a
    // reset); during a test, a gap of more than 1000 ms between frames too.
    void CheckTimeouts();
    // Queues "V" while the version is unknown, else "G" when due.
    void Poll();
    void ResetProtocol();
    // Milliseconds until a time-out check or a poll next has something to
    // do (0: now), at most kMaxIdleWait: how long a worker may wait when no
    // byte arrives and no command is queued meanwhile.
    uint32_t MillisecondsUntilDue() const;
    static constexpr uint32_t kMaxIdleWait = 1000;

    // One received byte through the state machine.
    void HandleByte(char c);

    // The simulated instrument: changes the frame texts as the instrument
    // would answer command, without the port, and for "G" processes the
    // made-up data frame. FALSE for an unknown command number; else the
    // pending command is cleared (CQXBeamSimulation.cpp).
    BOOL SimulateResponse(int command);
    // The deflection ramp of a simulated load, also written as the
    // deflection word: 22616 without a load; else down from 22528 and back
    // up from 21085 in steps of 3 per count, 480 counts each way.
    WORD SimulateDeflection();
    uint32_t GetLoadCounter() const { return m_loadCounter; }

    void SetLoadValue(WORD value) { m_loadValue = value; }
    WORD GetLoadValue() const { return m_loadValue; }
    void SetRawSetPoint(WORD value) { m_rawSetPoint = value; }
    WORD GetRawSetPoint() const { return m_rawSetPoint; }

    BOOL IsCommandPending() const { return m_pendingCommand != kCmdNone ? TRUE : FALSE; }
    int GetPendingCommand() const { return m_pendingCommand; }
    const std::string& GetCommandText() const { return m_commandText; }
    uint32_t GetReplyTimeout() const { return m_replyTimeout; }
    int GetReceiveState() const { return m_receiveState; }
    const BeamState& GetState() const { return m_state; }
    const std::string& GetFirmwareVersion() const { return m_firmwareVersion; }
    BOOL IsTarePending() const { return m_tarePending; }
    void ClearTarePending() { m_tarePending = FALSE; }
    uint32_t GetLastFrameTime() const { return m_lastFrameTime; }
    // Commands queued so far: each is written at most once.
    unsigned long GetCommandsQueued() const { return m_commandsQueued; }
    uint32_t GetLinkStartTime() const { return m_linkStartTime; }
    // Bytes taken from and written to the line so far (never reset).
    uint64_t GetBytesReceived() const { return m_bytesReceived; }
    uint64_t GetBytesWritten() const { return m_bytesWritten; }

private:
    void ReplyComplete();
    void ProcessDataFrame();
    // A byte that breaks a data frame: an STX starts the next one at once.
    void BreakDataFrame(char c);
    static bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
    static WORD ParseWord(const char* text);

    CQXCommPort& m_port;
    platform::Clock& m_clock;
    Hooks& m_hooks;

    int m_pendingCommand = kCmdNone;
    int m_remainingTransmissions = 0;
    uint32_t m_replyTimeout = 1000;
    uint32_t m_sendTime = 0;
    int m_stateAfterSending = kWaitAck;
    int m_receiveState = kWaitData;
    int m_fieldLength = 0;
    std::string m_commandText;
    WORD m_loadValue = 0;
    WORD m_rawSetPoint = 0;
    uint32_t m_linkStartTime = 0;
    uint32_t m_lastFrameTime = 0;
    BOOL m_tarePending = FALSE;
    unsigned long m_commandsQueued = 0;
    uint64_t m_bytesReceived = 0;
    uint64_t m_bytesWritten = 0;
    // Counts of a simulated load still to come: wider than the load value,
    // so that its + 1 never wraps.
    uint32_t m_loadCounter = 0;

    char m_words[3][5] = {{'0', '0', '0', '0', 0}, {'0', '0', '0', '0', 0}, {'0', '0', '0', '0', 0}};
    char m_remoteLetter = 'L';
    char m_zeroLetter = 'Z';
    char m_controlLetter = 'N';
    char m_versionText[6] = {};
    std::string m_firmwareVersion;  // "?" from the first reset until the version frame

    BeamState m_state;
};

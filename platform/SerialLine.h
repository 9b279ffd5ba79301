#pragma once
// A serial line over POSIX termios with the behaviour of a Windows comm
// handle, which is what the station's port classes were written against:
// line settings as a DCB-like record, read and write time-outs with the
// Windows meaning, purge, flush, and line errors read back and cleared.
//
// The line is opened exclusively (TIOCEXCL, and a non-blocking exclusive
// flock on the device, since root ignores TIOCEXCL) and is always used
// non-blocking: every wait is a poll() with the time-out the Windows rules
// give, so no call blocks longer than its time-outs allow.
//
// One line is used by one thread at a time; the owner serialises the calls.
#include <linux/serial.h>
#include <termios.h>

#include <string>
#include <string_view>

#include "platform/Errors.h"
#include "platform/WinTypes.h"

namespace platform {

inline constexpr DWORD kMaxDword = 0xFFFFFFFFu;

// COMMTIMEOUTS, in milliseconds.
struct CommTimeouts {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
    bool operator==(const CommTimeouts&) const = default;
};

// Purge flags (PURGE_*).
inline constexpr DWORD kPurgeTxAbort = 0x0001;
inline constexpr DWORD kPurgeRxAbort = 0x0002;
inline constexpr DWORD kPurgeTxClear = 0x0004;
inline constexpr DWORD kPurgeRxClear = 0x0008;

// Line error flags (CE_*), as ClearCommError reports them.
inline constexpr DWORD kCeRxOver = 0x0001;   // input buffer overflow
inline constexpr DWORD kCeOverrun = 0x0002;  // character lost by the hardware
inline constexpr DWORD kCeRxParity = 0x0004;
inline constexpr DWORD kCeFrame = 0x0008;
inline constexpr DWORD kCeBreak = 0x0010;
inline constexpr DWORD kCeIoe = 0x0400;  // the device went away (hang-up, unplugged adapter)

// Parity and stop-bit codes of the DCB.
inline constexpr BYTE kNoParity = 0;
inline constexpr BYTE kOddParity = 1;
inline constexpr BYTE kEvenParity = 2;
inline constexpr BYTE kMarkParity = 3;
inline constexpr BYTE kSpaceParity = 4;
inline constexpr BYTE kOneStopBit = 0;
inline constexpr BYTE kOne5StopBits = 1;
inline constexpr BYTE kTwoStopBits = 2;

// The flag word of the DCB: fBinary is bit 0, fParity bit 1, and the two
// fRtsControl bits sit under mask 0x3000.
inline constexpr DWORD kDcbBinary = 0x0001;
inline constexpr DWORD kDcbParity = 0x0002;
inline constexpr DWORD kDcbRtsControlMask = 0x3000;
inline constexpr int kDcbRtsControlShift = 12;
inline constexpr DWORD kRtsControlDisable = 0;
inline constexpr DWORD kRtsControlEnable = 1;
inline constexpr DWORD kRtsControlHandshake = 2;
inline constexpr DWORD kRtsControlToggle = 3;

// The DCB: the line settings as the station reads and writes them.
struct LineSettings {
    DWORD DCBlength = sizeof(LineSettings);
    DWORD BaudRate = 0;
    DWORD Flags = 0;
    BYTE ByteSize = 0;
    BYTE Parity = kNoParity;
    BYTE StopBits = kOneStopBit;

    DWORD RtsControl() const { return (Flags & kDcbRtsControlMask) >> kDcbRtsControlShift; }
    void SetRtsControl(DWORD mode) {
        Flags = (Flags & ~kDcbRtsControlMask) | ((mode << kDcbRtsControlShift) & kDcbRtsControlMask);
    }

    // Set by SerialLine::GetCommState: the whole terminal state as it was
    // read, so that SetCommState with an unchanged record puts the line back
    // exactly as it was found (flags a DCB cannot express included).
    bool hasNative = false;
    termios native{};
    bool hasNativeRs485 = false;
    serial_rs485 nativeRs485{};
};

// BuildCommDCB: fills the baud rate, parity, data and stop bits from a mode
// string, "baud=9600 parity=N data=8 stop=1" or the older "9600,n,8,1".
// Fields the string does not name are left as they are. 0, or 87 for a
// string it cannot read.
ErrorCode BuildLineSettings(std::string_view mode, LineSettings& settings);

// Counts of the line as ClearCommError reports them.
struct CommStat {
    DWORD cbInQue = 0;   // bytes received and not yet read
    DWORD cbOutQue = 0;  // bytes written and not yet sent
};

class SerialLine {
public:
    SerialLine() = default;
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Opens the device at path (a symbolic link is followed) for exclusive
    // use. 0; 2 when it does not exist or is not a terminal; 5 when another
    // process or handle holds it; else the error of the failing call.
    ErrorCode Open(const std::string& path);
    // Gives up exclusive use and closes. Closing a closed line is 0.
    ErrorCode Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }
    // The descriptor, for waiting on input (poll); -1 while closed.
    int Descriptor() const { return m_fd; }

    ErrorCode GetCommState(LineSettings& settings);
    // A record from GetCommState is put back as it was read; any other is
    // applied as a raw line (no echo, no translation, no flow control) with
    // its baud rate, data bits, parity and stop bits. RTS toggling is asked of
    // the driver (TIOCSRS485); a driver that does not take it leaves a plain
    // line, which is not an error (see RtsToggledByDriver). 0, 87 for values
    // the line cannot take, else the error of the failing call.
    ErrorCode SetCommState(const LineSettings& settings);
    bool RtsToggledByDriver() const { return m_rs485Enabled; }

    ErrorCode GetCommTimeouts(CommTimeouts& timeouts) const;
    ErrorCode SetCommTimeouts(const CommTimeouts& timeouts);
    // Queue sizes are the driver's on Linux; recorded and accepted.
    ErrorCode SetupComm(DWORD inQueue, DWORD outQueue);
    ErrorCode SetCommMask(DWORD mask);

    // ReadFile: waits as the read time-outs say and returns what came, which
    // may be fewer bytes than wanted (also none) with 0.
    ErrorCode Read(void* buffer, DWORD wanted, DWORD& got);
    // WriteFile: a write that runs into its total time-out stops there and
    // returns 0 with fewer bytes written.
    ErrorCode Write(const void* buffer, DWORD count, DWORD& written);
    // PurgeComm: the TX flags drop unsent output, the RX flags unread input.
    ErrorCode Purge(DWORD flags);
    // FlushFileBuffers: waits until the output has been sent.
    ErrorCode Flush();
    // The count of received bytes not yet read (what a read takes at once).
    ErrorCode InputWaiting(DWORD& count);
    // ClearCommError: the line errors seen since the last call (driver error
    // counters, and a hang-up of the device), which it then clears.
    ErrorCode ClearCommError(DWORD& errors, CommStat* stat = nullptr);

private:
    bool ReadCounters(serial_icounter_struct& counters) const;
    ErrorCode Failed(int err);  // notes a hang-up, returns the code

    int m_fd = -1;
    std::string m_path;
    CommTimeouts m_timeouts;
    DWORD m_inQueue = 0;
    DWORD m_outQueue = 0;
    DWORD m_mask = 0;
    DWORD m_rtsControl = kRtsControlEnable;
    bool m_rs485Enabled = false;
    bool m_hungUp = false;
    bool m_haveCounters = false;
    serial_icounter_struct m_counters{};
};

}  // namespace platform

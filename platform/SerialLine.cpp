#include "platform/SerialLine.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

namespace {

struct BaudEntry {
    DWORD baud;
    speed_t speed;
};

constexpr BaudEntry kBauds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedFromBaud(DWORD baud, speed_t& speed) {
    for (const auto& e : kBauds)
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    return false;
}

DWORD BaudFromSpeed(speed_t speed) {
    for (const auto& e : kBauds)
        if (e.speed == speed) return e.baud;
    return 0;
}

using Ms = int64_t;

Ms NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A total time-out of multiplier x count + constant; none when both are 0.
Ms TotalDeadline(Ms start, DWORD multiplier, DWORD constant, DWORD count) {
    if (multiplier == 0 && constant == 0) return -1;
    return start + static_cast<Ms>(multiplier) * count + constant;
}

// Waits for events on fd for at most ms (-1: no limit); the revents, 0 on
// time-out, -1 with errno on failure.
int WaitFor(int fd, short events, Ms ms) {
    pollfd p{fd, events, 0};
    const int slice = ms < 0 ? -1 : static_cast<int>(std::min<Ms>(ms, INT_MAX));
    const int r = ::poll(&p, 1, slice);
    if (r < 0) return errno == EINTR ? 0 : -1;
    return r == 0 ? 0 : p.revents;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool ParseDword(const std::string& text, DWORD& value) {
    if (text.empty() || text.size() > 9) return false;
    DWORD v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<DWORD>(c - '0');
    }
    value = v;
    return true;
}

bool ParseParity(const std::string& text, BYTE& parity) {
    if (text.size() != 1) return false;
    switch (text[0]) {
        case 'n':
            parity = kNoParity;
            return true;
        case 'o':
            parity = kOddParity;
            return true;
        case 'e':
            parity = kEvenParity;
            return true;
        case 'm':
            parity = kMarkParity;
            return true;
        case 's':
            parity = kSpaceParity;
            return true;
        default:
            return false;
    }
}

bool ParseData(const std::string& text, BYTE& size) {
    DWORD v = 0;
    if (!ParseDword(text, v) || v < 5 || v > 8) return false;
    size = static_cast<BYTE>(v);
    return true;
}

bool ParseStop(const std::string& text, BYTE& stop) {
    if (text == "1")
        stop = kOneStopBit;
    else if (text == "1.5")
        stop = kOne5StopBits;
    else if (text == "2")
        stop = kTwoStopBits;
    else
        return false;
    return true;
}

std::vector<std::string> Split(const std::string& s, const char* separators) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (std::string_view(separators).find(c) != std::string_view::npos) {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

}  // namespace

ErrorCode BuildLineSettings(std::string_view mode, LineSettings& settings) {
    std::string text = Lower(mode);
    // An optional device prefix as in "COM1: baud=9600 ...".
    if (const auto colon = text.find(':'); colon != std::string::npos) {
        const std::string head = text.substr(0, colon);
        if (head.size() > 3 && head.compare(0, 3, "com") == 0) text = text.substr(colon + 1);
    }
    LineSettings s = settings;
    bool any = false;
    if (text.find('=') != std::string::npos) {
        for (const std::string& item : Split(text, " \t")) {
            const auto eq = item.find('=');
            if (eq == std::string::npos) return kErrorInvalidParameter;
            const std::string key = item.substr(0, eq);
            const std::string value = item.substr(eq + 1);
            if (key == "baud") {
                if (!ParseDword(value, s.BaudRate)) return kErrorInvalidParameter;
            } else if (key == "parity") {
                if (!ParseParity(value, s.Parity)) return kErrorInvalidParameter;
                if (s.Parity == kNoParity)
                    s.Flags &= ~kDcbParity;
                else
                    s.Flags |= kDcbParity;
            } else if (key == "data") {
                if (!ParseData(value, s.ByteSize)) return kErrorInvalidParameter;
            } else if (key == "stop") {
                if (!ParseStop(value, s.StopBits)) return kErrorInvalidParameter;
            } else if (key == "to" || key == "xon" || key == "odsr" || key == "octs" || key == "dtr" ||
                       key == "rts" || key == "idsr") {
                // Accepted for compatibility; this line has no such handshakes.
                if (value.empty()) return kErrorInvalidParameter;
            } else {
                return kErrorInvalidParameter;
            }
            any = true;
        }
    } else {
        // The older form: baud[,parity[,data[,stop]]].
        std::vector<std::string> parts;
        std::string cur;
        for (char c : text) {
            if (c == ',') {
                parts.push_back(cur);
                cur.clear();
            } else if (c != ' ' && c != '\t') {
                cur += c;
            }
        }
        parts.push_back(cur);
        if (parts.size() > 4 || parts[0].empty()) return kErrorInvalidParameter;
        if (!ParseDword(parts[0], s.BaudRate)) return kErrorInvalidParameter;
        // Two-digit rates are the old shorthand (96 = 9600, 11 = 110).
        if (s.BaudRate == 11)
            s.BaudRate = 110;
        else if (s.BaudRate == 15)
            s.BaudRate = 150;
        else if (s.BaudRate >= 30 && s.BaudRate <= 96 && s.BaudRate % 3 == 0)
            s.BaudRate *= 100;
        if (parts.size() > 1 && !parts[1].empty()) {
            if (!ParseParity(parts[1], s.Parity)) return kErrorInvalidParameter;
            if (s.Parity == kNoParity)
                s.Flags &= ~kDcbParity;
            else
                s.Flags |= kDcbParity;
        }
        if (parts.size() > 2 && !parts[2].empty() && !ParseData(parts[2], s.ByteSize))
            return kErrorInvalidParameter;
        if (parts.size() > 3 && !parts[3].empty() && !ParseStop(parts[3], s.StopBits))
            return kErrorInvalidParameter;
        any = true;
    }
    if (!any) return kErrorInvalidParameter;
    s.Flags |= kDcbBinary;
    s.DCBlength = sizeof(LineSettings);
    s.hasNative = false;
    s.hasNativeRs485 = false;
    settings = s;
    return kErrorSuccess;
}

SerialLine::~SerialLine() {
    Close();
}

ErrorCode SerialLine::Failed(int err) {
    if (err == EIO || err == ENXIO || err == ENODEV || err == EPIPE) m_hungUp = true;
    return ErrorFromErrno(err);
}

bool SerialLine::ReadCounters(serial_icounter_struct& counters) const {
    return ::ioctl(m_fd, TIOCGICOUNT, &counters) == 0;
}

ErrorCode SerialLine::Open(const std::string& path) {
    if (IsOpen()) return kErrorAccessDenied;  // one device per line object
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return err == EBUSY ? kErrorAccessDenied : ErrorFromErrno(err);
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return kErrorFileNotFound;  // not a serial line
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? kErrorAccessDenied : ErrorFromErrno(err);
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    m_path = path;
    m_timeouts = {};
    m_inQueue = m_outQueue = m_mask = 0;
    m_rtsControl = kRtsControlEnable;
    m_hungUp = false;
    serial_rs485 rs485{};
    m_rs485Enabled = ::ioctl(fd, TIOCGRS485, &rs485) == 0 && (rs485.flags & SER_RS485_ENABLED);
    if (m_rs485Enabled) m_rtsControl = kRtsControlToggle;
    m_haveCounters = ReadCounters(m_counters);
    return kErrorSuccess;
}

ErrorCode SerialLine::Close() {
    if (!IsOpen()) return kErrorSuccess;
    ::ioctl(m_fd, TIOCNXCL);
    ::flock(m_fd, LOCK_UN);
    // Linux releases the descriptor even when close reports an error, so the
    // line is closed either way.
    const int r = ::close(m_fd);
    const int err = r == 0 ? 0 : errno;
    m_fd = -1;
    m_rs485Enabled = false;
    m_hungUp = false;
    return err == 0 || err == EINTR ? kErrorSuccess : ErrorFromErrno(err);
}

namespace {

// The DCB fields a terminal state stands for.
LineSettings FieldsOf(const termios& t) {
    LineSettings s;
    s.BaudRate = BaudFromSpeed(::cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
        case CS5:
            s.ByteSize = 5;
            break;
        case CS6:
            s.ByteSize = 6;
            break;
        case CS7:
            s.ByteSize = 7;
            break;
        default:
            s.ByteSize = 8;
            break;
    }
    if (!(t.c_cflag & PARENB))
        s.Parity = kNoParity;
    else if (t.c_cflag & CMSPAR)
        s.Parity = (t.c_cflag & PARODD) ? kMarkParity : kSpaceParity;
    else
        s.Parity = (t.c_cflag & PARODD) ? kOddParity : kEvenParity;
    s.StopBits = (t.c_cflag & CSTOPB) ? kTwoStopBits : kOneStopBit;
    s.Flags = kDcbBinary | ((t.c_iflag & INPCK) ? kDcbParity : 0);
    return s;
}

bool SameFields(const LineSettings& a, const LineSettings& b) {
    return a.BaudRate == b.BaudRate && a.ByteSize == b.ByteSize && a.Parity == b.Parity &&
           a.StopBits == b.StopBits && (a.Flags & kDcbParity) == (b.Flags & kDcbParity);
}

// Puts the DCB fields into t; 87 for values the line cannot take.
ErrorCode ApplyFields(const LineSettings& s, termios& t) {
    speed_t speed{};
    if (!SpeedFromBaud(s.BaudRate, speed)) return kErrorInvalidParameter;
    if (s.ByteSize < 5 || s.ByteSize > 8) return kErrorInvalidParameter;
    if (s.Parity > kSpaceParity) return kErrorInvalidParameter;
    if (s.StopBits != kOneStopBit && s.StopBits != kTwoStopBits) return kErrorInvalidParameter;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_iflag &= ~INPCK;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[s.ByteSize - 5];
    switch (s.Parity) {
        case kOddParity:
            t.c_cflag |= PARENB | PARODD;
            break;
        case kEvenParity:
            t.c_cflag |= PARENB;
            break;
        case kMarkParity:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case kSpaceParity:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (s.Parity != kNoParity && (s.Flags & kDcbParity)) t.c_iflag |= INPCK;
    if (s.StopBits == kTwoStopBits) t.c_cflag |= CSTOPB;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    return kErrorSuccess;
}

}  // namespace

ErrorCode SerialLine::GetCommState(LineSettings& settings) {
    if (!IsOpen()) return kErrorInvalidHandle;
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0) return Failed(errno);
    LineSettings s = FieldsOf(t);
    s.SetRtsControl(m_rtsControl);
    s.hasNative = true;
    s.native = t;
    s.hasNativeRs485 = ::ioctl(m_fd, TIOCGRS485, &s.nativeRs485) == 0;
    settings = s;
    return kErrorSuccess;
}

ErrorCode SerialLine::SetCommState(const LineSettings& s) {
    if (!IsOpen()) return kErrorInvalidHandle;
    if (s.hasNative && SameFields(s, FieldsOf(s.native))) {
        // Unchanged since it was read: the line goes back exactly as it was.
        if (::tcsetattr(m_fd, TCSANOW, &s.native) != 0) return Failed(errno);
        if (s.hasNativeRs485) {
            serial_rs485 r = s.nativeRs485;
            if (::ioctl(m_fd, TIOCSRS485, &r) == 0) m_rs485Enabled = (r.flags & SER_RS485_ENABLED) != 0;
        }
        m_rtsControl = s.RtsControl();
        return kErrorSuccess;
    }

    termios t{};
    if (s.hasNative) {
        t = s.native;  // a read record with changed fields: the rest stays
    } else {
        if (::tcgetattr(m_fd, &t) != 0) return Failed(errno);
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        // VMIN 1: an empty non-blocking read says EAGAIN, so that 0 keeps
        // its meaning of end of file (a hang-up).
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
    }
    if (const ErrorCode e = ApplyFields(s, t)) return e;
    if (::tcsetattr(m_fd, TCSANOW, &t) != 0) return Failed(errno);

    const DWORD rts = s.RtsControl();
    if (rts == kRtsControlToggle) {
        // The driver raises RTS around each transmission where it can; a line
        // whose driver cannot (a pty, many USB adapters) stays a plain line.
        serial_rs485 r{};
        r.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        m_rs485Enabled = ::ioctl(m_fd, TIOCSRS485, &r) == 0;
    } else {
        if (m_rs485Enabled) {
            serial_rs485 r{};
            if (::ioctl(m_fd, TIOCSRS485, &r) == 0) m_rs485Enabled = false;
        }
        int bits = TIOCM_RTS;
        if (rts == kRtsControlEnable || rts == kRtsControlHandshake)
            ::ioctl(m_fd, TIOCMBIS, &bits);
        else
            ::ioctl(m_fd, TIOCMBIC, &bits);
    }
    m_rtsControl = rts;
    return kErrorSuccess;
}

ErrorCode SerialLine::GetCommTimeouts(CommTimeouts& timeouts) const {
    if (!IsOpen()) return kErrorInvalidHandle;
    timeouts = m_timeouts;
    return kErrorSuccess;
}

ErrorCode SerialLine::SetCommTimeouts(const CommTimeouts& timeouts) {
    if (!IsOpen()) return kErrorInvalidHandle;
    m_timeouts = timeouts;
    return kErrorSuccess;
}

ErrorCode SerialLine::SetupComm(DWORD inQueue, DWORD outQueue) {
    if (!IsOpen()) return kErrorInvalidHandle;
    m_inQueue = inQueue;
    m_outQueue = outQueue;
    return kErrorSuccess;
}

ErrorCode SerialLine::SetCommMask(DWORD mask) {
    if (!IsOpen()) return kErrorInvalidHandle;
    m_mask = mask;
    return kErrorSuccess;
}

ErrorCode SerialLine::Read(void* buffer, DWORD wanted, DWORD& got) {
    got = 0;
    if (!IsOpen()) return kErrorInvalidHandle;
    if (wanted == 0) return kErrorSuccess;
    const CommTimeouts& t = m_timeouts;
    auto* out = static_cast<unsigned char*>(buffer);

    // The two special forms of the Windows rules: return at once with what
    // has come; or wait up to the constant for the first byte, then return.
    const bool immediate = t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == 0 &&
                           t.ReadTotalTimeoutConstant == 0;
    const bool firstByte = t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == kMaxDword &&
                           t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < kMaxDword;
    const Ms start = NowMs();
    const Ms total =
        firstByte ? start + t.ReadTotalTimeoutConstant
                  : TotalDeadline(start, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, wanted);
    const Ms interval = (immediate || firstByte) ? 0 : t.ReadIntervalTimeout;
    Ms lastByte = 0;

    for (;;) {
        const ssize_t n = ::read(m_fd, out + got, wanted - got);
        if (n > 0) {
            got += static_cast<DWORD>(n);
            lastByte = NowMs();
            if (got == wanted || firstByte) return kErrorSuccess;
            continue;
        }
        if (n == 0) {
            // End of file on a hung-up line; a line left with VMIN 0 by
            // someone else also reads 0 when merely empty.
            if (WaitFor(m_fd, POLLIN, 0) & POLLHUP) return Failed(EIO);
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Failed(errno);
        }
        if (immediate) return kErrorSuccess;

        // Nothing waiting: sleep until a byte comes or a time-out runs out.
        const Ms now = NowMs();
        Ms wait = total < 0 ? -1 : std::max<Ms>(0, total - now);
        if (got > 0 && interval > 0) {
            const Ms left = std::max<Ms>(0, lastByte + interval - now);
            wait = wait < 0 ? left : std::min(wait, left);
        }
        if (wait == 0) return kErrorSuccess;
        const int ev = WaitFor(m_fd, POLLIN, wait);
        if (ev < 0) return Failed(errno);
        if ((ev & (POLLHUP | POLLERR | POLLNVAL)) && !(ev & POLLIN)) return Failed(EIO);
    }
}

ErrorCode SerialLine::Write(const void* buffer, DWORD count, DWORD& written) {
    written = 0;
    if (!IsOpen()) return kErrorInvalidHandle;
    const auto* in = static_cast<const unsigned char*>(buffer);
    const Ms total = TotalDeadline(NowMs(), m_timeouts.WriteTotalTimeoutMultiplier,
                                   m_timeouts.WriteTotalTimeoutConstant, count);
    while (written < count) {
        const ssize_t n = ::write(m_fd, in + written, count - written);
        if (n > 0) {
            written += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Failed(errno);
        const Ms wait = total < 0 ? -1 : std::max<Ms>(0, total - NowMs());
        if (wait == 0) return kErrorSuccess;  // timed out: a short write
        const int ev = WaitFor(m_fd, POLLOUT, wait);
        if (ev < 0) return Failed(errno);
        if ((ev & (POLLHUP | POLLERR | POLLNVAL)) && !(ev & POLLOUT)) return Failed(EIO);
    }
    return kErrorSuccess;
}

ErrorCode SerialLine::Purge(DWORD flags) {
    if (!IsOpen()) return kErrorInvalidHandle;
    const bool tx = flags & (kPurgeTxAbort | kPurgeTxClear);
    const bool rx = flags & (kPurgeRxAbort | kPurgeRxClear);
    if (!tx && !rx) return kErrorSuccess;
    const int which = tx && rx ? TCIOFLUSH : tx ? TCOFLUSH : TCIFLUSH;
    if (::tcflush(m_fd, which) != 0) return Failed(errno);
    return kErrorSuccess;
}

ErrorCode SerialLine::Flush() {
    if (!IsOpen()) return kErrorInvalidHandle;
    while (::tcdrain(m_fd) != 0) {
        if (errno != EINTR) return Failed(errno);
    }
    return kErrorSuccess;
}

ErrorCode SerialLine::InputWaiting(DWORD& count) {
    count = 0;
    if (!IsOpen()) return kErrorInvalidHandle;
    int in = 0;
    if (::ioctl(m_fd, FIONREAD, &in) != 0) return Failed(errno);
    count = in > 0 ? static_cast<DWORD>(in) : 0;
    return kErrorSuccess;
}

ErrorCode SerialLine::ClearCommError(DWORD& errors, CommStat* stat) {
    errors = 0;
    if (!IsOpen()) return kErrorInvalidHandle;
    if (m_hungUp) errors |= kCeIoe;
    m_hungUp = false;
    serial_icounter_struct now{};
    if (m_haveCounters && ReadCounters(now)) {
        if (now.frame != m_counters.frame) errors |= kCeFrame;
        if (now.overrun != m_counters.overrun) errors |= kCeOverrun;
        if (now.parity != m_counters.parity) errors |= kCeRxParity;
        if (now.brk != m_counters.brk) errors |= kCeBreak;
        if (now.buf_overrun != m_counters.buf_overrun) errors |= kCeRxOver;
        m_counters = now;
    }
    if (stat) {
        int in = 0;
        int out = 0;
        stat->cbInQue = ::ioctl(m_fd, FIONREAD, &in) == 0 && in > 0 ? static_cast<DWORD>(in) : 0;
        stat->cbOutQue = ::ioctl(m_fd, TIOCOUTQ, &out) == 0 && out > 0 ? static_cast<DWORD>(out) : 0;
    }
    return kErrorSuccess;
}

}  // namespace platform

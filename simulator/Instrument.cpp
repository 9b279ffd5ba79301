#include "simulator/Instrument.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ryxsim {

namespace {
// About what a 9600 baud line carries: one byte per millisecond.
constexpr uint64_t kJunkPerMs = 1;
constexpr uint64_t kJunkBurst = 256;
constexpr uint64_t kJunkTickMs = 20;
constexpr double kFramePeriod = 0.5;  // s of model time
constexpr double kEpsilon = 1e-9;

std::string Printable(std::string_view line) {
    std::string s;
    for (unsigned char c : line) {
        if (c >= 0x20 && c < 0x7F) {
            s.push_back(static_cast<char>(c));
        } else {
            static const char* hex = "0123456789ABCDEF";
            s += "\\x";
            s.push_back(hex[c >> 4]);
            s.push_back(hex[c & 15]);
        }
    }
    return s;
}
}  // namespace

SimulatedInstrument::SimulatedInstrument(const Options& options, uint64_t startMs)
    : m_cal(options.calibration),
      m_scale(options.timeScale > 0 ? options.timeScale : 1.0),
      m_firmware(options.firmware),
      m_originMs(startMs),
      m_model(options.calibration, options.seed),
      m_junkRng(options.seed ^ 0x5EEDu),
      m_lastJunkMs(startMs) {}

double SimulatedInstrument::ModelTime(uint64_t ms) const {
    if (ms <= m_originMs) return 0;
    return static_cast<double>(ms - m_originMs) * m_scale / 1000.0;
}

uint64_t SimulatedInstrument::ClockTimeCeil(double modelSeconds) const {
    return m_originMs + static_cast<uint64_t>(std::ceil(modelSeconds * 1000.0 / m_scale - kEpsilon));
}

double SimulatedInstrument::NextFrameTime() const {
    return m_gridStart + kFramePeriod * static_cast<double>(m_frameIndex);
}

void SimulatedInstrument::AdvanceModel(double t) {
    t = std::max(t, m_model.Time());
    if (m_loadOn && t >= m_loadEnd) {
        // The load comes off at its own time, not at the next look.
        m_model.AdvanceTo(m_loadEnd);
        m_loadOn = false;
        m_model.SetTestLoad(false);
    }
    m_model.AdvanceTo(t);
}

BenchModel& SimulatedInstrument::Model(uint64_t nowMs) {
    AdvanceModel(ModelTime(nowMs));
    return m_model;
}

void SimulatedInstrument::Note(const std::string& text) {
    if (m_log) m_log(text);
}

void SimulatedInstrument::Receive(std::string_view bytes, uint64_t nowMs) {
    m_splitter.Feed(bytes, [&](std::string_view line) {
        if (m_faults.silent) return;  // the line is dead both ways
        m_pending.push_back({nowMs + m_faults.replyDelayMs, std::string(line)});
    });
}

void SimulatedInstrument::EmitFrame(std::string frame, std::string& out) {
    if (m_faults.silent) return;
    if (m_faults.corruptFrames > 0) {
        --m_faults.corruptFrames;
        frame[frame.size() / 2] = '?';
    } else if (m_faults.dropFrames > 0) {
        --m_faults.dropFrames;
        frame.erase(frame.size() / 2, 1);
    }
    out += frame;
}

std::string SimulatedInstrument::DataFrameNow() {
    const BenchModel::Reading r = m_model.Read();
    DataFrame f;
    f.deflection = r.deflection;
    f.force = r.force;
    f.temperature = m_cal.TemperatureToWord(r.temperature, FirmwareSendsHundredths(m_firmware));
    f.remote = m_model.Remote();
    f.loaded = m_model.LoadApplied();
    f.control = m_model.Control();
    return EncodeDataFrame(f, m_faults.lowerCaseHex);
}

void SimulatedInstrument::Execute(const std::string& line, double t, std::string& out) {
    const std::optional<Command> cmd = ParseCommand(line);
    if (!cmd) {
        Note("ignored command \"" + Printable(line) + "\"");
        return;
    }
    switch (cmd->kind) {
        case CommandKind::kData:
            EmitFrame(DataFrameNow(), out);
            return;
        case CommandKind::kVersion:
            EmitFrame(EncodeVersion(m_firmware), out);
            return;
        case CommandKind::kReset:
        case CommandKind::kEndLoad:
            m_loadOn = false;
            m_model.SetTestLoad(false);
            m_auto = false;
            break;
        case CommandKind::kHeat:
            m_model.SetControl('H');
            break;
        case CommandKind::kCool:
            m_model.SetControl('C');
            break;
        case CommandKind::kHeatCool:
            m_model.SetControl('B');
            break;
        case CommandKind::kControlOff:
            m_model.SetControl('N');
            break;
        case CommandKind::kZero:
            m_loadOn = false;
            m_model.SetTestLoad(false);
            break;
        case CommandKind::kLoad:
            EmitFrame(EncodeAck(), out);
            m_loadOn = cmd->value > 0;
            m_loadEnd = t + kFramePeriod * cmd->value;
            m_model.SetTestLoad(m_loadOn);
            if (!m_auto) {
                // The first frame goes out with the acknowledgement, at the
                // moment the load is applied; a load sent while the frames
                // already run keeps their cadence.
                m_auto = true;
                m_gridStart = t;
                m_frameIndex = 0;
            }
            return;
        case CommandKind::kSetPoint: {
            double celsius = 0;
            if (m_cal.WordToTemperature(cmd->value, FirmwareSendsHundredths(m_firmware), celsius))
                m_model.SetSetPoint(celsius);
            else
                Note("set-point word " + std::to_string(cmd->value) + " is no temperature; kept the old one");
            break;
        }
    }
    EmitFrame(EncodeAck(), out);
}

void SimulatedInstrument::EmitJunk(uint64_t nowMs, std::string& out) {
    if (!m_faults.junk || m_faults.silent) {
        m_lastJunkMs = nowMs;
        return;
    }
    uint64_t n = nowMs > m_lastJunkMs ? (nowMs - m_lastJunkMs) * kJunkPerMs : 0;
    n = std::min(n, kJunkBurst);
    m_lastJunkMs = nowMs;
    // Line noise that starts no frame: never SOH, STX, 'V' or CR.
    std::uniform_int_distribution<int> byte(3, 255);
    for (uint64_t i = 0; i < n; ++i) {
        int c;
        do c = byte(m_junkRng);
        while (c == 'V' || c == '\r');
        out.push_back(static_cast<char>(c));
    }
}

std::string SimulatedInstrument::Poll(uint64_t nowMs) {
    std::string out;
    EmitJunk(nowMs, out);
    const double now = ModelTime(nowMs);
    for (;;) {
        const bool frameDue = m_auto && NextFrameTime() <= now + kEpsilon;
        const bool commandDue = !m_pending.empty() && m_pending.front().dueMs <= nowMs;
        if (!frameDue && !commandDue) break;
        if (frameDue && (!commandDue || NextFrameTime() <= ModelTime(m_pending.front().dueMs) + kEpsilon)) {
            AdvanceModel(NextFrameTime());
            ++m_frameIndex;
            if (!m_faults.autoFramesStopped) {
                EmitFrame(DataFrameNow(), out);
                ++m_framesSent;
            }
        } else {
            Pending p = std::move(m_pending.front());
            m_pending.pop_front();
            AdvanceModel(ModelTime(p.dueMs));
            Execute(p.line, m_model.Time(), out);
        }
    }
    AdvanceModel(now);
    return out;
}

uint64_t SimulatedInstrument::NextDueMs(uint64_t nowMs) const {
    uint64_t due = std::numeric_limits<uint64_t>::max();
    if (!m_pending.empty()) due = std::min(due, m_pending.front().dueMs);
    if (m_auto) due = std::min(due, ClockTimeCeil(NextFrameTime()));
    if (m_faults.junk && !m_faults.silent) due = std::min(due, nowMs + kJunkTickMs);
    return std::max(due, nowMs);
}

}  // namespace ryxsim

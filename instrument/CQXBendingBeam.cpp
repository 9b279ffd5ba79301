#include "instrument/CQXBendingBeam.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "instrument/CQXSerialConfig.h"
#include "platform/Errors.h"

namespace {

constexpr uint32_t kPassSleep = 10;  // ms between worker passes

// The station's message of a status, or 0 for none.
UINT MessageOf(unsigned status) {
    switch (status) {
        case platform::kErrorIoDevice:
            return 300;
        case platform::kErrorDevNotExist:
            return 304;
        case platform::kErrorRegistryCorrupt:
            return 308;
        case platform::kErrorConnectionRefused:
            return 310;
        default:
            return 0;
    }
}

// A status at which GetReadings fails for want of a line (1015 still reads).
bool IsLoss(unsigned status) {
    return status != platform::kErrorSuccess && status != platform::kErrorRegistryCorrupt;
}

std::thread StartStdThread(std::function<void()> body) {
    return std::thread(std::move(body));
}

}  // namespace

CQXBendingBeam::CQXBendingBeam()
    : CQXBendingBeam(platform::FollowDefaultClock(), std::make_unique<EventWait>()) {}

CQXBendingBeam::CQXBendingBeam(platform::Clock& clock)
    : CQXBendingBeam(clock, std::make_unique<ClockWait>(clock, kPassSleep)) {}

CQXBendingBeam::CQXBendingBeam(platform::Clock& clock, std::unique_ptr<WorkerWait> wait)
    : m_status(platform::kErrorIoDevice),
      m_protocol(m_port, clock, m_hooks),
      m_wait(std::move(wait)),
      m_startThread(StartStdThread) {
    // The equation reads the version as it is at each conversion, under
    // this object's lock.
    m_equation.SetFirmwareSource([this] { return m_protocol.GetFirmwareVersion(); });
}

CQXBendingBeam::~CQXBendingBeam() {
    Close();
}

BOOL CQXBendingBeam::Open() {
    {
        platform::LockGuard lock(m_lock);
        if (m_thread.joinable()) return TRUE;  // already running
        m_protocol.ResetProtocol();
        m_equation.LoadCoefficients();
        m_run = true;
    }
    try {
        m_thread = m_startThread([this] { ThreadProc(); });
        return TRUE;
    } catch (const std::system_error&) {
    }
    m_run = false;
    {
        platform::LockGuard lock(m_lock);
        m_status = platform::kErrorConnectionRefused;  // no notice
    }
    ReportError("");
    return FALSE;
}

void CQXBendingBeam::Close() {
    // The worker ends first, so it cannot write, set 1117 or post once the
    // port is gone; the lock is not held while it is awaited.
    m_run = false;
    m_wait->Wake();
    if (m_thread.joinable()) m_thread.join();
    platform::LockGuard lock(m_lock);
    m_port.Close();
    m_status = platform::kErrorIoDevice;  // no notice
}

bool CQXBendingBeam::SetWorkerWait(std::unique_ptr<WorkerWait> wait) {
    if (!wait || m_thread.joinable()) return false;
    m_wait = std::move(wait);
    return true;
}

CQXBendingBeam::LineCounts CQXBendingBeam::GetLineCounts() {
    platform::LockGuard lock(m_lock);
    return {m_protocol.GetBytesReceived(), m_protocol.GetBytesWritten()};
}

void CQXBendingBeam::ThreadProc() {
    m_workerAlive = true;
    // Above normal where the system allows; an ordinary user is refused,
    // which leaves the worker at normal priority.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), -1);
    while (m_run) {
        {
            platform::LockGuard lock(m_lock);
            m_protocol.ReceiveBytes();
        }
        {
            platform::LockGuard lock(m_lock);
            m_protocol.CheckTimeouts();
        }
        uint32_t due = 0;
        int fd = -1;
        {
            platform::LockGuard lock(m_lock);
            m_protocol.Poll();
            due = m_protocol.MillisecondsUntilDue();
            if (m_port.IsOpen()) fd = m_port.Line().Descriptor();
        }
        // At least the pass interval; a byte or a queued command ends it early.
        m_wait->Wait(std::max(due, kPassSleep), fd);
    }
    {
        platform::LockGuard lock(m_lock);
        m_status = platform::kErrorIoDevice;  // no notice
    }
    m_workerAlive = false;
}

unsigned CQXBendingBeam::SetPort(const std::string& name) {
    platform::LockGuard lock(m_lock);
    if (m_port.IsOpen() && m_port.GetName() == name) return platform::kErrorSuccess;
    // No name and no port: nothing to do, but nothing is open either.
    if (!m_port.IsOpen() && name.empty()) return platform::kErrorIoDevice;
    m_port.Close();
    m_port.Open(name);
    if (m_port.IsOpen()) {
        m_port.SetTerminator(CQXSerialPort::kNoTerminator);
        CQXSerialConfig config(m_port);
        config.SetTimeouts({0, 5, 5, 2, 100});
        config.SetupComm(256, 256);
        m_protocol.ResetProtocol();
        SetStatus(platform::kErrorSuccess);
    } else {
        SetStatus(platform::kErrorIoDevice);
    }
    m_wait->Wake();  // the worker watches the new line from its next wait
    return m_status;
}

void CQXBendingBeam::ReportError(const std::string& detail) {
    unsigned status = 0;
    {
        platform::LockGuard lock(m_lock);
        status = m_status;
    }
    ReportStatus(status, detail);
}

void CQXBendingBeam::ReportStatus(unsigned status, const std::string& detail) {
    const UINT id = MessageOf(status);
    if (id == 0) return;
    // Shown without the lock: the box's loop delivers updates meanwhile, and
    // the worker must go on.
    fw::ShowMessage(fw::LoadString(id) + "\n\n" + detail, MB_OK | MB_SETFOREGROUND);
}

void CQXBendingBeam::MarkLossTold() {
    platform::LockGuard lock(m_lock);
    if (IsLoss(m_status)) m_lossTold = true;
}

bool CQXBendingBeam::IsLossTold() {
    platform::LockGuard lock(m_lock);
    return m_lossTold && IsLoss(m_status);
}

unsigned CQXBendingBeam::GetStatus() {
    platform::LockGuard lock(m_lock);
    return m_status;
}

std::string CQXBendingBeam::GetFirmwareVersion() {
    platform::LockGuard lock(m_lock);
    return m_protocol.GetFirmwareVersion();
}

BOOL CQXBendingBeam::GetReadings(BeamReadings& out) {
    platform::LockGuard lock(m_lock);
    out = m_readings;
    return m_status == platform::kErrorSuccess ? TRUE : FALSE;
}

BOOL CQXBendingBeam::GetState(BeamState& out) {
    platform::LockGuard lock(m_lock);
    out = m_protocol.GetState();
    return m_status == platform::kErrorSuccess || m_status == platform::kErrorRegistryCorrupt ? TRUE : FALSE;
}

BOOL CQXBendingBeam::GetUncorrectedTemperature(double& out) {
    platform::LockGuard lock(m_lock);
    BeamState state;
    if (!GetState(state)) return FALSE;
    out = m_equation.RawToTemperature(state.rawTemperature, FALSE);
    return TRUE;
}

BOOL CQXBendingBeam::ReloadTemperatureEquation() {
    platform::LockGuard lock(m_lock);
    return m_equation.LoadCoefficients();
}

BOOL CQXBendingBeam::SendZero() {
    platform::LockGuard lock(m_lock);
    return Queued(m_protocol.SendCommand(CQXBeamProtocol::kCmdZ));
}

BOOL CQXBendingBeam::StartLoad(WORD loadValue) {
    platform::LockGuard lock(m_lock);
    if (!m_protocol.IsCommandPending()) m_protocol.SetLoadValue(loadValue);
    return Queued(m_protocol.SendCommand(CQXBeamProtocol::kCmdL));
}

WORD CQXBendingBeam::GetLoadValue() {
    platform::LockGuard lock(m_lock);
    return m_protocol.GetLoadValue();
}

BOOL CQXBendingBeam::EndLoad() {
    platform::LockGuard lock(m_lock);
    return Queued(m_protocol.SendCommand(CQXBeamProtocol::kCmdD));
}

BOOL CQXBendingBeam::SetTemperatureControl(BOOL heating, BOOL cooling) {
    platform::LockGuard lock(m_lock);
    const int command = heating && cooling ? CQXBeamProtocol::kCmdB
                        : heating          ? CQXBeamProtocol::kCmdH
                        : cooling          ? CQXBeamProtocol::kCmdC
                                           : CQXBeamProtocol::kCmdN;
    return Queued(m_protocol.SendCommand(command));
}

BOOL CQXBendingBeam::SetTemperature(double setPoint) {
    platform::LockGuard lock(m_lock);
    if (m_protocol.IsCommandPending()) return FALSE;
    // Until the version frame has come the equation cannot know which form
    // the instrument reads; a set-point converted on the guess could reach a
    // new instrument as nonsense. Refused; the caller asks again later.
    const std::string& version = m_protocol.GetFirmwareVersion();
    if (version.empty() || version == "?") return FALSE;
    try {
        m_equation.LoadCoefficients();
        m_protocol.SetRawSetPoint(m_equation.TemperatureToRaw(setPoint));
    } catch (...) {
        return FALSE;  // a failed root search or a set-point no word carries
    }
    return Queued(m_protocol.SendCommand(CQXBeamProtocol::kCmdT));
}

BOOL CQXBendingBeam::SendCommandR() {
    platform::LockGuard lock(m_lock);
    return Queued(m_protocol.SendCommand(CQXBeamProtocol::kCmdR));
}

void CQXBendingBeam::AddNotifyWindow(fw::WindowId window) {
    platform::LockGuard lock(m_lock);
    for (fw::WindowId w : m_notify)
        if (w == window) return;
    m_notify.push_front(window);
}

void CQXBendingBeam::RemoveNotifyWindow(fw::WindowId window) {
    platform::LockGuard lock(m_lock);
    m_notify.remove(window);
}

BOOL CQXBendingBeam::Queued(BOOL queued) {
    // The worker writes it on its next pass; wake it rather than let the
    // command wait for the next deadline.
    if (queued) m_wait->Wake();
    return queued;
}

void CQXBendingBeam::SetStatus(unsigned code) {
    platform::LockGuard lock(m_lock);
    if (code == m_status) return;
    m_status = code;
    if (!IsLoss(code)) m_lossTold = false;  // the line is back
    NotifyWindows();
}

void CQXBendingBeam::NotifyWindows() {
    platform::LockGuard lock(m_lock);
    for (fw::WindowId w : m_notify)
        fw::PostMessage(w, WM_INSTRUMENT_UPDATE, 0, 0);  // a failed post is ignored
}

void CQXBendingBeam::PublishFrame() {
    // Under the lock, on the worker, from the protocol's frame processing.
    m_status = platform::kErrorSuccess;  // the frame's own post follows
    m_lossTold = false;
    const BeamState& state = m_protocol.GetState();
    BOOL tarePending = m_protocol.IsTarePending();
    const ConvertedReadings r = ConvertFrame(state, tarePending, m_conversion, m_equation);
    if (!tarePending) m_protocol.ClearTarePending();
    if (r.defaultsUsed) m_status = platform::kErrorRegistryCorrupt;
    m_readings.deflection.m_data = r.deflection;
    m_readings.force.m_data = r.force;
    m_readings.temperature.m_data = r.temperature;
    m_readings.mode = state.mode;
    m_readings.remote = state.remote;
    m_readings.zero = state.zero;
    m_readings.count = state.count;
    m_readings.test = state.test;
    NotifyWindows();
}

void CQXBendingBeam::ResetReadings() {
    m_readings.count = 0;
    m_readings.deflection.m_data = 0;
    m_readings.force.m_data = 0;
    m_readings.temperature.m_data = 0;
    m_readings.mode = 0;
    m_readings.remote = FALSE;
    m_readings.zero = TRUE;
    m_readings.test = FALSE;
}

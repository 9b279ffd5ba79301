#include "instrument/CQXMultiCommController.h"

#include <algorithm>
#include <new>

#include "instrument/CQXRS485Port.h"
#include "platform/Errors.h"

CQXMultiCommController::CQXMultiCommController(WaitClock& clock) : CQXMultiThread(clock) {}

CQXMultiCommController::~CQXMultiCommController() {
    // The thread first: it may be serving a client on the port.
    StopThread();
    {
        std::lock_guard lock(m_queueLock);
        for (CQXMultiCommClient* client : m_queue) client->m_queued = false;
        m_queue.clear();
    }
    m_idleChanged.notify_all();
    if (m_port) {
        m_port->Close();
        m_port.reset();
    }
}

unsigned CQXMultiCommController::Open(const std::string& name) {
    {
        std::lock_guard lock(m_queueLock);
        if (m_port) return platform::kErrorSuccess;
    }
    if (!IsThreadStarted() && !CreateThread(ThreadWait::kInfinite)) return platform::kErrorOutOfMemory;
    std::unique_ptr<CQXCommPort> port;
    unsigned result = CreatePort(port);
    if (result != platform::kErrorSuccess) return result;
    if (!port) return platform::kErrorOutOfMemory;
    result = port->Open(name);
    if (result != platform::kErrorSuccess) return result;  // the port goes
    {
        std::lock_guard lock(m_queueLock);
        m_port = std::move(port);
    }
    Wake();  // clients queued before the port was there
    return platform::kErrorSuccess;
}

unsigned CQXMultiCommController::CreatePort(std::unique_ptr<CQXCommPort>& port) {
    port.reset();
    return platform::kErrorCallNotImplemented;
}

CQXRS485Controller::~CQXRS485Controller() {
    StopThread();
}

unsigned CQXRS485Controller::CreatePort(std::unique_ptr<CQXCommPort>& port) {
    try {
        auto rs485 = std::make_unique<CQXRS485Port>();
        rs485->SetTerminator('\r');
        port = std::move(rs485);
        return platform::kErrorSuccess;
    } catch (const std::bad_alloc&) {
        port.reset();
        return platform::kErrorOutOfMemory;
    }
}

void CQXMultiCommController::WaitIdle(std::unique_lock<std::mutex>& lock) {
    if (m_inService == nullptr || IsServiceThread()) return;
    OnWaitForIdle();
    m_idleChanged.wait(lock, [&] { return m_inService == nullptr; });
}

bool CQXMultiCommController::InQueue(const CQXMultiCommClient* client) const {
    return std::find(m_queue.begin(), m_queue.end(), client) != m_queue.end();
}

BOOL CQXMultiCommController::AddClient(CQXMultiCommClient* client, BOOL urgent) {
    if (client == nullptr) return FALSE;
    bool atHead = false;
    {
        std::unique_lock lock(m_queueLock);
        try {
            if (urgent) {
                // The service takes no next client while an urgent one waits
                // to go before it.
                ++m_urgentWaiting;
                WaitIdle(lock);
                --m_urgentWaiting;
                m_queue.push_front(client);
            } else {
                m_queue.push_back(client);
            }
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
        client->m_queued = true;
        atHead = m_queue.front() == client;
    }
    m_idleChanged.notify_all();
    if (atHead) Wake();
    return TRUE;
}

BOOL CQXMultiCommController::RemoveClient(CQXMultiCommClient* client) {
    if (client == nullptr) return FALSE;
    std::unique_lock lock(m_queueLock);
    // The head is the client in service or, when none is, the first one
    // waiting: the service takes it, so it stays, is served, and the call
    // waits until no client is in service. An entry further back is taken
    // out (the first one found).
    const bool atHead =
        m_inService != nullptr ? m_inService == client : !m_queue.empty() && m_queue.front() == client;
    bool removed = false;
    if (atHead) {
        WaitIdle(lock);
    } else if (const auto found = std::find(m_queue.begin(), m_queue.end(), client); found != m_queue.end()) {
        m_queue.erase(found);
        removed = true;
    }
    client->m_queued = m_inService == client || InQueue(client);
    return removed ? TRUE : FALSE;
}

void CQXMultiCommController::Forget(CQXMultiCommClient* client) {
    std::unique_lock lock(m_queueLock);
    m_queue.erase(std::remove(m_queue.begin(), m_queue.end(), client), m_queue.end());
    if (m_inService == client) WaitIdle(lock);
    client->m_queued = false;
}

void CQXMultiCommController::OnPoll() {
    CQXMultiCommClient* client = nullptr;
    CQXCommPort* port = nullptr;
    {
        std::unique_lock lock(m_queueLock);
        m_idleChanged.wait(lock, [&] { return m_urgentWaiting == 0; });
        if (!m_port || !m_port->IsOpen() || m_queue.empty()) return;  // idle stays signalled
        client = m_queue.front();
        m_queue.pop_front();
        m_inService = client;
        port = m_port.get();
    }
    const unsigned purged = port->Purge(kPurgeAll);
    bool more = false;
    {
        std::lock_guard clientLock(client->m_lock);
        try {
            if (purged != platform::kErrorSuccess) {
                client->OnError(purged);
            } else {
                const unsigned result = client->Transaction(
                    [port](const void* buffer, DWORD count) { return port->Write(buffer, count); },
                    [port](void* buffer, DWORD& count, DWORD wanted) {
                        return port->Read(buffer, count, wanted);
                    });
                if (result != platform::kErrorSuccess) client->OnError(result);
            }
        } catch (...) {
            // A client's failure must not end the service.
        }
        // Still under the client's lock, so that a Queue waiting for it sees
        // the client's true state.
        std::lock_guard lock(m_queueLock);
        m_inService = nullptr;
        client->m_queued = InQueue(client);  // queued again meanwhile
        more = !m_queue.empty();
    }
    m_idleChanged.notify_all();
    if (more) Wake();
}

bool CQXMultiCommController::IsIdle() {
    std::lock_guard lock(m_queueLock);
    return m_inService == nullptr;
}

size_t CQXMultiCommController::QueueLength() {
    std::lock_guard lock(m_queueLock);
    return m_queue.size();
}

bool CQXMultiCommController::HasOpenPort() {
    std::lock_guard lock(m_queueLock);
    return m_port && m_port->IsOpen();
}

CQXMultiCommClient::~CQXMultiCommClient() {
    // A derived client has withdrawn already; this only keeps one that did
    // not from being served once it no longer exists at all.
    Withdraw();
}

void CQXMultiCommClient::Withdraw() {
    // Cancel leaves a waiting head client queued, to be served; a client
    // that goes must leave the queue wherever it is, or the service would
    // run a client that no longer exists.
    if (!m_queued) return;
    if (CQXMultiCommController* controller = m_controller.load()) controller->Forget(this);
}

BOOL CQXMultiCommClient::ClearController() {
    std::lock_guard lock(m_lock);
    if (m_queued) return FALSE;
    m_controller = nullptr;
    return TRUE;
}

BOOL CQXMultiCommClient::SetController(CQXMultiCommController* controller) {
    std::lock_guard lock(m_lock);
    if (!ClearController()) return FALSE;
    m_controller = controller;
    return TRUE;
}

BOOL CQXMultiCommClient::Queue(intptr_t argument, BOOL urgent) {
    std::lock_guard lock(m_lock);
    if (m_controller == nullptr) return FALSE;
    if (m_queued) return TRUE;
    Prepare(argument);
    return m_controller.load()->AddClient(this, urgent);
}

BOOL CQXMultiCommClient::Cancel() {
    // Without the client's lock, which a transaction in progress holds: the
    // controller cannot change while the client is queued.
    if (!m_queued) return TRUE;
    CQXMultiCommController* controller = m_controller.load();
    if (controller == nullptr) return FALSE;
    return controller->RemoveClient(this);
}

#pragma once
// A general way of talking to serial devices: a service thread that runs a
// queue of client transactions on one port, one client at a time.
//
// Locks: a client's lock, then the controller's queue lock, never the other
// way round. The service holds no queue lock while it purges the port and
// runs a transaction under the client's own lock, so clients may queue and
// cancel meanwhile; a client in service stays queued until its transaction
// and error report are done, and the controller is idle whenever no client
// is in service.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "instrument/CQXCommPort.h"
#include "instrument/CQXMultiThread.h"
#include "platform/WinTypes.h"

class CQXMultiCommClient;

class CQXMultiCommController : public CQXMultiThread {
public:
    // PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR: before each transaction.
    static constexpr DWORD kPurgeAll = 0x0F;

    explicit CQXMultiCommController(WaitClock& clock = DefaultWaitClock());
    // Stops the service thread first (a transaction in progress ends), then
    // lets the queued clients go and closes the port.
    ~CQXMultiCommController() override;

    // Starts the service thread (it runs only when woken), makes the port and
    // opens it under name; a port that does not open is deleted. The first
    // non-zero code (14 when the thread cannot start), or 0. A controller
    // that has its port already returns 0.
    virtual unsigned Open(const std::string& name);

    // Appends the client, or, urgent, puts it at the head once no client is
    // in service (waiting without the queue lock). FALSE when the queue
    // cannot take it. From the service thread an urgent client does not
    // wait (it would wait for itself).
    BOOL AddClient(CQXMultiCommClient* client, BOOL urgent);
    // Takes the client's queued entries out of the queue, except at the
    // head: a client in service is waited for, and the first waiting client
    // while none is in service stays (both are served, not removed). TRUE
    // when the client was removed and will not be served.
    BOOL RemoveClient(CQXMultiCommClient* client);

    // What tests and diagnostics look at.
    bool IsIdle();
    size_t QueueLength();
    bool HasOpenPort();

protected:
    void OnPoll() override;
    // Makes the port the controller runs on: 120 in the base, which has none.
    virtual unsigned CreatePort(std::unique_ptr<CQXCommPort>& port);
    // Called, with the queue lock held, when a caller is about to wait for a
    // client's service to end; it must not call the controller.
    virtual void OnWaitForIdle() {}

private:
    friend class CQXMultiCommClient;

    // Waits, with the lock released meanwhile, until no client is in service
    // (at once on the service thread).
    void WaitIdle(std::unique_lock<std::mutex>& lock);
    bool InQueue(const CQXMultiCommClient* client) const;  // under the queue lock
    // For a client that is being destroyed: out of the queue wherever it is,
    // a service in progress waited out.
    void Forget(CQXMultiCommClient* client);

    std::deque<CQXMultiCommClient*> m_queue;  // waiting clients; the one in service is not in it
    std::unique_ptr<CQXCommPort> m_port;      // set once, under the queue lock
    std::mutex m_queueLock;
    std::condition_variable m_idleChanged;
    CQXMultiCommClient* m_inService = nullptr;  // null: idle
    int m_urgentWaiting = 0;                    // urgent clients waiting to go first
};

// A controller on an RS-485 port with CR as the reply terminator.
class CQXRS485Controller : public CQXMultiCommController {
public:
    using CQXMultiCommController::CQXMultiCommController;
    ~CQXRS485Controller() override;

protected:
    unsigned CreatePort(std::unique_ptr<CQXCommPort>& port) override;
};

// A queued transaction. A concrete client supplies the preparation step, the
// transaction and the error report; the controller runs them on its thread.
// The destructor of the most derived client calls Withdraw first: by the
// time the base destructor runs, the derived part is gone, and a client
// still queued then could be served half destroyed.
class CQXMultiCommClient {
public:
    // The controller's port operations, as the transaction receives them.
    using PortWrite = std::function<unsigned(const void* buffer, DWORD count)>;
    using PortRead = std::function<unsigned(void* buffer, DWORD& count, DWORD wanted)>;

    CQXMultiCommClient() = default;
    // Takes a client that is still queued out of the queue: the last resort
    // of a derived client that did not withdraw.
    virtual ~CQXMultiCommClient();
    CQXMultiCommClient(const CQXMultiCommClient&) = delete;
    CQXMultiCommClient& operator=(const CQXMultiCommClient&) = delete;

    // Only while not queued: TRUE.
    BOOL SetController(CQXMultiCommController* controller);
    BOOL ClearController();
    // When not queued: the preparation step with argument, then the
    // controller's AddClient. Returns whether the client is queued (FALSE
    // without a controller).
    BOOL Queue(intptr_t argument, BOOL urgent);
    // TRUE when not queued. Else the controller's RemoveClient: a client
    // further back leaves the queue (TRUE); the client in service is waited
    // out, and the first waiting client stays queued and is served (FALSE).
    BOOL Cancel();
    // Queued or in service.
    BOOL IsQueued() const { return m_queued.load() ? TRUE : FALSE; }

protected:
    // Takes the client out of the queue wherever it is (also from the head,
    // where Cancel leaves it) and waits out a service in progress; the
    // controller then calls none of the hooks until the client is queued
    // again. For the destructor of the most derived client, before anything
    // of it goes.
    void Withdraw();

    virtual void OnError(unsigned code) = 0;
    virtual void Prepare(intptr_t argument) = 0;
    // Returns 0, or a code that is passed to OnError.
    virtual unsigned Transaction(const PortWrite& write, const PortRead& read) = 0;

private:
    friend class CQXMultiCommController;

    std::recursive_mutex m_lock;  // changes of the controller; held while the transaction runs
    std::atomic<CQXMultiCommController*> m_controller{nullptr};
    // True to the controller's queue: set and cleared under its queue lock.
    std::atomic<bool> m_queued{false};
};

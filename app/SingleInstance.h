#pragma once
// One station per window-class name, user and configuration folder. The
// first instance listens on a local socket named after all three; a later
// one finds it there, asks it to come forward (handing over the files it was
// asked to open) and ends. A socket left behind by a crash answers nobody
// and is removed.
//
// Any local process of the user may connect: a connection whose request is
// malformed or larger than a request can be is dropped at once, one that has
// not sent a whole request within its time on the station's clock is
// dropped then, and only a few are read at a time; more wait in turn, up to
// a bound far above any burst of starts. A later start waits for the
// answer on the station's clock; one that gets none says so.
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/RaiseRequest.h"

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Called in the first instance when another start asks it to come forward.
    using RaiseHandler = std::function<void(const std::vector<std::string>& files)>;

    SingleInstance();
    ~SingleInstance() override;

    // The socket name for a window class in the present configuration folder.
    static std::string SocketName(const std::string& windowClass);

    // True when no other instance runs: this one then listens. False when
    // one runs: it has been asked to come forward with files, and NoAnswer
    // tells whether it answered.
    bool Claim(const std::string& windowClass, const std::vector<std::string>& files = {});
    // After a Claim that found another instance: empty when it answered,
    // else what this start waited for and what came instead.
    const std::string& NoAnswer() const { return m_noAnswer; }
    void SetRaiseHandler(RaiseHandler handler) { m_onRaise = std::move(handler); }
    bool IsListening() const;
    const std::string& Name() const { return m_name; }
    // Connections whose request is still being read.
    size_t PendingConnections() const;
    // Connections waiting for their turn to be read.
    size_t WaitingConnections() const { return m_waiting.size(); }

signals:
    void raiseRequested();

private:
    struct Pending {
        QLocalSocket* socket = nullptr;
        raise_request::Parser parser;
    };
    class Deadlines;

    void OnConnection();
    void Accept(QLocalSocket* s);
    void TakeWaiting();  // as many waiting connections as have places now
    void Read(uintptr_t id);
    void Forget(uintptr_t id);  // read no more from it
    void Drop(uintptr_t id);    // and close it

    std::unique_ptr<QLocalServer> m_server;
    std::string m_name;
    RaiseHandler m_onRaise;
    std::map<uintptr_t, Pending> m_pending;  // by deadline timer id
    std::deque<QPointer<QLocalSocket>> m_waiting;
    bool m_takeWaitingPosted = false;
    std::string m_noAnswer;
    std::unique_ptr<Deadlines> m_deadlines;
    uintptr_t m_lastTimer = 0;
};

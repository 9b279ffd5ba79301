#include "app/SingleInstance.h"

#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMetaObject>

#include "app/RaiseRequest.h"
#include "framework/ui/Window.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

namespace {

// Whoever connects has this long on the station's clock to send a whole
// request; a start that finds us writes it at once.
constexpr UINT kRequestMs = 5000;
// Connections read at the same time; more wait their turn, up to a bound far
// above any burst of starts (a file manager starting one per file), beyond
// which a flood of connections is turned away.
constexpr size_t kMaxPending = 16;
constexpr size_t kMaxWaiting = 256;

// A later start, on the station's clock: the connection, long enough for a
// live instance that is busy starting (a dead socket refuses at once); the
// answer, long enough to wait out the connections read before it.
constexpr uint32_t kConnectMs = 2000;
constexpr uint32_t kAnswerMs = 2 * kRequestMs;
// Real time of one wait for the socket between looks at the clock.
constexpr int kSliceMs = 20;

std::string UserName() {
    if (const char* u = getenv("USER"); u && *u) return u;
    return std::to_string(getuid());
}

}  // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() {
    // The sockets go with the server; none may call back into what is
    // being destroyed.
    for (const auto& [id, pending] : m_pending) QObject::disconnect(pending.socket, nullptr, this, nullptr);
    m_pending.clear();
    m_waiting.clear();
    if (m_server) m_server->close();
    m_server.reset();
}

size_t SingleInstance::PendingConnections() const {
    return m_pending.size();
}

std::string SingleInstance::SocketName(const std::string& windowClass) {
    // The class name is any text "reg:" gave, so it goes into the hash; a
    // short readable part helps whoever lists /tmp.
    std::string readable;
    for (char c : windowClass) {
        if (readable.size() >= 24) break;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        readable += plain ? c : '_';
    }
    const std::string key = windowClass + '\n' + UserName() + '\n' + platform::ConfigDir();
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(key), QCryptographicHash::Sha1).toHex().left(16);
    return "ryxw-" + readable + "-" + std::to_string(getuid()) + "-" + hash.toStdString();
}

bool SingleInstance::Claim(const std::string& windowClass, const std::vector<std::string>& files) {
    m_name = SocketName(windowClass);
    const QString name = QString::fromStdString(m_name);

    // Two stations started at once must not both decide they are first.
    QLockFile lock(QDir::temp().filePath(name + ".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(5000)) {
        lock.removeStaleLockFile();
        lock.tryLock(1000);
    }

    m_noAnswer.clear();
    platform::Clock& clock = platform::DefaultClock();
    const uint32_t start = clock.Now();
    QLocalSocket probe;
    probe.connectToServer(name);
    while (probe.state() == QLocalSocket::ConnectingState && clock.Now() - start < kConnectMs)
        probe.waitForConnected(kSliceMs);
    if (probe.state() == QLocalSocket::ConnectedState) {
        // The first instance's "OK" says it has the request; until then the
        // request may be waiting its turn.
        const std::string path = probe.fullServerName().toStdString();
        probe.write(QByteArray::fromStdString(raise_request::Build(files)));
        QByteArray reply;
        bool timedOut = false;
        while (!reply.contains('\n') && probe.state() == QLocalSocket::ConnectedState) {
            if (clock.Now() - start >= kAnswerMs) {
                timedOut = true;
                break;
            }
            if (probe.bytesToWrite() > 0)
                probe.waitForBytesWritten(kSliceMs);
            else
                probe.waitForReadyRead(kSliceMs);
            reply += probe.readAll();
        }
        reply += probe.readAll();
        if (reply.left(3) != "OK\n") {
            m_noAnswer = "The station already running (socket " + path +
                         ") did not answer the request to come forward: " +
                         (timedOut ? "no answer within " + std::to_string(kAnswerMs / 1000) + " s"
                                   : std::string("it closed the connection")) +
                         ".";
        }
        probe.abort();
        return false;
    }
    probe.abort();

    QLocalServer::removeServer(name);  // a socket nobody answers on is stale
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        // Without the socket a second instance cannot find this one, but the
        // station itself works: run rather than refuse to start.
        m_server.reset();
        return true;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    return true;
}

bool SingleInstance::IsListening() const {
    return m_server && m_server->isListening();
}

// The deadlines are window timers, so they run on the station's clock.
class SingleInstance::Deadlines : public fw::Window {
public:
    explicit Deadlines(SingleInstance& owner) : m_owner(owner) {}
    void OnTimer(uintptr_t id) override { m_owner.Drop(id); }

private:
    SingleInstance& m_owner;
};

void SingleInstance::OnConnection() {
    while (QLocalSocket* s = m_server->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        // Qt's own buffer holds no more than a request may be.
        s->setReadBufferSize(static_cast<qint64>(raise_request::kMaxRequestBytes));
        // Those that hung up while waiting hold no place.
        std::erase_if(m_waiting, [](const QPointer<QLocalSocket>& w) {
            return !w || w->state() != QLocalSocket::ConnectedState;
        });
        if (m_pending.size() < kMaxPending && m_waiting.empty()) {
            Accept(s);
        } else if (m_waiting.size() < kMaxWaiting) {
            m_waiting.emplace_back(s);  // its time runs from its turn
        } else {
            s->abort();
            s->deleteLater();
        }
    }
}

void SingleInstance::Accept(QLocalSocket* s) {
    if (!m_deadlines) m_deadlines = std::make_unique<Deadlines>(*this);
    const uintptr_t id = ++m_lastTimer;
    m_pending[id].socket = s;
    m_deadlines->SetTimer(id, kRequestMs);
    connect(s, &QLocalSocket::readyRead, this, [this, id] { Read(id); });
    connect(s, &QLocalSocket::disconnected, this, [this, id] { Forget(id); });
    Read(id);  // what came with the connection, or before its turn
}

void SingleInstance::TakeWaiting() {
    m_takeWaitingPosted = false;
    while (m_pending.size() < kMaxPending && !m_waiting.empty()) {
        QPointer<QLocalSocket> s = m_waiting.front();
        m_waiting.pop_front();
        // One that hung up while waiting has nobody to answer.
        if (s && s->state() == QLocalSocket::ConnectedState) Accept(s);
    }
}

void SingleInstance::Read(uintptr_t id) {
    auto it = m_pending.find(id);
    if (it == m_pending.end()) return;
    QLocalSocket* s = it->second.socket;
    raise_request::Parser& parser = it->second.parser;
    while (parser.GetState() == raise_request::Parser::State::More && s->bytesAvailable() > 0) {
        const QByteArray bytes = s->read(4096);
        parser.Feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
    if (parser.GetState() == raise_request::Parser::State::Bad) {
        Drop(id);
        return;
    }
    if (parser.GetState() != raise_request::Parser::State::Complete) return;
    const std::vector<std::string> files = parser.Files();
    Forget(id);
    s->write("OK\n");
    s->flush();
    s->disconnectFromServer();  // once the answer has gone
    emit raiseRequested();
    if (m_onRaise) m_onRaise(files);
}

void SingleInstance::Forget(uintptr_t id) {
    auto it = m_pending.find(id);
    if (it == m_pending.end()) return;
    QObject::disconnect(it->second.socket, nullptr, this, nullptr);
    m_pending.erase(it);
    if (m_deadlines) m_deadlines->KillTimer(id);
    // The next waiting connection takes the place from the loop, not from
    // inside the read or drop that freed it.
    if (!m_waiting.empty() && !m_takeWaitingPosted) {
        m_takeWaitingPosted = true;
        QMetaObject::invokeMethod(this, &SingleInstance::TakeWaiting, Qt::QueuedConnection);
    }
}

void SingleInstance::Drop(uintptr_t id) {
    auto it = m_pending.find(id);
    if (it == m_pending.end()) return;
    QLocalSocket* s = it->second.socket;
    Forget(id);
    s->abort();
    s->deleteLater();
}

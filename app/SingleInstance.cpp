#include "app/SingleInstance.h"

#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include "app/RaiseRequest.h"
#include "framework/ui/Window.h"
#include "platform/Paths.h"

namespace {

// Long enough for a live instance that is busy starting; a dead socket
// refuses at once.
constexpr int kConnectMs = 2000;
constexpr int kReplyMs = 2000;

// Whoever connects has this long on the station's clock to send a whole
// request; a start that finds us writes it at once.
constexpr UINT kRequestMs = 5000;
// Connections read at the same time; more wait for a free place in the
// socket's backlog.
constexpr size_t kMaxPending = 16;

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

    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(kConnectMs)) {
        probe.write(QByteArray::fromStdString(raise_request::Build(files)));
        while (probe.bytesToWrite() > 0 && probe.waitForBytesWritten(kReplyMs)) {
        }
        probe.waitForReadyRead(kReplyMs);  // the first instance's "OK": it has the request
        probe.disconnectFromServer();
        return false;
    }

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
        if (m_pending.size() >= kMaxPending) {
            s->abort();
            s->deleteLater();
            continue;
        }
        // Qt's own buffer holds no more than a request may be.
        s->setReadBufferSize(static_cast<qint64>(raise_request::kMaxRequestBytes));
        if (!m_deadlines) m_deadlines = std::make_unique<Deadlines>(*this);
        const uintptr_t id = ++m_lastTimer;
        m_pending[id].socket = s;
        m_deadlines->SetTimer(id, kRequestMs);
        connect(s, &QLocalSocket::readyRead, this, [this, id] { Read(id); });
        connect(s, &QLocalSocket::disconnected, this, [this, id] { Forget(id); });
        Read(id);  // what came with the connection
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
}

void SingleInstance::Drop(uintptr_t id) {
    auto it = m_pending.find(id);
    if (it == m_pending.end()) return;
    QLocalSocket* s = it->second.socket;
    Forget(id);
    s->abort();
    s->deleteLater();
}

#include "app/SingleInstance.h"

#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include "platform/Paths.h"

namespace {

// Long enough for a live instance that is busy starting; a dead socket
// refuses at once.
constexpr int kConnectMs = 2000;
constexpr int kReplyMs = 2000;

std::string UserName() {
    if (const char* u = getenv("USER"); u && *u) return u;
    return std::to_string(getuid());
}

}  // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() {
    if (m_server) m_server->close();
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
        QByteArray request = "RAISE\n";
        for (const auto& f : files) request += QByteArray::fromStdString(f) + '\n';
        request += '\n';
        probe.write(request);
        probe.waitForBytesWritten(kReplyMs);
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

void SingleInstance::OnConnection() {
    while (QLocalSocket* s = m_server->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(s, &QLocalSocket::readyRead, this, [this, s, buffer] {
            *buffer += s->readAll();
            if (!buffer->endsWith("\n\n")) return;
            const QList<QByteArray> lines = buffer->split('\n');
            buffer->clear();
            if (lines.isEmpty() || lines.front() != "RAISE") return;
            std::vector<std::string> files;
            for (qsizetype i = 1; i < lines.size(); ++i)
                if (!lines[i].isEmpty()) files.push_back(lines[i].toStdString());
            s->write("OK\n");
            s->flush();
            emit raiseRequested();
            if (m_onRaise) m_onRaise(files);
        });
    }
}

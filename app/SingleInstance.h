#pragma once
// One station per window-class name, user and configuration folder. The
// first instance listens on a local socket named after all three; a later
// one finds it there, asks it to come forward (handing over the files it was
// asked to open) and ends. A socket left behind by a crash answers nobody
// and is removed.
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;

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
    // one runs: it has been asked to come forward with files.
    bool Claim(const std::string& windowClass, const std::vector<std::string>& files = {});
    void SetRaiseHandler(RaiseHandler handler) { m_onRaise = std::move(handler); }
    bool IsListening() const;
    const std::string& Name() const { return m_name; }

signals:
    void raiseRequested();

private:
    void OnConnection();

    std::unique_ptr<QLocalServer> m_server;
    std::string m_name;
    RaiseHandler m_onRaise;
};

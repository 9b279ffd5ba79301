#pragma once
// SIGTERM, SIGINT and SIGHUP are a close request of the main window, through the
// same rules as its close button (CQXRYXwApp::RequestTermination): a running
// test is asked about first, and when the station ends, the instrument's
// worker stops and the line closes before the process goes. The signal
// handler itself only writes a byte; the loop does the rest.
#include <QObject>
#include <memory>

class QSocketNotifier;

class TerminationHandler : public QObject {
    Q_OBJECT
public:
    TerminationHandler();
    ~TerminationHandler() override;
    int Received() const { return m_received; }

private:
    void OnSignal();
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_received = 0;
};

#pragma once
// SIGTERM and SIGINT end the station the orderly way: the main window is
// asked to close and the loop ends, so that the instrument's worker stops
// and the line closes before the process goes. The signal handler itself
// only writes a byte; the loop does the rest.
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

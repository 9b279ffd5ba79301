#pragma once
// The application's side of the test windows: the instrument, the main
// frame's beam-thickness pane, the test-running flag and the report window.
#include <map>
#include <memory>

#include "testing/CQXRYXTestView.h"
#include "testing/StationAdapters.h"

class CQXRYXwApp;

class CQXRYXTestStation : public TestStation {
public:
    explicit CQXRYXTestStation(CQXRYXwApp& app);
    ~CQXRYXTestStation() override;

    SequencerInstrument& Instrument(fw::WindowId window) override;
    SequencerEnvironment& Environment() override { return m_env; }
    platform::Clock& Clock() override;
    void ShowBeamThickness(float mm) override;
    void ClearBeamThickness() override;
    bool IsTestRunning() override;
    void SetTestRunning(bool running) override;
    bool OpenReport(CQXRYXTestDoc& doc) override;
    void AdvanceDefaultTestName() override;
    bool AskSavePath(std::string& path) override;
    // The aborts of a running test confirmed at a close so far.
    unsigned ConfirmedAborts() const { return m_docHost.ConfirmedAborts(); }

private:
    CQXRYXwApp& m_app;
    RegistryEnvironment m_env;
    std::map<fw::WindowId, std::unique_ptr<SequencerBeam>> m_instruments;
    TestViewDocHost m_docHost;
    TestStation* m_previousStation;
    TestDocHost* m_previousDocHost;
};

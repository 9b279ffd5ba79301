#pragma once
// The live test view and its frame: the page of two graphs of a test
// document (templates 130 and 136), and, for a new test, the sequencer that
// runs it on the instrument's updates. The logic lives in TestSequencer and
// TestGraphs; this is the Qt layer over them.
#include <memory>
#include <string>

#include "data/TestDocHost.h"
#include "framework/ui/Frames.h"
#include "framework/ui/ScrollView.h"
#include "testing/TestGraphs.h"
#include "testing/TestSequencer.h"

class CQXRYXTestDoc;

// What the test windows need from the application: the instrument, the main
// frame's pane, the test-running flag, the report window, the next default
// name and a path for a test that could not be saved. The application
// installs one at start-up.
class TestStation {
public:
    virtual ~TestStation() = default;
    virtual SequencerInstrument& Instrument(fw::WindowId window) = 0;
    virtual SequencerEnvironment& Environment() = 0;
    virtual platform::Clock& Clock() = 0;
    virtual void ShowBeamThickness(float mm) = 0;
    virtual void ClearBeamThickness() = 0;
    virtual bool IsTestRunning() = 0;
    virtual void SetTestRunning(bool running) = 0;
    virtual bool OpenReport(CQXRYXTestDoc& doc) = 0;
    virtual void AdvanceDefaultTestName() = 0;
    virtual bool AskSavePath(std::string& path) = 0;
};
TestStation* GetTestStation();
TestStation* SetTestStation(TestStation* station);

class CQXRYXTestView : public fw::ScrollView, private SequencerWindow {
    Q_OBJECT
public:
    explicit CQXRYXTestView(QWidget* parent = nullptr);
    ~CQXRYXTestView() override;

    CQXRYXTestDoc* GetDocument() const;
    // The view whose test is running, if any: Abort Test always goes there.
    static CQXRYXTestView* RunningView();

    void OnInitialUpdate() override;
    void OnDraw(fw::DrawContext& dc) override;
    bool StartTest();
    void OnAbortTest();
    void OnViewReport();
    void OnUpdateViewReport(fw::CmdUI& ui);

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A command posted to this view's window (the close path's File Close):
    // this view, its document, then its frame and on up, whichever view is
    // active.
    bool OnCmdMsg(UINT id) override;
    void OnTimer(uintptr_t id) override;
    void OnDocumentDetached() override;

    TestSequencer* Sequencer() const { return m_sequencer.get(); }
    TestGraphs& Graphs() { return m_graphs; }
    int GetState() const { return m_sequencer ? m_sequencer->GetState() : 0; }
    // The page drawn into an image of the view's size (tests, screenshots).
    QImage RenderPage();

    // The scrolling keys: Page Up and Down, Home and End, the arrows.
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    bool OnScroll(int bar, UINT code, int pos) override;

private:
    // SequencerWindow
    std::string GetCaption() override;
    void SetCaption(const std::string& caption) override;
    void ShowBeamThickness(float mm) override;
    void ClearBeamThickness() override;
    void StartPreloadTimer(UINT milliseconds) override;
    void KillPreloadTimer() override;
    void PostClose() override;
    void Invalidate() override;
    bool AddGraphPoint(float deflection, float force) override;
    bool OpenReport() override;
    void SetTestRunning(bool running) override;
    void AdvanceDefaultTestName() override;
    bool AskSavePath(std::string& path) override;

    void EnsureSequencer();
    void ReleaseSequencer();
    void UpdateCursor();

    TestGraphs m_graphs;
    CQXRYXTestDoc* m_doc = nullptr;  // while attached
    std::unique_ptr<TestSequencer> m_sequencer;
    SequencerInstrument* m_instrument = nullptr;
};

class CQXRYXTestFrm : public fw::ChildFrame {
    Q_OBJECT
public:
    explicit CQXRYXTestFrm(QWidget* parent = nullptr);
    void OnCommandHelp();
};

// The document side of the test windows, installed by the application.
class TestViewDocHost : public TestDocHost {
public:
    // How often an operator has confirmed the abort of a running test at a
    // close: a close that was refused can tell a Yes (the test ended by the
    // close, its data kept) from a No while the test ended by itself.
    unsigned ConfirmedAborts() const { return m_confirmedAborts; }
    void CloseQuestionOpen(CQXRYXTestDoc& doc, bool open) override;
    void AbortConfirmed(CQXRYXTestDoc& doc) override;
    void ReZero(CQXRYXTestDoc& doc) override;
    void ClearTestRunning() override;
    void DetachRunningView(CQXRYXTestDoc& doc) override;
    bool OpenReport(CQXRYXTestDoc& doc) override;
    void AdvanceDefaultTestName() override;

private:
    unsigned m_confirmedAborts = 0;
};

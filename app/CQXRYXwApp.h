#pragma once
// The station's application object: start-up in its fixed order (command
// line, single instance, templates, main frame, instrument link, settings
// check), documents opened by type, the idle-time bath set-point, and the
// shut-down of the instrument link.
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "framework/core/CommandIds.h"
#include "framework/core/Document.h"
#include "framework/ui/Application.h"
#include "framework/ui/Frames.h"
#include "instrument/CQXBendingBeam.h"
#include "platform/Clock.h"
#include "platform/WinTypes.h"
#include "res/MenuIds.h"
#include "res/Resource.h"

class BatchExportJob;
class QTimer;
class CQXRYXMainFrame;
class CQXRYXTestDoc;
class DeltaTcData;
class CQXRYXTestStation;

class CQXRYXwApp : public fw::Application {
    Q_OBJECT
public:
    CQXRYXwApp(int& argc, char** argv);
    ~CQXRYXwApp() override;

    static CQXRYXwApp* Instance();

    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(long count) override;
    // The splash window sees every event first.
    bool notify(QObject* receiver, QEvent* event) override;

    // type: 1 report (129), 2 test window (130), 3 DOS-version report (135),
    // 4 DOS-version test window (136), 5 Delta Tc (134). A null path opens a
    // new test; a path already open activates its window.
    fw::Document* OpenDocumentFile(const char* path, int type);
    // A file named on the command line, dropped or chosen from the recent
    // files: the first template whose extension matches, without regard to
    // case (report windows).
    fw::Document* OpenShellFile(const std::string& path) override;

    bool FirstInstance(const std::vector<std::string>& files = {});
    // The station already running did not answer this start's request to
    // come forward (FirstInstance has said so on standard error): the
    // process ends with kExitNotAnswered, not as a start that handed over.
    bool RaiseUnanswered() const { return !m_instance.NoAnswer().empty(); }
    static constexpr int kExitNotAnswered = 2;
    // SIGTERM, SIGINT or SIGHUP (app/Termination.cpp): a close request of the main
    // window. Open boxes and dialogs are cancelled, writing nothing; then,
    // from the outermost loop's idle time, the window's close rules run (the
    // running test's question: No keeps the station and the test; Yes ends
    // the test as Abort Test does) and the station ends, a batch export
    // notwithstanding. The running test's close question is never cancelled:
    // a signal while it is open waits for its answer, and No drops it. A
    // signal while the close rules run changes nothing.
    void RequestTermination();
    // The loop ends once the instrument's stop, left by a test that the
    // close ended, has gone out (or the link is down, or kStopPatienceMs of
    // the default clock have passed).
    void OnMainFrameClosed() override;
    static constexpr uint32_t kStopPatienceMs = 5000;
    void CheckSetup();

    // Run a New Test: the Test Setup dialog, then a new test document whose
    // view starts the test (app/FileNew.cpp).
    void OnFileNew();
    // The update rule of the commands that a running test disables.
    void OnUpdateNoTestRunning(fw::CmdUI& ui);

    // The clock of the idle-time set-point (tests give a ManualClock).
    void SetIdleClock(platform::Clock* clock) { m_idleClock = clock ? clock : &platform::DefaultClock(); }
    // Templates whose windows exist in this version; the others open nothing.
    bool HasWindows(UINT templateId) const;
    const std::vector<fw::DocTemplate*>& Templates() const { return m_templates; }

    CQXBendingBeam m_beam;
    BOOL m_bTestRunning = FALSE;
    fw::DocTemplate* m_pTestTemplate = nullptr;
    fw::DocTemplate* m_pReportTemplate = nullptr;
    fw::DocTemplate* m_pLegacyReportTemplate = nullptr;
    fw::DocTemplate* m_pLegacyTestTemplate = nullptr;
    fw::DocTemplate* m_pDeltaTcTemplate = nullptr;
    DWORD m_dwLastSetPointTick = 0;
    std::string m_strExportFormat;
    std::vector<std::string> m_exportQueue;
    std::vector<std::string> m_deltaTcFiles;
    CQXRYXMainFrame* m_pMainFrame = nullptr;

    // The file commands and the temperature-control toggle (app/FileCommands.cpp).
    void OnFileOpen();
    void OnBatchExportData();
    void OnBatchExportResults();
    void BatchExport(BOOL results);
    void OnBatchExportNext();
    void OnUpdateBatchExport(fw::CmdUI& ui);
    void OnCalculateDeltaTc();
    void OnDeltaTcShow();
    BOOL CheckDeltaTcPair(const DeltaTcData& first, const DeltaTcData& second);
    void OnEnableTemperatureControl();
    void OnUpdateEnableTemperatureControl(fw::CmdUI& ui);
    // A test file opened through the report template without a window, the
    // recent files or a message of its own; null when it cannot be read.
    CQXRYXTestDoc* OpenTestHidden(const std::string& path);
    BatchExportJob& ExportJob();

private:
    void MapFileCommands();
    // The toggle's value while a refused send waits for the next idle period; -1: none.
    void RetryTemperatureControl();
    int m_pendingTemperatureControl = -1;
    bool m_bQuietOpen = false;
    // What the last hidden open would have said (its cause), for the
    // command that names the file itself.
    std::string m_strQuietOpenFailure;
    std::unique_ptr<BatchExportJob> m_exportJob;

    void CreateTemplates();
    void OnRaise(const std::vector<std::string>& files);
    void MapCommands();
    // Starts the test in the new document's first view; false: the document is closed again.
    bool StartTestInView(fw::View* view);

    SingleInstance m_instance;
    std::unique_ptr<CQXRYXMainFrame> m_mainFrameOwner;
    std::unique_ptr<fw::MdiFrameFactory> m_frames;
    std::unique_ptr<CQXRYXTestStation> m_testStation;
    std::vector<std::unique_ptr<fw::DocTemplate>> m_ownedTemplates;
    std::vector<fw::DocTemplate*> m_templates;  // in the framework's order
    platform::Clock* m_idleClock;
    bool m_beamOpen = false;

    // The termination road.
    void CloseOnSignal();
    static bool TestCloseQuestionOpen();
    // The running test's next step ends it (an abort, a loss, the finish,
    // set by a box that the signal cancelled): the close waits for that.
    static bool TestEndingOnItsOwn();
    void KeepIdleComing();
    bool m_terminate = false;        // a signal waits for the idle time
    bool m_starting = false;         // InitInstance has not returned yet
    bool m_questionAnswers = false;  // it came while the test's question was open
    bool m_closingOnSignal = false;  // the close rules of a signal are running
    bool m_quitAfterStop = false;    // the window has closed; the stop goes out
    uint32_t m_stopSince = 0;
    bool m_waitingForTestEnd = false;
    uint32_t m_waitSince = 0;
    std::unique_ptr<QTimer> m_idleTick;  // keeps the idle time coming while waiting
};

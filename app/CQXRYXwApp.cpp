#include "app/CQXRYXwApp.h"

#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QDialog>
#include <QEvent>
#include <QStringList>
#include <QTimer>
#include <clocale>
#include <cstdio>

#include "app/BatchExportJob.h"
#include "app/CAboutBox.h"
#include "app/CQXRYXMainFrame.h"
#include "app/CSplashWnd.h"
#include "app/CommandRules.h"
#include "app/Menus.h"
#include "app/SettingsDamage.h"
#include "app/SetupCheck.h"
#include "app/TestStation.h"
#include "data/CQXRYXDeltaTcDoc.h"
#include "data/CQXRYXTestDoc.h"
#include "framework/core/CommandIds.h"
#include "framework/core/IdleTasks.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"
#include "res/MenuIds.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "testing/CQXRYXDataFrm.h"
#include "testing/CQXRYXDataView.h"
#include "testing/CQXRYXDeltaTcView.h"
#include "testing/CQXRYXTestView.h"

namespace {

constexpr uint32_t kSetPointIntervalMs = 5000;
constexpr UINT IDS_SETUP_MISSING = 575;
constexpr UINT IDS_CALIBRATION_OUTDATED = 431;
constexpr UINT IDS_FAILED_TO_OPEN = 61697;

}  // namespace

CQXRYXwApp::CQXRYXwApp(int& argc, char** argv)
    : fw::Application(argc, argv), m_idleClock(&platform::DefaultClock()) {
    setApplicationName(QStringLiteral("RYXw"));
    MapCommands();
}

CQXRYXwApp::~CQXRYXwApp() {
    // Windows go before the templates and documents they show.
    m_mainFrameOwner.reset();
    m_pMainFrame = nullptr;
    m_ownedTemplates.clear();
    m_beam.Close();
}

CQXRYXwApp* CQXRYXwApp::Instance() {
    return qobject_cast<CQXRYXwApp*>(fw::Application::Instance());
}

void CQXRYXwApp::MapCommands() {
    MapCommand(ID_APP_ABOUT, [this] {
        CAboutBox box(m_pMainFrame, m_beam);
        box.DoModal();
    });
    MapCommand(ID_APP_EXIT, [this] {
        if (m_pMainFrame) m_pMainFrame->close();
    });
    MapFileCommands();
    MapUpdate(ID_TEST_ABORT, [this](fw::CmdUI& ui) { ui.Enable(m_bTestRunning != FALSE); });
    MapCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    MapUpdate(ID_FILE_NEW, [this](fw::CmdUI& ui) { OnUpdateNoTestRunning(ui); });
    MapUpdate(ID_SETUP_INSTRUMENT, [this](fw::CmdUI& ui) { OnUpdateNoTestRunning(ui); });
    auto print = [this](fw::CmdUI& ui) { ui.Enable(m_pMainFrame && m_pMainFrame->GetActiveFrame()); };
    MapUpdate(ID_FILE_PRINT, print);
    MapUpdate(ID_FILE_PRINT_PREVIEW, print);
}

bool CQXRYXwApp::notify(QObject* receiver, QEvent* event) {
    if (CSplashWnd::PreTranslateAppMessage(event)) return true;
    return fw::Application::notify(receiver, event);
}

bool CQXRYXwApp::InitInstance() {
    m_starting = true;
    // 0. The folders named by the environment are taken as the start finds
    // them, before the settings check changes the current directory, and a
    // settings file that cannot be read in full is noted from its first read.
    platform::AnchorEnvironmentFolders();
    appsettings::WatchSettingsDamage();

    // 1. The command line; the settings store takes the program key at once,
    // so that nothing is read under the default key by mistake.
    CQXRYXCommandLineInfo cmdInfo;
    std::vector<std::string> args;
    const QStringList qargs = arguments();
    for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
    cmdInfo.Parse(args);
    theRegistry.SetProgramKey(g_strProgramName);

    // 2. The user's locale for the C library (Qt has set it too).
    std::setlocale(LC_ALL, "");

    // 3. One station per name, user and configuration folder.
    if (!FirstInstance(cmdInfo.m_files)) return false;

    // 4, 5. The splash may show; the window class is the socket claimed above.
    CSplashWnd::EnableSplashScreen(true);

    // 6. Four recent files, in the framework's own profile file.
    LoadStdProfileSettings(4);

    // 7. The templates, added so that the shell's opening picks the reports.
    m_mainFrameOwner = std::make_unique<CQXRYXMainFrame>(m_beam);
    m_pMainFrame = m_mainFrameOwner.get();
    m_frames = std::make_unique<fw::MdiFrameFactory>(*m_pMainFrame);
    CreateTemplates();

    // 8. The main frame with its bars; the live-readings bar registers here.
    if (!m_pMainFrame->Create()) return false;
    SetMainFrame(m_pMainFrame);

    // 9. Dropped files open like files on the command line.
    m_pMainFrame->SetDropHandler([this](const std::string& path) { OpenShellFile(path); });

    // 10. No empty document at start; named files open (a failure ends the
    // start-up, the open has said why).
    if (cmdInfo.m_nShellCommand == CQXRYXCommandLineInfo::FileOpen) {
        for (const auto& f : cmdInfo.m_files)
            if (!OpenShellFile(f)) return false;
    }

    // 11.
    m_pMainFrame->show();
    m_pMainFrame->UpdateCommandUI();

    // 12. The worker starts with the port closed.
    if (!m_beam.Open()) return false;
    m_beamOpen = true;

    // 13. Kept for the order's sake: the key was given after step 1.
    theRegistry.SetProgramKey(g_strProgramName);

    // 14. A damaged settings file is told before the check lists what is
    // missing. A signal while a box of the start-up is open ends the
    // station: no box comes after that one, and neither does the check.
    theRegistry.ReadFile();
    appsettings::ShowSettingsDamage([this] { return m_terminate; });
    if (!m_terminate) CheckSetup();
    m_starting = false;
    return true;
}

void CQXRYXwApp::RequestTermination() {
    m_terminate = true;
    // The close rules of an earlier signal are asking: this one changes nothing.
    if (m_closingOnSignal) return;
    // The running test's own question stays open; its answer decides.
    if (TestCloseQuestionOpen()) {
        m_questionAnswers = true;
        return;
    }
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
    // The close itself runs from the outermost loop's idle time, once the
    // loops of the boxes just cancelled (and the steps under them) have
    // returned: nothing is closed under a step on the stack.
    if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

bool CQXRYXwApp::TestCloseQuestionOpen() {
    const CQXRYXTestView* view = CQXRYXTestView::RunningView();
    return view && view->Sequencer() && view->Sequencer()->IsCloseQuestionOpen();
}

void CQXRYXwApp::CloseOnSignal() {
    const bool answered = m_questionAnswers;
    m_terminate = false;
    m_questionAnswers = false;
    // The question open at the signal was answered No: the test runs on.
    if (answered && m_bTestRunning) return;
    const uint32_t now = platform::DefaultClock().Now();
    if (TestEndingOnItsOwn()) {
        if (!m_waitingForTestEnd) {
            m_waitingForTestEnd = true;
            m_waitSince = now;
        }
        if (now - m_waitSince < kStopPatienceMs) {
            m_terminate = true;
            KeepIdleComing();
            return;
        }
    }
    m_waitingForTestEnd = false;
    if (m_idleTick && !m_quitAfterStop) m_idleTick->stop();
    if (!m_pMainFrame) {
        PostQuitMessage(0);
        return;
    }
    m_closingOnSignal = true;
    // A test whose aborted data were kept leaves its window and new report
    // open after the first close (the document's close guard): once the
    // test has ended so, the close is asked again. No, Cancel, or a No while
    // the test came to its end by itself: the station stays.
    for (int round = 0; round < 2; ++round) {
        const unsigned aborts = m_testStation ? m_testStation->ConfirmedAborts() : 0;
        if (m_pMainFrame->CloseDespiteExport()) break;
        const bool endedByTheClose = m_testStation && m_testStation->ConfirmedAborts() != aborts;
        if (!endedByTheClose || m_bTestRunning) break;
    }
    m_closingOnSignal = false;
    m_terminate = false;
    m_questionAnswers = false;
}

void CQXRYXwApp::OnMainFrameClosed() {
    // A test the close ended hands its stop ("D", "Z") to the idle work.
    if (fw::IdleTaskCount() == 0) {
        PostQuitMessage(0);
        return;
    }
    m_quitAfterStop = true;
    m_stopSince = platform::DefaultClock().Now();
    KeepIdleComing();
}

void CQXRYXwApp::KeepIdleComing() {
    if (!m_idleTick) m_idleTick = std::make_unique<QTimer>();
    if (!m_idleTick->isActive()) m_idleTick->start(50);
}

bool CQXRYXwApp::TestEndingOnItsOwn() {
    const CQXRYXTestView* view = CQXRYXTestView::RunningView();
    if (!view || !view->Sequencer()) return false;
    const int state = view->Sequencer()->GetState();
    return state == TestSequencer::kAbort || state == TestSequencer::kInstrumentError ||
           state == TestSequencer::kFinish;
}

int CQXRYXwApp::ExitInstance() {
    // Stops the worker and closes the line; the bar's window may stay
    // registered, since the worker posts nothing any more.
    m_beam.Close();
    m_beamOpen = false;
    return fw::Application::ExitInstance();
}

bool CQXRYXwApp::FirstInstance(const std::vector<std::string>& files) {
    m_instance.SetRaiseHandler([this](const std::vector<std::string>& handed) { OnRaise(handed); });
    if (m_instance.Claim(g_strWindowClass, files)) return true;
    if (RaiseUnanswered()) std::fprintf(stderr, "ryxw: %s\n", m_instance.NoAnswer().c_str());
    return false;
}

void CQXRYXwApp::OnRaise(const std::vector<std::string>& files) {
    if (!m_pMainFrame) return;
    if (m_pMainFrame->isMinimized()) m_pMainFrame->showNormal();
    m_pMainFrame->show();
    m_pMainFrame->raise();
    m_pMainFrame->activateWindow();
    for (const auto& f : files) OpenShellFile(f);
}

void CQXRYXwApp::CreateTemplates() {
    auto testDoc = [this] {
        auto doc = std::make_unique<CQXRYXTestDoc>();
        // Hidden opens list their failures themselves.
        if (m_bQuietOpen) {
            doc->m_bReportErrors = FALSE;
            doc->m_pQuietMessage = &m_strQuietOpenFailure;
        }
        return std::unique_ptr<fw::Document>(std::move(doc));
    };
    auto deltaDoc = [] { return std::unique_ptr<fw::Document>(new CQXRYXDeltaTcDoc); };
    auto make = [&](UINT id, std::function<std::unique_ptr<fw::Document>()> doc) {
        m_ownedTemplates.push_back(std::make_unique<fw::DocTemplate>(id, std::move(doc), m_frames.get()));
        return m_ownedTemplates.back().get();
    };
    m_pTestTemplate = make(IDR_TEST_DATA, testDoc);
    m_pReportTemplate = make(IDR_TEST_REPORT, testDoc);
    m_pLegacyTestTemplate = make(IDR_OLD_TEST_DATA, testDoc);
    m_pLegacyReportTemplate = make(IDR_OLD_TEST_REPORT, testDoc);
    m_pDeltaTcTemplate = make(IDR_DELTA_TC, deltaDoc);
    m_templates = {m_pReportTemplate, m_pTestTemplate, m_pLegacyReportTemplate, m_pLegacyTestTemplate,
                   m_pDeltaTcTemplate};
    // The windows of the templates; a template without one opens nothing.
    auto reportWindow = [](UINT id) {
        return fw::MdiFrameFactory::Kind{[] { return new CQXRYXDataView; }, [] { return new CQXRYXDataFrm; },
                                         &StationMenu(id)};
    };
    m_frames->Register(IDR_TEST_REPORT, reportWindow(IDR_TEST_REPORT));
    m_frames->Register(IDR_OLD_TEST_REPORT, reportWindow(IDR_OLD_TEST_REPORT));
    m_frames->Register(IDR_DELTA_TC, {[] { return new CQXRYXDeltaTcView; }, [] { return new CQXRYXDataFrm; },
                                      &StationMenu(IDR_DELTA_TC)});
    for (UINT id : {IDR_TEST_DATA, IDR_OLD_TEST_DATA})
        m_frames->Register(
            id, {[] { return new CQXRYXTestView; }, [] { return new CQXRYXTestFrm; }, &StationMenu(id)});
    m_testStation = std::make_unique<CQXRYXTestStation>(*this);
    // View Graph opens the test window.
    CQXRYXDataView::SetGraphTemplate(HasWindows(IDR_TEST_DATA) ? m_pTestTemplate : nullptr);
}

bool CQXRYXwApp::HasWindows(UINT templateId) const {
    return m_frames && m_frames->IsRegistered(templateId);
}

fw::Document* CQXRYXwApp::OpenDocumentFile(const char* path, int type) {
    if (!path) {
        if (!m_pTestTemplate) return nullptr;
        return m_pTestTemplate->OpenDocumentFile(nullptr, true);
    }
    for (fw::DocTemplate* t : m_templates) {
        for (const auto& doc : t->GetDocuments()) {
            if (doc->GetPathName() != path || doc->GetViews().empty()) continue;
            auto* view = dynamic_cast<fw::ViewWidget*>(doc->GetViews().front());
            if (view && view->GetParentFrame()) view->GetParentFrame()->ActivateFrame(-1);
            if (m_pMainFrame) m_pMainFrame->activateWindow();
            return doc.get();
        }
    }
    fw::DocTemplate* t = nullptr;
    switch (type) {
        case 1:
            t = m_pReportTemplate;
            break;
        case 2:
            t = m_pTestTemplate;
            break;
        case 3:
            t = m_pLegacyReportTemplate;
            break;
        case 4:
            t = m_pLegacyTestTemplate;
            break;
        case 5:
            t = m_pDeltaTcTemplate;
            break;
        default:
            return nullptr;
    }
    if (!t) return nullptr;
    return t->OpenDocumentFile(path, true);
}

fw::Document* CQXRYXwApp::OpenShellFile(const std::string& path) {
    for (fw::DocTemplate* t : m_templates) {
        if (!t->MatchesExtension(path)) continue;
        const UINT id = t->GetResourceId();
        const int type = id == IDR_TEST_REPORT       ? 1
                         : id == IDR_TEST_DATA       ? 2
                         : id == IDR_OLD_TEST_REPORT ? 3
                         : id == IDR_OLD_TEST_DATA   ? 4
                                                     : 5;
        return OpenDocumentFile(path.c_str(), type);
    }
    fw::ShowMessage(IDS_FAILED_TO_OPEN, MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
}

void CQXRYXwApp::CheckSetup() {
    const appcheck::SetupCheck check =
        appcheck::CheckStoredSetup([this](const std::string& port) { return m_beam.SetPort(port); });
    const std::string lines = appcheck::MissingLines(check);
    const fw::WindowId frame = m_pMainFrame ? m_pMainFrame->Id() : fw::kNoWindow;
    // A signal while the box was open ends the station: no follow-up.
    if (!lines.empty()) {
        fw::ShowMessage(fw::LoadString(IDS_SETUP_MISSING) + lines, MB_OK | MB_SETFOREGROUND);
        if (!m_terminate) fw::PostCommand(frame, ID_SETUP_INSTRUMENT);
    } else if (check.calibrationMissing) {
        fw::ShowMessage(IDS_CALIBRATION_OUTDATED, MB_OK | MB_SETFOREGROUND);
        if (!m_terminate) fw::PostCommand(frame, ID_CALIBRATE_DEFLECTION);
    }
}

bool CQXRYXwApp::OnIdle(long count) {
    if (QuitPosted()) return false;
    if (m_quitAfterStop) {
        fw::RunIdleTasks();
        if (fw::IdleTaskCount() == 0 || platform::DefaultClock().Now() - m_stopSince >= kStopPatienceMs) {
            m_quitAfterStop = false;
            m_idleTick->stop();
            PostQuitMessage(0);
        }
        return false;
    }
    if (m_terminate && !m_closingOnSignal) {
        CloseOnSignal();
        return false;
    }
    if (fw::Application::OnIdle(count)) return true;
    if (!m_starting && !QApplication::activeModalWidget())
        appsettings::ShowSettingsDamage([this] { return m_terminate; });
    if (!m_exportQueue.empty() && m_pMainFrame) fw::PostCommand(m_pMainFrame->Id(), ID_BATCH_EXPORT_NEXT);
    RetryTemperatureControl();
    double bath = 0;
    if (!m_bTestRunning && m_beamOpen && theRegistry.GetTestBath(bath) == 0) {
        // Until the instrument has said which firmware it runs, the set-point
        // cannot be converted the way the instrument reads it.
        const std::string version = m_beam.GetFirmwareVersion();
        const uint32_t now = m_idleClock->Now();
        if (!version.empty() && version != "?" &&
            appcmd::SetPointDue(now, m_dwLastSetPointTick, kSetPointIntervalMs)) {
            if (m_beam.SetTemperature(bath)) m_dwLastSetPointTick = now;
        }
    }
    return false;
}

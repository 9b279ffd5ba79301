#pragma once
// The application object and its event loop. Run() is the outermost loop:
// it handles everything that is waiting, then, while nothing is, gives the
// application its idle work (OnIdle with a count that starts at 0 after each
// burst of events, until OnIdle returns false), then sleeps until the next
// event. Modal dialogs and message boxes run loops of their own inside a
// handler, so idle work never runs while one is open.
//
// The object also installs the Qt window-post service, and catches an
// exception that escapes any event handler: it is reported in a message box
// and the program goes on.
#include <QApplication>
#include <functional>
#include <memory>
#include <string>

#include "framework/core/Beep.h"
#include "framework/core/Command.h"
#include "framework/ui/Window.h"

namespace fw {

class Document;
class MainFrame;
class RecentFileList;

// Its text: %1 the path that has gone.
inline constexpr UINT kIdsRecentFileGone = 61704;

// The application is the last command target of every chain.
class Application : public QApplication, public CommandTarget {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;

    static Application* Instance();

    // Start-up and shut-down, around Run() in Main().
    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return m_exitCode; }
    // Idle work; true asks for another call before the loop sleeps. The
    // framework's own, which overrides run first, brings the main frame's
    // menus, tool bar and panes up to date from their update handlers.
    virtual bool OnIdle(long count);

    // The recently used files, maxEntries of them, kept in the configuration
    // folder in the application's own profile file
    // ("<application name>-recent.ini"). Paths that documents set go to its
    // top; the commands ID_FILE_MRU_FILE1 and on open its entries.
    void LoadStdProfileSettings(UINT maxEntries = 4);
    RecentFileList* GetRecentFileList() const { return m_recentFiles.get(); }
    void AddToRecentFileList(const std::string& path);
    // Opens a file that the framework opens by itself (a recent file); the
    // application picks the template. The default opens nothing.
    virtual Document* OpenShellFile(const std::string& path);
    // Opens entry id - ID_FILE_MRU_FILE1; an entry whose file has gone is
    // taken off the list, with a message.
    void OnOpenRecentFile(UINT id);

    void SetMainFrame(MainFrame* frame) { m_mainFrame = frame; }
    MainFrame* GetMainFrame() const { return m_mainFrame; }

    // InitInstance, Run, ExitInstance: the program's whole life. A failed
    // start-up runs ExitInstance and returns 1.
    int Main();
    int Run();
    // Ends Run() once the current handler returns (also a nested one's).
    void PostQuitMessage(int exitCode = 0);
    // The main frame has accepted its close. The default ends the loop at
    // once; an application may first let work that must reach the outside
    // (a command to a device) go out from its idle time.
    virtual void OnMainFrameClosed() { PostQuitMessage(0); }
    bool QuitPosted() const { return m_quit; }

    // One pass of the outermost loop: waiting events, then one idle call if
    // idle work is due; with wait, sleeps until an event when there is
    // neither. Tests pump with this.
    void PumpOnce(bool wait);
    // Pumps until done() holds or the loop quits; gives up, returning false,
    // after maxWaitMs of real time without done() (a safety net, so a test
    // that goes wrong fails instead of hanging).
    bool RunUntil(const std::function<bool()>& done, int maxWaitMs = 10000);

    bool notify(QObject* receiver, QEvent* event) override;

protected:
    bool event(QEvent* e) override;

private:
    // Beeps ring the display's bell.
    class QtBeep : public BeepService {
    public:
        void Beep(UINT type) override;
    };

    QtWindowPosts m_posts;
    WindowPostService* m_previousPosts = nullptr;
    QtBeep m_beep;
    BeepService* m_previousBeep = nullptr;
    MainFrame* m_mainFrame = nullptr;
    std::unique_ptr<RecentFileList> m_recentFiles;
    bool m_quit = false;
    int m_exitCode = 0;
    bool m_idleDue = true;
    long m_idleCount = 0;
    unsigned long m_events = 0;  // events delivered that restart idle work
    unsigned long m_seenEvents = 0;
};

}  // namespace fw

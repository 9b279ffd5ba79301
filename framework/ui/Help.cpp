#include "framework/ui/Help.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Application.h"
#include "framework/ui/Frames.h"
#include "platform/Paths.h"

#if !defined(RYX_HELP_INSTALL_DIR) || !defined(RYX_HELP_SOURCE_DIR) || !defined(RYX_BUILD_TREE)
#error "the build gives the installed help folder, the source tree's and the build tree"
#endif

namespace fw {

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(QStringLiteral("helpWindow"));
        resize(640, 480);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* bar = new QToolBar(this);
        m_browser = new QTextBrowser(this);
        m_browser->setObjectName(QStringLiteral("helpBrowser"));
        m_browser->setOpenLinks(true);
        QAction* back = bar->addAction(QStringLiteral("Back"), m_browser, &QTextBrowser::backward);
        QAction* forward = bar->addAction(QStringLiteral("Forward"), m_browser, &QTextBrowser::forward);
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        // The page's own title names the window.
        connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
            const QString title = m_browser->documentTitle();
            setWindowTitle(title.isEmpty() ? QApplication::applicationName() : title);
        });
        layout->addWidget(bar);
        layout->addWidget(m_browser);
    }
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

namespace {

QPointer<HelpWindow>& Current() {
    static QPointer<HelpWindow> window;
    return window;
}

// The window that asks for help: a modal dialog blocks every window but its
// own, so the help window belongs to it while one is open.
QWidget* HelpOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    QWidget* active = QApplication::activeWindow();
    // Help asked for from the help window (its links) stays with its owner.
    if (active && active == Current()) return active->parentWidget();
    if (active) return active;
    if (const Application* app = Application::Instance()) return app->GetMainFrame();
    return nullptr;
}

bool OpenInHelpWindow(const std::string& path) {
    QWidget* owner = HelpOwner();
    HelpWindow* window = Current();
    if (window && window->parentWidget() != owner) {
        window->close();  // deleted on close
        window = nullptr;
    }
    if (!window) {
        window = new HelpWindow(owner);
        Current() = window;
    }
    window->Browser()->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

HelpOpener& Opener() {
    static HelpOpener opener = OpenInHelpWindow;
    return opener;
}

bool Within(const std::filesystem::path& path, const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    const std::filesystem::path f = std::filesystem::weakly_canonical(folder, ec);
    if (ec || f.empty()) return false;
    auto pi = p.begin();
    for (auto fi = f.begin(); fi != f.end(); ++fi, ++pi) {
        if (fi->empty()) continue;  // a trailing separator
        if (pi == p.end() || *pi != *fi) return false;
    }
    return true;
}

std::string ProgramPath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

}  // namespace

std::string HelpFolderFor(const std::string& programPath) {
    // A program built here and run from the build tree has no installed
    // help of its own: its pages are those of the tree it was built from.
    if (!programPath.empty() && Within(programPath, RYX_BUILD_TREE)) return RYX_HELP_SOURCE_DIR;
    return RYX_HELP_INSTALL_DIR;
}

std::string HelpFolder() {
    // A relative folder would be looked for in the current directory.
    if (const char* d = std::getenv("RYX_HELP_DIR"); d && d[0] == '/') return d;
    return HelpFolderFor(ProgramPath());
}

std::string HelpTopicPath(const std::string& topic) {
    std::string page = topic;
    if (const auto sep = topic.find("::/"); sep != std::string::npos) page = topic.substr(sep + 3);
    while (!page.empty() && page.front() == '/') page.erase(page.begin());
    return platform::JoinPath(HelpFolder(), page);
}

bool ShowHelpTopic(const std::string& topic) {
    const std::string path = HelpTopicPath(topic);
    if (platform::FileExists(path) && Opener()(path)) return true;
    ShowMessage(FormatString1(kIdsHelpMissing, path), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

HelpOpener SetHelpOpener(HelpOpener opener) {
    HelpOpener previous = std::move(Opener());
    Opener() = opener ? std::move(opener) : HelpOpener(OpenInHelpWindow);
    return previous;
}

HelpWindow* CurrentHelpWindow() {
    return Current();
}

QTextBrowser* HelpBrowser(HelpWindow* window) {
    return window ? window->Browser() : nullptr;
}

void CloseHelpWindow() {
    // Deleted at once: the application may be ending.
    delete Current().data();
}

}  // namespace fw

#include "framework/ui/Help.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "framework/core/Exceptions.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Application.h"
#include "framework/ui/Frames.h"
#include "platform/Paths.h"

#if !defined(RYX_HELP_INSTALL_DIR) || !defined(RYX_HELP_FROM_PROGRAM) || !defined(RYX_HELP_SOURCE_DIR) || \
    !defined(RYX_BUILD_TREE)
#error "the build gives the installed help folder, the source tree's and the build tree"
#endif

namespace fw {

namespace {

// What the box says of a page that was not read: a missing page as the help
// has always said it, any other with the cause, each with the page's path.
std::string RefusalText(const std::string& path, platform::ReadRefusal why) {
    if (why == platform::ReadRefusal::kNoSuchFile) return FormatString1(kIdsHelpMissing, path);
    if (UINT cause = ReadFailureCause(why)) return FormatString1(cause, path);
    return FormatString1(kIdsHelpUnreadable, path);
}

void SayRefused(const std::string& path, platform::ReadRefusal why) {
    ShowMessage(RefusalText(path, why), MB_OK | MB_ICONEXCLAMATION);
}

// A page or a picture of the help, whole, through the bounded reader of
// regular files: a pipe, a device, a folder or a file past the bound is
// refused at once, with why.
bool ReadHelpFile(const std::string& path, QByteArray& contents, platform::ReadRefusal& why) {
    std::string bytes;
    why = platform::ReadRefusal::kNone;
    if (platform::ReadWholeFile(path, bytes, kMaxHelpPageBytes, &why) != 0) {
        if (why == platform::ReadRefusal::kNone) why = platform::ReadRefusal::kOther;
        return false;
    }
    contents = QByteArray::fromStdString(bytes);
    return true;
}

}  // namespace

// The help window's browser. QTextBrowser reads a page, and each picture on
// it, with an unbounded read of its own that waits for good on a named pipe
// and takes a huge file whole; here every page (the topic's, a link's, Back's
// and Forward's) and every picture is read through the bounded reader. A page
// refused is said in a box and the browser stays on the page it shows.
class HelpPageBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    // Whether the last page asked for was shown (false after its box).
    bool Shown() const { return m_shown; }

    void backward() override {
        if (Fetch(historyUrl(-1))) QTextBrowser::backward();
        m_fetched.reset();
    }
    void forward() override {
        if (Fetch(historyUrl(1))) QTextBrowser::forward();
        m_fetched.reset();
    }

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override {
        // A link's address is the page's neighbour, not the current directory's.
        const QUrl url = name.isRelative() && !source().isEmpty() ? source().resolved(name) : name;
        m_shown = Fetch(url);
        if (m_shown) QTextBrowser::doSetSource(url, type);
        m_fetched.reset();
    }

    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = name.isRelative() ? source().resolved(name) : name;
        // Other schemes (the program's own resources) have nothing on disk.
        if (!url.isRelative() && !url.isLocalFile()) return QTextBrowser::loadResource(type, name);
        const QString path = url.toLocalFile();
        if (m_fetched && m_fetched->first == path) return m_fetched->second;
        QByteArray contents;
        platform::ReadRefusal why = platform::ReadRefusal::kNone;
        if (!path.isEmpty() && ReadHelpFile(path.toStdString(), contents, why)) return contents;
        // Never an empty answer, which the document takes as leave to read
        // the file itself (unbounded): a picture refused is left out, a page
        // (one reloaded) says why in its place.
        if (type == QTextDocument::ImageResource || type == QTextDocument::StyleSheetResource)
            return QByteArray();
        return QString::fromStdString(RefusalText(path.toStdString(), why)).toHtmlEscaped();
    }

private:
    // Reads the page url leads to, for the move under way to show, unless it
    // is the page shown (a move within it reads nothing); false, after the
    // box, when the page is refused.
    bool Fetch(const QUrl& url) {
        m_fetched.reset();
        if (!url.isLocalFile()) return true;
        const QString path = url.toLocalFile();
        if (source().isLocalFile() && source().toLocalFile() == path) return true;
        QByteArray contents;
        platform::ReadRefusal why = platform::ReadRefusal::kNone;
        if (!ReadHelpFile(path.toStdString(), contents, why)) {
            SayRefused(path.toStdString(), why);
            return false;
        }
        m_fetched.emplace(path, std::move(contents));
        return true;
    }

    std::optional<std::pair<QString, QByteArray>> m_fetched;  // the page read for the move under way
    bool m_shown = false;
};

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(QStringLiteral("helpWindow"));
        resize(640, 480);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* bar = new QToolBar(this);
        m_browser = new HelpPageBrowser(this);
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
    HelpPageBrowser* Browser() const { return m_browser; }

private:
    HelpPageBrowser* m_browser;
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
    const bool made = !window;
    if (made) {
        window = new HelpWindow(owner);
        Current() = window;
    }
    window->Browser()->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    if (!window->Browser()->Shown()) {
        // Refused (and said) after the check, as when it was replaced meanwhile.
        if (made) delete window;
        return false;
    }
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
    if (programPath.empty()) return RYX_HELP_INSTALL_DIR;
    if (Within(programPath, RYX_BUILD_TREE)) return RYX_HELP_SOURCE_DIR;
    // An installed program finds its pages where the same installation put
    // them, beside its own folder, whichever prefix the install was given.
    const std::filesystem::path folder =
        std::filesystem::path(programPath).parent_path() / RYX_HELP_FROM_PROGRAM;
    return folder.lexically_normal().string();
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
    // Only a page that the help window will read is handed on; opening it
    // waits on nothing and reads nothing yet.
    int fd = -1;
    uint64_t size = 0;
    platform::ReadRefusal why = platform::ReadRefusal::kNone;
    if (platform::OpenRegularFile(path, kMaxHelpPageBytes, fd, size, &why) != 0) {
        SayRefused(path, why);
        return false;
    }
    ::close(fd);
    return Opener()(path);
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

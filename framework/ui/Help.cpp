#include "framework/ui/Help.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstdlib>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"

#ifndef RYX_HELP_INSTALL_DIR
#error "the build gives the installed help folder"
#endif

namespace fw {

namespace {

bool OpenInBrowser(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

HelpOpener& Opener() {
    static HelpOpener opener = OpenInBrowser;
    return opener;
}

}  // namespace

std::string HelpFolder() {
    // A relative folder would be looked for in the current directory.
    if (const char* d = std::getenv("RYX_HELP_DIR"); d && d[0] == '/') return d;
    return RYX_HELP_INSTALL_DIR;
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
    Opener() = opener ? std::move(opener) : HelpOpener(OpenInBrowser);
    return previous;
}

}  // namespace fw

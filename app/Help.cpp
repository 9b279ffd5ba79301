#include "app/Help.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstdlib>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"

#ifndef RYX_HELP_INSTALL_DIR
#define RYX_HELP_INSTALL_DIR "/usr/local/share/ryxw/help"
#endif

namespace {

bool OpenInBrowser(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

HelpOpener& Opener() {
    static HelpOpener opener = OpenInBrowser;
    return opener;
}

}  // namespace

std::string HelpDirectory() {
    if (const char* d = std::getenv("RYX_HELP_DIR"); d && *d) return d;
    return RYX_HELP_INSTALL_DIR;
}

std::string HelpTopicPath(const std::string& topic) {
    // "RYXW.chm::/RYXW/Page.htm": the pages of the help file lie under the
    // help folder with the same relative paths.
    std::string page = topic;
    if (const auto sep = topic.find("::/"); sep != std::string::npos) page = topic.substr(sep + 3);
    return platform::JoinPath(HelpDirectory(), page);
}

bool ShowHelpTopic(const std::string& topic) {
    const std::string path = HelpTopicPath(topic);
    if (platform::FileExists(path) && Opener()(path)) return true;
    fw::ShowMessage(fw::FormatString1(IDS_HELP_MISSING, path), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

HelpOpener SetHelpOpener(HelpOpener opener) {
    HelpOpener previous = Opener();
    Opener() = opener ? std::move(opener) : HelpOpener(OpenInBrowser);
    return previous;
}

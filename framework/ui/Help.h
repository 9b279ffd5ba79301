#pragma once
// Help topics. A topic names a page of the compiled help the way the
// station's windows give it, "RYXW.chm::/RYXW/Testing_a_sample.htm"; the
// page lies under the help folder with the path after "::/". The folder is
// $RYX_HELP_DIR (an absolute path) when set; else, for a program run from
// the build tree, the pages in the source tree; else the folder the
// installation put them in. Never the current directory, which the start-up
// makes the data directory. A found page opens in the station's own help
// window (no outside browser is needed); a missing one is said in a box
// (string kIdsHelpMissing, with the path it looked for).
#include <functional>
#include <string>

#include "platform/WinTypes.h"

class QTextBrowser;
class QWidget;

namespace fw {

inline constexpr UINT kIdsHelpMissing = 61703;

std::string HelpFolder();
// The help folder for the program file programPath (HelpFolder gives the
// running program's), $RYX_HELP_DIR aside.
std::string HelpFolderFor(const std::string& programPath);
// The file a topic names in the help folder.
std::string HelpTopicPath(const std::string& topic);
// Opens the topic; false, after the box, when it is missing or cannot be opened.
bool ShowHelpTopic(const std::string& topic);

// Who opens a found page: the help window unless a test records it.
// Returns the previous opener; an empty one puts the help window back.
using HelpOpener = std::function<bool(const std::string& path)>;
HelpOpener SetHelpOpener(HelpOpener opener);

// The help window: the pages with their links, Back and Forward. One at a
// time, owned by the window that asked for it (the modal dialog open at the
// time, else the active window, else the main frame), so that it stays
// usable beside a modal dialog and goes with it.
class HelpWindow;
// The help window showing now, or null.
HelpWindow* CurrentHelpWindow();
// Its browser (the page shown is its source).
QTextBrowser* HelpBrowser(HelpWindow* window);
// Closes the help window (the application does so as it ends).
void CloseHelpWindow();

}  // namespace fw

#pragma once
// Help topics. A topic names a page of the compiled help the way the
// station's windows give it, "RYXW.chm::/RYXW/Testing_a_sample.htm"; the
// page lies under the help folder with the path after "::/". The folder is
// $RYX_HELP_DIR (an absolute path) when set; else, for a program run from
// the build tree, the pages in the source tree; else the folder the
// installation put them in. Never the current directory, which the start-up
// makes the data directory. A found page opens in the station's own help
// window (no outside browser is needed); a missing one is said in a box
// (string kIdsHelpMissing, with the path it looked for). Pages, and the
// pictures on them, are read through the bounded reader of regular files
// (platform::ReadWholeFile, at most kMaxHelpPageBytes): one that is a named
// pipe, a device, a folder or past the bound is refused at once and said in
// a box with its cause (fw::ReadFailureCause), be it the topic's page or one
// a link, Back or Forward leads to.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/WinTypes.h"

class QTextBrowser;
class QWidget;

namespace fw {

inline constexpr UINT kIdsHelpMissing = 61703;
// A page that could not be read for a cause none of the read-side texts
// names (an I/O error).
inline constexpr UINT kIdsHelpUnreadable = 61705;

// The most read of a help page, or of a picture on one. The pages are a few
// KiB each; 4 MiB leaves room for pages and pictures many times larger, and
// keeps a file that is no page (a huge or sparse one put in its place) from
// being taken into memory whole.
inline constexpr uint64_t kMaxHelpPageBytes = uint64_t{4} << 20;

std::string HelpFolder();
// The help folder for the program file programPath (HelpFolder gives the
// running program's), $RYX_HELP_DIR aside.
std::string HelpFolderFor(const std::string& programPath);
// The file a topic names in the help folder.
std::string HelpTopicPath(const std::string& topic);
// Opens the topic; false, after the box, when it is missing or refused.
bool ShowHelpTopic(const std::string& topic);

// Who opens a found page (a regular file within the bound): the help window
// unless a test records it. It returns false when it could not show the
// page, having said why. Returns the previous opener; an empty one puts the
// help window back.
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

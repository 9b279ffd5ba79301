#pragma once
// Help topics. A topic names a page of the compiled help the way the
// station's windows give it, "RYXW.chm::/RYXW/Testing_a_sample.htm"; the
// page lies under the help folder with the path after "::/". The folder is
// the one the installation put the help in, or $RYX_HELP_DIR (an absolute
// path) when set; never the current directory, which the start-up makes the
// data directory. A found page opens in the desktop's browser; a missing one
// is said in a box (string kIdsHelpMissing, with the path it looked for).
#include <functional>
#include <string>

#include "platform/WinTypes.h"

namespace fw {

inline constexpr UINT kIdsHelpMissing = 61703;

std::string HelpFolder();
// The file a topic names in the help folder.
std::string HelpTopicPath(const std::string& topic);
// Opens the topic; false, after the box, when it is missing or cannot be opened.
bool ShowHelpTopic(const std::string& topic);

// Who opens a found page: the desktop's browser unless a test records it.
// Returns the previous opener; an empty one puts the browser back.
using HelpOpener = std::function<bool(const std::string& path)>;
HelpOpener SetHelpOpener(HelpOpener opener);

}  // namespace fw

#pragma once
// Help topics. A topic names a page of the help, "RYXW.chm::/RYXW/Page.htm";
// the page is looked for in the installed help folder (never in the current
// directory, which the start-up makes the data directory) and opened in the
// desktop's browser. A missing page says so in a box.
#include <functional>
#include <string>

inline constexpr const char* kHelpTesting = "RYXW.chm::/RYXW/Testing_a_sample.htm";
inline constexpr const char* kHelpTestMenu = "RYXW.chm::/RYXW/Test_menu_options.htm";
inline constexpr const char* kHelpSetup = "RYXW.chm::/RYXW/Instrument_setup.htm";
inline constexpr const char* kHelpKeyboard = "RYXW.chm::/RYXW/Windows_keyboard_commands_for_menus_applications.htm";

// The string shown when the help cannot be opened.
inline constexpr unsigned IDS_HELP_MISSING = 61703;

// $RYX_HELP_DIR when set, else the folder the installation put the help in.
std::string HelpDirectory();
// The file a topic names in the help folder.
std::string HelpTopicPath(const std::string& topic);
// Opens the topic; false (after a message) when it cannot be found or opened.
bool ShowHelpTopic(const std::string& topic);

// Who opens a found page (the desktop's browser; tests record it).
using HelpOpener = std::function<bool(const std::string& path)>;
HelpOpener SetHelpOpener(HelpOpener opener);

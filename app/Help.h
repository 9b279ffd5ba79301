#pragma once
// The station's help topics, opened with fw::ShowHelpTopic from the
// installed help folder (app/help, put in place by the install).
#include "framework/ui/Help.h"

inline constexpr const char* kHelpTesting = "RYXW.chm::/RYXW/Testing_a_sample.htm";
inline constexpr const char* kHelpTestMenu = "RYXW.chm::/RYXW/Test_menu_options.htm";
inline constexpr const char* kHelpSetup = "RYXW.chm::/RYXW/Instrument_setup.htm";
inline constexpr const char* kHelpKeyboard =
    "RYXW.chm::/RYXW/Windows_keyboard_commands_for_menus_applications.htm";

#pragma once
// The menus of the main frame (128) and of each document template (129,
// 130, 134, 135, 136), with the accelerators their texts name.
#include "framework/ui/Frames.h"
#include "platform/WinTypes.h"

// The menu of id; an unknown id gives the main frame's.
const fw::Menu& StationMenu(UINT id);

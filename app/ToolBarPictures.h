#pragma once
// The pictures of the main window's tool-bar buttons, drawn at 24 x 24 on
// a transparent ground: a new page, an open folder, a printer, the
// information sign and the help question mark.
#include <QIcon>

#include "platform/WinTypes.h"

// The picture of a tool-bar command; an empty icon for any other command.
QIcon ToolBarPicture(UINT commandId);

#include "testing/CQXRYXDataFrm.h"

#include "framework/core/CommandIds.h"
#include "framework/ui/Help.h"

CQXRYXDataFrm::CQXRYXDataFrm(QWidget* parent) : fw::ChildFrame(parent) {
    MapCommand(ID_HELP, [this] { OnCommandHelp(); });
}

void CQXRYXDataFrm::ActivateFrame(int cmdShow) {
    if (cmdShow == -1) cmdShow = kSwMaximize;
    // The base frame maximises for its own default.
    fw::ChildFrame::ActivateFrame(cmdShow == kSwMaximize ? -1 : cmdShow);
}

void CQXRYXDataFrm::OnCommandHelp() { fw::ShowHelpTopic(kHelpTopic); }

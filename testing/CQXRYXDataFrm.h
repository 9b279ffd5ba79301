#pragma once
// The child frame of the report windows (templates 129 and 135) and of the
// Delta Tc window (134): it opens maximised and answers the help request
// with the testing topic.
#include "framework/ui/Frames.h"

class CQXRYXDataFrm : public fw::ChildFrame {
    Q_OBJECT
public:
    explicit CQXRYXDataFrm(QWidget* parent = nullptr);
    // -1, the framework's default, becomes SW_MAXIMIZE; other values pass.
    void ActivateFrame(int cmdShow = -1) override;
    // The help request (ID_HELP) while this frame is active.
    void OnCommandHelp();

    static constexpr int kSwMaximize = 3;
    static constexpr const char* kHelpTopic = "RYXW.chm::/RYXW/Testing_a_sample.htm";
};

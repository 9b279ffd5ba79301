#pragma once
// The About box: program and version, the instrument's firmware version and
// the three calibration constants.
#include <string>

#include "framework/ui/Dialogs.h"

class CQXBendingBeam;
class QLabel;

class CAboutBox : public fw::Dialog {
    Q_OBJECT
public:
    static constexpr int kDeflectionConstant = 1031;
    static constexpr int kForceConstant = 1032;
    static constexpr int kCompliance = 1033;
    static constexpr int kFirmware = 1034;

    CAboutBox(QWidget* parent, CQXBendingBeam& beam);
    // Fills the values; public so that tests can look without a modal loop.
    bool OnInitDialog() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;  // F1: help

private:
    CQXBendingBeam& m_beam;
};

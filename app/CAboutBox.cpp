#include "app/CAboutBox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>

#include "app/Help.h"
#include "instrument/CQXBendingBeam.h"
#include "settings/CQXRegistry.h"

namespace {

std::string Constant(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%10.8f", v);
    return text;
}

}  // namespace

CAboutBox::CAboutBox(QWidget* parent, CQXBendingBeam& beam) : fw::Dialog(parent), m_beam(beam) {
    setWindowTitle(QStringLiteral("About RYXw"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(QPixmap(":/ryxw/ryxw.png"));
    top->addWidget(icon);
    top->addWidget(new QLabel(QStringLiteral("RYXw  Software Version 3.24")), 1);
    layout->addLayout(top);

    auto* group = new QGroupBox(QStringLiteral("RYX Instrument Information"));
    auto* grid = new QGridLayout(group);
    struct Row {
        const char* label;
        int id;
        const char* unit;
    };
    const Row rows[] = {{"Firmware Version :", kFirmware, ""},
                        {"Deflection Constant :", kDeflectionConstant, "µm / bit"},
                        {"Force Constant :", kForceConstant, "mN / bit"},
                        {"Compliance Constant :", kCompliance, "µm / N"}};
    int r = 0;
    for (const Row& row : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(row.label)), r, 0);
        auto* value = new QLabel(QStringLiteral("?"));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, r, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(row.unit)), r, 2);
        AddControl(row.id, value);
        ++r;
    }
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

bool CAboutBox::OnInitDialog() {
    SetDlgItemText(kFirmware, m_beam.GetFirmwareVersion());
    double v = 0;
    if (theRegistry.GetDeflectionCompliance(v) == 0 && std::isfinite(v))
        SetDlgItemText(kCompliance, Constant(v * 1000000.0));
    if (theRegistry.GetDeflectionConstant(v) == 0 && std::isfinite(v))
        SetDlgItemText(kDeflectionConstant, Constant(v * 1000.0));
    if (theRegistry.GetForceConstant(v) == 0 && std::isfinite(v)) SetDlgItemText(kForceConstant, Constant(v));
    return true;
}

void CAboutBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        fw::ShowHelpTopic(kHelpTesting);
        return;
    }
    fw::Dialog::keyPressEvent(event);
}

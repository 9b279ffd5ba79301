#include "testing/RYXTestSetup.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Help.h"
#include "setup/CNumEdit.h"

namespace {

QLabel* Label(const char* text, QWidget* buddy) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setBuddy(buddy);
    return label;
}

// A field of a few digits followed by its unit.
QHBoxLayout* WithUnit(QWidget* field, const char* unit) {
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    auto* row = new QHBoxLayout;
    row->addWidget(field);
    row->addWidget(new QLabel(QString::fromUtf8(unit)));
    row->addStretch(1);
    return row;
}

}  // namespace

RYXTestSetup::RYXTestSetup(QWidget* parent) : fw::Dialog(parent) {
    setWindowTitle(QStringLiteral("Test Setup"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);

    // Placeholder limits: OnInitDialog sets the real ones.
    m_bathTimeEdit = new CNumEdit(1, 1, 0, 10);
    m_specimenEdit = new QLineEdit;
    m_fileNameEdit = new QLineEdit;
    m_projectEdit = new QLineEdit;
    m_operatorEdit = new QLineEdit;
    m_thicknessEdit = new CNumEdit(1, 1, 0, 10);
    m_widthEdit = new CNumEdit(1, 1, 0, 10);
    auto* span = new QLabel;
    m_autoThicknessBox = new QCheckBox(QStringLiteral("Auto-Thickness Measurement"));
    m_saveLimsBox = new QCheckBox(QStringLiteral("Save Results to CSV File"));
    m_stopBox = new QCheckBox(QStringLiteral("Stop test at 5mm deflection"));

    auto* layout = new QVBoxLayout(this);
    auto* sample = new QGroupBox(QStringLiteral("Sample Info"));
    auto* sg = new QGridLayout(sample);
    sg->addWidget(Label("Time In &Bath : ", m_bathTimeEdit), 0, 0);
    sg->addLayout(WithUnit(m_bathTimeEdit, "minutes"), 0, 1, 1, 2);
    sg->addWidget(Label("&Specimen : ", m_specimenEdit), 1, 0);
    sg->addWidget(m_specimenEdit, 1, 1, 1, 2);
    sg->addWidget(Label("&File As : ", m_fileNameEdit), 2, 0);
    sg->addWidget(m_fileNameEdit, 2, 1, 1, 2);
    sg->addWidget(Label("&Project : ", m_projectEdit), 3, 0);
    sg->addWidget(m_projectEdit, 3, 1, 1, 2);
    sg->addWidget(Label("&Operator : ", m_operatorEdit), 4, 0);
    sg->addWidget(m_operatorEdit, 4, 1, 1, 2);
    layout->addWidget(sample);

    auto* beam = new QGroupBox(QStringLiteral("Beam Dimensions"));
    auto* bg = new QGridLayout(beam);
    bg->addWidget(Label("&Thickness : ", m_thicknessEdit), 0, 0);
    bg->addLayout(WithUnit(m_thicknessEdit, "mm"), 0, 1);
    bg->addWidget(m_autoThicknessBox, 0, 2);
    bg->addWidget(Label("&Width : ", m_widthEdit), 1, 0);
    bg->addLayout(WithUnit(m_widthEdit, "mm"), 1, 1);
    bg->addWidget(new QLabel(QStringLiteral("Span : ")), 2, 0);
    bg->addLayout(WithUnit(span, "mm"), 2, 1);
    bg->setColumnStretch(2, 1);
    layout->addWidget(beam);
    layout->addWidget(m_saveLimsBox);
    layout->addWidget(m_stopBox);
    AddOkCancel(layout);

    AddControl(IDC_BATH_TIME, m_bathTimeEdit);
    AddControl(IDC_SPECIMEN, m_specimenEdit);
    AddControl(IDC_FILE_NAME, m_fileNameEdit);
    AddControl(IDC_PROJECT, m_projectEdit);
    AddControl(IDC_OPERATOR, m_operatorEdit);
    AddControl(IDC_THICKNESS, m_thicknessEdit);
    AddControl(IDC_WIDTH, m_widthEdit);
    AddControl(IDC_SPAN, span);
    AddControl(IDC_AUTO_THICKNESS, m_autoThicknessBox);
    AddControl(IDC_SAVE_LIMS, m_saveLimsBox);
    AddControl(IDC_STOP_AT_5MM, m_stopBox);

    connect(m_autoThicknessBox, &QCheckBox::clicked, this,
            [this] { fw::GuardHandler([&] { OnAutoThickness(); }); });
}

bool RYXTestSetup::OnInitDialog() {
    m_bathTimeEdit->SetLimits(kBathTimeLimits.intDigits, kBathTimeLimits.fracDigits, kBathTimeLimits.minimum,
                              kBathTimeLimits.maximum);
    m_thicknessEdit->SetLimits(kThicknessLimits.intDigits, kThicknessLimits.fracDigits,
                               kThicknessLimits.minimum, kThicknessLimits.maximum);
    m_widthEdit->SetLimits(kWidthLimits.intDigits, kWidthLimits.fracDigits, kWidthLimits.minimum,
                           kWidthLimits.maximum);
    for (QLineEdit* e : {m_specimenEdit, m_fileNameEdit, m_projectEdit, m_operatorEdit})
        e->setMaxLength(static_cast<int>(kTextLimit));

    Load();
    const TestSetupFields f = Fields(CNumEdit::DecimalSeparator());
    m_bathTimeEdit->setText(QString::fromStdString(f.bathTime));
    m_specimenEdit->setText(QString::fromStdString(f.specimen));
    m_fileNameEdit->setText(QString::fromStdString(f.fileName));
    m_projectEdit->setText(QString::fromStdString(f.project));
    m_operatorEdit->setText(QString::fromStdString(f.operatorName));
    m_thicknessEdit->setText(QString::fromStdString(f.thickness));
    m_autoThicknessBox->setChecked(f.autoThickness);
    m_thicknessEdit->setEnabled(!f.autoThickness);
    m_widthEdit->setText(QString::fromStdString(f.width));
    SetDlgItemText(IDC_SPAN, NumEditFormat(kSpan, 1, CNumEdit::DecimalSeparator()));
    m_saveLimsBox->setChecked(f.saveLims);
    m_stopBox->setChecked(f.stopAt5mm);
    return true;
}

void RYXTestSetup::OnAutoThickness() {
    if (m_autoThicknessBox->isChecked() && !DatumAvailable()) {
        m_autoThicknessBox->setChecked(false);
        fw::ShowMessage(IDS_NO_DATUM, MB_OK);
    }
    m_autoThickness = m_autoThicknessBox->isChecked();
    m_thicknessEdit->setEnabled(!m_autoThickness);
}

TestSetupFields RYXTestSetup::ReadFields() const {
    TestSetupFields f;
    f.bathTime = m_bathTimeEdit->Text();
    f.specimen = m_specimenEdit->text().toStdString();
    f.fileName = m_fileNameEdit->text().toStdString();
    f.project = m_projectEdit->text().toStdString();
    f.operatorName = m_operatorEdit->text().toStdString();
    f.thickness = m_thicknessEdit->Text();
    f.width = m_widthEdit->Text();
    f.autoThickness = m_autoThickness;
    f.saveLims = m_saveLimsBox->isChecked();
    f.stopAt5mm = m_stopBox->isChecked();
    return f;
}

QWidget* RYXTestSetup::FieldWidget(Field field) const {
    switch (field) {
        case Field::BathTime:
            return m_bathTimeEdit;
        case Field::FileName:
            return m_fileNameEdit;
        case Field::Thickness:
            return m_thicknessEdit;
        case Field::Width:
            return m_widthEdit;
        case Field::None:
            break;
    }
    return nullptr;
}

void RYXTestSetup::OnOK() {
    const Outcome outcome = Ok(ReadFields(), CNumEdit::DecimalSeparator());
    if (outcome.ok) {
        EndDialog(IDOK);
        return;
    }
    const UINT icon = outcome.field == Field::FileName ? 0 : MB_ICONEXCLAMATION;
    fw::ShowMessage(outcome.message, MB_OK | icon);
    // The field at fault, selected whole, takes the keyboard.
    if (auto* edit = qobject_cast<QLineEdit*>(FieldWidget(outcome.field))) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
}

void RYXTestSetup::OnHelp() {
    fw::ShowHelpTopic(kHelpTopic);
}

void RYXTestSetup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        fw::GuardHandler([&] { OnHelp(); });
        return;
    }
    fw::Dialog::keyPressEvent(event);
}

void RYXTestSetup::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    fw::GuardHandler([&] { OnHelp(); });
}

bool RYXTestSetup::event(QEvent* event) {
    if (event->type() == QEvent::EnterWhatsThisMode) {
        fw::GuardHandler([&] { OnHelp(); });
        return true;
    }
    return fw::Dialog::event(event);
}

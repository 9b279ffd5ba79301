#include "setup/CPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "framework/ui/FileDialogs.h"
#include "framework/ui/Help.h"
#include "setup/CNumEdit.h"

namespace setup {

namespace {

QLabel* Label(const char* text, QWidget* buddy = nullptr) {
    auto* l = new QLabel(QString::fromUtf8(text));
    if (buddy) l->setBuddy(buddy);
    return l;
}

// A page's body: a column of group boxes, with the rest of the page empty.
QVBoxLayout* Column(QWidget* page) {
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(12, 12, 12, 12);
    v->setSpacing(10);
    return v;
}

QGridLayout* Group(QVBoxLayout* column, const char* title, QGroupBox** box = nullptr) {
    auto* g = new QGroupBox(QString::fromUtf8(title));
    auto* grid = new QGridLayout(g);
    grid->setColumnStretch(3, 1);
    column->addWidget(g);
    if (box) *box = g;
    return grid;
}

}  // namespace

CSetupPage::CSetupPage(SetupPage& model, QWidget* parent)
    : fw::PropertyPage(model.Title(), parent), m_model(model) {}

void CSetupPage::OnInitDialog() {
    m_model.Load(*this);
}

bool CSetupPage::OnSetActive() {
    m_model.OnSetActive();
    return true;
}

bool CSetupPage::OnCommandHelp() {
    const char* topic = m_model.HelpTopic();
    if (!topic) return false;
    fw::ShowHelpTopic(topic);
    return true;
}

std::string CSetupPage::GetText(int id) const {
    return GetDlgItemText(id);
}
void CSetupPage::SetText(int id, const std::string& text) {
    SetDlgItemText(id, text);
}
bool CSetupPage::GetCheck(int id) const {
    return IsDlgButtonChecked(id);
}
void CSetupPage::SetCheck(int id, bool checked) {
    CheckDlgButton(id, checked);
}
void CSetupPage::Enable(int id, bool enabled) {
    if (QWidget* w = GetDlgItem(id)) w->setEnabled(enabled);
}
void CSetupPage::Show(int id, bool shown) {
    if (QWidget* w = GetDlgItem(id)) w->setHidden(!shown);
}
void CSetupPage::SetItems(int id, const std::vector<std::string>& items) {
    auto* combo = qobject_cast<QComboBox*>(GetDlgItem(id));
    if (!combo) return;
    combo->clear();
    for (const auto& item : items) combo->addItem(QString::fromStdString(item));
    combo->setCurrentIndex(-1);
}

QLineEdit* CSetupPage::AddNumber(QGridLayout* grid, int row, const NumField& field, const char* label,
                                 const char* unit) {
    // Each key is judged against the field's digits and open limits.
    auto* edit = new CNumEdit(field.intDigits, field.fracDigits, field.minimum, field.maximum);
    edit->setObjectName(QString::number(field.id));
    edit->setMinimumWidth(110);
    edit->setMaximumWidth(150);
    grid->addWidget(Label(label, edit), row, 0);
    grid->addWidget(edit, row, 1);
    if (unit) grid->addWidget(Label(unit), row, 2);
    AddControl(field.id, edit);
    return edit;
}

QLineEdit* CSetupPage::AddEdit(QGridLayout* grid, int row, int id, const char* label, int maxChars,
                               int labelId, bool coefficient) {
    QLineEdit* edit =
        coefficient ? new CNumEdit(10, 10, CPageOneModel::kMin, CPageOneModel::kMax) : new QLineEdit;
    edit->setObjectName(QString::number(id));
    edit->setMaxLength(maxChars);
    edit->setMinimumWidth(160);
    if (label) {
        QLabel* l = Label(label, edit);
        grid->addWidget(l, row, 0);
        if (labelId) AddControl(labelId, l);
    }
    grid->addWidget(edit, row, label ? 1 : 0, 1, label ? 1 : 3);
    AddControl(id, edit);
    return edit;
}

// ---- Equipment ----

CPageOne::CPageOne(CPageOneModel& model) : CSetupPage(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* id = Group(column, "Apparatus ID");
    AddEdit(id, 0, CPageOneModel::kApparatusId, nullptr, 30);
    QGroupBox* probe = nullptr;
    QGridLayout* grid = Group(column, "Temperature Probe", &probe);
    AddControl(CPageOneModel::kProbeGroup, probe);
    AddEdit(grid, 0, CPageOneModel::kSerialNumber, "&S/N :", 15, CPageOneModel::kSerialLabel);
    AddEdit(grid, 1, CPageOneModel::kA0, "A&0 :", 32767, CPageOneModel::kA0Label, true);
    AddEdit(grid, 2, CPageOneModel::kA1, "A&1 :", 32767, CPageOneModel::kA1Label, true);
    AddEdit(grid, 3, CPageOneModel::kA2, "A&2 :", 32767, CPageOneModel::kA2Label, true);
    column->addStretch(1);
}

// ---- Gage Block ----

CPageTwo::CPageTwo(CPageTwoModel& model) : CSetupPage(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* grid = Group(column, "Gage Block");
    const char* labels[] = {"&Top Level :", "&Red Level :", "&White Level :", "&Blue Level :"};
    for (size_t i = 0; i < 4; ++i)
        AddNumber(grid, static_cast<int>(i), model.Fields()[i], labels[i], nullptr);
    column->addStretch(1);
}

// ---- Confidence Test ----

CPageThree::CPageThree(CPageThreeModel& model) : CSetupPage(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* grid = Group(column, "Confidence Test");
    AddNumber(grid, 0, model.Fields()[0], "Mi&nimum Limit :", "GPa");
    AddNumber(grid, 1, model.Fields()[1], "Ma&ximum Limit :", "GPa");
    column->addStretch(1);
}

// ---- Graphs ----

CPageFour::CPageFour(CPageFourModel& model) : CSetupPage(model), m_graphs(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* grid = Group(column, "Graphs");
    auto* autoScale = new QCheckBox(QStringLiteral("&AutoScale"));
    AddControl(CPageFourModel::kAutoScale, autoScale);
    grid->addWidget(autoScale, 0, 0, 1, 3);
    AddNumber(grid, 1, model.Fields()[0], "&Deflection :", "mm / Division");
    AddNumber(grid, 2, model.Fields()[1], "&Force :", "mN / Division");
    auto* resolution = new QCheckBox(QStringLiteral("&Report force in 0.1 mN units"));
    AddControl(CPageFourModel::kResolution, resolution);
    grid->addWidget(resolution, 3, 0, 1, 3);
    connect(autoScale, &QCheckBox::clicked, this, [this] { fw::GuardHandler([this] { OnAutoScale(); }); });
    column->addStretch(1);
}

void CPageFour::OnAutoScale() {
    m_graphs.OnAutoScale(*this);
}

// ---- Bath ----

CPageFive::CPageFive(CPageFiveModel& model) : CSetupPage(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* grid = Group(column, "Bath &Temperature ");
    const NumField& f = model.Fields()[0];
    auto* edit = new CNumEdit(f.intDigits, f.fracDigits, f.minimum, f.maximum);
    edit->setMaximumWidth(80);
    AddControl(CPageFiveModel::kTemperature, edit);
    grid->addWidget(edit, 0, 0);
    grid->addWidget(Label("( 25 \302\260C  to  -40 \302\260C ) "), 0, 1);
    column->addStretch(1);
}

// ---- Port ----

CPageSix::CPageSix(CPageSixModel& model) : CSetupPage(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* grid = Group(column, "Serial Port");
    auto* combo = new QComboBox;
    combo->setMinimumWidth(110);
    grid->addWidget(Label("Serial &Port", combo), 0, 0);
    grid->addWidget(combo, 0, 1);
    AddControl(CPageSixModel::kPort, combo);
    column->addStretch(1);
}

// ---- Archive ----

CPageSeven::CPageSeven(CPageSevenModel& model) : CSetupPage(model), m_archive(model) {
    QVBoxLayout* column = Column(this);
    QGroupBox* box = nullptr;
    QGridLayout* grid = Group(column, "&Data File Directory", &box);
    auto* path = new QLabel;
    path->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path->setMinimumWidth(280);
    path->setWordWrap(true);
    // The path reads as an entry field: window text on the window colour.
    path->setAutoFillBackground(true);
    QPalette pal = path->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Text));
    path->setPalette(pal);
    AddControl(CPageSevenModel::kPath, path);
    grid->addWidget(path, 0, 0, 1, 3);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."));
    AddControl(CPageSevenModel::kBrowse, browse);
    grid->addWidget(browse, 1, 0);
    auto* missing = new QLabel;
    missing->setWordWrap(true);
    QPalette warn = missing->palette();
    warn.setColor(QPalette::WindowText, QColor(0x99, 0, 0));
    missing->setPalette(warn);
    AddControl(CPageSevenModel::kMissing, missing);
    grid->addWidget(missing, 2, 0, 1, 3);
    connect(browse, &QPushButton::clicked, this, [this] { fw::GuardHandler([this] { OnBrowse(); }); });
    column->addStretch(1);
}

void CPageSeven::OnBrowse() {
    std::string folder;
    const bool chosen = fw::FileDialogs().ChooseFolder(fw::FileDialogRequest{}, folder);
    m_archive.OnBrowse(*this, chosen ? std::optional<std::string>(folder) : std::nullopt);
}

// ---- Beam Dimensions ----

CPageEight::CPageEight(CPageEightModel& model) : CSetupPage(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* grid = Group(column, "Serial Numbers");
    AddNumber(grid, 0, model.Fields()[0], "&Thin Beam Thickness :", "mm");
    AddNumber(grid, 1, model.Fields()[1], "Thin Beam &Width :", "mm");
    AddNumber(grid, 2, model.Fields()[2], "T&hick Beam Thickness :", "mm");
    column->addStretch(1);
}

// ---- Advanced Test Settings ----

CPageNine::CPageNine(CPageNineModel& model) : CSetupPage(model) {
    QVBoxLayout* column = Column(this);
    QGridLayout* grid = Group(column, "Advanced Test Settings");
    AddNumber(grid, 0, model.Fields()[0], "Test &Load Time :", "Sec.");
    AddNumber(grid, 1, model.Fields()[1], "Test &Recovery Time :", "Sec.");
    AddNumber(grid, 2, model.Fields()[2], "Extended Sample &Interval :", "Sec.");
    column->addStretch(1);
}

}  // namespace setup

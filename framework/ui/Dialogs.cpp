#include "framework/ui/Dialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "framework/core/MessageBox.h"

namespace fw {

Dialog::Dialog(QWidget* parent) : QDialog(parent) {
    setModal(true);
}

int Dialog::DoModal() {
    bool focusFirst = true;
    m_endedInInit.reset();
    m_initialising = true;
    const bool initialised = GuardHandler([&] { focusFirst = OnInitDialog(); });
    m_initialising = false;
    if (!initialised) return IDCANCEL;
    if (m_endedInInit) return *m_endedInInit;
    if (focusFirst) {
        // The first control that takes the keyboard, in tab order.
        for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus && w->isEnabled() && isAncestorOf(w)) {
                w->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
    return exec();
}

void Dialog::EndDialog(int result) {
    if (m_initialising) m_endedInInit = result;  // exec() is not running yet
    QDialog::done(result);
}

void Dialog::accept() {
    GuardHandler([&] { OnOK(); });
}

void Dialog::reject() {
    GuardHandler([&] { OnCancel(); });
}

void Dialog::AddControl(int id, QWidget* control) {
    m_controls[id] = control;
}

QWidget* Dialog::GetDlgItem(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

namespace {

void SetItemText(QWidget* w, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setCurrentIndex(c->findText(t, Qt::MatchExactly));
        if (c->isEditable()) c->setEditText(t);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(t);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(t);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(t);
    } else if (w) {
        w->setWindowTitle(t);
    }
}

std::string ItemText(const QWidget* w) {
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText().toStdString();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text().toStdString();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text().toStdString();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text().toStdString();
    return w ? w->windowTitle().toStdString() : std::string();
}

}  // namespace

void Dialog::SetDlgItemText(int id, const std::string& text) {
    SetItemText(GetDlgItem(id), text);
}

std::string Dialog::GetDlgItemText(int id) const {
    return ItemText(GetDlgItem(id));
}

QDialogButtonBox* Dialog::AddOkCancel(QVBoxLayout* layout) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &Dialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &Dialog::reject);
    AddControl(IDOK, box->button(QDialogButtonBox::Ok));
    AddControl(IDCANCEL, box->button(QDialogButtonBox::Cancel));
    layout->addWidget(box);
    return box;
}

PropertyPage::PropertyPage(const std::string& title, QWidget* parent) : QWidget(parent), m_title(title) {}

void PropertyPage::AddControl(int id, QWidget* control) {
    m_controls[id] = control;
}

QWidget* PropertyPage::GetDlgItem(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void PropertyPage::SetDlgItemText(int id, const std::string& text) {
    SetItemText(GetDlgItem(id), text);
}

std::string PropertyPage::GetDlgItemText(int id) const {
    return ItemText(GetDlgItem(id));
}

void PropertyPage::CheckDlgButton(int id, bool checked) {
    if (auto* b = qobject_cast<QAbstractButton*>(GetDlgItem(id))) b->setChecked(checked);
}

bool PropertyPage::IsDlgButtonChecked(int id) const {
    auto* b = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    return b && b->isChecked();
}

PropertySheet::PropertySheet(const std::string& caption, QWidget* parent)
    : Dialog(parent), m_tabs(new QTabWidget(this)) {
    setWindowTitle(QString::fromStdString(caption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    AddOkCancel(layout);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { OnTabChanged(index); });
}

void PropertySheet::AddPage(PropertyPage* page) {
    m_pages.push_back(page);
    m_switching = true;
    m_tabs->addTab(page, QString::fromStdString(page->Title()));
    m_switching = false;
}

int PropertySheet::GetActiveIndex() const {
    return m_current;
}

PropertyPage* PropertySheet::GetPage(int index) const {
    return index >= 0 && index < static_cast<int>(m_pages.size()) ? m_pages[static_cast<size_t>(index)]
                                                                  : nullptr;
}

bool PropertySheet::SetActivePage(int index) {
    if (!GetPage(index)) return false;
    m_tabs->setCurrentIndex(index);
    OnTabChanged(index);  // when the tab was already current
    return m_current == index;
}

void PropertySheet::OnTabChanged(int index) {
    if (m_switching || index == m_current) return;
    PropertyPage* from = GetPage(m_current);
    PropertyPage* to = GetPage(index);
    bool ok = true;
    if (from) GuardHandler([&] { ok = from->OnKillActive(); });
    if (ok && to) {
        if (!to->m_initialised) {
            to->m_initialised = true;
            GuardHandler([&] { to->OnInitDialog(); });
        }
        ok = false;
        GuardHandler([&] { ok = to->OnSetActive(); });
    }
    if (!ok) {
        // Back to the page that refused, or that stays.
        m_switching = true;
        m_tabs->setCurrentIndex(m_current < 0 ? 0 : m_current);
        m_switching = false;
        return;
    }
    m_current = index;
    if (to) to->m_activated = true;
}

bool PropertySheet::OnInitDialog() {
    if (m_pages.empty()) return true;
    m_current = -1;
    m_switching = true;
    m_tabs->setCurrentIndex(0);
    m_switching = false;
    OnTabChanged(0);
    return true;
}

void PropertySheet::ActivateEveryPage(int start) {
    for (int i = 0; i < static_cast<int>(m_pages.size()); ++i) SetActivePage(i);
    // The start page is made active once more, also when it is the last.
    PropertyPage* page = GetPage(start);
    if (!page) return;
    if (m_current != start)
        SetActivePage(start);
    else
        GuardHandler([&] { page->OnSetActive(); });
}

void PropertySheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        PropertyPage* page = GetPage(m_current);
        bool handled = false;
        if (page) GuardHandler([&] { handled = page->OnCommandHelp(); });
        if (handled) {
            event->accept();
            return;
        }
    }
    Dialog::keyPressEvent(event);
}

void PropertySheet::OnOK() {
    PropertyPage* current = GetPage(m_current);
    bool ok = true;
    if (current) GuardHandler([&] { ok = current->OnKillActive(); });
    if (!ok) return;
    for (size_t i = 0; i < m_pages.size(); ++i) {
        PropertyPage* page = m_pages[i];
        if (!page->WasActivated()) continue;
        bool applied = false;
        GuardHandler([&] { applied = page->OnApply(); });
        if (!applied) {
            SetActivePage(static_cast<int>(i));
            return;
        }
    }
    EndDialog(IDOK);
}

void PropertySheet::OnCancel() {
    for (PropertyPage* page : m_pages) {
        if (page->WasActivated()) GuardHandler([&] { page->OnCancel(); });
    }
    EndDialog(IDCANCEL);
}

}  // namespace fw

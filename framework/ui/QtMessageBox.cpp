#include "framework/ui/QtMessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <vector>

namespace fw {

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

// The buttons of a box type in their order on the box.
std::vector<ButtonSpec> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_ABORTRETRYIGNORE:
            return {{QMessageBox::Abort, IDABORT},
                    {QMessageBox::Retry, IDRETRY},
                    {QMessageBox::Ignore, IDIGNORE}};
        case MB_YESNOCANCEL:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case MB_RETRYCANCEL:
            return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        default:
            return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONSTOP:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

QtMessageBox::QtMessageBox() : m_previous(InstallService(static_cast<MessageBoxService*>(this))) {}

QtMessageBox::~QtMessageBox() {
    InstallService(m_previous);
}

namespace {

// A box never belongs to a passing window (the splash picture, a pop-up): it
// may be destroyed while the box is open and would take the box with it.
bool CanOwnABox(const QWidget* w) {
    if (!w) return false;
    const Qt::WindowType t = w->windowType();
    return t != Qt::SplashScreen && t != Qt::Popup && t != Qt::ToolTip;
}

QWidget* BoxParent() {
    if (QWidget* w = QApplication::activeModalWidget(); CanOwnABox(w)) return w;
    if (QWidget* w = QApplication::activeWindow(); CanOwnABox(w)) return w;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && CanOwnABox(w) && w->inherits("QMainWindow")) return w;
    return nullptr;
}

}  // namespace

QMessageBox* QtMessageBox::Build(const std::string& text, UINT type, const std::string& caption) {
    auto* box = new QMessageBox(BoxParent());
    QString title = QString::fromStdString(caption);
    if (title.isEmpty()) title = QApplication::applicationDisplayName();
    if (title.isEmpty()) title = QStringLiteral("RYXw");
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    // Tabs indent the lines of the station's lists; a label shows none.
    box->setText(QString::fromStdString(text).replace(QLatin1Char('\t'), QStringLiteral("    ")));
    box->setIcon(IconOf(type));
    const auto buttons = ButtonsOf(type);
    for (const auto& spec : buttons) box->addButton(spec.button);
    // The default button by position; one the box lacks leaves the first.
    size_t def = (type & MB_DEFMASK) >> 8;
    if (def >= buttons.size()) def = 0;
    box->setDefaultButton(buttons[def].button);
    // Escape answers Cancel where there is one, and OK on a box with OK alone;
    // Yes/No and Abort/Retry/Ignore boxes must be answered.
    for (const auto& spec : buttons) {
        if (spec.answer == IDCANCEL) box->setEscapeButton(spec.button);
    }
    if (buttons.size() == 1) box->setEscapeButton(buttons[0].button);
    return box;
}

int QtMessageBox::Answer(const QMessageBox& box) {
    // Closed without a click (Escape, the close button): the escape button's
    // answer, else the default button's.
    const QAbstractButton* clicked = box.clickedButton();
    if (!clicked) clicked = box.escapeButton();
    if (!clicked) clicked = box.defaultButton();
    return Answer(box, clicked);
}

int QtMessageBox::Answer(const QMessageBox& box, const QAbstractButton* clicked) {
    if (!clicked) return IDCANCEL;
    const auto standard = box.standardButton(const_cast<QAbstractButton*>(clicked));
    for (UINT type : {MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL}) {
        for (const auto& spec : ButtonsOf(type)) {
            if (spec.button == standard) return spec.answer;
        }
    }
    return IDCANCEL;
}

int QtMessageBox::Show(const std::string& text, UINT type, const std::string& caption) {
    // Guarded: should the owner go while the box is open, Qt deletes the box
    // with it, and the answer is then the one of a box closed unanswered.
    QPointer<QMessageBox> box(Build(text, type, caption));
    if (type & MB_SETFOREGROUND) {
        QMessageBox* b = box.data();
        QTimer::singleShot(0, b, [b] {
            b->raise();
            b->activateWindow();
        });
    }
    const QAbstractButton* escape = box->escapeButton();
    const int unanswered = escape ? Answer(*box, escape) : Answer(*box, box->defaultButton());
    box->exec();
    if (!box) return unanswered;
    const int answer = Answer(*box);
    delete box.data();
    return answer;
}

}  // namespace fw

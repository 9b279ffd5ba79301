#include "calibration/WizardDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "framework/ui/Help.h"

namespace {

QString ShownText(const std::string& text) {
    QString t = QString::fromStdString(text);
    t.remove(QLatin1Char('\r'));
    return t;
}

}  // namespace

WizardDialog::WizardDialog(WizardEngine& engine, UINT dialogId, const std::string& caption, int promptId,
                           QWidget* parent)
    : fw::Dialog(parent),
      m_engine(engine),
      m_dialogId(dialogId),
      m_promptId(promptId),
      m_layout(new QVBoxLayout(this)),
      m_prompt(new QLabel(this)),
      m_next(new QPushButton(QStringLiteral("&Next"), this)),
      m_back(new QPushButton(QStringLiteral("&Back"), this)),
      m_cancel(new QPushButton(QStringLiteral("&Cancel"), this)) {
    setWindowTitle(QString::fromStdString(caption));
    // The prompt in the window-text colour on the window colour, as a
    // sheet of paper inside the dialog.
    m_prompt->setWordWrap(true);
    m_prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setMinimumSize(380, 170);
    m_prompt->setMargin(8);
    m_prompt->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette pal = m_prompt->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Text));
    m_prompt->setPalette(pal);
    m_prompt->setAutoFillBackground(true);

    for (QPushButton* b : {m_next, m_back, m_cancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    m_layout->addWidget(m_prompt, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_back);
    row->addWidget(m_next);
    row->addSpacing(12);
    row->addWidget(m_cancel);
    m_layout->addLayout(row);

    AddControl(promptId, m_prompt);
    AddControl(IDC_WIZARD_NEXT, m_next);
    AddControl(IDC_WIZARD_BACK, m_back);
    AddControl(IDCANCEL, m_cancel);
    connect(m_next, &QPushButton::clicked, this, [this] { fw::GuardHandler([&] { m_engine.Next(); }); });
    connect(m_back, &QPushButton::clicked, this, [this] { fw::GuardHandler([&] { m_engine.Back(); }); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
}

bool WizardDialog::OnInitDialog() {
    m_engine.SetListener([this] { ShowView(); }, [this](int result) { EndDialog(result); });
    m_engine.Start(Id());
    return false;  // the step has set the focus
}

bool WizardDialog::OnMessage(UINT message, WPARAM, LPARAM) {
    if (message != WM_INSTRUMENT_UPDATE) return false;
    m_engine.OnInstrumentUpdate();
    return true;
}

void WizardDialog::OnCancel() {
    m_engine.Cancel();
}

void WizardDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        fw::ShowHelpTopic(WizardEngine::HelpTopic());
        return;
    }
    fw::Dialog::keyPressEvent(event);
}

std::string WizardDialog::PromptText() const {
    return m_prompt->text().toStdString();
}

void WizardDialog::ShowView() {
    const WizardView& v = m_engine.View();
    m_next->setText(QString::fromStdString(v.nextCaption));
    m_back->setText(QString::fromStdString(v.backCaption));
    m_next->setEnabled(v.nextEnabled);
    m_back->setEnabled(v.backEnabled);
    // Plain buttons; an enabled Next is the default and has the focus.
    for (QPushButton* b : {m_next, m_back, m_cancel}) b->setDefault(false);
    if (v.nextIsDefault) m_next->setDefault(true);
    QWidget* focus = focusWidget();
    if (v.nextIsDefault && (v.nextTakesFocus || !focus)) {
        m_next->setFocus(Qt::OtherFocusReason);
    } else if (!focus || (focus == m_next && !v.nextEnabled) || (focus == m_back && !v.backEnabled)) {
        // A disabled button cannot keep the focus; Cancel takes it, so
        // Enter does nothing.
        m_cancel->setFocus(Qt::OtherFocusReason);
    }
    m_prompt->setText(ShownText(v.prompt));
}

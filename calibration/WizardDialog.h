#pragma once
// The dialog every calibration wizard shows: a numbered prompt, Next, Back
// and Cancel over a WizardEngine that holds all the logic. The dialog never
// ends with the framework's default OK: Enter presses an enabled Next or
// does nothing, and only the engine's save ends it with IDOK.
#include <string>

#include "calibration/WizardEngine.h"
#include "framework/ui/Dialogs.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

class WizardDialog : public fw::Dialog {
    Q_OBJECT
public:
    // dialogId and promptId as the wizard's resource gives them.
    WizardDialog(WizardEngine& engine, UINT dialogId, const std::string& caption, int promptId,
                 QWidget* parent = nullptr);

    UINT DialogId() const { return m_dialogId; }
    WizardEngine& Engine() { return m_engine; }
    // The prompt as the control shows it (line ends without "\r").
    std::string PromptText() const;
    QPushButton* NextButton() const { return m_next; }
    QPushButton* BackButton() const { return m_back; }
    QPushButton* CancelButton() const { return m_cancel; }

    // Public so that tests can start the wizard without the modal loop.
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // Where a wizard with more controls adds them, under the prompt.
    QVBoxLayout* ContentLayout() const { return m_layout; }
    void OnOK() override {}  // Enter without an enabled Next: nothing
    void OnCancel() override;
    void keyPressEvent(QKeyEvent* event) override;  // F1: WM_COMMANDHELP

private:
    void ShowView();

    WizardEngine& m_engine;
    UINT m_dialogId;
    int m_promptId;
    QVBoxLayout* m_layout;
    QLabel* m_prompt;
    QPushButton* m_next;
    QPushButton* m_back;
    QPushButton* m_cancel;
};

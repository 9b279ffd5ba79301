#pragma once
// An open dialog that the caller shapes and decides: a caption, an OK text,
// a hint, a file-type choice, a Preview button and a help topic, and an OK
// test that may veto the choice and keep the dialog open (after its own
// message). The Preview button reads the current selection while the dialog
// stays open and may end it with a path of its choosing. The Qt dialog shows
// it; tests play a script of selections, OK presses, Preview presses and
// Cancel through ScriptedOpenDialogs.
#include <functional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class QWidget;

namespace fw {

class OpenFileDialog {
public:
    explicit OpenFileDialog(QWidget* parent = nullptr) : m_parent(parent) {}
    virtual ~OpenFileDialog() = default;
    OpenFileDialog(const OpenFileDialog&) = delete;
    OpenFileDialog& operator=(const OpenFileDialog&) = delete;

    // Set before DoModal.
    std::string m_caption;    // empty: "Open"
    std::string m_filter;     // "Name (*.ryx)|*.ryx||"
    std::string m_okText;     // empty: "Open"
    std::string m_hint;       // a line of text under the files; empty: none
    std::string m_typeLabel;  // the file-type choice's label
    std::vector<std::string> m_types;  // its entries; empty: no choice
    int m_typeIndex = 0;               // the entry selected (before and after)
    bool m_previewButton = false;
    std::string m_helpTopic;  // F1 and the title bar's help: empty for none
    std::string m_directory;
    bool m_multiple = true;

    // IDOK or IDCANCEL.
    int DoModal();

    // The chosen files (after OK; during the OK test and a preview, the
    // selection at hand), the first of them, the filter entry from 1.
    const std::vector<std::string>& GetSelection() const { return m_selection; }
    std::string GetPathName() const { return m_selection.empty() ? std::string() : m_selection.front(); }
    int GetFilterIndex() const { return m_filterIndex; }
    // Non-zero when the dialog could not hand over the selection.
    DWORD CommDlgExtendedError() const { return m_error; }
    QWidget* Parent() const { return m_parent; }
    // The dialog's own window while it shows (a parent for boxes and the preview).
    QWidget* Window() const { return m_window ? m_window : m_parent; }

    // For the Preview button: reads the current selection into GetSelection
    // without ending the dialog; false when it could not (see the error).
    bool ReadSelection();
    // Ends the dialog with OK and path as its one chosen file.
    void EndWithPath(const std::string& path);

    // Driven by the dialog service (the Qt dialog or the script).
    struct Session {
        std::function<std::vector<std::string>()> selection;  // the selection at hand
        std::function<int()> filterIndex;
        std::function<int()> typeIndex;
        std::function<DWORD()> error;  // the dialog's failure, 0 for none
        std::function<void()> endOk;   // ends the dialog with OK
        QWidget* window = nullptr;
    };
    void Attach(Session session);
    // OK was pressed: the OK test runs on the selection; true ends the dialog.
    bool PressOK();
    // The Preview button.
    void PressPreview();
    bool Ended() const { return m_ended; }

protected:
    // The OK test: true keeps the dialog open (the test has said why).
    virtual bool OnFileNameOK() { return false; }
    virtual void OnPreview() {}

private:
    void Take();

    QWidget* m_parent;
    QWidget* m_window = nullptr;
    Session m_session;
    std::vector<std::string> m_selection;
    int m_filterIndex = 1;
    DWORD m_error = 0;
    bool m_ended = false;
};

class OpenDialogService {
public:
    virtual ~OpenDialogService() = default;
    // Shows dialog until OK (its test passed) or Cancel; IDOK or IDCANCEL.
    virtual int Run(OpenFileDialog& dialog) = 0;
};

// The current service: the Qt dialog unless one was installed.
OpenDialogService& OpenDialogs();
// Installs service (nullptr: the Qt dialog); returns the previous one.
OpenDialogService* InstallService(OpenDialogService* service);

class QtOpenDialogs : public OpenDialogService {
public:
    int Run(OpenFileDialog& dialog) override;
    // Called once the Qt dialog is built and before it runs (tests take
    // screenshots and press buttons from here).
    static void SetShownHook(std::function<void(QWidget* dialog)> hook);
};

// A test double: per dialog a script of steps, played in order. Once a
// dialog's steps have run out it is cancelled; so is a dialog without script.
class ScriptedOpenDialogs : public OpenDialogService {
public:
    struct Step {
        enum Kind { Ok, Preview, Fail, Cancel } kind = Ok;
        std::vector<std::string> paths;
        int filterIndex = 1;
        int typeIndex = -1;  // -1: as the dialog set it
    };
    // The selection and OK.
    static Step Ok(std::vector<std::string> paths, int filterIndex = 1, int typeIndex = -1) {
        return {Step::Ok, std::move(paths), filterIndex, typeIndex};
    }
    static Step Preview(std::vector<std::string> paths) { return {Step::Preview, std::move(paths), 1, -1}; }
    // The dialog cannot hand over the selection of the next step.
    static Step Fail() { return {Step::Fail, {}, 1, -1}; }
    static Step Cancel() { return {Step::Cancel, {}, 1, -1}; }

    void Script(std::vector<Step> steps) { m_scripts.push_back(std::move(steps)); }
    int Run(OpenFileDialog& dialog) override;

    // What each dialog was shown with.
    struct Shown {
        std::string caption, filter, okText, hint, typeLabel, helpTopic;
        std::vector<std::string> types;
        int typeIndex;
        bool previewButton;
        int result;
    };
    const std::vector<Shown>& Dialogs() const { return m_shown; }
    size_t Unplayed() const { return m_scripts.size(); }

private:
    std::vector<std::vector<Step>> m_scripts;
    std::vector<Shown> m_shown;
};

}  // namespace fw

#include "framework/core/TestDoubles.h"

namespace fw {
ServiceScope(ScriptedOpenDialogs&)->ServiceScope<OpenDialogService>;
}  // namespace fw

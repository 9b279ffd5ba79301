#pragma once
// Modal dialogs and property sheets in the framework's manner: OnInitDialog
// before the dialog shows, OnOK and OnCancel deciding how it ends, controls
// found by id; pages that are told when they become active and may refuse
// to be left, and an apply step that may refuse to close the sheet.
#include <QDialog>
#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/MessageBox.h"
#include "framework/ui/Window.h"

class QDialogButtonBox;
class QKeyEvent;
class QTabWidget;
class QVBoxLayout;

namespace fw {

class Dialog : public QDialog, public Window {
    Q_OBJECT
public:
    explicit Dialog(QWidget* parent = nullptr);

    // Runs the dialog in a nested loop; returns IDOK or IDCANCEL (or what
    // EndDialog was given).
    int DoModal();
    void EndDialog(int result);

    // Controls by id.
    void AddControl(int id, QWidget* control);
    QWidget* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;

    void accept() override;  // Enter, the OK button: OnOK
    void reject() override;  // Escape, Cancel, the close button: OnCancel

protected:
    // Before the dialog shows. True gives the focus to the first control that
    // takes it; false says the dialog has set the focus itself. A dialog that
    // must not open calls EndDialog here: it then ends without showing.
    virtual bool OnInitDialog() { return true; }
    // The default OnOK ends with IDOK, the default OnCancel with IDCANCEL.
    // A dialog that finds its fields wrong stays open by not calling them.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // The OK and Cancel buttons (ids IDOK and IDCANCEL) under the content.
    QDialogButtonBox* AddOkCancel(QVBoxLayout* layout);

private:
    std::map<int, QWidget*> m_controls;
    bool m_initialising = false;
    std::optional<int> m_endedInInit;
};

class PropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit PropertyPage(const std::string& title, QWidget* parent = nullptr);
    const std::string& Title() const { return m_title; }
    // Once, when the page first becomes active, before OnSetActive: the
    // moment its window is made and its controls are filled.
    virtual void OnInitDialog() {}
    // F1 while the page is the sheet's active one; false: the page has no help.
    virtual bool OnCommandHelp() { return false; }
    bool WasInitialised() const { return m_initialised; }

    // Controls by id: line edits, labels, buttons, check boxes, combo boxes.
    // The text of a combo box is its selected entry's; setting it selects the
    // entry with that text.
    void AddControl(int id, QWidget* control);
    QWidget* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void CheckDlgButton(int id, bool checked);
    bool IsDlgButtonChecked(int id) const;
    // The page is about to show; false keeps the previous page.
    virtual bool OnSetActive() { return true; }
    // The page is about to be left (another tab, OK); false stays on it.
    virtual bool OnKillActive() { return true; }
    // OK on the sheet, for every page that was shown; false refuses and
    // keeps the sheet open on this page.
    virtual bool OnApply() { return true; }
    virtual void OnCancel() {}
    bool WasActivated() const { return m_activated; }

private:
    friend class PropertySheet;
    std::string m_title;
    bool m_activated = false;
    bool m_initialised = false;
    std::map<int, QWidget*> m_controls;
};

class PropertySheet : public Dialog {
    Q_OBJECT
public:
    explicit PropertySheet(const std::string& caption, QWidget* parent = nullptr);
    void AddPage(PropertyPage* page);  // the sheet owns it
    int GetActiveIndex() const;
    // Moves to page index as a tab click would: the current page may refuse.
    bool SetActivePage(int index);
    PropertyPage* GetPage(int index) const;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // Makes every page active in turn, from the first to the last, then
    // page start: so every page's window is made (and loads) as the sheet opens.
    void ActivateEveryPage(int start);
    // F1 goes to the active page's help.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnTabChanged(int index);

    QTabWidget* m_tabs;
    std::vector<PropertyPage*> m_pages;
    int m_current = -1;
    bool m_switching = false;
};

}  // namespace fw

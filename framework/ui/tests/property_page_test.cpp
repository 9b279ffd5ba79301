// Property pages with controls by id, made when first shown, every page
// activated as a sheet opens, and F1 routed to the active page's help.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "framework/ui/Dialogs.h"
#include "framework/ui/FileDialogs.h"
#include "framework/ui/tests/support/TestApp.h"

namespace fw {
namespace {

// Records the order of its window's making and its activations.
class LoggingPage : public PropertyPage {
public:
    LoggingPage(const std::string& title, std::vector<std::string>& log, bool help)
        : PropertyPage(title), m_log(log), m_help(help) {
        auto* layout = new QVBoxLayout(this);
        m_edit = new QLineEdit;
        layout->addWidget(m_edit);
        AddControl(10, m_edit);
    }
    void OnInitDialog() override { m_log.push_back("init " + Title()); }
    bool OnSetActive() override {
        m_log.push_back("active " + Title());
        return true;
    }
    bool OnCommandHelp() override {
        if (!m_help) return false;
        m_log.push_back("help " + Title());
        return true;
    }
    QLineEdit* m_edit;

private:
    std::vector<std::string>& m_log;
    bool m_help;
};

class EveryPageSheet : public PropertySheet {
public:
    EveryPageSheet(int start) : PropertySheet("Sheet"), m_start(start) {}
    bool OnInitDialog() override {
        const bool r = PropertySheet::OnInitDialog();
        ActivateEveryPage(m_start);
        return r;
    }

private:
    int m_start;
};

TEST(PropertyPageTest, ControlsByIdCoverEditsChecksCombosAndLabels) {
    PropertyPage page("Port");
    auto* edit = new QLineEdit(&page);
    auto* check = new QCheckBox("&AutoScale", &page);
    auto* combo = new QComboBox(&page);
    auto* label = new QLabel(&page);
    combo->addItems({"NONE", "COM1", "COM2"});
    page.AddControl(1, edit);
    page.AddControl(2, check);
    page.AddControl(3, combo);
    page.AddControl(4, label);

    page.SetDlgItemText(1, "16.000");
    EXPECT_EQ(edit->text().toStdString(), "16.000");
    EXPECT_EQ(page.GetDlgItemText(1), "16.000");
    page.CheckDlgButton(2, true);
    EXPECT_TRUE(page.IsDlgButtonChecked(2));
    EXPECT_TRUE(check->isChecked());
    page.CheckDlgButton(2, false);
    EXPECT_FALSE(page.IsDlgButtonChecked(2));
    page.SetDlgItemText(3, "COM2");
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(page.GetDlgItemText(3), "COM2");
    page.SetDlgItemText(3, "COM9");  // no such entry: nothing selected
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(page.GetDlgItemText(3), "");
    page.SetDlgItemText(4, "/data/");
    EXPECT_EQ(page.GetDlgItemText(4), "/data/");
    EXPECT_EQ(page.GetDlgItem(99), nullptr);
    EXPECT_EQ(page.GetDlgItemText(99), "");
    EXPECT_FALSE(page.IsDlgButtonChecked(99));
}

TEST(PropertyPageTest, EveryPageIsMadeAndActivatedAsTheSheetOpensThenTheStartPage) {
    struct Case {
        int start;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {0, {"init A", "active A", "init B", "active B", "init C", "active C", "active A"}},
        {2, {"init A", "active A", "init B", "active B", "init C", "active C", "active C"}},
    };
    for (const Case& k : cases) {
        std::vector<std::string> log;
        EveryPageSheet sheet(k.start);
        for (const char* t : {"A", "B", "C"}) sheet.AddPage(new LoggingPage(t, log, true));
        QTimer::singleShot(0, &sheet, [&] {
            EXPECT_EQ(sheet.GetActiveIndex(), k.start);
            // Later activations do not make the window again.
            sheet.SetActivePage(1);
            sheet.reject();
        });
        EXPECT_EQ(sheet.DoModal(), IDCANCEL);
        std::vector<std::string> expected = k.log;
        expected.push_back("active B");
        EXPECT_EQ(log, expected) << k.start;
    }
}

TEST(PropertyPageTest, F1GoesToTheActivePagesHelp) {
    std::vector<std::string> log;
    PropertySheet sheet("Sheet");
    auto* withHelp = new LoggingPage("A", log, true);
    auto* without = new LoggingPage("B", log, false);
    sheet.AddPage(withHelp);
    sheet.AddPage(without);
    QTimer::singleShot(0, &sheet, [&] {
        log.clear();
        // The key goes to the focused field, which passes it on.
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(withHelp->m_edit, &f1);
        sheet.SetActivePage(1);
        QKeyEvent again(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(without->m_edit, &again);
        sheet.reject();
    });
    sheet.DoModal();
    EXPECT_EQ(log, (std::vector<std::string>{"help A", "init B", "active B"}));
}

TEST(FolderTest, AChosenFolderEndsInOneSeparator) {
    EXPECT_EQ(WithTrailingSeparator("/data"), "/data/");
    EXPECT_EQ(WithTrailingSeparator("/data/"), "/data/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
}

}  // namespace
}  // namespace fw

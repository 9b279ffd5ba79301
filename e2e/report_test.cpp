// A saved test named on the command line of a second start shows in the
// running station's report window; from there View Graph, printing and
// closing.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <string>

#include "app/CQXRYXMainFrame.h"
#include "data/CQXRYXTestDoc.h"
#include "data/tests/support/DocFixture.h"
#include "e2e/support/Station.h"
#include "framework/core/Strings.h"
#include "framework/ui/Frames.h"
#include "platform/Paths.h"
#include "testing/CQXRYXDataFrm.h"
#include "testing/CQXRYXDataView.h"

namespace e2e {
namespace {

int PdfPages(const std::string& path) {
    QFile pdf(QString::fromStdString(path));
    if (!pdf.open(QIODevice::ReadOnly)) return -1;
    const QByteArray data = pdf.readAll();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return data.startsWith("%PDF-") ? static_cast<int>(QString::fromLatin1(data).count(page)) : -1;
}

class ReportTest : public StationTest {
protected:
    // A complete test saved in this case's own folder.
    std::string SaveTest(const std::string& name) {
        CQXRYXTestDoc doc;
        FillCreepTest(doc);
        EXPECT_TRUE(doc.CalculateResults());
        doc.m_testName.m_data = name;
        doc.m_project.m_data = "E2E";
        doc.m_targetTemperature.m_data = -18.0f;
        doc.m_minTemperature.m_data = -18.0f;
        doc.m_maxTemperature.m_data = -18.0f;
        doc.m_tempCalibrationDate = 1704103200;
        const std::string path = platform::JoinPath(ConfigDir(), name + ".RYX");
        EXPECT_TRUE(doc.OnSaveDocument(path));
        return path;
    }
    CQXRYXDataView* ActiveReport() {
        fw::ChildFrame* f = App().m_pMainFrame->GetActiveFrame();
        return f ? dynamic_cast<CQXRYXDataView*>(f->GetActiveView()) : nullptr;
    }
};

TEST_F(ReportTest, ASavedTestOnTheCommandLineShowsItsReport) {
    ASSERT_NO_FATAL_FAILURE(StartReadyStation());
    const std::string path = SaveTest("T1");

    // A second start with the file hands it to this station and ends.
    QProcess second;
    second.setProgram(RYXW_PROGRAM);
    second.setArguments({QString::fromStdString("-reg:" + ProgramKey()), QString::fromStdString(path)});
    second.start();
    ASSERT_TRUE(Until([&] { return second.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(second.exitCode(), 1);
    ASSERT_TRUE(Until([&] { return ActiveReport() != nullptr; }));
    CQXRYXDataView* report = ActiveReport();
    ASSERT_NE(report->GetDocument(), nullptr);
    EXPECT_EQ(report->GetDocument()->GetPathName(), path);
    EXPECT_EQ(report->GetDocument()->GetDocTemplate(), App().m_pReportTemplate);
    auto* frame = dynamic_cast<CQXRYXDataFrm*>(report->GetParentFrame());
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(boxes.Count(), 0u);
    // Its menu has View Graph; the print commands are on.
    App().m_pMainFrame->UpdateCommandUI();
    ASSERT_NE(App().m_pMainFrame->FindAction(ID_VIEW_GRAPH), nullptr);
    EXPECT_TRUE(App().m_pMainFrame->FindAction(ID_VIEW_GRAPH)->isEnabled());

    App().RunUntil([] { return false; }, 100);
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(App().m_pMainFrame->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/report-window.png"));

    // Printed through the station's Print Direct to a file: one page.
    const std::string pdf = platform::JoinPath(ConfigDir(), "T1.pdf");
    const fw::PrinterSetup previous = fw::SetPrinterSetup([&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(pdf));
    });
    EXPECT_TRUE(App().m_pMainFrame->OnCmdMsg(ID_FILE_PRINT_DIRECT));
    fw::SetPrinterSetup(previous);
    EXPECT_EQ(PdfPages(pdf), 1);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(ReportTest, ViewGraphFromTheReport) {
    ASSERT_TRUE(StartStation());
    boxes.Clear();  // the settings check's
    const std::string path = SaveTest("T2");
    ASSERT_NE(App().OpenShellFile(path), nullptr);
    CQXRYXDataView* report = ActiveReport();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(App().m_pMainFrame->OnCmdMsg(ID_VIEW_GRAPH));
    // The graph window of the same document, and Report back to this one.
    ASSERT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    fw::ChildFrame* graph = App().m_pMainFrame->GetActiveFrame();
    ASSERT_NE(graph, nullptr);
    EXPECT_NE(graph, report->GetParentFrame());
    EXPECT_EQ(graph->GetActiveView()->GetDocument(), report->GetDocument());
    EXPECT_TRUE(App().m_pMainFrame->OnCmdMsg(ID_VIEW_REPORT));
    EXPECT_EQ(App().m_pMainFrame->GetActiveFrame(), report->GetParentFrame());
}

}  // namespace
}  // namespace e2e

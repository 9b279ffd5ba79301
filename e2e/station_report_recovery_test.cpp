// A report opened from the live test window while a long recovery is still
// recorded, through the station on the simulated instrument: the bath strays
// out of tolerance, and the open report warns of it on screen and on the
// page printed from that window, before the finish and after it, with the
// results of the load already there; the finish brings the same report
// window forward and opens no second one.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CQXRYXMainFrame.h"
#include "data/CQXRYXTestDoc.h"
#include "e2e/support/LockstepStation.h"
#include "framework/ui/Frames.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "testing/CQXRYXDataView.h"
#include "testing/CQXRYXTestView.h"
#include "testing/RYXTestSetup.h"

namespace e2e {
namespace {

const std::string kWarning = "WARNING! - Temperature out of tolerance";

class StationReportDuringRecovery : public LockstepStationTest {
protected:
    std::vector<CQXRYXDataView*> Reports(CQXRYXTestDoc& doc) {
        std::vector<CQXRYXDataView*> found;
        for (fw::View* v : doc.GetViews())
            if (auto* r = dynamic_cast<CQXRYXDataView*>(v)) found.push_back(r);
        return found;
    }
    int Red(QWidget& w) {
        const QImage img = w.grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) == 0xFF0000) ++n;
        return n;
    }
    // Print Direct from the active window, to a PDF, read back as text.
    std::string Printed(const std::string& name) {
        QDir().mkpath(RYX_E2E_ARTEFACTS);
        const std::string pdf = std::string(RYX_E2E_ARTEFACTS) + "/" + name;
        std::filesystem::remove(pdf);
        const fw::PrinterSetup previous = fw::SetPrinterSetup([&](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(QString::fromStdString(pdf));
        });
        EXPECT_TRUE(frame->OnCmdMsg(ID_FILE_PRINT_DIRECT));
        fw::SetPrinterSetup(previous);
        QProcess text;
        text.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
        if (!text.waitForFinished(60000) || text.exitCode() != 0) return {};
        return text.readAllStandardOutput().toStdString();
    }
};

TEST_F(StationReportDuringRecovery, TheOpenReportWarnsOfABathExcursionOnScreenAndPaperToTheEnd) {
    // A test at -18 degC with a recovery of 60 s: its points are complete
    // at 241 s, the test ends at 300 s.
    ASSERT_EQ(theRegistry.SetTestBath(-18.0), 0u);
    ASSERT_EQ(theRegistry.SetTestRecoveryTime(60), 0u);
    ASSERT_TRUE(StepUntil([&] { return App().m_beam.GetFirmwareVersion() == "2.000"; }, 5000));
    for (int i = 0; i < 120; ++i) ASSERT_TRUE(Step());  // the idle set-point goes out: -18
    sim->SetBathTemperature(-18.0);
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(Step());

    frame->UpdateCommandUI();
    QAction* run = frame->FindAction(ID_FILE_NEW);
    ASSERT_NE(run, nullptr);
    ASSERT_TRUE(run->isEnabled());
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<RYXTestSetup*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->accept();
    });
    boxes.Answer({IDOK, IDOK, IDOK, IDOK});  // the bath calibration's reminder, the specimen
    run->trigger();
    CQXRYXTestView* view = CQXRYXTestView::RunningView();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->m_totalSamples, 601);

    // Into the recovery, the points complete: View > Report is enabled.
    ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() >= 486; }, 400000)) << view->GetState();
    ASSERT_EQ(view->GetState(), TestSequencer::kTesting);
    frame->UpdateCommandUI();
    QAction* viewReport = frame->FindAction(ID_VIEW_REPORT);
    ASSERT_NE(viewReport, nullptr);
    ASSERT_TRUE(viewReport->isEnabled());
    viewReport->trigger();
    Pump();
    ASSERT_EQ(Reports(*doc).size(), 1u);
    CQXRYXDataView* report = Reports(*doc).front();
    EXPECT_EQ(frame->GetActiveFrame(), report->GetParentFrame());
    EXPECT_FALSE(report->Model().Warning541());
    EXPECT_EQ(Red(*report), 0);
    // The results are those of the load, which has ended: the same now as
    // after the finish, not zeros.
    const float stiffness60 = doc->m_measuredStiffness[3].m_data;
    const float mValue60 = doc->m_mValue[3].m_data;
    EXPECT_GT(stiffness60, 0.0f);
    const fw::WindowId reportFrame = report->GetParentFrame()->Id();

    // The bath strays to -17.6 (the simulator's "bath -17.6"); the station
    // drives it back to its set-point.
    sim->SetBathTemperature(-17.6);
    ASSERT_TRUE(StepUntil([&] { return doc->m_maxTemperature.m_data > -17.65f; }, 5000));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(Step());
    ASSERT_EQ(view->GetState(), TestSequencer::kTesting);
    EXPECT_TRUE(report->Model().Warning541());
    EXPECT_GT(Red(*report), 1000);
    const std::string during = Printed("station-report-during-recovery.pdf");
    ASSERT_FALSE(during.empty()) << "pdftotext (poppler-utils) is needed";
    EXPECT_NE(during.find(kWarning), std::string::npos) << during;
    EXPECT_NE(during.find("-17.6"), std::string::npos) << during;
    EXPECT_NE(during.find(doc->m_measuredStiffness[3].Format("%.3g")), std::string::npos) << during;
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(
        frame->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/station-report-during-recovery-541.png"));

    // To the finish: the same report window, forward, and no second.
    ASSERT_TRUE(StepUntil([&] { return !App().m_bTestRunning; }, 120000)) << view->GetState();
    Pump();
    EXPECT_FALSE(doc->IsModified());
    const std::vector<CQXRYXDataView*> after = Reports(*doc);
    ASSERT_EQ(after.size(), 1u);
    ASSERT_EQ(after.front()->GetParentFrame()->Id(), reportFrame);
    EXPECT_EQ(frame->GetActiveFrame(), after.front()->GetParentFrame());
    EXPECT_TRUE(after.front()->Model().Warning541());
    EXPECT_GT(Red(*after.front()), 1000);
    const std::string finished = Printed("station-report-after-finish.pdf");
    EXPECT_NE(finished.find(kWarning), std::string::npos) << finished;
    EXPECT_EQ(doc->m_measuredStiffness[3].m_data, stiffness60);
    EXPECT_EQ(doc->m_mValue[3].m_data, mValue60);
    EXPECT_NE(finished.find(doc->m_measuredStiffness[3].Format("%.3g")), std::string::npos) << finished;
    for (const std::string& text : boxes.Texts())
        EXPECT_TRUE(text.rfind("A temperature calibration", 0) == 0 ||
                    text.rfind("Place the test specimen", 0) == 0)
            << text;
    EXPECT_TRUE(
        frame->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/station-report-after-finish.png"));
}

}  // namespace
}  // namespace e2e

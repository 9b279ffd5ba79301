// The report and Delta Tc windows offscreen: a saved test opened through its
// template, drawn on screen, into an image and onto a PDF page at 600 dpi
// (turned into a PNG with pdftoppm and read back with pdftotext), the keys,
// View Graph, help, and the updates that rebuild what the windows show.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/CQXRYXDeltaTcDoc.h"
#include "data/CQXRYXTestDoc.h"
#include "data/DeltaTcData.h"
#include "framework/core/CommandIds.h"
#include "framework/core/RecordingDrawContext.h"
#include "framework/core/Strings.h"
#include "framework/ui/Frames.h"
#include "framework/ui/Help.h"
#include "framework/ui/PainterContext.h"
#include "framework/ui/tests/support/TestApp.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "testing/CQXRYXDataFrm.h"
#include "testing/CQXRYXDataView.h"
#include "testing/CQXRYXDeltaTcView.h"
#include "testing/tests/support/Artefacts.h"
#include "testing/tests/support/KnownTest.h"

namespace {

using fw::test::App;
using testingtest::ArtefactDir;

// A stand-in for the test window of template 130.
class GraphStub : public fw::ViewWidget {};

const fw::Menu kReportMenu = {
    {0, "&View", {{ID_VIEW_GRAPH, "&Graph\tCtrl+G", {}}}},
    {0, "&File", {{ID_FILE_PRINT, "&Print...\tCtrl+P", {}}}},
};

void Pump() {
    for (int i = 0; i < 4; ++i) App().PumpOnce(false);
}

int PdfPages(const std::string& path) {
    QFile pdf(QString::fromStdString(path));
    if (!pdf.open(QIODevice::ReadOnly)) return -1;
    const QByteArray data = pdf.readAll();
    if (!data.startsWith("%PDF-")) return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return static_cast<int>(QString::fromLatin1(data).count(page));
}

// Runs a program; its standard output, or "" when it failed.
std::string Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    return p.readAllStandardOutput().toStdString();
}

// The PDF's text as pdftotext lays it out.
std::string PdfText(const std::string& pdf) {
    return Run("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
}

// pdftoppm's PNG of the only page at 100 dpi, kept as an artefact.
bool PdfToPng(const std::string& pdf, const std::string& pngBase) {
    QProcess p;
    p.start("pdftoppm", {"-png", "-r", "100", "-singlefile", QString::fromStdString(pdf),
                         QString::fromStdString(pngBase)});
    return p.waitForFinished(60000) && p.exitCode() == 0 && QFile::exists(QString::fromStdString(pngBase + ".png"));
}

// Prints a view as the print commands do, to a PDF file at 600 dpi.
bool PrintToPdf(fw::ViewWidget& view, const std::string& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(QString::fromStdString(path));
    return view.PrintTo(printer);
}

void Key(QWidget& w, int qtKey) {
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
}

// A context of the given resolution, on screen (an image) or on paper (a
// PDF page of its own), for laying a report out and measuring its texts.
class Surface {
public:
    Surface(int dpi, bool paper, const std::string& pdfPath) {
        if (paper) {
            m_pdf = std::make_unique<QPdfWriter>(QString::fromStdString(pdfPath));
            m_pdf->setResolution(dpi);
            m_pdf->setPageSize(QPageSize(QPageSize::A4));
            m_dc = std::make_unique<fw::PainterContext>(*m_pdf);
        } else {
            m_image = QImage(1200, 1000, QImage::Format_RGB32);
            m_image.setDotsPerMeterX(qRound(dpi / 0.0254));
            m_image.setDotsPerMeterY(qRound(dpi / 0.0254));
            m_dc = std::make_unique<fw::PainterContext>(m_image);
        }
    }
    fw::PainterContext& Dc() { return *m_dc; }
    int Width() { return m_dc->IsPrinting() ? m_dc->GetDeviceCaps(fw::HORZRES) : m_image.width(); }
    int Height() { return m_dc->IsPrinting() ? m_dc->GetDeviceCaps(fw::VERTRES) : m_image.height(); }

private:
    std::unique_ptr<QPdfWriter> m_pdf;
    QImage m_image;
    std::unique_ptr<fw::PainterContext> m_dc;
};

class ReportViewTest : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        App();
        main = std::make_unique<fw::MainFrame>();
        main->resize(1100, 760);
        main->show();
        factory = std::make_unique<fw::MdiFrameFactory>(*main);
        factory->Register(IDR_TEST_REPORT, {[] { return new CQXRYXDataView; },
                                            [] { return new CQXRYXDataFrm; }, &kReportMenu});
        factory->Register(IDR_DELTA_TC, {[] { return new CQXRYXDeltaTcView; },
                                         [] { return new CQXRYXDataFrm; }, &kReportMenu});
        reports = std::make_unique<fw::DocTemplate>(
            IDR_TEST_REPORT, [] { return std::unique_ptr<fw::Document>(new CQXRYXTestDoc); }, factory.get());
        graphs = std::make_unique<fw::DocTemplate>(
            IDR_TEST_DATA, [] { return std::unique_ptr<fw::Document>(new CQXRYXTestDoc); }, factory.get());
        deltas = std::make_unique<fw::DocTemplate>(
            IDR_DELTA_TC, [] { return std::unique_ptr<fw::Document>(new CQXRYXDeltaTcDoc); }, factory.get());
        CQXRYXDataView::SetGraphTemplate(graphs.get());
    }
    void TearDown() override {
        CQXRYXDataView::SetGraphTemplate(nullptr);
        for (auto* t : {reports.get(), graphs.get(), deltas.get()}) {
            while (!t->GetDocuments().empty()) t->CloseDocument(t->GetDocuments().front().get());
        }
        Pump();
        main.reset();
        EXPECT_EQ(box.Count(), expectedBoxes) << (box.Count() ? box.Texts()[0] : "");
        DocFixture::TearDown();
    }
    void RegisterGraphWindow() {
        factory->Register(IDR_TEST_DATA, {[] { return new GraphStub; }, {}, nullptr});
    }
    // The known test saved as T1.ryx and opened through the report template.
    CQXRYXDataView* OpenKnownReport() {
        CQXRYXTestDoc saved;
        testingtest::FillKnownTest(saved);
        path = dir + "/T1.ryx";
        EXPECT_TRUE(saved.OnSaveDocument(path));
        doc = dynamic_cast<CQXRYXTestDoc*>(reports->OpenDocumentFile(path.c_str()));
        EXPECT_NE(doc, nullptr);
        Pump();
        return doc ? ViewOf(*doc) : nullptr;
    }
    static CQXRYXDataView* ViewOf(fw::Document& d) {
        for (fw::View* v : d.GetViews())
            if (auto* r = dynamic_cast<CQXRYXDataView*>(v)) return r;
        return nullptr;
    }

    std::unique_ptr<fw::MainFrame> main;
    std::unique_ptr<fw::MdiFrameFactory> factory;
    std::unique_ptr<fw::DocTemplate> reports, graphs, deltas;
    CQXRYXTestDoc* doc = nullptr;
    std::string path;
    size_t expectedBoxes = 0;
};

TEST_F(ReportViewTest, ASavedTestOpensMaximisedInItsReportWindow) {
    CQXRYXDataView* view = OpenKnownReport();
    ASSERT_NE(view, nullptr);
    auto* frame = dynamic_cast<CQXRYXDataFrm*>(view->GetParentFrame());
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(main->GetActiveFrame(), frame);
    // Scroll sizes from the fonts measured on the window.
    const report::ScrollSizes sizes = report::ReportScrollSizes(view->Metrics());
    EXPECT_GT(view->Metrics().a, 0);
    EXPECT_EQ(view->GetTotalSize(), sizes.total);
    EXPECT_EQ(view->GetPageSize(), sizes.page);
    EXPECT_EQ(view->GetLineSize(), sizes.line);
    EXPECT_FALSE(view->Model().Warning541());
    EXPECT_FALSE(view->Model().Warning542());

    const QImage shot = main->grab().toImage();
    EXPECT_TRUE(shot.save(QString::fromStdString(ArtefactDir() + "/report-window.png")));
    // The value cells are white on the grey page, edged.
    const QImage page = view->grab().toImage();
    const QRgb grey = page.pixel(2, 2);
    EXPECT_EQ(fw::RGB(qRed(grey), qGreen(grey), qBlue(grey)), fw::GetSysColor(fw::COLOR_INACTIVEBORDER));
}

TEST_F(ReportViewTest, TheKeysScrollAndHomeAndEndGoSideways) {
    CQXRYXDataView* view = OpenKnownReport();
    ASSERT_NE(view, nullptr);
    // A window smaller than the page, so that both ways scroll.
    main->showNormal();
    view->GetParentFrame()->showNormal();
    view->GetParentFrame()->resize(300, 250);
    Pump();
    ASSERT_GT(view->GetScrollLimit().x, 0);
    ASSERT_GT(view->GetScrollLimit().y, 0);
    Key(*view, Qt::Key_End);
    EXPECT_EQ(view->GetDeviceScrollPosition(), (fw::Point{view->GetScrollLimit().x, 0}));
    Key(*view, Qt::Key_Home);
    EXPECT_EQ(view->GetDeviceScrollPosition(), (fw::Point{0, 0}));
    Key(*view, Qt::Key_Down);
    EXPECT_EQ(view->GetDeviceScrollPosition(), (fw::Point{0, view->Metrics().lh}));
    Key(*view, Qt::Key_Right);
    EXPECT_EQ(view->GetDeviceScrollPosition(), (fw::Point{view->Metrics().e, view->Metrics().lh}));
    Key(*view, Qt::Key_PageDown);
    EXPECT_EQ(view->GetDeviceScrollPosition().y,
              std::min(view->GetScrollLimit().y, view->Metrics().lh + view->GetPageSize().cy));
    const fw::Point before = view->GetDeviceScrollPosition();
    Key(*view, Qt::Key_A);
    Key(*view, Qt::Key_Space);
    EXPECT_EQ(view->GetDeviceScrollPosition(), before);
    Key(*view, Qt::Key_PageUp);
    Key(*view, Qt::Key_Up);
    Key(*view, Qt::Key_Left);
    EXPECT_EQ(view->GetDeviceScrollPosition(), (fw::Point{0, 0}));
}

TEST_F(ReportViewTest, TheKnownTestPrintsOnOnePageAt600DpiAndDrawsIntoAnImage) {
    CQXRYXDataView* view = OpenKnownReport();
    ASSERT_NE(view, nullptr);
    const std::string pdf = ArtefactDir() + "/report-print.pdf";
    std::filesystem::remove(pdf);
    ASSERT_TRUE(PrintToPdf(*view, pdf));
    EXPECT_EQ(PdfPages(pdf), 1);
    // Paper metrics: the fonts were made for 600 dpi.
    EXPECT_GT(view->Metrics().lh, 80);
    const std::string text = PdfText(pdf);
    ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) is needed";
    for (const std::string& known :
         {fw::LoadString(147), std::string("Proj"), std::string("RYX-7"), std::string("-18.0"),
          std::string("-18.1"), std::string("-17.9"), std::string("12.70"), std::string("6.35"),
          std::string("200"), std::string("Measured"), std::string("60.0"), std::string("240.0"),
          doc->m_measuredStiffness[3].Format("%.3g"), doc->m_mValue[3].Format("%#3.3f"),
          doc->m_rSquared.Format("%.6f"), std::string("Max Force Deviation")}) {
        EXPECT_NE(text.find(known), std::string::npos) << known << "\n" << text;
    }
    EXPECT_EQ(text.find("WARNING"), std::string::npos);
    EXPECT_TRUE(PdfToPng(pdf, ArtefactDir() + "/report-print"));

    // The same page drawn into an A4 image of 600 dpi.
    QImage image(4961, 7016, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(600 / 0.0254));
    image.setDotsPerMeterY(qRound(600 / 0.0254));
    {
        fw::PainterContext dc(image);
        view->DrawReport(dc, image.width(), image.height());
    }
    EXPECT_GT(view->Metrics().lh, 80);
    EXPECT_TRUE(image.save(QString::fromStdString(ArtefactDir() + "/report-600dpi.png")));
}

TEST_F(ReportViewTest, PrintDirectFromTheReportWindowWritesOnePage) {
    ASSERT_NE(OpenKnownReport(), nullptr);
    const std::string pdf = dir + "/direct.pdf";
    const fw::PrinterSetup previous = fw::SetPrinterSetup([&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(pdf));
    });
    EXPECT_TRUE(main->OnCmdMsg(ID_FILE_PRINT_DIRECT));
    fw::SetPrinterSetup(previous);
    EXPECT_EQ(PdfPages(pdf), 1);
}

TEST_F(ReportViewTest, ViewGraphOpensTheTestWindowOnceAndThenBringsItForward) {
    RegisterGraphWindow();
    CQXRYXDataView* view = OpenKnownReport();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(main->OnCmdMsg(ID_VIEW_GRAPH));
    Pump();
    ASSERT_EQ(doc->GetViews().size(), 2u);
    auto* graph = dynamic_cast<GraphStub*>(doc->GetViews().back());
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(main->GetActiveFrame(), graph->GetParentFrame());
    EXPECT_EQ(main->ChildFrames().size(), 2u);
    // Back to the report, then View Graph again: the same window comes forward.
    view->GetParentFrame()->ActivateFrame(-1);
    Pump();
    EXPECT_EQ(main->GetActiveFrame(), view->GetParentFrame());
    view->OnViewGraph();
    Pump();
    EXPECT_EQ(doc->GetViews().size(), 2u);
    EXPECT_EQ(main->ChildFrames().size(), 2u);
    EXPECT_EQ(main->GetActiveFrame(), graph->GetParentFrame());
}

TEST_F(ReportViewTest, ViewGraphWithoutAGraphWindowSays401) {
    CQXRYXDataView* view = OpenKnownReport();
    ASSERT_NE(view, nullptr);
    // The template is there but makes no window.
    view->OnViewGraph();
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Texts()[0], fw::LoadString(401));
    EXPECT_EQ(doc->GetViews().size(), 1u);
    // No graph template given to the view at all.
    CQXRYXDataView::SetGraphTemplate(nullptr);
    view->OnViewGraph();
    ASSERT_EQ(box.Count(), 2u);
    EXPECT_EQ(box.Texts()[1], fw::LoadString(401));
    expectedBoxes = 2;
}

TEST_F(ReportViewTest, HelpFromTheReportFrameOpensTheTestingTopic) {
    const std::string help = dir + "/help";
    std::filesystem::create_directories(help + "/RYXW");
    std::ofstream(help + "/RYXW/Testing_a_sample.htm") << "<html></html>";
    setenv("RYX_HELP_DIR", help.c_str(), 1);
    std::string opened;
    const fw::HelpOpener previous = fw::SetHelpOpener([&](const std::string& p) {
        opened = p;
        return true;
    });
    ASSERT_NE(OpenKnownReport(), nullptr);
    EXPECT_TRUE(main->OnCmdMsg(ID_HELP));
    fw::SetHelpOpener(previous);
    unsetenv("RYX_HELP_DIR");
    EXPECT_EQ(opened, help + "/RYXW/Testing_a_sample.htm");
}

TEST_F(ReportViewTest, AnUpdateOfTheDocumentRebuildsTheWarningsBothWays) {
    CQXRYXDataView* view = OpenKnownReport();
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->Model().Warning541());
    doc->m_minTemperature.m_data = -18.4f;
    doc->m_tempCalibrationDate = 0;
    doc->UpdateAllViews(nullptr);
    EXPECT_TRUE(view->Model().Warning541());
    EXPECT_TRUE(view->Model().Warning542());
    Surface screen(96, false, "");
    report::Page page = view->LayoutFor(screen.Dc(), screen.Width(), screen.Height());
    EXPECT_NE(page.FindCell(view->Model().WarningText541()), nullptr);
    EXPECT_NE(page.FindCell(fw::LoadString(542)), nullptr);

    // Back in tolerance and calibrated, with a new project: the next update
    // takes the warnings away again and shows the new text.
    doc->m_minTemperature.m_data = -18.05f;
    doc->m_tempCalibrationDate = testingtest::kJan2024;
    doc->m_project.m_data = "R&D Lab";
    doc->UpdateAllViews(nullptr);
    EXPECT_FALSE(view->Model().Warning541());
    EXPECT_FALSE(view->Model().Warning542());
    EXPECT_TRUE(view->Model().WarningText541().empty());
    EXPECT_TRUE(view->Model().WarningText542().empty());
    page = view->LayoutFor(screen.Dc(), screen.Width(), screen.Height());
    EXPECT_EQ(page.FindCell(fw::LoadString(542)), nullptr);
    for (const report::Item* cell : page.All(report::Op::Cell))
        EXPECT_EQ(cell->text.find("WARNING"), std::string::npos) << cell->text;
    EXPECT_NE(page.FindCell(" R&D Lab"), nullptr);
    EXPECT_EQ(page.FindCell(" Proj"), nullptr);
}

TEST_F(ReportViewTest, AnEmptyTestFileShowsAReportWithEmptyCells) {
    path = WriteFile("Empty.ryx", "");
    doc = dynamic_cast<CQXRYXTestDoc*>(reports->OpenDocumentFile(path.c_str()));
    ASSERT_NE(doc, nullptr);
    Pump();
    CQXRYXDataView* view = ViewOf(*doc);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(doc->GetPointCount(), 0);
    EXPECT_FALSE(view->grab().toImage().isNull());
    const std::string pdf = dir + "/empty.pdf";
    ASSERT_TRUE(PrintToPdf(*view, pdf));
    EXPECT_EQ(PdfPages(pdf), 1);
}

// ---- Every text fits its cell

// The columns a text inks, drawn in font at the pen's x = 0: the first and
// one past the last, from the pixels themselves (a glyph's box may claim a
// pixel more than it covers).
std::pair<int, int> InkColumns(const QFont& font, QPaintDevice* device, const QString& text) {
    const QFontMetrics m(font, device);
    const int pad = m.height();
    QImage image(m.horizontalAdvance(text) + 2 * pad, m.height(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(device->logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(device->logicalDpiY() / 0.0254));
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPoint(pad, m.ascent()), text);
    }
    int first = image.width(), last = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == 0xFFFFFF) continue;
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    if (last < 0) return {0, 0};
    return {first - pad, last + 1 - pad};
}

// The cells whose text puts ink outside what the cell leaves it, which the
// cell's clip would cut: each line in the font it is drawn in on dc, placed
// by its advance as the cell's alignment places it inside the edge.
std::vector<std::string> CellsThatClip(fw::PainterContext& dc, const report::Page& page) {
    std::vector<std::string> clipped;
    QPaintDevice* device = dc.Painter().device();
    for (const report::Item* item : page.All(report::Op::Cell)) {
        const QFont font = dc.MakeQFont(report::DeviceFont(item->font, dc));
        const QFontMetrics m(font, device);
        fw::Rect box = item->rect;
        if (item->style.bDrawEdge && (item->style.nBorderFlags & fw::BF_ADJUST)) box.Deflate(2, 2);
        std::vector<std::string> lines;
        if (item->style.nFormat & fw::DT_SINGLELINE) {
            lines.push_back(item->text);
        } else {
            std::stringstream in(item->text);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        for (const std::string& line : lines) {
            const QString text = QString::fromStdString(line);
            const int full = m.horizontalAdvance(text);
            int x = box.left;
            if (item->style.nFormat & fw::DT_CENTER) {
                x = box.left + (box.Width() - full) / 2;
            } else if (item->style.nFormat & fw::DT_RIGHT) {
                x = box.right - full;
            }
            const auto [inkFrom, inkTo] = InkColumns(font, device, text);
            if (inkFrom == inkTo) continue;
            if (x + inkFrom < box.left || x + inkTo > box.right) {
                clipped.push_back("\"" + line + "\" inks " + std::to_string(x + inkFrom - box.left) + ".." +
                                  std::to_string(x + inkTo - box.left) + " of a cell " +
                                  std::to_string(box.Width()) + " wide");
            }
        }
    }
    return clipped;
}

// The report of view laid out and drawn on screens of 96, 120 and 144 dpi
// and on paper of 300 and 600 dpi: each of the texts is a cell, no text of
// any cell is clipped, and on a recording context over the same surface the
// texts are drawn with their "&", every text as it stands.
template <class View>
void ExpectEveryTextFitsAndStands(View& view, const std::string& pdfPath,
                                  std::initializer_list<const char*> texts) {
    struct Case {
        int dpi;
        bool paper;
    };
    for (const Case& c :
         {Case{96, false}, Case{120, false}, Case{144, false}, Case{600, true}, Case{300, true}}) {
        SCOPED_TRACE(std::to_string(c.dpi) + (c.paper ? " dpi paper" : " dpi screen"));
        Surface surface(c.dpi, c.paper, pdfPath);
        const report::Page page = view.LayoutFor(surface.Dc(), surface.Width(), surface.Height());
        for (const char* text : texts) EXPECT_NE(page.FindCell(text), nullptr) << text;
        for (const std::string& what : CellsThatClip(surface.Dc(), page)) ADD_FAILURE() << what;

        fw::RecordingDrawContext recording(surface.Dc());
        view.DrawReport(recording, surface.Width(), surface.Height());
        const auto drawn = recording.All(fw::RecordingDrawContext::Op::DrawText);
        EXPECT_GT(drawn.size(), 40u);
        for (const char* text : texts) EXPECT_NE(recording.FindText(text), nullptr) << text;
        for (const auto* call : drawn) EXPECT_TRUE(call->flags & fw::DT_NOPREFIX) << call->text;
    }
}

// A test as the laboratory writes it: "&" in the project and the operator,
// a long specimen and test name, forces with a decimal, both warnings.
void FillRealisticTest(CQXRYXTestDoc& doc) {
    testingtest::FillKnownTest(doc);
    doc.m_project.m_data = "R&D Lab";
    doc.m_operator.m_data = "Smith & Jones";
    doc.m_specimen.m_data = "PG 64-22 RTFO/PAV B2";
    doc.m_testName.m_data = "24010103";
    doc.m_apparatusId.m_data = "RYX-0042";
    doc.m_minTemperature.m_data = -18.35f;
    doc.m_tempCalibrationDate = 0;
    doc.m_averageForce.m_data = 980.7f;
    doc.m_maxForce.m_data = 985.2f;
    doc.m_minForce.m_data = 976.1f;
    doc.m_negDeviationEarly.m_data = -12.4f;
    doc.m_posDeviationEarly.m_data = 8.8f;
    doc.m_negDeviationLate.m_data = -4.6f;
    doc.m_posDeviationLate.m_data = 4.5f;
}

TEST_F(ReportViewTest, EveryTextOfARealisticReportFitsItsCellAndKeepsItsAmpersands) {
    ASSERT_EQ(theRegistry.SetForceResolution(1), 0u);
    CQXRYXTestDoc saved;
    FillRealisticTest(saved);
    path = dir + "/24010103.ryx";
    ASSERT_TRUE(saved.OnSaveDocument(path));
    doc = dynamic_cast<CQXRYXTestDoc*>(reports->OpenDocumentFile(path.c_str()));
    ASSERT_NE(doc, nullptr);
    Pump();
    CQXRYXDataView* view = ViewOf(*doc);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->Model().Warning541());
    ASSERT_TRUE(view->Model().Warning542());
    EXPECT_TRUE(
        main->grab().toImage().save(QString::fromStdString(ArtefactDir() + "/report-window-realistic.png")));

    ExpectEveryTextFitsAndStands(*view, dir + "/fit.pdf", {" R&D Lab", " Smith & Jones"});
    // On paper, as the print command prints it.
    const std::string pdf = ArtefactDir() + "/report-print-realistic.pdf";
    ASSERT_TRUE(PrintToPdf(*view, pdf));
    const std::string text = PdfText(pdf);
    ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) is needed";
    for (const char* known : {"R&D Lab", "Smith & Jones", "PG 64-22 RTFO/PAV B2"})
        EXPECT_NE(text.find(known), std::string::npos) << known << "\n" << text;
    EXPECT_TRUE(PdfToPng(pdf, ArtefactDir() + "/report-print-realistic"));
}

// The Delta Tc window.
class DeltaTcViewTest : public ReportViewTest {
protected:
    static DeltaTcData Record(const char* name, float target, float s, float m) {
        DeltaTcData d;
        d.m_strFileName.m_data = name;
        d.m_strOperator.m_data = "Op";
        d.m_strSpecimen.m_data = "B1";
        d.m_strTestTime.m_data = " 10:00:00";
        d.m_strTestDate.m_data = " 01/01/24";
        d.m_strProject.m_data = "Proj";
        d.m_strInstrumentId.m_data = "RYX-7";
        d.m_fTargetTemp.m_data = target;
        d.m_fMinTemp.m_data = target - 0.05f;
        d.m_fMaxTemp.m_data = target + 0.05f;
        d.m_fStiffness60.m_data = s;
        d.m_fMValue60.m_data = m;
        return d;
    }
    CQXRYXDeltaTcView* Open() {
        auto* d = dynamic_cast<CQXRYXDeltaTcDoc*>(deltas->OpenDocumentFile("Delta Tc"));
        EXPECT_NE(d, nullptr);
        if (!d) return nullptr;
        deltaDoc = d;
        Pump();
        return d->GetViews().empty() ? nullptr : dynamic_cast<CQXRYXDeltaTcView*>(d->GetViews().front());
    }
    CQXRYXDeltaTcDoc* deltaDoc = nullptr;
};

TEST_F(DeltaTcViewTest, BeforeItsTestsTheWindowShowsEmptyResultsThenTheComputedOnes) {
    CQXRYXDeltaTcView* view = Open();
    ASSERT_NE(view, nullptr);
    EXPECT_NE(dynamic_cast<CQXRYXDataFrm*>(view->GetParentFrame()), nullptr);
    EXPECT_TRUE(view->GetParentFrame()->isMaximized());
    const report::ScrollSizes sizes = report::DeltaTcScrollSizes(view->Metrics());
    EXPECT_EQ(view->GetTotalSize(), sizes.total);
    EXPECT_EQ(view->GetPageSize(), sizes.page);
    EXPECT_FALSE(std::isfinite(view->Results().tcStiffness.m_data));
    EXPECT_FALSE(view->grab().toImage().isNull());

    deltaDoc->SetData(Record("T1", -12.0f, 200.0f, 0.350f), Record("T2", -18.0f, 400.0f, 0.280f));
    deltaDoc->UpdateAllViews(nullptr);
    EXPECT_EQ(view->m_data2.m_strFileName.m_data, "T2");
    EXPECT_EQ(view->Results().tcStiffness.Format(" %-.1f"), " -25.5");
    EXPECT_EQ(view->Results().tcMValue.Format(" %-.1f"), " -26.3");
    EXPECT_EQ(view->Results().deltaTc.Format(" %-.1f"), " 0.8");
    Pump();
    EXPECT_TRUE(main->grab().toImage().save(QString::fromStdString(ArtefactDir() + "/deltatc-window.png")));

    const std::string pdf = ArtefactDir() + "/deltatc-print.pdf";
    std::filesystem::remove(pdf);
    ASSERT_TRUE(PrintToPdf(*view, pdf));
    EXPECT_EQ(PdfPages(pdf), 1);
    const std::string text = PdfText(pdf);
    ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) is needed";
    for (const char* known : {"T1", "T2", "-12.0", "-18.0", "0.350", "0.280", "200", "400", "-25.5", "-26.3", "0.8",
                              "Delta Critical Temp"}) {
        EXPECT_NE(text.find(known), std::string::npos) << known << "\n" << text;
    }
    EXPECT_TRUE(PdfToPng(pdf, ArtefactDir() + "/deltatc-print"));

    QImage image(4961, 7016, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(600 / 0.0254));
    image.setDotsPerMeterY(qRound(600 / 0.0254));
    {
        fw::PainterContext dc(image);
        view->DrawReport(dc, image.width(), image.height());
    }
    EXPECT_TRUE(image.save(QString::fromStdString(ArtefactDir() + "/deltatc-600dpi.png")));
}

TEST_F(DeltaTcViewTest, EveryTextOfARealisticPairFitsItsCellAndKeepsItsAmpersands) {
    CQXRYXDeltaTcView* view = Open();
    ASSERT_NE(view, nullptr);
    auto realistic = [](const char* name, float target, float s, float m) {
        DeltaTcData d = Record(name, target, s, m);
        d.m_strOperator.m_data = "Smith & Jones";
        d.m_strProject.m_data = "R&D Lab";
        d.m_strSpecimen.m_data = "PG 64-22 RTFO/PAV B2";
        d.m_strInstrumentId.m_data = "RYX-0042";
        d.m_strTestDate.m_data = " 12/31/2024";
        return d;
    };
    deltaDoc->SetData(realistic("24010103", -12.0f, 215.0f, 0.338f),
                      realistic("24010104", -18.0f, 433.0f, 0.286f));
    deltaDoc->UpdateAllViews(nullptr);
    Pump();
    EXPECT_TRUE(
        main->grab().toImage().save(QString::fromStdString(ArtefactDir() + "/deltatc-window-realistic.png")));

    ExpectEveryTextFitsAndStands(*view, dir + "/fit.pdf", {"R&D Lab", "Smith & Jones"});
    const std::string pdf = ArtefactDir() + "/deltatc-print-realistic.pdf";
    ASSERT_TRUE(PrintToPdf(*view, pdf));
    const std::string text = PdfText(pdf);
    ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) is needed";
    for (const char* known : {"R&D Lab", "Smith & Jones", "24010103", "24010104"})
        EXPECT_NE(text.find(known), std::string::npos) << known << "\n" << text;
    EXPECT_TRUE(PdfToPng(pdf, ArtefactDir() + "/deltatc-print-realistic"));
}

TEST_F(DeltaTcViewTest, TheScrollingKeysMoveTheWindowAndOthersDoNothing) {
    CQXRYXDeltaTcView* view = Open();
    ASSERT_NE(view, nullptr);
    main->showNormal();
    view->GetParentFrame()->showNormal();
    view->GetParentFrame()->resize(300, 200);
    Pump();
    ASSERT_GT(view->GetScrollLimit().y, 0);
    Key(*view, Qt::Key_PageDown);
    EXPECT_EQ(view->GetDeviceScrollPosition().y, std::min(view->GetScrollLimit().y, view->GetPageSize().cy));
    Key(*view, Qt::Key_End);
    EXPECT_EQ(view->GetDeviceScrollPosition().x, view->GetScrollLimit().x);
    const fw::Point before = view->GetDeviceScrollPosition();
    Key(*view, Qt::Key_X);
    EXPECT_EQ(view->GetDeviceScrollPosition(), before);
}

}  // namespace

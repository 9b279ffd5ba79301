#include "testing/ReportLayout.h"

#include <cmath>
#include <ctime>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportText.h"
#include "framework/core/Strings.h"
#include "platform/Numbers.h"

namespace report {

namespace {

constexpr unsigned kLeft = 0x24;     // DT_LEFT | DT_VCENTER | DT_SINGLELINE
constexpr unsigned kRight = 0x26;    // DT_RIGHT | DT_VCENTER | DT_SINGLELINE
constexpr unsigned kCentre = 0x25;   // DT_CENTER | DT_VCENTER | DT_SINGLELINE
constexpr unsigned kHeading = 0x15;  // DT_CENTER | DT_VCENTER | DT_WORDBREAK
constexpr unsigned kScreenBorder = fw::BF_RECT | fw::BF_ADJUST;                // 0x200F
constexpr unsigned kPaperBorder = fw::BF_RECT | fw::BF_ADJUST | fw::BF_MONO;   // 0xA00F

// The tolerance of the target temperature, as a float.
constexpr float kTolerance = 0.101f;

constexpr COLORREF kWhite = fw::RGB(255, 255, 255);
constexpr COLORREF kBlack = fw::RGB(0, 0, 0);
constexpr COLORREF kRed = fw::RGB(255, 0, 0);

std::string DateOrUnknown(Time64 t) { return exporttext::ReportTimeText(t, " %x"); }

bool DateUnset(Time64 t) {
    std::tm tm{};
    return !exporttext::ToLocalTime(t, tm);
}

// A float cell's text in fmt; an empty text when there is no cell.
std::string Text(const CQXFloatData* cell, const char* fmt) { return cell ? cell->Format(fmt) : std::string(); }

// The drawing state the report changes between groups of cells: one style
// record for the page, the text colour and the current font.
class Painter {
public:
    Painter(Page& page, bool printing) : m_page(page) {
        m_style.bDrawEdge = FALSE;
        m_style.nFormat = kLeft;
        m_style.nEdge = fw::EDGE_SUNKEN;
        m_style.nBorderFlags = printing ? kPaperBorder : kScreenBorder;
    }
    CellStyle& Style() { return m_style; }
    void SetTextColour(COLORREF c) { m_text = c; }
    void SetFont(Font f) { m_font = f; }
    void Cell(int left, int top, int width, int height, std::string text) {
        Item i;
        i.op = Op::Cell;
        i.rect = {left, top, left + width, top + height};
        i.text = std::move(text);
        i.font = m_font;
        i.style = m_style;
        i.colour = m_text;
        m_page.items.push_back(std::move(i));
    }
    void Fill(const fw::Rect& r, COLORREF c) {
        Item i;
        i.op = Op::Fill;
        i.rect = r;
        i.colour = c;
        m_page.items.push_back(std::move(i));
    }
    void Edge(const fw::Rect& r, unsigned edge, unsigned flags) {
        Item i;
        i.op = Op::Edge;
        i.rect = r;
        i.edge = edge;
        i.flags = flags;
        m_page.items.push_back(std::move(i));
    }
    void Line(int x1, int y1, int x2, int y2) {
        Item i;
        i.op = Op::Line;
        i.rect = {x1, y1, x2, y2};
        m_page.items.push_back(std::move(i));
    }
    void Outline(const fw::Rect& r) {
        Item i;
        i.op = Op::Outline;
        i.rect = r;
        m_page.items.push_back(std::move(i));
    }
    void Text(int x, int y, std::string text, Font font, COLORREF colour) {
        Item i;
        i.op = Op::Text;
        i.rect = {x, y, x, y};
        i.text = std::move(text);
        i.font = font;
        i.colour = colour;
        m_page.items.push_back(std::move(i));
    }

private:
    Page& m_page;
    CellStyle m_style;
    COLORREF m_text = kBlack;
    Font m_font = Font::Label;
};

}  // namespace

ReportMetrics CalcReportMetrics(fw::DrawContext& dc) {
    const FontMeasure label = MeasureFont(dc, Font::Label);
    const FontMeasure table = MeasureFont(dc, Font::Table);
    return {label.charWidth, table.charWidth, table.lineHeight};
}

ScrollSizes ReportScrollSizes(const ReportMetrics& m) {
    const fw::Size total{m.BlockWidth() - 5, 35 * m.lh};
    return {total, {total.cx / 4, total.cy / 4}, {m.e, m.lh}};
}

void ReportModel::Fill(CQXRYXTestDoc& doc) {
    m_doc = &doc;
    m_project.m_data = " " + doc.m_project.m_data;
    m_operator.m_data = " " + doc.m_operator.m_data;
    m_specimen.m_data = " " + doc.m_specimen.m_data;
    m_testTime.m_data = exporttext::ReportTimeText(doc.m_testTime, " %X");
    m_testDate.m_data = exporttext::ReportTimeText(doc.m_testTime, " %x");
    m_testName.m_data = " " + doc.m_testName.m_data;
    m_apparatusId.m_data = " " + doc.m_apparatusId.m_data;
    m_softwareVersion.m_data = " " + doc.m_softwareVersion.m_data;

    m_deflConst1000.m_data = doc.m_deflectionConstant.m_data * 1000.0f;
    m_compliance1e6.m_data = doc.m_compliance.m_data * 1000000.0f;
    m_confidence100.m_data = doc.m_confidenceResult.m_data * 100.0f;

    m_confDate.m_data = DateOrUnknown(doc.m_confidenceDate);
    m_calDate.m_data = DateOrUnknown(doc.m_calibrationDate);
    m_tempCalDate.m_data = DateOrUnknown(doc.m_tempCalibrationDate);

    BuildWarnings();

    const UINT col1[7] = {450, 451, 452, 453, 454, 455, 482};
    const UINT col3[7] = {461, 462, 463, 464, 465, 466, 483};
    for (size_t r = 0; r < 7; ++r) {
        m_labels1[r].m_data = fw::LoadString(col1[r]);
        m_labels3[r].m_data = fw::LoadString(col3[r]);
    }
    if (doc.m_bImported) {
        const UINT col2[5] = {456, 457, 458, 459, 460};
        for (size_t r = 0; r < 7; ++r) m_labels2[r].m_data = r < 5 ? fw::LoadString(col2[r]) : std::string();
    } else {
        const UINT col2[7] = {456, 469, 481, 468, 458, 459, 460};
        for (size_t r = 0; r < 7; ++r) m_labels2[r].m_data = fw::LoadString(col2[r]);
    }
    for (size_t i = 0; i < m_headings.size(); ++i) m_headings[i].m_data = fw::LoadString(470 + static_cast<UINT>(i));
    for (size_t i = 0; i < m_fitLabels.size(); ++i) m_fitLabels[i].m_data = fw::LoadString(477 + static_cast<UINT>(i));
    // The times in the labels beside the values, with the values' decimal
    // separator (the user's locale, as the cells format).
    auto withTime = [](UINT id, double t) { return platform::FormatUser(fw::LoadString(id).c_str(), t); };
    m_forceLabel0.m_data = withTime(752, 0.0);
    m_deflLabel0.m_data = withTime(756, 0.0);
    m_forceLabel1.m_data = withTime(760, 0.5);
    m_deflLabel1.m_data = withTime(764, 0.5);
    m_mm.m_data = fw::LoadString(768);
    m_maxForceLabel.m_data = fw::LoadString(772);
    m_avgForceLabel.m_data = fw::LoadString(776);
    m_minForceLabel.m_data = fw::LoadString(780);
    m_devEarlyLabel.m_data = fw::LoadString(788);
    m_devLateLabel.m_data = fw::LoadString(789);
    m_mN.m_data = fw::LoadString(784);
}

void ReportModel::BuildWarnings() {
    m_bWarning541 = m_bWarning542 = false;
    m_warning541.m_data.clear();
    m_warning542.m_data.clear();
    if (!m_doc) return;
    const float target = m_doc->m_targetTemperature.m_data;
    const double dMin = std::fabs(static_cast<double>(target - m_doc->m_minTemperature.m_data));
    const double dMax = std::fabs(static_cast<double>(target - m_doc->m_maxTemperature.m_data));
    if (dMin > static_cast<double>(kTolerance) || dMax > static_cast<double>(kTolerance)) {
        m_warning541.m_data =
            platform::FormatUser(fw::LoadString(541).c_str(), static_cast<double>(kTolerance));
        m_bWarning541 = true;
    }
    if (DateUnset(m_doc->m_tempCalibrationDate) && !m_doc->m_bImported) {
        m_warning542.m_data = fw::LoadString(542);
        m_bWarning542 = true;
    }
}

Page ReportModel::Layout(const ReportMetrics& m, const ReportTarget& t) const {
    Page page;
    if (!m_doc) return page;
    CQXRYXTestDoc& doc = *m_doc;
    const bool print = t.printing;
    const int W = t.width;
    const int a = m.a;
    const int e = m.e;
    const int lh = m.lh;
    const COLORREF pageColour = print ? kWhite : fw::GetSysColor(fw::COLOR_INACTIVEBORDER);
    const COLORREF window = fw::GetSysColor(fw::COLOR_WINDOW);
    const COLORREF windowText = fw::GetSysColor(fw::COLOR_WINDOWTEXT);
    const char* forceFmt = t.forceDecimals ? "%- 3.1f" : "%- 3.0f";

    Painter p(page, print);
    p.Fill({0, 0, W + 1, t.height + 1}, pageColour);
    p.Style().crBack = pageColour;
    p.SetTextColour(print ? kBlack : windowText);

    // Header on paper.
    int T0 = lh;
    if (print) {
        p.Text((W - t.headerWidth) / 2, 3 * lh, t.header, Font::Header, kBlack);
        p.Line(5 * a, 5 * lh, W - 5 * a, 5 * lh);
        T0 = 8 * lh;
    }

    // Data block.
    p.SetFont(Font::Label);
    const int X0 = (W - 127 * a) / 2 + 5 * a;
    auto rowTop = [&](int r) { return T0 + r * lh; };
    for (int r = 0; r < 7; ++r) {
        const size_t i = static_cast<size_t>(r);
        p.Cell(X0, rowTop(r), 12 * a, lh, m_labels1[i].m_data);
        if (!m_labels2[i].m_data.empty()) p.Cell(X0 + 45 * a, rowTop(r), 20 * a, lh, m_labels2[i].m_data);
        p.Cell(X0 + 80 * a, rowTop(r), 23 * a, lh, m_labels3[i].m_data);
    }
    auto valueStyle = [&](unsigned format) {
        if (!print) {
            p.Style().bDrawEdge = TRUE;
            p.Style().crBack = window;
            p.SetTextColour(windowText);
        }
        p.Style().nFormat = format;
    };
    valueStyle(kLeft);
    // Column 1.
    const std::string* col1[7] = {&m_project.m_data,  &m_operator.m_data, &m_specimen.m_data,   &m_testTime.m_data,
                                  &m_testDate.m_data, &m_testName.m_data, &m_apparatusId.m_data};
    for (int r = 0; r < 7; ++r) p.Cell(X0 + 12 * a, rowTop(r), 31 * a, lh, *col1[r]);
    // Column 2.
    const int X2 = X0 + 65 * a;
    const char* temp = " %-.1f";
    const char* mm = " %.2f";
    if (doc.m_bImported) {
        p.Cell(X2, rowTop(0), 13 * a, lh, doc.m_targetTemperature.Format(temp));
        p.Cell(X2, rowTop(1), 13 * a, lh, doc.m_minTemperature.Format(temp));
        p.Cell(X2, rowTop(2), 13 * a, lh, doc.m_soakTime.Format(temp));
        p.Cell(X2, rowTop(3), 13 * a, lh, doc.m_beamWidth.Format(mm));
        p.Cell(X2, rowTop(4), 13 * a, lh, doc.m_beamThickness.Format(mm));
    } else {
        p.Cell(X2, rowTop(0), 13 * a, lh, doc.m_targetTemperature.Format(temp));
        p.Cell(X2, rowTop(1), 13 * a, lh, doc.m_minTemperature.Format(temp));
        p.Cell(X2, rowTop(2), 13 * a, lh, doc.m_maxTemperature.Format(temp));
        p.Cell(X2, rowTop(3), 13 * a, lh, m_tempCalDate.m_data);
        p.Cell(X2, rowTop(4), 13 * a, lh, doc.m_soakTime.Format(temp));
        p.Cell(X2, rowTop(5), 13 * a, lh, doc.m_beamWidth.Format(mm));
        p.Cell(X2, rowTop(6), 13 * a, lh, doc.m_beamThickness.Format(mm));
    }
    // Column 3.
    const int X3 = X0 + 103 * a;
    const char* g3 = " %.3g";
    p.Cell(X3, rowTop(0), 14 * a, lh, m_confidence100.Format(g3));
    p.Cell(X3, rowTop(1), 14 * a, lh, m_confDate.m_data);
    p.Cell(X3, rowTop(2), 14 * a, lh, doc.m_forceConstant.Format(g3));
    p.Cell(X3, rowTop(3), 14 * a, lh, m_deflConst1000.Format(g3));
    p.Cell(X3, rowTop(4), 14 * a, lh, m_compliance1e6.Format(g3));
    p.Cell(X3, rowTop(5), 14 * a, lh, m_calDate.m_data);
    p.Cell(X3, rowTop(6), 14 * a, lh, m_softwareVersion.m_data);

    // Warnings.
    int Y = T0 + 7 * lh;
    const int Lt = (W - 71 * e) / 2;
    auto warning = [&](const std::string& text) {
        Y += 2 * lh;
        p.Style().nFormat = kCentre;
        if (print) {
            p.Style().bDrawEdge = FALSE;
            p.Style().crBack = kWhite;
        } else {
            p.Style().bDrawEdge = TRUE;
            p.Style().crBack = kRed;
        }
        p.Cell(Lt, Y, 71 * e, lh, text);
        p.SetTextColour(kBlack);
        p.Style().crBack = kWhite;
    };
    if (m_bWarning541) warning(m_warning541.m_data);
    if (m_bWarning542) warning(m_warning542.m_data);

    // The results table.
    const int Ty = Y + (print ? 4 : 2) * lh;
    if (!print) p.Fill({Lt, Ty + 3 * lh + 2, Lt + 71 * e, Ty + 9 * lh + 4}, window);
    p.Edge({Lt, Ty, Lt + 71 * e, Ty + 9 * lh + 4}, fw::EDGE_SUNKEN, print ? (fw::BF_RECT | fw::BF_MONO) : fw::BF_RECT);
    p.Style().bDrawEdge = FALSE;
    p.Style().nFormat = kHeading;
    if (!print) {
        p.Style().crBack = pageColour;
        p.SetTextColour(windowText);
    }
    p.SetFont(Font::Label);
    const int widths[7] = {7 * e, 7 * e, 12 * e, 12 * e, 12 * e, 11 * e, 8 * e};
    int x = Lt + 2;
    for (size_t c = 0; c < 7; ++c) {
        p.Cell(x, Ty + 2, widths[c], 3 * lh, m_headings[c].m_data);
        x += widths[c];
    }
    p.Line(Lt, Ty + 3 * lh + 1, Lt + 71 * e - 1, Ty + 3 * lh + 1);

    p.Style().nFormat = kCentre;
    if (!print) {
        p.Style().crBack = window;
        p.SetTextColour(windowText);
    }
    auto rowY = [&](int i) { return Ty + 3 * lh + 2 + i * lh; };
    for (int i = 0; i < 6; ++i) {
        const size_t s = static_cast<size_t>(i);
        const int k = CQXRYXTestDoc::kReportPoints[s];
        if (i == 3) {
            p.SetFont(Font::Highlight);
            if (!print) p.SetTextColour(fw::GetSysColor(fw::COLOR_ACTIVECAPTION));
        } else {
            p.SetFont(Font::Table);
            p.SetTextColour(windowText);
        }
        const std::string texts[7] = {
            doc.m_reportTimes[s].Format("%.1f"),
            Text(doc.GetForce(k), forceFmt),
            Text(doc.GetDeflection(k), "%- #5.5f"),
            doc.m_measuredStiffness[s].Format("%-6.3g"),
            doc.m_estimatedStiffness[s].Format("%-6.3g"),
            doc.m_difference[s].Format("%- #6.3g"),
            doc.m_mValue[s].Format("%- #3.3f"),
        };
        x = Lt + 2;
        for (size_t c = 0; c < 7; ++c) {
            p.Cell(x, rowY(i), widths[c], lh, texts[c]);
            x += widths[c];
        }
    }
    if (print) p.Outline({Lt + 2, rowY(3), Lt + 71 * e - 2, rowY(4)});

    // Fit row.
    const int R = Ty + 9 * lh + 2;
    const int fitTop = R + lh;
    auto labelStyle = [&](unsigned format) {
        p.Style().bDrawEdge = FALSE;
        p.Style().nFormat = format;
        if (!print) {
            p.Style().crBack = pageColour;
            p.SetTextColour(windowText);
        }
        p.SetFont(Font::Label);
    };
    labelStyle(kRight);
    const int Xf = (W - 86 * a) / 2;
    for (size_t i = 0; i < 4; ++i) p.Cell(Xf + 21 * a * static_cast<int>(i), fitTop, 6 * a, lh, m_fitLabels[i].m_data);
    valueStyle(kLeft);
    p.Cell(Xf + 6 * a, fitTop, 15 * a, lh, doc.m_fitA.Format(" %.3g"));
    p.Cell(Xf + 27 * a, fitTop, 15 * a, lh, doc.m_fitB.Format(" %.3g"));
    p.Cell(Xf + 48 * a, fitTop, 15 * a, lh, doc.m_fitC.Format(" %.3g"));
    p.Cell(Xf + 69 * a, fitTop, 15 * a, lh, doc.m_rSquared.Format(" %.6f"));

    // Forces at 0.0 s and 0.5 s.
    const int F0 = fitTop + 2 * lh;
    const int F1 = F0 + lh;
    const int Xv = (W - 66 * a) / 2;
    labelStyle(kLeft);
    p.Cell(Xv, F0, 16 * a, lh, m_forceLabel0.m_data);
    p.Cell(Xv + 23 * a, F0, 28 * a, lh, m_deflLabel0.m_data);
    p.Cell(Xv + 60 * a, F0, 5 * a, lh, m_mm.m_data);
    p.Cell(Xv, F1, 16 * a, lh, m_forceLabel1.m_data);
    p.Cell(Xv + 23 * a, F1, 28 * a, lh, m_deflLabel1.m_data);
    p.Cell(Xv + 60 * a, F1, 5 * a, lh, m_mm.m_data);
    valueStyle(kRight);
    for (int j = 0; j < 2; ++j) {
        const int top = j == 0 ? F0 : F1;
        p.Cell(Xv + 16 * a, top, 7 * a, lh, Text(doc.GetForce(j), forceFmt));
        p.Cell(Xv + 51 * a, top, 9 * a, lh, Text(doc.GetDeflection(j), "%- #5.5f"));
    }

    // Force deviations.
    const int D0 = F1 + 2 * lh;
    const int D1 = D0 + lh;
    const int Xd = (W - 58 * a) / 2;
    labelStyle(kLeft);
    p.Cell(Xd, D0, 39 * a, lh, m_devEarlyLabel.m_data);
    p.Cell(Xd + 53 * a, D0, 5 * a, lh, m_mN.m_data);
    p.Cell(Xd, D1, 39 * a, lh, m_devLateLabel.m_data);
    p.Cell(Xd + 53 * a, D1, 5 * a, lh, m_mN.m_data);
    valueStyle(kRight);
    const char* devFmt = print ? (t.forceDecimals ? "%+3.1f" : "%+3.0f") : (t.forceDecimals ? "%+6.1f" : "%+6.0f");
    p.Cell(Xd + 39 * a, D0, 14 * a, lh, doc.m_negDeviationEarly.Format(devFmt) + ", " + doc.m_posDeviationEarly.Format(devFmt));
    p.Cell(Xd + 39 * a, D1, 14 * a, lh, doc.m_negDeviationLate.Format(devFmt) + ", " + doc.m_posDeviationLate.Format(devFmt));

    // Force statistics.
    const int S0 = D1 + 2 * lh;
    const int Xs = (W - 46 * a) / 2;
    labelStyle(kLeft);
    const std::string* stats[3] = {&m_avgForceLabel.m_data, &m_maxForceLabel.m_data, &m_minForceLabel.m_data};
    for (int i = 0; i < 3; ++i) {
        p.Cell(Xs, S0 + i * lh, 34 * a, lh, *stats[i]);
        p.Cell(Xs + 41 * a, S0 + i * lh, 5 * a, lh, m_mN.m_data);
    }
    valueStyle(kRight);
    const CQXFloatData* statValues[3] = {&doc.m_averageForce, &doc.m_maxForce, &doc.m_minForce};
    for (int i = 0; i < 3; ++i) p.Cell(Xs + 34 * a, S0 + i * lh, 7 * a, lh, statValues[i]->Format(forceFmt));
    return page;
}

ReportTarget PageTarget(fw::DrawContext& dc, int W, int H, UINT titleId) {
    ReportTarget t;
    t.width = W;
    t.height = H;
    t.printing = dc.IsPrinting();
    if (t.printing) {
        t.header = fw::LoadString(titleId) + exporttext::LocaleTimeText(std::time(nullptr), "     %c");
        const int saved = dc.SaveDC();
        dc.SelectFont(DeviceFont(Font::Header, dc));
        t.headerWidth = dc.GetTextExtent(t.header).cx;
        dc.RestoreDC(saved);
    }
    return t;
}

}  // namespace report

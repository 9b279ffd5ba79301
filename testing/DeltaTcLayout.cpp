#include "testing/DeltaTcLayout.h"

#include <cmath>

#include "framework/core/Strings.h"

namespace report {

namespace {

constexpr unsigned kLeft = fw::DT_SINGLELINE | fw::DT_VCENTER;
constexpr unsigned kCentre = fw::DT_CENTER | fw::DT_VCENTER | fw::DT_SINGLELINE;
constexpr COLORREF kWhite = fw::RGB(255, 255, 255);
constexpr COLORREF kBlack = fw::RGB(0, 0, 0);

Item MakeCell(int left, int top, int width, int height, std::string text, Font font, const CellStyle& style,
              COLORREF textColour) {
    Item i;
    i.op = Op::Cell;
    i.rect = {left, top, left + width, top + height};
    i.text = std::move(text);
    i.font = font;
    i.style = style;
    i.colour = textColour;
    return i;
}

}  // namespace

DeltaTcMetrics CalcDeltaTcMetrics(fw::DrawContext& dc) {
    const FontMeasure large = MeasureFont(dc, Font::Header);
    const FontMeasure small = MeasureFont(dc, Font::Label);
    return {small.lineHeight, small.charWidth, large.lineHeight, large.charWidth};
}

ScrollSizes DeltaTcScrollSizes(const DeltaTcMetrics& m) {
    const fw::Size total{120 * m.c - 5, 25 * m.L};
    return {total, {total.cx / 2, total.cy / 2}, {m.c, m.L}};
}

std::string DeltaTcResultText(const CQXFloatData& value) {
    if (!std::isfinite(value.m_data)) return {};
    return value.Format(kDeltaTcResultFormat);
}

Page LayoutDeltaTc(const DeltaTcMetrics& m, const ReportTarget& t, const DeltaTcData& test1, const DeltaTcData& test2,
                   const DeltaTcResults& results) {
    Page page;
    const bool print = t.printing;
    const int cx = t.width;
    const int L = m.L;
    const int c = m.c;
    const int L1 = m.L1;
    const int b = m.b;
    const COLORREF pageColour = print ? kWhite : fw::GetSysColor(fw::COLOR_INACTIVEBORDER);
    const COLORREF textColour = print ? kBlack : fw::GetSysColor(fw::COLOR_WINDOWTEXT);

    Item fill;
    fill.op = Op::Fill;
    fill.rect = {0, 0, cx + 1, t.height + 1};
    fill.colour = pageColour;
    page.items.push_back(fill);

    CellStyle label;
    label.bDrawEdge = FALSE;
    label.nFormat = kLeft;
    label.crBack = pageColour;
    label.nEdge = fw::EDGE_SUNKEN;
    label.nBorderFlags = fw::BF_RECT | fw::BF_ADJUST | (print ? fw::BF_MONO : 0u);
    CellStyle value = label;
    if (!print) {
        value.bDrawEdge = TRUE;
        value.crBack = fw::GetSysColor(fw::COLOR_WINDOW);
    }

    const int x0 = (cx - 120 * c) / 2;
    int T0 = L;
    if (print) {
        Item header;
        header.op = Op::Text;
        header.rect = {(cx - t.headerWidth) / 2, 3 * L, 0, 0};
        header.rect.right = header.rect.left;
        header.rect.bottom = header.rect.top;
        header.text = t.header;
        header.font = Font::Header;
        header.colour = kBlack;
        page.items.push_back(header);
        Item rule;
        rule.op = Op::Line;
        rule.rect = {5 * c, 5 * L, cx - 5 * c, 5 * L};
        page.items.push_back(rule);
        T0 = 8 * L;
    }

    // File names over the two blocks.
    CellStyle names = label;
    names.nFormat = kCentre;
    page.items.push_back(
        MakeCell(x0 + 5 * c + 25 * c / 2, T0, 25 * c, L, test1.m_strFileName.m_data, Font::Header, names, textColour));
    page.items.push_back(
        MakeCell(x0 + 65 * c + 25 * c / 2, T0, 25 * c, L, test2.m_strFileName.m_data, Font::Header, names, textColour));

    // Labels, then the two tests' values.
    static constexpr UINT kLabels[11] = {451, 452, 453, 454, 450, 482, 456, 469, 481, 485, 484};
    auto top = [&](int row) { return T0 + 2 * L + row * L; };
    for (int r = 0; r < 11; ++r)
        page.items.push_back(MakeCell(x0 + 5 * c, top(r), 25 * c, L, fw::LoadString(kLabels[r]), Font::Label, label,
                                      textColour));
    for (int r = 0; r < 11; ++r)
        page.items.push_back(MakeCell(x0 + 65 * c, top(r), 25 * c, L, fw::LoadString(kLabels[r]), Font::Label, label,
                                      textColour));
    const std::array<std::string, 11> rows1 = FormatDeltaTcRows(test1);
    const std::array<std::string, 11> rows2 = FormatDeltaTcRows(test2);
    for (size_t r = 0; r < 11; ++r)
        page.items.push_back(
            MakeCell(x0 + 30 * c, top(static_cast<int>(r)), 25 * c, L, rows1[r], Font::Label, value, textColour));
    for (size_t r = 0; r < 11; ++r)
        page.items.push_back(
            MakeCell(x0 + 90 * c, top(static_cast<int>(r)), 25 * c, L, rows2[r], Font::Label, value, textColour));

    // The critical temperatures, 4L below row 10.
    const int xr = (cx - 58 * c) / 2;
    const int r1 = top(10) + L + 4 * L;
    const int r2 = r1 + L;
    page.items.push_back(MakeCell(xr, r1, 48 * c, L, fw::LoadString(486), Font::Label, label, textColour));
    page.items.push_back(
        MakeCell(xr + 48 * c, r1, 10 * c, L, DeltaTcResultText(results.tcStiffness), Font::Label, value, textColour));
    page.items.push_back(MakeCell(xr, r2, 48 * c, L, fw::LoadString(487), Font::Label, label, textColour));
    page.items.push_back(
        MakeCell(xr + 48 * c, r2, 10 * c, L, DeltaTcResultText(results.tcMValue), Font::Label, value, textColour));

    // Delta Tc in the large font, 3L below the top of the second result row.
    const int rd = r2 + 3 * L;
    const int xd = (cx - 36 * b) / 2;
    page.items.push_back(MakeCell(xd, rd, 26 * b, L1, fw::LoadString(488), Font::Header, label, textColour));
    page.items.push_back(
        MakeCell(xd + 26 * b, rd, 10 * b, L1, DeltaTcResultText(results.deltaTc), Font::Header, value, textColour));
    return page;
}

}  // namespace report

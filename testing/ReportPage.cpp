#include "testing/ReportPage.h"

#include <array>
#include <cstdlib>

namespace report {

namespace {

fw::LogFont Describe(const char* face, int heightHimetric, int weight, uint8_t quality, uint8_t pitchAndFamily) {
    fw::LogFont f;
    f.lfHeight = heightHimetric;
    f.lfWidth = 0;
    f.lfEscapement = 0;
    f.lfOrientation = 0;
    f.lfWeight = weight;
    f.lfItalic = false;
    f.lfUnderline = false;
    f.lfStrikeOut = false;
    f.lfCharSet = 0;          // ANSI_CHARSET
    f.lfOutPrecision = 4;     // OUT_TT_PRECIS
    f.lfClipPrecision = 0x20; // CLIP_TT_ALWAYS
    f.lfQuality = quality;
    f.lfPitchAndFamily = pitchAndFamily;
    f.lfFaceName = face;
    return f;
}

constexpr uint8_t kDefaultQuality = 0;
constexpr uint8_t kProofQuality = 2;
constexpr uint8_t kModernFixed = 0x34;
constexpr uint8_t kSwissVariable = 0x24;

}  // namespace

const fw::LogFont& FontDescription(Font font) {
    static const std::array<fw::LogFont, kFontCount> fonts = {
        Describe("Courier New", 420, 400, kProofQuality, kModernFixed),   // table
        Describe("Arial", 380, 400, kDefaultQuality, kSwissVariable),     // label
        Describe("Courier New", 410, 600, kProofQuality, kModernFixed),   // highlight
        Describe("Arial", 500, 400, kDefaultQuality, kSwissVariable),     // header
    };
    return fonts[static_cast<size_t>(font)];
}

fw::LogFont DeviceFont(Font font, const fw::DrawContext& dc) {
    fw::LogFont f = FontDescription(font);
    // A positive cell height, as the HIMETRIC-to-device conversion of a size.
    f.lfHeight = std::abs(dc.HIMETRICtoDP(fw::Size{0, f.lfHeight}).cy);
    return f;
}

const Item* Page::FindCell(std::string_view text) const {
    for (const Item& i : items)
        if (i.op == Op::Cell && i.text == text) return &i;
    return nullptr;
}

std::vector<const Item*> Page::All(Op op) const {
    std::vector<const Item*> out;
    for (const Item& i : items)
        if (i.op == op) out.push_back(&i);
    return out;
}

FontMeasure MeasureFont(fw::DrawContext& dc, Font font) {
    const int saved = dc.SaveDC();
    dc.SelectFont(DeviceFont(font, dc));
    fw::TextMetric tm;
    dc.GetTextMetrics(tm);
    dc.RestoreDC(saved);
    return {tm.tmHeight + tm.tmExternalLeading + 2, tm.tmAveCharWidth + tm.tmOverhang};
}

void DrawPage(fw::DrawContext& dc, const Page& page) {
    const int saved = dc.SaveDC();
    std::array<fw::LogFont, kFontCount> fonts;
    for (int i = 0; i < kFontCount; ++i) fonts[static_cast<size_t>(i)] = DeviceFont(static_cast<Font>(i), dc);
    dc.SetBkMode(fw::TRANSPARENT);
    dc.MoveTo(0, 0);
    CQXStringData cell;
    for (const Item& item : page.items) {
        switch (item.op) {
            case Op::Fill:
                dc.FillRect(item.rect, item.colour);
                break;
            case Op::Cell:
                dc.SelectFont(fonts[static_cast<size_t>(item.font)]);
                dc.SetTextColor(item.colour);
                dc.SetBkColor(item.style.crBack);
                cell.m_data = item.text;
                cell.Draw(&dc, item.rect, &item.style);
                break;
            case Op::Edge: {
                fw::Rect r = item.rect;
                dc.DrawEdge(r, item.edge, item.flags);
                break;
            }
            case Op::Line:
                dc.MoveTo(item.rect.left, item.rect.top);
                dc.LineTo(item.rect.right, item.rect.bottom);
                break;
            case Op::Outline:
                dc.SelectHollowBrush();
                dc.Rectangle(item.rect.left, item.rect.top, item.rect.right, item.rect.bottom);
                break;
            case Op::Text:
                dc.SelectFont(fonts[static_cast<size_t>(item.font)]);
                dc.SetTextColor(item.colour);
                dc.TextOut(item.rect.left, item.rect.top, item.text);
                break;
        }
    }
    dc.RestoreDC(saved);
}

}  // namespace report

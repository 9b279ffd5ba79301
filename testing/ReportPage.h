#pragma once
// A report page as data: the fills, cells, edges, lines and texts a report
// draws, in drawing order, with their rectangles in device units, their texts
// already formatted, their fonts and colours. The layouts (the test report,
// the Delta Tc report) make a page without drawing anything, so that their
// rules are tested without a display; DrawPage puts a page on any device
// context through the value cells' own drawing.
#include <string>
#include <string_view>
#include <vector>

#include "data/CQXDataObject.h"
#include "framework/core/DrawContext.h"

namespace report {

// The four fonts of the reports. The Delta Tc report's small font is the
// label font and its large font the header font.
enum class Font { Table, Label, Highlight, Header };
inline constexpr int kFontCount = 4;

// The fonts' descriptions with their heights in HIMETRIC (0.01 mm).
const fw::LogFont& FontDescription(Font font);
// The description with its height converted to device units of dc.
fw::LogFont DeviceFont(Font font, const fw::DrawContext& dc);

enum class Op {
    Fill,     // rect filled with colour
    Cell,     // a value cell: text in rect by style, in font, text colour colour
    Edge,     // DrawEdge(rect, edge, flags)
    Line,     // from (rect.left, rect.top) to (rect.right, rect.bottom), current pen
    Outline,  // rectangle outline, hollow brush, current pen
    Text,     // TextOut at (rect.left, rect.top) in font
};

struct Item {
    Op op = Op::Fill;
    fw::Rect rect;
    std::string text;
    Font font = Font::Label;
    CellStyle style;       // cells
    COLORREF colour = 0;   // fill colour, or text colour of cells and texts
    unsigned edge = 0;     // edges
    unsigned flags = 0;
};

struct Page {
    std::vector<Item> items;

    // The first cell whose text is text, or null.
    const Item* FindCell(std::string_view text) const;
    // Every item of one kind, in drawing order.
    std::vector<const Item*> All(Op op) const;
};

// Line height and character width of a font on dc: tmHeight +
// tmExternalLeading + 2, and tmAveCharWidth + tmOverhang.
struct FontMeasure {
    int lineHeight = 0;
    int charWidth = 0;
};
FontMeasure MeasureFont(fw::DrawContext& dc, Font font);

// Draws the page on dc: fonts made for dc, each cell through
// CQXStringData::Draw. The context's state is restored afterwards.
void DrawPage(fw::DrawContext& dc, const Page& page);

}  // namespace report

// Value cells drawn as report cells: the order of fill, edge and text on a
// recording context (every text drawn as it stands, DT_NOPREFIX added to the
// style's flags), and the screen and paper styles drawn into images.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "data/CQXDataObject.h"
#include "framework/ui/PainterContext.h"

namespace fw {
namespace {

// Records the calls a cell makes; DrawEdge shrinks by the two rings as the
// real one does with BF_ADJUST. FillRect can be made to fail as a brush that
// cannot be created would.
class RecordingContext : public DrawContext {
public:
    enum class Fail { kNone, kBadAlloc, kMemory };
    Fail fillFails = Fail::kNone;
    std::vector<std::string> calls;

    bool IsPrinting() const override { return false; }
    int GetDeviceCaps(int) const override { return 96; }
    int SaveDC() override { return 1; }
    bool RestoreDC(int) override { return true; }
    int SetMapMode(int) override { return MM_TEXT; }
    int GetMapMode() const override { return MM_TEXT; }
    Point SetWindowOrg(Point) override { return {}; }
    Point SetViewportOrg(Point) override { return {}; }
    Point LPtoDP(Point p) const override { return p; }
    Point DPtoLP(Point p) const override { return p; }
    Size LPtoDP(Size s) const override { return s; }
    Size DPtoLP(Size s) const override { return s; }
    Rect LPtoDP(const Rect& r) const override { return r; }
    Rect DPtoLP(const Rect& r) const override { return r; }
    Size HIMETRICtoDP(Size s) const override { return s; }
    Size DPtoHIMETRIC(Size s) const override { return s; }
    LogFont SelectFont(const LogFont&) override { return {}; }
    LogFont GetCurrentFont() const override { return {}; }
    void SelectPen(int, int, COLORREF) override { calls.push_back("pen"); }
    void SelectSolidBrush(COLORREF) override { calls.push_back("brush"); }
    void SelectHollowBrush() override { calls.push_back("brush"); }
    COLORREF SetTextColor(COLORREF) override { return 0; }
    COLORREF GetTextColor() const override { return 0; }
    COLORREF SetBkColor(COLORREF) override { return 0; }
    COLORREF GetBkColor() const override { return 0; }
    int SetBkMode(int) override { return OPAQUE; }
    unsigned SetTextAlign(unsigned) override { return 0; }
    void IntersectClipRect(const Rect&) override { calls.push_back("clip"); }
    bool GetTextMetrics(TextMetric&) const override { return true; }
    Size GetTextExtent(std::string_view) const override { return {}; }
    bool TextOut(int, int, std::string_view text) override {
        calls.push_back("textout " + std::string(text));
        return true;
    }
    int DrawText(std::string_view text, Rect& r, unsigned format) override {
        calls.push_back("text '" + std::string(text) + "' " + Str(r) + " " + std::to_string(format));
        return 1;
    }
    Point MoveTo(int, int) override { return {}; }
    bool LineTo(int, int) override { return true; }
    bool Rectangle(int, int, int, int) override { return true; }
    bool Ellipse(int, int, int, int) override { return true; }
    void FillRect(const Rect& r, COLORREF colour) override {
        if (fillFails == Fail::kBadAlloc) throw std::bad_alloc();
        if (fillFails == Fail::kMemory) throw MemoryException();
        calls.push_back("fill " + Str(r) + " " + std::to_string(colour));
    }
    bool DrawEdge(Rect& r, unsigned edge, unsigned flags) override {
        calls.push_back("edge " + Str(r) + " " + std::to_string(edge) + " " + std::to_string(flags));
        if (flags & BF_ADJUST) r.Deflate(2, 2);
        return true;
    }
    bool BitBlt(int, int, int, int, DrawContext&, int, int, unsigned) override { return true; }

    static std::string Str(const Rect& r) {
        return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
               "," + std::to_string(r.bottom) + ")";
    }
};

CellStyle Style(BOOL edge, UINT flags, const char* format = "", UINT format_flags = 0x24) {
    CellStyle s;
    s.bDrawEdge = edge;
    s.nFormat = format_flags;
    s.strFormat = format;
    s.crBack = RGB(1, 2, 3);
    s.nEdge = EDGE_SUNKEN;
    s.nBorderFlags = flags;
    return s;
}

struct CallCase {
    const char* name;
    std::shared_ptr<CQXDataObject<float>> number;  // one of the two is set
    std::shared_ptr<CQXStringData> text;
    CellStyle style;
    std::vector<std::string> calls;
};

TEST(CellDraw, FillThenEdgeThenTextInTheRectangleTheEdgeLeaves) {
    const std::string fill = "fill (10,20,110,40) 197121";
    const CallCase cases[] = {
        {"text without edge",
         nullptr,
         std::make_shared<CQXStringData>("Operator"),
         Style(FALSE, BF_RECT | BF_ADJUST),
         {fill, "text 'Operator' (10,20,110,40) 2084"}},
        {"text with edge, not adjusted",
         nullptr,
         std::make_shared<CQXStringData>("T1"),
         Style(TRUE, BF_RECT),
         {fill, "edge (10,20,110,40) 10 15", "text 'T1' (10,20,110,40) 2084"}},
        {"number inside an adjusted edge",
         std::make_shared<CQXFloatData>(-12.34f),
         nullptr,
         Style(TRUE, BF_RECT | BF_ADJUST, " %-.1f", 0x26),
         {fill, "edge (10,20,110,40) 10 8207", "text ' -12.3' (12,22,108,38) 2086"}},
        {"number, left-justified g format",
         std::make_shared<CQXFloatData>(273.6f),
         nullptr,
         Style(FALSE, BF_RECT, "%-6.3g"),
         {fill, "text '274   ' (10,20,110,40) 2084"}},
        {"number with a format that is not one float conversion",
         std::make_shared<CQXFloatData>(1.5f),
         nullptr,
         Style(TRUE, BF_RECT | BF_ADJUST | BF_MONO, "%d"),
         {fill, "edge (10,20,110,40) 10 40975", "text '' (12,22,108,38) 2084"}},
        {"a text with \"&\" is drawn as it stands, not as a mnemonic",
         nullptr,
         std::make_shared<CQXStringData>(" R&D Lab"),
         Style(TRUE, BF_RECT | BF_ADJUST),
         {fill, "edge (10,20,110,40) 10 8207", "text ' R&D Lab' (12,22,108,38) 2084"}},
        {"text cells ignore the printf format",
         nullptr,
         std::make_shared<CQXStringData>("%s %d"),
         Style(FALSE, 0, "%.1f"),
         {fill, "text '%s %d' (10,20,110,40) 2084"}},
    };
    for (const CallCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingContext dc;
        const Rect rect{10, 20, 110, 40};
        if (c.number) c.number->Draw(&dc, rect, &c.style);
        if (c.text) c.text->Draw(&dc, rect, &c.style);
        EXPECT_EQ(dc.calls, c.calls);
    }
}

TEST(CellDraw, AFillThatFailsStillLeavesTheEdgeAndTheText) {
    for (auto fail : {RecordingContext::Fail::kBadAlloc, RecordingContext::Fail::kMemory}) {
        RecordingContext dc;
        dc.fillFails = fail;
        const CellStyle style = Style(TRUE, BF_RECT | BF_ADJUST, "%.1f");
        CQXFloatData(0.0f).Draw(&dc, Rect{0, 0, 50, 20}, &style);
        CQXStringData("abc").Draw(&dc, Rect{0, 0, 50, 20}, &style);
        EXPECT_EQ(dc.calls,
                  (std::vector<std::string>{"edge (0,0,50,20) 10 8207", "text '0.0' (2,2,48,18) 2084",
                                            "edge (0,0,50,20) 10 8207", "text 'abc' (2,2,48,18) 2084"}));
    }
}

TEST(CellDraw, NoContextOrNoStyleDrawsNothing) {
    RecordingContext dc;
    const CellStyle style = Style(TRUE, BF_RECT);
    CQXStringData("x").Draw(&dc, Rect{0, 0, 10, 10}, nullptr);
    CQXFloatData(1.0f).Draw(&dc, Rect{0, 0, 10, 10}, nullptr);
    CQXStringData("x").Draw(nullptr, Rect{0, 0, 10, 10}, &style);
    EXPECT_TRUE(dc.calls.empty());
}

// ---- Drawn through the painter context

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
const Rect kCell{10, 8, 150, 32};

COLORREF Pixel(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// A page in the report's page colour with one cell drawn on it in the given
// style, text in textColour, as the report draws its value cells.
QImage DrawOnPage(const CQXDataObject<float>* number, const CQXStringData* text, const CellStyle& style,
                  COLORREF page, COLORREF textColour) {
    QImage image(160, 40, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    {
        PainterContext dc(image);
        dc.FillRect(Rect{0, 0, 160, 40}, page);
        LogFont font;
        font.lfFaceName = "Arial";
        font.lfHeight = 18;
        dc.SelectFont(font);
        dc.SetTextColor(textColour);
        dc.SetBkMode(TRANSPARENT);
        if (number) number->Draw(&dc, kCell, &style);
        if (text) text->Draw(&dc, kCell, &style);
    }
    return image;
}

CellStyle ScreenValueStyle(UINT format) {
    CellStyle s;
    s.bDrawEdge = TRUE;
    s.nFormat = format;
    s.crBack = GetSysColor(COLOR_WINDOW);
    s.nEdge = EDGE_SUNKEN;
    s.nBorderFlags = BF_RECT | BF_ADJUST;
    return s;
}

CellStyle PaperValueStyle(UINT format) {
    CellStyle s;
    s.bDrawEdge = FALSE;
    s.nFormat = format;
    s.crBack = kWhite;
    s.nEdge = EDGE_SUNKEN;
    s.nBorderFlags = BF_RECT | BF_ADJUST | BF_MONO;
    return s;
}

// Pixels of text colour inside r (exclusive edges).
int InkIn(const QImage& image, const Rect& r, COLORREF ink) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += Pixel(image, x, y) == ink;
    return n;
}

TEST(CellDrawOnImage, ScreenCellsAreSunkenInTheSystemColoursWithTheTextInsideTheEdge) {
    const COLORREF page = GetSysColor(COLOR_INACTIVEBORDER);
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    // Left and right aligned, so that text pushed against either side would
    // cover the edge if it were laid out in the outer rectangle.
    for (UINT format : {0x24u, 0x26u}) {
        SCOPED_TRACE(format);
        const CQXStringData cell("WWWWWWWWWWWWWWWWWWWW");
        const QImage image = DrawOnPage(nullptr, &cell, ScreenValueStyle(format), page, ink);
        for (int x = kCell.left + 2; x < kCell.right - 2; ++x) {
            EXPECT_EQ(Pixel(image, x, kCell.top), GetSysColor(COLOR_3DSHADOW));
            EXPECT_EQ(Pixel(image, x, kCell.top + 1), GetSysColor(COLOR_3DDKSHADOW));
            EXPECT_EQ(Pixel(image, x, kCell.bottom - 1), GetSysColor(COLOR_3DHIGHLIGHT));
            EXPECT_EQ(Pixel(image, x, kCell.bottom - 2), GetSysColor(COLOR_3DLIGHT));
        }
        for (int y = kCell.top + 2; y < kCell.bottom - 2; ++y) {
            EXPECT_EQ(Pixel(image, kCell.left, y), GetSysColor(COLOR_3DSHADOW));
            EXPECT_EQ(Pixel(image, kCell.left + 1, y), GetSysColor(COLOR_3DDKSHADOW));
            EXPECT_EQ(Pixel(image, kCell.right - 1, y), GetSysColor(COLOR_3DHIGHLIGHT));
            EXPECT_EQ(Pixel(image, kCell.right - 2, y), GetSysColor(COLOR_3DLIGHT));
        }
        Rect inside = kCell;
        inside.Deflate(2, 2);
        EXPECT_GT(InkIn(image, inside, ink), 20);
        // The window colour behind the text, the page untouched around the cell.
        EXPECT_EQ(Pixel(image, inside.left, inside.top), GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(Pixel(image, kCell.left - 1, kCell.top - 1), page);
        EXPECT_EQ(Pixel(image, kCell.right, kCell.bottom), page);
    }
}

TEST(CellDrawOnImage, PaperCellsAreBlackOnWhiteWithoutEdges) {
    const CQXFloatData cell(-12.34f);
    CellStyle style = PaperValueStyle(0x24);
    style.strFormat = " %-.1f";
    const QImage image = DrawOnPage(&cell, nullptr, style, kWhite, kBlack);
    int other = 0;
    for (int y = kCell.top; y < kCell.bottom; ++y)
        for (int x = kCell.left; x < kCell.right; ++x) {
            const COLORREF p = Pixel(image, x, y);
            // Only white and the greys of the text's anti-aliased outline.
            other += !(GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p));
        }
    EXPECT_EQ(other, 0);
    for (int x = kCell.left; x < kCell.right; ++x) {
        EXPECT_EQ(Pixel(image, x, kCell.top), kWhite);
        EXPECT_EQ(Pixel(image, x, kCell.bottom - 1), kWhite);
    }
    for (int y = kCell.top; y < kCell.bottom; ++y) {
        EXPECT_EQ(Pixel(image, kCell.left, y), kWhite);
        EXPECT_EQ(Pixel(image, kCell.right - 1, y), kWhite);
    }
    EXPECT_GT(InkIn(image, kCell, kBlack), 10);
}

TEST(CellDrawOnImage, ANumberCellDrawsItsFormattedText) {
    // The float cell and a text cell holding what its format gives must
    // leave the same pixels, in both styles.
    for (const CellStyle& base : {ScreenValueStyle(0x25), PaperValueStyle(0x26)}) {
        CellStyle style = base;
        style.strFormat = "%- #5.5f";
        const CQXFloatData number(0.123456f);
        const CQXStringData text(" 0.12346");
        const QImage a = DrawOnPage(&number, nullptr, style, kWhite, kBlack);
        const QImage b = DrawOnPage(nullptr, &text, style, kWhite, kBlack);
        EXPECT_EQ(a, b);
        const CQXStringData other(" 0.12345");
        EXPECT_NE(a, DrawOnPage(nullptr, &other, style, kWhite, kBlack));
    }
}

}  // namespace
}  // namespace fw

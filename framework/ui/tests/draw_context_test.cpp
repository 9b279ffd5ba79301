// The device context over QPainter: drawn into images and checked pixel by
// pixel, printed into PDF files, painted by a widget.
#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <optional>

#include "framework/ui/PainterContext.h"

namespace fw {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

QImage MakeImage(int w, int h, int dpi = 96) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    return image;
}

COLORREF Pixel(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// The bounding box of every pixel that is not the background colour.
std::optional<QRect> InkBox(const QImage& image, COLORREF background = kWhite) {
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Pixel(image, x, y) != background) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0) return std::nullopt;
    return QRect(QPoint(x0, y0), QPoint(x1, y1));
}

LogFont Font(const char* face, int height, int weight = 400) {
    LogFont lf;
    lf.lfFaceName = face;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    return lf;
}

// Report fonts are given as positive heights in 0.01 mm and converted for the
// device at hand, so a printer gets printer-sized text.
TEST(DrawContextFonts, HimetricHeightsBecomeDeviceCellHeights) {
    struct Case {
        const char* face;
        int himetric;
        int dpi;
        int pixels;
        const char* family;
    };
    const Case cases[] = {
        {"Arial", 380, 96, 14, "Liberation Sans"},      {"Courier New", 420, 96, 16, "Liberation Mono"},
        {"Arial", 500, 96, 19, "Liberation Sans"},      {"Arial", 380, 600, 90, "Liberation Sans"},
        {"Courier New", 410, 1200, 194, "Liberation Mono"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.himetric) + " @" + std::to_string(c.dpi));
        QImage image = MakeImage(50, 50, c.dpi);
        PainterContext dc(image);
        EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), c.dpi);
        const int height = dc.HIMETRICtoDP(Size{0, c.himetric}).cy;
        EXPECT_EQ(height, c.pixels);
        EXPECT_EQ(height, MulDiv(c.himetric, dc.GetDeviceCaps(LOGPIXELSY), 2540));
        dc.SelectFont(Font(c.face, height));
        EXPECT_EQ(QFontInfo(dc.MakeQFont(dc.GetCurrentFont())).family(), c.family);
        TextMetric tm;
        ASSERT_TRUE(dc.GetTextMetrics(tm));
        // The cell (ascent + descent) is what a positive height asks for.
        EXPECT_LE(tm.tmHeight, height);
        EXPECT_GE(tm.tmHeight, height - 1);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_EQ(dc.GetTextExtent("Xy").cy, tm.tmHeight);
    }
}

// Layouts are measured in average character widths. For Arial the desktop
// reports 904/2048 of the em, the frequency-weighted width of the lowercase
// letters and the space; the stand-in face must measure the same, or a
// report page 127 widths wide no longer fits its paper.
TEST(DrawContextFonts, TheAverageWidthOfArialIsTheDesktops) {
    QImage image = MakeImage(50, 50, 600);
    PainterContext dc(image);
    for (const int height : {90, 500}) {  // cell heights: em = height * 2048 / 2288
        dc.SelectFont(Font("Arial", height));
        TextMetric tm;
        ASSERT_TRUE(dc.GetTextMetrics(tm));
        const double em = height * 2048.0 / 2288.0;
        EXPECT_NEAR(tm.tmAveCharWidth, em * 904.0 / 2048.0, 1.0) << height;
    }
}

TEST(DrawContextFonts, NegativeHeightIsTheCharacterHeightAndMonoFacesAreFixedPitch) {
    QImage image = MakeImage(50, 50);
    PainterContext dc(image);
    dc.SelectFont(Font("Courier New", -20));
    TextMetric tm;
    dc.GetTextMetrics(tm);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 20);
    EXPECT_EQ(dc.GetTextExtent("iiii").cx, dc.GetTextExtent("MMMM").cx);
    EXPECT_EQ(dc.GetTextExtent("MMMM").cx, 4 * tm.tmAveCharWidth);
    // A heavier weight is a different, wider face in a proportional font.
    dc.SelectFont(Font("Arial", 20, 400));
    const int normal = dc.GetTextExtent("Stiffness").cx;
    dc.SelectFont(Font("Arial", 20, 700));
    EXPECT_GT(dc.GetTextExtent("Stiffness").cx, normal);
}

// Draws text with the flags into a 200 x 60 rectangle at (20, 20) of a white
// image and returns where the ink landed.
struct Layout {
    QRect ink;
    int returned = 0;
    TextMetric tm;
    Size extent;
};

Layout DrawInBox(const char* text, unsigned format, Rect box = {20, 20, 220, 80}) {
    QImage image = MakeImage(260, 120);
    Layout out;
    {
        PainterContext dc(image);
        dc.SelectFont(Font("Arial", 20));
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kBlack);
        dc.GetTextMetrics(out.tm);
        out.extent = dc.GetTextExtent(text);
        out.returned = dc.DrawText(text, box, format);
    }
    out.ink = InkBox(image).value_or(QRect());
    return out;
}

TEST(DrawContextText, AlignmentFlagsPlaceTheTextInTheRectangle) {
    struct Case {
        unsigned format;
        const char* name;
        std::function<void(const Layout&)> check;
    };
    const Rect box{20, 20, 220, 80};
    const Case cases[] = {
        {DT_LEFT | DT_TOP | DT_SINGLELINE, "left top",
         [&](const Layout& l) {
             EXPECT_LE(std::abs(l.ink.left() - box.left), 3);
             EXPECT_GE(l.ink.top(), box.top);
             EXPECT_LE(l.ink.bottom(), box.top + l.tm.tmHeight);
         }},
        {DT_RIGHT | DT_VCENTER | DT_SINGLELINE, "right vcenter",
         [&](const Layout& l) {
             EXPECT_LE(std::abs(l.ink.right() + 1 - box.right), 3);
             const int top = box.top + (box.Height() - l.tm.tmHeight) / 2;
             EXPECT_GE(l.ink.top(), top);
             EXPECT_LE(l.ink.bottom(), top + l.tm.tmHeight);
             EXPECT_EQ(l.returned, top - box.top + l.tm.tmHeight);
         }},
        {DT_CENTER | DT_VCENTER | DT_SINGLELINE, "centre",
         [&](const Layout& l) {
             const int mid = (box.left + box.right) / 2;
             EXPECT_LE(std::abs((l.ink.left() + l.ink.right() + 1) / 2 - mid), 2);
         }},
        {DT_LEFT | DT_BOTTOM | DT_SINGLELINE, "bottom",
         [&](const Layout& l) {
             EXPECT_GE(l.ink.top(), box.bottom - l.tm.tmHeight);
             EXPECT_LT(l.ink.bottom(), box.bottom);
         }},
        // Without DT_SINGLELINE the vertical flags do nothing: the top is kept.
        {DT_CENTER | DT_VCENTER | DT_WORDBREAK, "vcenter ignored when multi-line",
         [&](const Layout& l) { EXPECT_LE(l.ink.bottom(), box.top + l.tm.tmHeight); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Layout l = DrawInBox("Wage", c.format, box);
        ASSERT_FALSE(l.ink.isNull());
        c.check(l);
    }
}

TEST(DrawContextText, LineFeedsAndWordBreaksMakeLines) {
    // "t\nTime\n(s)" is a three-line column heading.
    Layout l = DrawInBox("t\nTime\n(s)", DT_CENTER | DT_VCENTER | DT_WORDBREAK);
    EXPECT_EQ(l.returned, 3 * l.tm.tmHeight);
    EXPECT_GT(l.ink.height(), 2 * l.tm.tmHeight);
    // The same text on one line.
    l = DrawInBox("t\nTime\n(s)", DT_LEFT | DT_SINGLELINE);
    EXPECT_EQ(l.returned, l.tm.tmHeight);
    EXPECT_LE(l.ink.bottom(), 20 + l.tm.tmHeight);
    // Words wrap at blanks to the width of a narrow rectangle.
    l = DrawInBox("Measured Stiffness Estimated", DT_LEFT | DT_WORDBREAK, Rect{20, 20, 120, 110});
    EXPECT_EQ(l.returned, 3 * l.tm.tmHeight);
    EXPECT_LT(l.ink.right(), 120);
}

TEST(DrawContextText, CalcRectMeasuresWithoutDrawing) {
    QImage image = MakeImage(200, 100);
    PainterContext dc(image);
    dc.SelectFont(Font("Arial", 18));
    TextMetric tm;
    dc.GetTextMetrics(tm);

    Rect r{10, 10, 11, 11};
    EXPECT_EQ(dc.DrawText("Force (mN)", r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    EXPECT_EQ(r, (Rect{10, 10, 10 + dc.GetTextExtent("Force (mN)").cx, 10 + tm.tmHeight}));

    r = Rect{10, 10, 11, 11};
    dc.DrawText("Measured\nStiffness\n(MPa)", r, DT_CALCRECT | DT_CENTER);
    EXPECT_EQ(r.Height(), 3 * tm.tmHeight);
    EXPECT_EQ(r.Width(), std::max({dc.GetTextExtent("Measured").cx, dc.GetTextExtent("Stiffness").cx,
                                   dc.GetTextExtent("(MPa)").cx}));

    // Prefix characters: "&&" is one ampersand, "&x" shows x; DT_NOPREFIX
    // leaves the text alone.
    struct Case {
        const char* text;
        unsigned flags;
        const char* shown;
    };
    const Case cases[] = {{"&File", 0, "File"}, {"&File", DT_NOPREFIX, "&File"}, {"R&&D", 0, "R&D"}};
    for (const auto& c : cases) {
        r = Rect{0, 0, 1, 1};
        dc.DrawText(c.text, r, DT_CALCRECT | DT_SINGLELINE | c.flags);
        EXPECT_EQ(r.Width(), dc.GetTextExtent(c.shown).cx) << c.text;
    }
    dc.Painter().end();
    EXPECT_FALSE(InkBox(image).has_value());
}

// Drawn, not only measured: with DT_NOPREFIX the text shows as it stands,
// the same pixels as TextOut of it; without, a single "&" is left out.
TEST(DrawContextText, NoPrefixDrawsTheAmpersandAndWithoutItTheAmpersandGoes) {
    auto drawn = [](const std::function<void(PainterContext&)>& draw) {
        QImage image = MakeImage(220, 40);
        {
            PainterContext dc(image);
            dc.SelectFont(Font("Arial", 18));
            dc.SetBkMode(TRANSPARENT);
            dc.SetTextColor(kBlack);
            draw(dc);
        }
        return image;
    };
    auto drawText = [&](const char* text, unsigned flags) {
        return drawn([&](PainterContext& dc) {
            Rect r{10, 10, 210, 30};
            dc.DrawText(text, r, DT_LEFT | DT_TOP | DT_SINGLELINE | flags);
        });
    };
    auto textOut = [&](const char* text) {
        return drawn([&](PainterContext& dc) { dc.TextOut(10, 10, text); });
    };
    for (const char* text : {"R&D Lab", "Smith & Jones", "A&&B"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(drawText(text, DT_NOPREFIX), textOut(text));
    }
    EXPECT_EQ(drawText("R&D Lab", 0), textOut("RD Lab"));
    EXPECT_NE(drawText("R&D Lab", 0), textOut("R&D Lab"));
    EXPECT_EQ(drawText("A&&B", 0), textOut("A&B"));
}

TEST(DrawContextText, TextIsClippedToTheRectangleUnlessNoClip) {
    const Rect narrow{20, 20, 40, 80};
    Layout l = DrawInBox("Deflection", DT_LEFT | DT_SINGLELINE, narrow);
    EXPECT_LE(l.ink.right(), narrow.right - 1);
    l = DrawInBox("Deflection", DT_LEFT | DT_SINGLELINE | DT_NOCLIP, narrow);
    EXPECT_GT(l.ink.right(), narrow.right + 20);
}

TEST(DrawContextText, OpaqueModeFillsBehindTheTextAndTransparentDoesNot) {
    for (int mode : {OPAQUE, TRANSPARENT}) {
        QImage image = MakeImage(200, 60);
        {
            PainterContext dc(image);
            dc.SelectFont(Font("Arial", 20));
            dc.SetBkMode(mode);
            dc.SetBkColor(kRed);
            dc.TextOut(10, 10, "Wage");
        }
        // Just inside the top left of the text cell: above the glyphs.
        EXPECT_EQ(Pixel(image, 11, 11) == kRed, mode == OPAQUE) << mode;
    }
}

TEST(DrawContextText, EscapementRotatesTextCounterClockwise) {
    QImage image = MakeImage(120, 200);
    {
        PainterContext dc(image);
        LogFont lf = Font("Arial", 20);
        lf.lfEscapement = 900;
        dc.SelectFont(lf);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(40, 180, "Deflection (mm)");
    }
    const QRect ink = InkBox(image).value();
    EXPECT_GT(ink.height(), 3 * ink.width());
    EXPECT_LE(ink.bottom(), 180);  // reads upwards from the reference point
    EXPECT_GE(ink.left(), 40);     // and its top is on the reference point's side
}

TEST(DrawContextEdges, SunkenEdgeUsesTheShadowAndLightColoursAndAdjusts) {
    QImage image = MakeImage(100, 100);
    Rect r{10, 10, 60, 50};
    {
        PainterContext dc(image);
        EXPECT_TRUE(dc.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
    }
    // Outer ring: shadow at the top and left, highlight at the bottom and right;
    // inner ring: dark shadow, then light.
    EXPECT_EQ(Pixel(image, 30, 10), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(Pixel(image, 10, 30), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(Pixel(image, 30, 49), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(Pixel(image, 59, 30), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(Pixel(image, 30, 11), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(Pixel(image, 11, 30), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(Pixel(image, 30, 48), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(Pixel(image, 58, 30), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(Pixel(image, 30, 30), kWhite);
    EXPECT_EQ(Pixel(image, 30, 50), kWhite);  // nothing outside
    EXPECT_EQ(r, (Rect{12, 12, 58, 48}));
}

TEST(DrawContextEdges, FlagsChooseSidesRingsAndColours) {
    struct Case {
        unsigned edge;
        unsigned flags;
        Rect adjusted;
        COLORREF top;  // colour of the outer top line
        COLORREF middle;
    };
    const Case cases[] = {
        {EDGE_SUNKEN, BF_RECT, {10, 10, 60, 50}, GetSysColor(COLOR_3DSHADOW), kWhite},
        {EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MONO, {12, 12, 58, 48}, kBlack, kWhite},
        {EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE, {12, 12, 58, 48}, GetSysColor(COLOR_3DLIGHT),
         GetSysColor(COLOR_3DFACE)},
        {BDR_SUNKENOUTER, BF_TOP | BF_LEFT | BF_ADJUST, {11, 11, 60, 50}, GetSysColor(COLOR_3DSHADOW), kWhite},
        {EDGE_SUNKEN, BF_BOTTOM | BF_ADJUST, {10, 10, 60, 48}, kWhite, kWhite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.edge) + "/" + std::to_string(c.flags));
        QImage image = MakeImage(100, 100);
        Rect r{10, 10, 60, 50};
        {
            PainterContext dc(image);
            dc.DrawEdge(r, c.edge, c.flags);
        }
        EXPECT_EQ(r, c.adjusted);
        EXPECT_EQ(Pixel(image, 30, 10), c.top);
        EXPECT_EQ(Pixel(image, 30, 30), c.middle);
    }
}

TEST(DrawContextShapes, PensAndBrushesDrawOutlinesAndFills) {
    QImage image = MakeImage(100, 100);
    {
        PainterContext dc(image);
        dc.SelectPen(PS_SOLID, 1, kBlack);
        dc.SelectSolidBrush(kRed);
        dc.Rectangle(10, 10, 40, 40);  // outline 10..39, red inside
        dc.SelectHollowBrush();
        dc.Rectangle(50, 10, 80, 40);  // outline only
        dc.SelectPen(PS_NULL, 1, kBlack);
        dc.SelectSolidBrush(RGB(0, 0, 255));
        dc.Ellipse(10, 50, 40, 80);
        dc.SelectPen(PS_SOLID, 3, RGB(0, 128, 0));
        dc.MoveTo(50, 70);
        dc.LineTo(90, 70);
        dc.FillRect(Rect{60, 80, 70, 90}, kRed);
    }
    EXPECT_EQ(Pixel(image, 10, 25), kBlack);
    EXPECT_EQ(Pixel(image, 39, 25), kBlack);
    EXPECT_EQ(Pixel(image, 40, 25), kWhite);
    EXPECT_EQ(Pixel(image, 25, 25), kRed);
    EXPECT_EQ(Pixel(image, 50, 25), kBlack);
    EXPECT_EQ(Pixel(image, 65, 25), kWhite);
    EXPECT_EQ(Pixel(image, 25, 65), RGB(0, 0, 255));
    EXPECT_EQ(Pixel(image, 11, 51), kWhite);  // outside the ellipse, inside its box
    EXPECT_EQ(Pixel(image, 70, 69), RGB(0, 128, 0));
    EXPECT_EQ(Pixel(image, 70, 71), RGB(0, 128, 0));
    EXPECT_EQ(Pixel(image, 60, 80), kRed);
    EXPECT_EQ(Pixel(image, 69, 89), kRed);
    EXPECT_EQ(Pixel(image, 70, 85), kWhite);  // right edge excluded
}

TEST(DrawContextMapping, MetricModesAreYUpAndScaleByResolution) {
    QImage image = MakeImage(300, 300, 254);  // 10 pixels per mm
    PainterContext dc(image);
    EXPECT_EQ(dc.SetMapMode(MM_LOMETRIC), MM_TEXT);
    EXPECT_EQ(dc.LPtoDP(Point{100, -100}), (Point{100, 100}));
    dc.SetMapMode(MM_HIMETRIC);
    EXPECT_EQ(dc.LPtoDP(Point{1000, -500}), (Point{100, 50}));
    EXPECT_EQ(dc.DPtoLP(Point{100, 50}), (Point{1000, -500}));
    EXPECT_EQ(dc.LPtoDP(Size{1000, -500}), (Size{100, -50}));
    dc.SetMapMode(MM_LOMETRIC);
    dc.SetViewportOrg(Point{10, 20});
    EXPECT_EQ(dc.LPtoDP(Point{0, 0}), (Point{10, 20}));
    dc.SetViewportOrg(Point{0, 0});

    // A y-up rectangle fills the same pixels as its device rectangle, and a
    // font height in 0.1 mm becomes pixels.
    dc.FillRect(Rect{0, 0, 100, -50}, kRed);
    dc.SelectFont(Font("Arial", 38));
    TextMetric tm;
    dc.GetTextMetrics(tm);
    EXPECT_NEAR(tm.tmHeight, 38, 1);
    dc.Painter().end();
    EXPECT_EQ(Pixel(image, 0, 0), kRed);
    EXPECT_EQ(Pixel(image, 99, 49), kRed);
    EXPECT_EQ(Pixel(image, 100, 25), kWhite);
    EXPECT_EQ(Pixel(image, 50, 50), kWhite);
}

TEST(DrawContextMapping, TextStaysUprightInYUpModes) {
    QImage image = MakeImage(300, 100, 254);
    {
        PainterContext dc(image);
        dc.SetMapMode(MM_LOMETRIC);
        dc.SelectFont(Font("Arial", 40));
        dc.SetBkMode(TRANSPARENT);
        Rect r{0, 0, 300, -100};
        dc.DrawText("TEST", r, DT_LEFT | DT_TOP | DT_SINGLELINE);
    }
    const QRect ink = InkBox(image).value();
    EXPECT_LT(ink.top(), 15);
    EXPECT_GT(ink.width(), ink.height());
    // "T" is a bar on top: the top row of ink is wide, not a single stem.
    int topRow = 0;
    for (int x = ink.left(); x <= ink.right(); ++x) topRow += Pixel(image, x, ink.top()) != kWhite;
    EXPECT_GT(topRow, 5);
}

TEST(DrawContextState, RestoreDcPutsBackWhatSaveDcSaw) {
    QImage image = MakeImage(100, 100);
    PainterContext dc(image);
    dc.SetTextColor(kRed);
    dc.SelectFont(Font("Arial", 30));
    const int level = dc.SaveDC();
    EXPECT_EQ(level, 1);
    dc.SetMapMode(MM_LOMETRIC);
    dc.SetTextColor(kBlack);
    dc.SelectFont(Font("Courier New", 12));
    dc.IntersectClipRect(Rect{0, 0, 10, -10});
    EXPECT_EQ(dc.SaveDC(), 2);
    dc.SetBkMode(TRANSPARENT);
    EXPECT_TRUE(dc.RestoreDC(level));
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_EQ(dc.GetTextColor(), kRed);
    EXPECT_EQ(dc.GetCurrentFont().lfFaceName, "Arial");
    EXPECT_FALSE(dc.RestoreDC(-1));  // nothing saved any more
    dc.FillRect(Rect{50, 50, 60, 60}, kRed);  // no clip left behind
    dc.Painter().end();
    EXPECT_EQ(Pixel(image, 55, 55), kRed);
}

TEST(DrawContextOffscreen, MemoryContextIsBlittedToTheTarget) {
    QImage target = MakeImage(120, 100);
    {
        PainterContext screen(target);
        MemoryContext memory(screen, 51, 41);
        EXPECT_EQ(memory.GetDeviceCaps(LOGPIXELSY), 96);
        EXPECT_EQ(memory.GetDeviceCaps(HORZRES), 51);
        EXPECT_EQ(Pixel(*memory.Image(), 0, 0), kBlack);  // a new bitmap is black
        memory.FillRect(Rect{0, 0, 51, 41}, GetSysColor(COLOR_INACTIVEBORDER));
        memory.FillRect(Rect{10, 10, 20, 20}, kRed);
        EXPECT_TRUE(screen.BitBlt(30, 20, 51, 41, memory, 0, 0, SRCCOPY));
        EXPECT_FALSE(screen.BitBlt(0, 0, 10, 10, memory, 0, 0, 0x00EE0086));  // other raster ops are not offered
    }
    EXPECT_EQ(Pixel(target, 29, 40), kWhite);
    EXPECT_EQ(Pixel(target, 30, 20), GetSysColor(COLOR_INACTIVEBORDER));
    EXPECT_EQ(Pixel(target, 80, 60), GetSysColor(COLOR_INACTIVEBORDER));
    EXPECT_EQ(Pixel(target, 81, 60), kWhite);
    EXPECT_EQ(Pixel(target, 45, 35), kRed);
}

class PaintingWidget : public QWidget {
public:
    std::function<void(DrawContext&)> draw;
    bool printing = true;

protected:
    void paintEvent(QPaintEvent*) override {
        PainterContext dc(*this);
        printing = dc.IsPrinting();
        if (draw) draw(dc);
    }
};

TEST(DrawContextDevices, AWidgetPaintsThroughTheContext) {
    PaintingWidget w;
    w.resize(80, 60);
    w.draw = [](DrawContext& dc) {
        dc.FillRect(Rect{0, 0, 80, 60}, GetSysColor(COLOR_WINDOW));
        Rect cell{5, 5, 75, 30};
        dc.DrawEdge(cell, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        dc.FillRect(cell, kRed);
    };
    const QImage shot = w.grab().toImage();
    EXPECT_FALSE(w.printing);
    EXPECT_EQ(Pixel(shot, 5, 15), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(Pixel(shot, 40, 15), kRed);
    EXPECT_EQ(Pixel(shot, 40, 45), kWhite);
}

TEST(DrawContextDevices, PdfWriterAndPrinterAreUnitsOfTheirOwnResolution) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto drawPage = [](PainterContext& dc) {
        EXPECT_TRUE(dc.IsPrinting());
        const int w = dc.GetDeviceCaps(HORZRES);
        const int h = dc.GetDeviceCaps(VERTRES);
        dc.FillRect(Rect{0, 0, w + 1, h + 1}, kWhite);
        LogFont lf = Font("Arial", dc.HIMETRICtoDP(Size{0, 500}).cy);
        dc.SelectFont(lf);
        TextMetric tm;
        dc.GetTextMetrics(tm);
        EXPECT_NEAR(tm.tmHeight, MulDiv(500, dc.GetDeviceCaps(LOGPIXELSY), 2540), 1);
        Rect r{0, 0, w, 3 * tm.tmHeight};
        dc.DrawText("Bending beam test report", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        dc.MoveTo(w / 10, 4 * tm.tmHeight);
        dc.LineTo(w - w / 10, 4 * tm.tmHeight);
    };

    const QString pdfPath = dir.filePath("writer.pdf");
    {
        QPdfWriter writer(pdfPath);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(QPageSize::A4));
        PainterContext dc(writer);
        EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 300);
        // A4 less the writer's default margins, at 300 pixels per inch.
        EXPECT_GT(dc.GetDeviceCaps(HORZRES), 2200);
        EXPECT_LT(dc.GetDeviceCaps(HORZRES), 2481);
        EXPECT_NEAR(dc.GetDeviceCaps(HORZSIZE), dc.GetDeviceCaps(HORZRES) * 25.4 / 300, 1);
        drawPage(dc);
    }
    const QString printerPath = dir.filePath("printer.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printerPath);
        PainterContext dc(printer);
        EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), printer.resolution());
        drawPage(dc);
    }
    for (const QString& path : {pdfPath, printerPath}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        EXPECT_TRUE(f.read(5).startsWith("%PDF-"));
        EXPECT_GT(f.size(), 1000);
    }
}

}  // namespace
}  // namespace fw

// The scroll view: sizes and steps, the scroll codes, the bars, the keys a
// view maps to scroll messages, the context prepared at the scroll position
// and the off-screen page copied in one block.
#include "framework/ui/ScrollView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPdfWriter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include "framework/ui/PainterContext.h"
#include "framework/ui/tests/support/TestApp.h"

namespace fw {
namespace {

// A view as the report views are: a page of 1000 x 2000 pixels, its keys
// sending scroll messages to itself, and a page drawn off-screen: a white
// page with a red block at (100, 200)-(140, 240).
class PageView : public ScrollView {
public:
    PageView() {
        SetScrollSizes(MM_TEXT, {1000, 2000}, {250, 500}, {10, 20});
        resize(400, 300);
    }
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override {
        keys.push_back(key);
        switch (key) {
            case VK_PRIOR:
                SendScroll(WM_VSCROLL, SB_PAGEUP);
                break;
            case VK_NEXT:
                SendScroll(WM_VSCROLL, SB_PAGEDOWN);
                break;
            case VK_END:
                SendScroll(WM_HSCROLL, SB_RIGHT);
                break;
            case VK_HOME:
                SendScroll(WM_HSCROLL, SB_LEFT);
                break;
            case VK_DOWN:
                SendScroll(WM_VSCROLL, SB_LINEDOWN);
                break;
            default:
                ScrollView::OnKeyDown(key, repeat, flags);
        }
    }
    bool OnScroll(int bar, UINT code, int pos) override {
        scrolls.push_back({bar, static_cast<int>(code)});
        return ScrollView::OnScroll(bar, code, pos);
    }
    void OnDraw(DrawContext& dc) override {
        const Size page = GetScreenPageSize();
        PaintOffScreen(dc, page, [&](DrawContext& mem) {
            ++draws;
            pageSeen = page;
            mem.FillRect({0, 0, page.cx + 1, page.cy + 1}, RGB(255, 255, 255));
            mem.FillRect({100, 200, 140, 240}, RGB(255, 0, 0));
        });
    }
    std::vector<UINT> keys;
    std::vector<std::pair<int, int>> scrolls;
    int draws = 0;
    Size pageSeen;
};

void Key(QWidget& w, int qtKey) {
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
}

bool IsRed(QRgb c) { return qRed(c) == 255 && qGreen(c) == 0 && qBlue(c) == 0; }

TEST(ScrollView, CodesStepByLineAndPageAndStopAtTheEnds) {
    test::App();
    PageView v;
    const Rect client = v.GetClientRect();
    const Point limit = v.GetScrollLimit();
    EXPECT_EQ(limit.x, 1000 - client.Width());
    EXPECT_EQ(limit.y, 2000 - client.Height());

    struct Case {
        UINT message;
        UINT code;
        Point expected;
    };
    const Case cases[] = {
        {WM_VSCROLL, SB_LINEDOWN, {0, 20}},   {WM_VSCROLL, SB_PAGEDOWN, {0, 520}},
        {WM_VSCROLL, SB_LINEUP, {0, 500}},    {WM_VSCROLL, SB_PAGEUP, {0, 0}},
        {WM_VSCROLL, SB_PAGEUP, {0, 0}},      {WM_HSCROLL, SB_LINERIGHT, {10, 0}},
        {WM_HSCROLL, SB_RIGHT, {limit.x, 0}}, {WM_HSCROLL, SB_LINERIGHT, {limit.x, 0}},
        {WM_VSCROLL, SB_BOTTOM, {limit.x, limit.y}}, {WM_HSCROLL, SB_LEFT, {0, limit.y}},
        {WM_VSCROLL, SB_TOP, {0, 0}},
    };
    for (const Case& c : cases) {
        v.SendScroll(c.message, c.code);
        EXPECT_EQ(v.GetDeviceScrollPosition(), c.expected) << c.message << " " << c.code;
    }
    // A thumb code carries its position in the high word.
    v.OnMessage(WM_VSCROLL, SB_THUMBPOSITION | (123u << 16), 0);
    EXPECT_EQ(v.GetDeviceScrollPosition(), (Point{0, 123}));
    // The bars follow.
    v.show();
    EXPECT_EQ(v.findChildren<QScrollBar*>().size(), 2);
    for (QScrollBar* bar : v.findChildren<QScrollBar*>()) {
        EXPECT_TRUE(bar->isVisible());
        if (bar->orientation() == Qt::Vertical) {
            EXPECT_EQ(bar->value(), 123);
            EXPECT_EQ(bar->maximum(), limit.y);
            EXPECT_EQ(bar->pageStep(), 500);
        }
    }
}

TEST(ScrollView, ATotalThatFitsShowsNoBarsAndDoesNotScroll) {
    test::App();
    PageView v;
    v.SetScrollSizes(MM_TEXT, {200, 100});
    v.show();
    for (QScrollBar* bar : v.findChildren<QScrollBar*>()) EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(v.GetClientRect(), (Rect{0, 0, 400, 300}));
    EXPECT_FALSE(v.OnScroll(SB_VERT, SB_PAGEDOWN, 0));
    EXPECT_EQ(v.GetDeviceScrollPosition(), (Point{0, 0}));
    // The page on screen is the window where the window is larger.
    EXPECT_EQ(v.GetScreenPageSize(), (Size{400, 300}));
    // Shrinking the total brings the position back into range.
    v.SetScrollSizes(MM_TEXT, {1000, 2000});
    v.SendScroll(WM_VSCROLL, SB_BOTTOM);
    v.SetScrollSizes(MM_TEXT, {1000, 400});
    EXPECT_EQ(v.GetDeviceScrollPosition().y, 400 - v.GetClientRect().Height());
}

TEST(ScrollView, TheScrollingKeysGoToTheViewAndOtherKeysToItsParents) {
    test::App();
    PageView v;
    v.show();
    Key(v, Qt::Key_PageDown);
    EXPECT_EQ(v.GetDeviceScrollPosition(), (Point{0, 500}));
    Key(v, Qt::Key_End);
    EXPECT_EQ(v.GetDeviceScrollPosition(), (Point{v.GetScrollLimit().x, 500}));
    Key(v, Qt::Key_Home);
    EXPECT_EQ(v.GetDeviceScrollPosition(), (Point{0, 500}));
    Key(v, Qt::Key_PageUp);
    Key(v, Qt::Key_Down);
    EXPECT_EQ(v.GetDeviceScrollPosition(), (Point{0, 20}));
    // Letters reach OnKeyDown as their virtual keys, and scroll nothing.
    Key(v, Qt::Key_A);
    Key(v, Qt::Key_F1);  // no virtual key here: never reaches the view
    EXPECT_EQ(v.keys, (std::vector<UINT>{VK_NEXT, VK_END, VK_HOME, VK_PRIOR, VK_DOWN, 'A'}));
    EXPECT_EQ(v.GetDeviceScrollPosition(), (Point{0, 20}));
    // Home and End are horizontal: SB_LEFT and SB_RIGHT on the horizontal bar.
    EXPECT_EQ(v.scrolls[1], (std::pair<int, int>{SB_HORZ, static_cast<int>(SB_RIGHT)}));
    EXPECT_EQ(v.scrolls[2], (std::pair<int, int>{SB_HORZ, static_cast<int>(SB_LEFT)}));
}

TEST(ScrollView, ThePageIsDrawnOffScreenAndShownAtTheScrollPosition) {
    test::App();
    PageView v;
    v.show();
    QImage shot = v.grab().toImage();
    EXPECT_GE(v.draws, 1);
    EXPECT_EQ(v.pageSeen, (Size{1000, 2000}));
    EXPECT_TRUE(IsRed(shot.pixel(100, 200)));
    EXPECT_TRUE(IsRed(shot.pixel(139, 239)));
    EXPECT_FALSE(IsRed(shot.pixel(140, 240)));
    EXPECT_EQ(shot.pixel(50, 50), qRgb(255, 255, 255));

    v.SendScroll(WM_VSCROLL, SB_LINEDOWN);  // 20 down
    v.SendScroll(WM_HSCROLL, SB_LINERIGHT); // 10 right
    shot = v.grab().toImage();
    EXPECT_TRUE(IsRed(shot.pixel(90, 180)));
    EXPECT_FALSE(IsRed(shot.pixel(89, 179)));
    EXPECT_TRUE(IsRed(shot.pixel(129, 219)));
    EXPECT_FALSE(IsRed(shot.pixel(130, 220)));
}

TEST(ScrollView, MetricSizesBecomePixelsAndPrintingGetsOnlyTheMappingMode) {
    test::App();
    PageView v;
    // 2540 x 2540 in 0.1 mm: ten inches each way.
    v.SetScrollSizes(MM_LOMETRIC, {2540, 2540}, {254, 254}, {254, 254});
    const Rect client = v.GetClientRect();
    EXPECT_EQ(v.GetScrollLimit().y, 10 * v.logicalDpiY() - client.Height());
    v.SendScroll(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(v.GetDeviceScrollPosition().y, v.logicalDpiY());
    // One inch down is y = -254 in a y-up mode.
    EXPECT_EQ(v.GetScrollPosition(), (Point{0, -254}));

    QImage image(200, 200, QImage::Format_RGB32);
    image.setDotsPerMeterY(qRound(v.logicalDpiY() / 0.0254));
    image.setDotsPerMeterX(qRound(v.logicalDpiX() / 0.0254));
    PainterContext screen(image);
    v.OnPrepareDC(screen);
    EXPECT_EQ(screen.GetMapMode(), MM_LOMETRIC);
    EXPECT_EQ(screen.LPtoDP(Point{0, -254}), (Point{0, 0}));

    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath("page.pdf"));
    PainterContext paper(pdf);
    ASSERT_TRUE(paper.IsPrinting());
    v.OnPrepareDC(paper);
    EXPECT_EQ(paper.GetMapMode(), MM_LOMETRIC);
    EXPECT_EQ(paper.LPtoDP(Point{0, 0}), (Point{0, 0}));
}

// A graph-like view in 0.1 mm with y up: the page (width, -height) drawn
// off-screen lands where the same drawing straight on the window would.
class MetricView : public ScrollView {
public:
    MetricView() {
        SetScrollSizes(MM_LOMETRIC, {3000, 3000}, {750, 750}, {100, 100});
        resize(400, 400);
    }
    void OnDraw(DrawContext& dc) override {
        const Size page = GetScreenPageSize();
        PaintOffScreen(dc, {page.cx, -page.cy}, [&](DrawContext& mem) {
            mem.FillRect({0, 0, page.cx, -page.cy}, RGB(255, 255, 255));
            mem.FillRect({254, -254, 508, -508}, RGB(255, 0, 0));  // 1 to 2 inches from the top left
        });
    }
};

TEST(ScrollView, AMetricPageIsCopiedAtItsLogicalOrigin) {
    test::App();
    MetricView v;
    v.show();
    const int dpi = v.logicalDpiX();
    QImage shot = v.grab().toImage();
    EXPECT_TRUE(IsRed(shot.pixel(dpi + 2, dpi + 2)));
    EXPECT_TRUE(IsRed(shot.pixel(2 * dpi - 2, 2 * dpi - 2)));
    EXPECT_FALSE(IsRed(shot.pixel(dpi - 2, dpi - 2)));
    EXPECT_EQ(shot.pixel(5, 5), qRgb(255, 255, 255));
    // Half an inch down: the block moves up by as much.
    v.SendScroll(WM_VSCROLL, SB_LINEDOWN);  // 10 mm
    const int line = static_cast<int>(std::lround(100 * dpi / 254.0));
    EXPECT_EQ(v.GetDeviceScrollPosition().y, line);
    shot = v.grab().toImage();
    EXPECT_TRUE(IsRed(shot.pixel(dpi + 2, dpi - line + 2)));
    EXPECT_FALSE(IsRed(shot.pixel(dpi + 2, dpi - line - 3)));
}

}  // namespace
}  // namespace fw

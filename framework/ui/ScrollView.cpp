#include "framework/ui/ScrollView.h"

#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/ui/PainterContext.h"

namespace fw {

namespace {

// Device pixels per logical unit of a mapping mode, as magnitudes.
double UnitsToPixels(int mapMode, int dpi) {
    switch (mapMode) {
        case MM_LOMETRIC:
            return dpi / 254.0;
        case MM_HIMETRIC:
            return dpi / 2540.0;
        case MM_LOENGLISH:
            return dpi / 100.0;
        case MM_HIENGLISH:
            return dpi / 1000.0;
        case MM_TWIPS:
            return dpi / 1440.0;
        default:
            return 1.0;
    }
}

bool YUp(int mapMode) { return mapMode != MM_TEXT; }

}  // namespace

ScrollView::ScrollView(QWidget* parent)
    : ViewWidget(parent), m_hBar(new QScrollBar(Qt::Horizontal, this)), m_vBar(new QScrollBar(Qt::Vertical, this)) {
    setFocusPolicy(Qt::StrongFocus);
    m_hBar->hide();
    m_vBar->hide();
    // The bars speak in scroll codes, as the keys do, so that a view that
    // watches OnScroll sees every way of scrolling.
    auto connectBar = [this](QScrollBar* bar, int which) {
        connect(bar, &QScrollBar::actionTriggered, this, [this, bar, which](int action) {
            if (m_updatingBars) return;
            switch (action) {
                case QAbstractSlider::SliderSingleStepAdd:
                    OnScroll(which, SB_LINEDOWN, 0);
                    break;
                case QAbstractSlider::SliderSingleStepSub:
                    OnScroll(which, SB_LINEUP, 0);
                    break;
                case QAbstractSlider::SliderPageStepAdd:
                    OnScroll(which, SB_PAGEDOWN, 0);
                    break;
                case QAbstractSlider::SliderPageStepSub:
                    OnScroll(which, SB_PAGEUP, 0);
                    break;
                case QAbstractSlider::SliderToMinimum:
                    OnScroll(which, SB_TOP, 0);
                    break;
                case QAbstractSlider::SliderToMaximum:
                    OnScroll(which, SB_BOTTOM, 0);
                    break;
                case QAbstractSlider::SliderMove:
                    OnScroll(which, SB_THUMBTRACK, bar->sliderPosition());
                    break;
                default:
                    break;
            }
            // The bar shows where the view is, whatever the view did.
            UpdateBars();
        });
    };
    connectBar(m_hBar, SB_HORZ);
    connectBar(m_vBar, SB_VERT);
}

Size ScrollView::ToDevice(Size logical) const {
    return {static_cast<int>(std::lround(std::abs(logical.cx) * UnitsToPixels(m_mapMode, logicalDpiX()))),
            static_cast<int>(std::lround(std::abs(logical.cy) * UnitsToPixels(m_mapMode, logicalDpiY())))};
}

void ScrollView::SetScrollSizes(int mapMode, Size total, Size page, Size line) {
    m_mapMode = mapMode;
    m_total = {std::abs(total.cx), std::abs(total.cy)};
    m_page = {page.cx ? std::abs(page.cx) : m_total.cx / 10, page.cy ? std::abs(page.cy) : m_total.cy / 10};
    m_line = {line.cx ? std::abs(line.cx) : m_page.cx / 10, line.cy ? std::abs(line.cy) : m_page.cy / 10};
    UpdateBars();
    update();
}

Point ScrollView::GetScrollPosition() const {
    const double sx = UnitsToPixels(m_mapMode, logicalDpiX());
    const double sy = UnitsToPixels(m_mapMode, logicalDpiY());
    const int x = static_cast<int>(std::lround(m_pos.x / sx));
    const int y = static_cast<int>(std::lround(m_pos.y / sy));
    return {x, YUp(m_mapMode) ? -y : y};
}

Rect ScrollView::GetClientRect() const {
    return {0, 0, width() - (m_vBar->isVisible() ? m_vBar->width() : 0),
            height() - (m_hBar->isVisible() ? m_hBar->height() : 0)};
}

Size ScrollView::GetScreenPageSize() const {
    const Rect client = GetClientRect();
    const double sx = UnitsToPixels(m_mapMode, logicalDpiX());
    const double sy = UnitsToPixels(m_mapMode, logicalDpiY());
    const int cw = static_cast<int>(std::lround(client.Width() / sx));
    const int ch = static_cast<int>(std::lround(client.Height() / sy));
    return {std::max(cw, m_total.cx), std::max(ch, m_total.cy)};
}

Point ScrollView::GetScrollLimit() const {
    const Size total = ToDevice(m_total);
    const Rect client = GetClientRect();
    return {std::max(0, total.cx - client.Width()), std::max(0, total.cy - client.Height())};
}

int ScrollView::Clamp(int bar, int value) const {
    const Point limit = GetScrollLimit();
    return std::clamp(value, 0, bar == SB_HORZ ? limit.x : limit.y);
}

void ScrollView::ScrollToDevicePosition(Point device) {
    const Point to{Clamp(SB_HORZ, device.x), Clamp(SB_VERT, device.y)};
    if (to == m_pos) return;
    m_pos = to;
    UpdateBars();
    update();
}

void ScrollView::UpdateBars() {
    if (m_updatingBars) return;
    m_updatingBars = true;
    const Size total = ToDevice(m_total);
    const int w = width();
    const int h = height();
    const int barW = m_vBar->sizeHint().width();
    const int barH = m_hBar->sizeHint().height();
    // A bar shows when the total does not fit; one bar can make the other
    // needed by taking its room.
    bool needH = total.cx > w;
    bool needV = total.cy > h;
    if (needH && !needV) needV = total.cy > h - barH;
    if (needV && !needH) needH = total.cx > w - barW;
    m_hBar->setVisible(needH);
    m_vBar->setVisible(needV);
    const int clientW = w - (needV ? barW : 0);
    const int clientH = h - (needH ? barH : 0);
    m_hBar->setGeometry(0, h - barH, std::max(0, clientW), barH);
    m_vBar->setGeometry(w - barW, 0, barW, std::max(0, clientH));
    m_pos = {Clamp(SB_HORZ, m_pos.x), Clamp(SB_VERT, m_pos.y)};
    const Size page = ToDevice(m_page);
    const Size line = ToDevice(m_line);
    const Point limit = GetScrollLimit();
    m_hBar->setRange(0, limit.x);
    m_hBar->setPageStep(std::max(1, page.cx));
    m_hBar->setSingleStep(std::max(1, line.cx));
    m_hBar->setValue(m_pos.x);
    m_vBar->setRange(0, limit.y);
    m_vBar->setPageStep(std::max(1, page.cy));
    m_vBar->setSingleStep(std::max(1, line.cy));
    m_vBar->setValue(m_pos.y);
    m_updatingBars = false;
}

bool ScrollView::OnScroll(int bar, UINT code, int pos) {
    const Size page = ToDevice(m_page);
    const Size line = ToDevice(m_line);
    const bool horz = bar == SB_HORZ;
    const int current = horz ? m_pos.x : m_pos.y;
    const int pageStep = horz ? page.cx : page.cy;
    const int lineStep = horz ? line.cx : line.cy;
    const int limit = horz ? GetScrollLimit().x : GetScrollLimit().y;
    int to = current;
    switch (code) {
        case SB_LINEUP:
            to = current - lineStep;
            break;
        case SB_LINEDOWN:
            to = current + lineStep;
            break;
        case SB_PAGEUP:
            to = current - pageStep;
            break;
        case SB_PAGEDOWN:
            to = current + pageStep;
            break;
        case SB_TOP:
            to = 0;
            break;
        case SB_BOTTOM:
            to = limit;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            to = pos;
            break;
        default:
            return false;
    }
    const Point before = m_pos;
    ScrollToDevicePosition(horz ? Point{to, m_pos.y} : Point{m_pos.x, to});
    return m_pos != before;
}

bool ScrollView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL || message == WM_VSCROLL) {
        const UINT code = static_cast<UINT>(wParam & 0xFFFF);
        const int pos = static_cast<int>((wParam >> 16) & 0xFFFF);
        OnScroll(message == WM_HSCROLL ? SB_HORZ : SB_VERT, code, pos);
        return true;
    }
    if (message == WM_KEYDOWN) {
        OnKeyDown(static_cast<UINT>(wParam), static_cast<UINT>(lParam & 0xFFFF), static_cast<UINT>(lParam >> 16));
        return true;
    }
    return ViewWidget::OnMessage(message, wParam, lParam);
}

void ScrollView::OnKeyDown(UINT, UINT, UINT) { m_keyToDefault = true; }

void ScrollView::OnPrepareDC(DrawContext& dc) {
    dc.SetMapMode(m_mapMode);
    if (!dc.IsPrinting()) dc.SetViewportOrg({-m_pos.x, -m_pos.y});
}

void ScrollView::PaintOffScreen(DrawContext& dc, Size page, const std::function<void(DrawContext&)>& draw) {
    const Size device = dc.LPtoDP(page);
    const int w = std::abs(device.cx) + 1;
    const int h = std::abs(device.cy) + 1;
    MemoryContext memory(dc, w, h);
    memory.SetMapMode(dc.GetMapMode());
    memory.IntersectClipRect(Rect{std::min(0, page.cx), std::min(0, page.cy), std::max(0, page.cx),
                                  std::max(0, page.cy)});
    draw(memory);
    // Block copies are in logical units of both contexts; the bitmap's
    // mapping is the page's, whatever the drawing left selected.
    memory.SetMapMode(dc.GetMapMode());
    memory.SetViewportOrg({0, 0});
    memory.SetWindowOrg({0, 0});
    const Size logical = memory.DPtoLP(Size{w, h});
    const int height = YUp(dc.GetMapMode()) ? -logical.cy : logical.cy;
    dc.BitBlt(0, 0, logical.cx, height, memory, 0, 0, SRCCOPY);
}

UINT ScrollView::VirtualKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        default:
            break;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<UINT>(qtKey);  // the same codes as the virtual keys
    }
    return 0;
}

void ScrollView::resizeEvent(QResizeEvent* event) {
    ViewWidget::resizeEvent(event);
    UpdateBars();
}

void ScrollView::keyPressEvent(QKeyEvent* event) {
    const UINT vk = VirtualKey(event->key());
    if (vk == 0) {
        ViewWidget::keyPressEvent(event);
        return;
    }
    m_keyToDefault = false;
    GuardHandler([&] { OnKeyDown(vk, 1, 0); });
    if (m_keyToDefault) ViewWidget::keyPressEvent(event);
}

void ScrollView::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    if (steps.isNull()) {
        event->ignore();
        return;
    }
    // Three lines a notch, as the system's default.
    for (int i = 0; i < std::abs(steps.y()) * 3; ++i) OnScroll(SB_VERT, steps.y() > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    for (int i = 0; i < std::abs(steps.x()) * 3; ++i) OnScroll(SB_HORZ, steps.x() > 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
    event->accept();
}

}  // namespace fw

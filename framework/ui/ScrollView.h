#pragma once
// A view larger than its window: a total size in logical units of a mapping
// mode (MM_TEXT or one of the metric and English modes), a page and a line
// step, scroll bars that show while the total does not fit, and the scroll
// messages (WM_HSCROLL / WM_VSCROLL with an SB_ code) that the bars, the
// wheel and the views' own keys send. Before the view draws on the screen its
// context gets the mapping mode and an origin moved by the scroll position,
// so that OnDraw draws the whole page in page coordinates; a printer context
// gets only the mapping mode. PaintOffScreen draws a page into a bitmap and
// copies it to the window in one go.
#include <functional>

#include "framework/core/DrawContext.h"
#include "framework/ui/Frames.h"

class QScrollBar;

namespace fw {

// Window messages of scrolling and keys.
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_HSCROLL = 0x0114;
inline constexpr UINT WM_VSCROLL = 0x0115;

// Scroll bars.
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;

// Scroll codes (the wParam of WM_HSCROLL and WM_VSCROLL).
inline constexpr UINT SB_LINEUP = 0;
inline constexpr UINT SB_LINELEFT = 0;
inline constexpr UINT SB_LINEDOWN = 1;
inline constexpr UINT SB_LINERIGHT = 1;
inline constexpr UINT SB_PAGEUP = 2;
inline constexpr UINT SB_PAGELEFT = 2;
inline constexpr UINT SB_PAGEDOWN = 3;
inline constexpr UINT SB_PAGERIGHT = 3;
inline constexpr UINT SB_THUMBPOSITION = 4;
inline constexpr UINT SB_THUMBTRACK = 5;
inline constexpr UINT SB_TOP = 6;
inline constexpr UINT SB_LEFT = 6;
inline constexpr UINT SB_BOTTOM = 7;
inline constexpr UINT SB_RIGHT = 7;
inline constexpr UINT SB_ENDSCROLL = 8;

// Virtual keys of the scrolling keys.
inline constexpr UINT VK_PRIOR = 0x21;  // Page Up
inline constexpr UINT VK_NEXT = 0x22;   // Page Down
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;

class ScrollView : public ViewWidget {
    Q_OBJECT
public:
    explicit ScrollView(QWidget* parent = nullptr);

    // Sizes are magnitudes in logical units of mapMode. A page of 0 is a
    // tenth of the total, a line of 0 a tenth of the page. The position is
    // kept within the new range.
    void SetScrollSizes(int mapMode, Size total, Size page = {}, Size line = {});
    int GetMapMode() const { return m_mapMode; }
    Size GetTotalSize() const { return m_total; }
    Size GetPageSize() const { return m_page; }
    Size GetLineSize() const { return m_line; }

    // The scroll position: device pixels from the top left of the page, and
    // the logical point at the window's top left corner.
    Point GetDeviceScrollPosition() const { return m_pos; }
    Point GetScrollPosition() const;
    void ScrollToDevicePosition(Point device);
    // The most each way (0 when the total fits in the window).
    Point GetScrollLimit() const;

    // The window's area in device pixels, without the scroll bars that show.
    Rect GetClientRect() const;
    // The page on the screen in logical units: the larger of the window's
    // area and the total size, each way, as magnitudes.
    Size GetScreenPageSize() const;

    // What a window message would do: WM_HSCROLL and WM_VSCROLL scroll by
    // their code (wParam; a thumb code carries the position in its high word);
    // WM_KEYDOWN goes to OnKeyDown. Other messages go to the base.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Sends a scroll message to the view itself, as the views' keys do.
    void SendScroll(UINT message, UINT code) { OnMessage(message, code, 0); }
    // One scroll step on bar SB_HORZ or SB_VERT; pos is the thumb position
    // (device pixels) for SB_THUMBTRACK and SB_THUMBPOSITION. Returns whether
    // the position changed; the window is repainted then.
    virtual bool OnScroll(int bar, UINT code, int pos);
    // A key: nChar is the virtual key. The default leaves the key to the
    // window's parents.
    virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);

    // Screen: the mapping mode and the origin at the scroll position.
    // Printing: the mapping mode only.
    void OnPrepareDC(DrawContext& dc) override;

    // Draws a page of the given logical size (signs as the mapping mode
    // wants them: negative heights for the y-up modes) into an off-screen
    // bitmap one pixel larger each way, with dc's mapping mode and clipped to
    // the page, then copies it to dc at logical (0, 0) in one block.
    static void PaintOffScreen(DrawContext& dc, Size page, const std::function<void(DrawContext&)>& draw);

    // The Qt keys of the virtual keys above, letters and digits; 0 for the rest.
    static UINT VirtualKey(int qtKey);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    Size ToDevice(Size logical) const;
    void UpdateBars();
    int Clamp(int bar, int value) const;

    int m_mapMode = MM_TEXT;
    Size m_total;
    Size m_page;
    Size m_line;
    Point m_pos;
    QScrollBar* m_hBar;
    QScrollBar* m_vBar;
    bool m_updatingBars = false;
    bool m_keyToDefault = false;
};

}  // namespace fw

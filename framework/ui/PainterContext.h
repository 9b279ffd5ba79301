#pragma once
// The device context over QPainter, for any paint device: a widget in its
// paint event, a QImage, a QPrinter (also the print preview's) or a
// QPdfWriter; and MemoryContext, an off-screen bitmap to draw into and copy
// out with BitBlt. Geometry is mapped here, not by QPainter's transform, so
// that text stays upright in the y-up metric modes.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "framework/core/DrawContext.h"

class QPaintDevice;

namespace fw {

class PainterContext : public DrawContext {
public:
    // Paints on the device for the lifetime of the object (one QPainter).
    // Printers and PDF writers make a printing context.
    explicit PainterContext(QPaintDevice& device);
    // Paints with a painter someone else began (the print preview's); its
    // device gives the resolution and whether it prints.
    explicit PainterContext(QPainter& painter);
    ~PainterContext() override;
    PainterContext(const PainterContext&) = delete;
    PainterContext& operator=(const PainterContext&) = delete;

    bool IsActive() const { return m_painter && m_painter->isActive(); }
    QPainter& Painter() { return *m_painter; }
    // The image painted on, when the device is one (memory contexts, images).
    const QImage* Image() const { return m_image; }
    // Starts a new page on a printer or PDF device; false elsewhere.
    bool NewPage();

    bool IsPrinting() const override { return m_printing; }
    int GetDeviceCaps(int index) const override;
    int SaveDC() override;
    bool RestoreDC(int level) override;
    int SetMapMode(int mode) override;
    int GetMapMode() const override { return m_state.mapMode; }
    Point SetWindowOrg(Point origin) override;
    Point SetViewportOrg(Point origin) override;
    Point LPtoDP(Point p) const override;
    Point DPtoLP(Point p) const override;
    Size LPtoDP(Size s) const override;
    Size DPtoLP(Size s) const override;
    Rect LPtoDP(const Rect& r) const override;
    Rect DPtoLP(const Rect& r) const override;
    Size HIMETRICtoDP(Size s) const override;
    Size DPtoHIMETRIC(Size s) const override;
    LogFont SelectFont(const LogFont& font) override;
    LogFont GetCurrentFont() const override { return m_state.font; }
    void SelectPen(int style, int width, COLORREF colour) override;
    void SelectSolidBrush(COLORREF colour) override;
    void SelectHollowBrush() override;
    COLORREF SetTextColor(COLORREF colour) override;
    COLORREF GetTextColor() const override { return m_state.textColour; }
    COLORREF SetBkColor(COLORREF colour) override;
    COLORREF GetBkColor() const override { return m_state.bkColour; }
    int SetBkMode(int mode) override;
    unsigned SetTextAlign(unsigned align) override;
    void IntersectClipRect(const Rect& r) override;
    bool GetTextMetrics(TextMetric& tm) const override;
    Size GetTextExtent(std::string_view text) const override;
    bool TextOut(int x, int y, std::string_view text) override;
    int DrawText(std::string_view text, Rect& rect, unsigned format) override;
    Point MoveTo(int x, int y) override;
    bool LineTo(int x, int y) override;
    bool Rectangle(int left, int top, int right, int bottom) override;
    bool Ellipse(int left, int top, int right, int bottom) override;
    void FillRect(const Rect& r, COLORREF colour) override;
    bool DrawEdge(Rect& rect, unsigned edge, unsigned flags) override;
    bool BitBlt(int x, int y, int width, int height, DrawContext& source, int srcX, int srcY,
                unsigned rop = SRCCOPY) override;

    // The Qt font a description gives on this device (tests look at it).
    QFont MakeQFont(const LogFont& font) const;

protected:
    // For MemoryContext, which begins painting on an image it owns once
    // that exists, and ends before it goes.
    PainterContext();
    void Begin(QImage& image);
    void End();

private:
    struct State {
        int mapMode = MM_TEXT;
        Point windowOrg;
        Point viewportOrg;
        LogFont font;
        QFont qfont;
        int penStyle = PS_SOLID;
        int penWidth = 0;
        COLORREF penColour = RGB(0, 0, 0);
        bool hollowBrush = false;
        COLORREF brushColour = RGB(255, 255, 255);
        COLORREF textColour = RGB(0, 0, 0);
        COLORREF bkColour = RGB(255, 255, 255);
        int bkMode = OPAQUE;
        unsigned textAlign = TA_LEFT | TA_TOP;
        Point current;
    };

    void Init(QPaintDevice* device);
    Rect FromDevice(const QRect& d, const Rect& like) const;
    int DefaultPixelSize() const;
    int AverageCharWidth() const;  // device pixels, of the selected font
    double ScaleX() const;  // device pixels per logical unit, signed
    double ScaleY() const;
    QRect DeviceRect(const Rect& r) const;  // normalised, exclusive edges
    QPen MakePen() const;
    void DrawLines(const std::vector<std::string>& lines, const QRect& box, unsigned format, int lineHeight);

    bool m_printing = false;
    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter = nullptr;
    QImage* m_image = nullptr;
    int m_dpiX = 96;
    int m_dpiY = 96;
    int m_widthPx = 0;
    int m_heightPx = 0;
    int m_widthMm = 0;
    int m_heightMm = 0;
    State m_state;
    std::vector<State> m_saved;
};

// An off-screen bitmap of the given size in device pixels, with the
// resolution of the context it is compatible with. It starts black.
class MemoryContext : public PainterContext {
public:
    MemoryContext(const DrawContext& compatible, int widthPx, int heightPx);
    ~MemoryContext() override;

private:
    QImage m_bitmap;
};

}  // namespace fw

#pragma once
// A device context: what a view, a report or a value cell draws on, the same
// calls for the screen, an off-screen bitmap, an image, a printer and a PDF
// file. Coordinates are logical units of the mapping mode; fonts, pens and
// brushes are selected by value and the context makes the device objects.
// No Qt in this header, so that code below the window layer can draw.
#include <string>
#include <string_view>

#include "framework/core/Gdi.h"

namespace fw {

class DrawContext {
public:
    virtual ~DrawContext() = default;

    // True for printers, PDF files and the print preview.
    virtual bool IsPrinting() const = 0;
    virtual int GetDeviceCaps(int index) const = 0;

    // State: SaveDC returns the new level; RestoreDC(-1) goes back one level,
    // RestoreDC(n) to the state SaveDC saved when it returned n. False when
    // there is no such level.
    virtual int SaveDC() = 0;
    virtual bool RestoreDC(int level) = 0;

    // Mapping.
    virtual int SetMapMode(int mode) = 0;  // returns the previous mode
    virtual int GetMapMode() const = 0;
    virtual Point SetWindowOrg(Point origin) = 0;    // logical
    virtual Point SetViewportOrg(Point origin) = 0;  // device
    virtual Point LPtoDP(Point p) const = 0;
    virtual Point DPtoLP(Point p) const = 0;
    virtual Size LPtoDP(Size s) const = 0;  // magnitudes, signs kept
    virtual Size DPtoLP(Size s) const = 0;
    virtual Rect LPtoDP(const Rect& r) const = 0;
    virtual Rect DPtoLP(const Rect& r) const = 0;
    // A length of 0.01 mm as device pixels and back, on this device.
    virtual Size HIMETRICtoDP(Size s) const = 0;
    virtual Size DPtoHIMETRIC(Size s) const = 0;

    // Objects. Each Select returns the previous description.
    virtual LogFont SelectFont(const LogFont& font) = 0;
    virtual LogFont GetCurrentFont() const = 0;
    virtual void SelectPen(int style, int width, COLORREF colour) = 0;
    virtual void SelectSolidBrush(COLORREF colour) = 0;
    virtual void SelectHollowBrush() = 0;
    virtual COLORREF SetTextColor(COLORREF colour) = 0;
    virtual COLORREF GetTextColor() const = 0;
    virtual COLORREF SetBkColor(COLORREF colour) = 0;
    virtual COLORREF GetBkColor() const = 0;
    virtual int SetBkMode(int mode) = 0;
    virtual unsigned SetTextAlign(unsigned align) = 0;

    // Clipping, in logical units, intersected with what is there.
    virtual void IntersectClipRect(const Rect& r) = 0;

    // Text.
    virtual bool GetTextMetrics(TextMetric& tm) const = 0;
    virtual Size GetTextExtent(std::string_view text) const = 0;
    virtual bool TextOut(int x, int y, std::string_view text) = 0;
    // Lays the text out in the rectangle by the DT_ flags and draws it; with
    // DT_CALCRECT it only measures and widens or heightens rect to fit. Returns
    // the height of the text in logical units, 0 on failure.
    virtual int DrawText(std::string_view text, Rect& rect, unsigned format) = 0;

    // Lines and shapes with the current pen and brush.
    virtual Point MoveTo(int x, int y) = 0;
    virtual bool LineTo(int x, int y) = 0;
    virtual bool Rectangle(int left, int top, int right, int bottom) = 0;
    virtual bool Ellipse(int left, int top, int right, int bottom) = 0;
    virtual void FillRect(const Rect& r, COLORREF colour) = 0;
    // Edges of 3-D controls in the system colours; BF_ADJUST shrinks rect to
    // the inside of the drawn edge.
    virtual bool DrawEdge(Rect& rect, unsigned edge, unsigned flags) = 0;

    // Copies a block from another context (a memory context, usually).
    virtual bool BitBlt(int x, int y, int width, int height, DrawContext& source, int srcX, int srcY,
                        unsigned rop = SRCCOPY) = 0;
};

}  // namespace fw

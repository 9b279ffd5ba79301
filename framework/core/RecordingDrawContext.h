#pragma once
// A drawing context for tests that records what is drawn on it: every text
// with its rectangle, layout flags, font and colour, every line, ellipse,
// rectangle, fill and edge, with the positions also in device units. It
// passes everything on to the context it wraps (an image or a PDF page), so
// that mapping, fonts and metrics are real; without one it is a plain
// device of 96 dpi in MM_TEXT whose characters are 7 by 14 units.
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/DrawContext.h"

namespace fw {

class RecordingDrawContext : public DrawContext {
public:
    enum class Op { DrawText, TextOut, Line, Ellipse, Rectangle, FillRect, DrawEdge };
    struct Call {
        Op op = Op::DrawText;
        std::string text;
        Rect rect;            // as passed, logical units; a line runs from (left, top) to (right, bottom)
        Rect device;          // the same in device units
        unsigned flags = 0;   // DrawText format, or DrawEdge flags
        LogFont font;         // texts: the font selected
        COLORREF colour = 0;  // texts: the text colour; fills: the fill colour
    };

    RecordingDrawContext() = default;
    explicit RecordingDrawContext(DrawContext& inner) : m_inner(&inner) {}

    const std::vector<Call>& Calls() const { return m_calls; }
    std::vector<const Call*> All(Op op) const {
        std::vector<const Call*> out;
        for (const Call& c : m_calls)
            if (c.op == op) out.push_back(&c);
        return out;
    }
    // The first DrawText call of exactly this text, or null.
    const Call* FindText(std::string_view text) const {
        for (const Call& c : m_calls)
            if (c.op == Op::DrawText && c.text == text) return &c;
        return nullptr;
    }
    void Clear() { m_calls.clear(); }

    bool IsPrinting() const override { return m_inner ? m_inner->IsPrinting() : false; }
    int GetDeviceCaps(int index) const override {
        if (m_inner) return m_inner->GetDeviceCaps(index);
        return index == LOGPIXELSX || index == LOGPIXELSY ? 96 : 0;
    }
    int SaveDC() override {
        m_saved.push_back(m_state);
        if (m_inner) return m_inner->SaveDC();
        return static_cast<int>(m_saved.size());
    }
    bool RestoreDC(int level) override {
        const int depth = static_cast<int>(m_saved.size());
        const int target = level < 0 ? depth + level : level - 1;
        if (level == 0 || target < 0 || target >= depth) return m_inner ? m_inner->RestoreDC(level) : false;
        m_state = m_saved[static_cast<size_t>(target)];
        m_saved.resize(static_cast<size_t>(target));
        return m_inner ? m_inner->RestoreDC(level) : true;
    }
    int SetMapMode(int mode) override { return m_inner ? m_inner->SetMapMode(mode) : MM_TEXT; }
    int GetMapMode() const override { return m_inner ? m_inner->GetMapMode() : MM_TEXT; }
    Point SetWindowOrg(Point p) override { return m_inner ? m_inner->SetWindowOrg(p) : Point{}; }
    Point SetViewportOrg(Point p) override { return m_inner ? m_inner->SetViewportOrg(p) : Point{}; }
    Point LPtoDP(Point p) const override { return m_inner ? m_inner->LPtoDP(p) : p; }
    Point DPtoLP(Point p) const override { return m_inner ? m_inner->DPtoLP(p) : p; }
    Size LPtoDP(Size s) const override { return m_inner ? m_inner->LPtoDP(s) : s; }
    Size DPtoLP(Size s) const override { return m_inner ? m_inner->DPtoLP(s) : s; }
    Rect LPtoDP(const Rect& r) const override { return m_inner ? m_inner->LPtoDP(r) : r; }
    Rect DPtoLP(const Rect& r) const override { return m_inner ? m_inner->DPtoLP(r) : r; }
    Size HIMETRICtoDP(Size s) const override {
        return m_inner ? m_inner->HIMETRICtoDP(s) : Size{MulDiv(s.cx, 96, 2540), MulDiv(s.cy, 96, 2540)};
    }
    Size DPtoHIMETRIC(Size s) const override {
        return m_inner ? m_inner->DPtoHIMETRIC(s) : Size{MulDiv(s.cx, 2540, 96), MulDiv(s.cy, 2540, 96)};
    }
    LogFont SelectFont(const LogFont& font) override {
        LogFont old = m_state.font;
        m_state.font = font;
        if (m_inner) m_inner->SelectFont(font);
        return old;
    }
    LogFont GetCurrentFont() const override { return m_state.font; }
    void SelectPen(int style, int width, COLORREF colour) override {
        if (m_inner) m_inner->SelectPen(style, width, colour);
    }
    void SelectSolidBrush(COLORREF colour) override {
        if (m_inner) m_inner->SelectSolidBrush(colour);
    }
    void SelectHollowBrush() override {
        if (m_inner) m_inner->SelectHollowBrush();
    }
    COLORREF SetTextColor(COLORREF colour) override {
        const COLORREF old = m_state.textColour;
        m_state.textColour = colour;
        if (m_inner) m_inner->SetTextColor(colour);
        return old;
    }
    COLORREF GetTextColor() const override { return m_state.textColour; }
    COLORREF SetBkColor(COLORREF colour) override {
        const COLORREF old = m_state.bkColour;
        m_state.bkColour = colour;
        if (m_inner) m_inner->SetBkColor(colour);
        return old;
    }
    COLORREF GetBkColor() const override { return m_state.bkColour; }
    int SetBkMode(int mode) override { return m_inner ? m_inner->SetBkMode(mode) : OPAQUE; }
    unsigned SetTextAlign(unsigned align) override { return m_inner ? m_inner->SetTextAlign(align) : 0; }
    void IntersectClipRect(const Rect& r) override {
        if (m_inner) m_inner->IntersectClipRect(r);
    }
    bool GetTextMetrics(TextMetric& tm) const override {
        if (m_inner) return m_inner->GetTextMetrics(tm);
        tm = TextMetric{};
        tm.tmHeight = 14;
        tm.tmAscent = 11;
        tm.tmDescent = 3;
        tm.tmAveCharWidth = 7;
        tm.tmMaxCharWidth = 14;
        tm.tmWeight = m_state.font.lfWeight;
        return true;
    }
    Size GetTextExtent(std::string_view text) const override {
        if (m_inner) return m_inner->GetTextExtent(text);
        return {7 * static_cast<int>(text.size()), 14};
    }
    bool TextOut(int x, int y, std::string_view text) override {
        Record(Op::TextOut, {x, y, x, y}, std::string(text), 0, m_state.textColour);
        return m_inner ? m_inner->TextOut(x, y, text) : true;
    }
    int DrawText(std::string_view text, Rect& rect, unsigned format) override {
        Record(Op::DrawText, rect, std::string(text), format, m_state.textColour);
        return m_inner ? m_inner->DrawText(text, rect, format) : 14;
    }
    Point MoveTo(int x, int y) override {
        const Point old = m_current;
        m_current = {x, y};
        if (m_inner) m_inner->MoveTo(x, y);
        return old;
    }
    bool LineTo(int x, int y) override {
        Record(Op::Line, {m_current.x, m_current.y, x, y}, {}, 0, 0);
        m_current = {x, y};
        return m_inner ? m_inner->LineTo(x, y) : true;
    }
    bool Rectangle(int left, int top, int right, int bottom) override {
        Record(Op::Rectangle, {left, top, right, bottom}, {}, 0, 0);
        return m_inner ? m_inner->Rectangle(left, top, right, bottom) : true;
    }
    bool Ellipse(int left, int top, int right, int bottom) override {
        Record(Op::Ellipse, {left, top, right, bottom}, {}, 0, 0);
        return m_inner ? m_inner->Ellipse(left, top, right, bottom) : true;
    }
    void FillRect(const Rect& r, COLORREF colour) override {
        Record(Op::FillRect, r, {}, 0, colour);
        if (m_inner) m_inner->FillRect(r, colour);
    }
    bool DrawEdge(Rect& rect, unsigned edge, unsigned flags) override {
        Record(Op::DrawEdge, rect, {}, flags, edge);
        if (m_inner) return m_inner->DrawEdge(rect, edge, flags);
        if (flags & BF_ADJUST) rect.Deflate(2, 2);
        return true;
    }
    bool BitBlt(int x, int y, int width, int height, DrawContext& source, int srcX, int srcY,
                unsigned rop = SRCCOPY) override {
        return m_inner ? m_inner->BitBlt(x, y, width, height, source, srcX, srcY, rop) : true;
    }

private:
    struct State {
        LogFont font;
        COLORREF textColour = RGB(0, 0, 0);
        COLORREF bkColour = RGB(255, 255, 255);
    };
    void Record(Op op, const Rect& r, std::string text, unsigned flags, COLORREF colour) {
        Call c;
        c.op = op;
        c.rect = r;
        const Point a = LPtoDP(Point{r.left, r.top});
        const Point b = LPtoDP(Point{r.right, r.bottom});
        c.device = {a.x, a.y, b.x, b.y};
        c.text = std::move(text);
        c.flags = flags;
        c.font = m_state.font;
        c.colour = colour;
        m_calls.push_back(std::move(c));
    }

    DrawContext* m_inner = nullptr;
    State m_state;
    std::vector<State> m_saved;
    Point m_current;
    std::vector<Call> m_calls;
};

}  // namespace fw

#pragma once
// A printer context that draws nothing and records where the page's texts,
// lines, plot rectangles and clips go, in the logical units of the caller.
// One logical unit of the metric modes is one device unit, y flipped; text
// is as high as its font and half as wide per character, so that every
// offset of a layout can be computed from the font heights.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/DrawContext.h"

class PageRecorder : public fw::DrawContext {
public:
    struct Text {
        int x, y;
        std::string text;
        int fontHeight;  // logical units of the mode it was drawn in
    };
    struct Line {
        fw::Point from, to;
    };

    PageRecorder(int widthMm, int heightMm) : m_widthMm(widthMm), m_heightMm(heightMm) {}

    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<fw::Rect> clips;  // device units, as DrawGraph clips to its area

    const Text* Find(std::string_view text) const {
        for (const Text& t : texts)
            if (t.text == text) return &t;
        return nullptr;
    }
    const Text* FindStarting(std::string_view prefix) const {
        for (const Text& t : texts)
            if (t.text.rfind(prefix, 0) == 0) return &t;
        return nullptr;
    }

    bool IsPrinting() const override { return true; }
    int GetDeviceCaps(int index) const override {
        if (index == fw::HORZSIZE) return m_widthMm;
        if (index == fw::VERTSIZE) return m_heightMm;
        return 0;
    }
    int SaveDC() override {
        m_saved.push_back(m_state);
        return static_cast<int>(m_saved.size());
    }
    bool RestoreDC(int level) override {
        if (level < 0) level = static_cast<int>(m_saved.size()) + 1 + level;
        if (level < 1 || level > static_cast<int>(m_saved.size())) return false;
        m_state = m_saved[static_cast<size_t>(level - 1)];
        m_saved.resize(static_cast<size_t>(level - 1));
        return true;
    }
    int SetMapMode(int mode) override {
        const int previous = m_state.mode;
        m_state.mode = mode;
        return previous;
    }
    int GetMapMode() const override { return m_state.mode; }
    fw::Point SetWindowOrg(fw::Point) override { return {}; }
    fw::Point SetViewportOrg(fw::Point) override { return {}; }
    fw::Point LPtoDP(fw::Point p) const override { return Flipped() ? fw::Point{p.x, -p.y} : p; }
    fw::Point DPtoLP(fw::Point p) const override { return LPtoDP(p); }
    fw::Size LPtoDP(fw::Size s) const override { return s; }
    fw::Size DPtoLP(fw::Size s) const override { return s; }
    fw::Rect LPtoDP(const fw::Rect& r) const override {
        const fw::Point a = LPtoDP(fw::Point{r.left, r.top}), b = LPtoDP(fw::Point{r.right, r.bottom});
        return {a.x, a.y, b.x, b.y};
    }
    fw::Rect DPtoLP(const fw::Rect& r) const override { return LPtoDP(r); }
    fw::Size HIMETRICtoDP(fw::Size s) const override { return {s.cx / 10, s.cy / 10}; }
    fw::Size DPtoHIMETRIC(fw::Size s) const override { return {s.cx * 10, s.cy * 10}; }
    fw::LogFont SelectFont(const fw::LogFont& font) override {
        const fw::LogFont previous = m_state.font;
        m_state.font = font;
        return previous;
    }
    fw::LogFont GetCurrentFont() const override { return m_state.font; }
    void SelectPen(int, int, fw::COLORREF) override {}
    void SelectSolidBrush(fw::COLORREF) override {}
    void SelectHollowBrush() override {}
    fw::COLORREF SetTextColor(fw::COLORREF) override { return 0; }
    fw::COLORREF GetTextColor() const override { return 0; }
    fw::COLORREF SetBkColor(fw::COLORREF) override { return 0; }
    fw::COLORREF GetBkColor() const override { return 0; }
    int SetBkMode(int) override { return fw::OPAQUE; }
    unsigned SetTextAlign(unsigned) override { return 0; }
    void IntersectClipRect(const fw::Rect& r) override { clips.push_back(LPtoDP(r)); }
    bool GetTextMetrics(fw::TextMetric& tm) const override {
        tm.tmHeight = Height();
        tm.tmAscent = Height() * 8 / 10;
        return true;
    }
    fw::Size GetTextExtent(std::string_view text) const override {
        return {static_cast<int>(text.size()) * Height() / 2, Height()};
    }
    bool TextOut(int x, int y, std::string_view text) override {
        texts.push_back({x, y, std::string(text), Height()});
        return true;
    }
    int DrawText(std::string_view text, fw::Rect& rect, unsigned) override {
        texts.push_back({rect.left, rect.top, std::string(text), Height()});
        return Height();
    }
    fw::Point MoveTo(int x, int y) override {
        const fw::Point previous = m_at;
        m_at = {x, y};
        return previous;
    }
    bool LineTo(int x, int y) override {
        lines.push_back({m_at, {x, y}});
        m_at = {x, y};
        return true;
    }
    bool Rectangle(int, int, int, int) override { return true; }
    bool Ellipse(int, int, int, int) override { return true; }
    void FillRect(const fw::Rect&, fw::COLORREF) override {}
    bool DrawEdge(fw::Rect&, unsigned, unsigned) override { return true; }
    bool BitBlt(int, int, int, int, fw::DrawContext&, int, int, unsigned) override { return true; }

private:
    struct State {
        int mode = fw::MM_TEXT;
        fw::LogFont font;
    };
    bool Flipped() const { return m_state.mode != fw::MM_TEXT; }
    int Height() const { return std::abs(m_state.font.lfHeight); }

    int m_widthMm, m_heightMm;
    State m_state;
    std::vector<State> m_saved;
    fw::Point m_at;
};

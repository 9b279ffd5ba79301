#pragma once
// Value cells: one value that writes itself into an archive, into a
// window's text and into a rectangle of a report page. Header-only, so that
// the instrument layer's readings record can hold cells without depending on
// the rest of data/.
#include <cstdio>
#include <new>
#include <string>
#include <type_traits>

#include "framework/core/Archive.h"
#include "framework/core/DrawContext.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Object.h"
#include "framework/core/TextWindow.h"
#include "platform/WinTypes.h"

using COLORREF = DWORD;

// Drawing style of one report cell, handed to each cell a report draws.
struct CellStyle {
    BOOL bDrawEdge = FALSE;
    UINT nFormat = 0;       // DrawText format flags
    std::string strFormat;  // printf format for float cells; text cells ignore it
    COLORREF crBack = 0;
    UINT nEdge = 0;         // DrawEdge edge type
    UINT nBorderFlags = 0;  // DrawEdge border flags
};

template <class T>
class CQXDataObject : public fw::Object {
public:
    CQXDataObject() = default;
    explicit CQXDataObject(T value) : m_data(std::move(value)) {}

    // The value's raw bytes, with no tag, length or schema.
    void Serialize(fw::Archive& ar) override {
        if constexpr (std::is_trivially_copyable_v<T>) {
            if (ar.IsStoring())
                ar.Write(&m_data, sizeof m_data);
            else
                ar.Read(&m_data, sizeof m_data);
        }
    }
    // Puts the value into the window's text; format's string is the printf
    // format of number cells.
    virtual void SetText(fw::TextWindow* wnd, const CQXDataObject<std::string>& format) const = 0;
    // Draws the value as a report cell: the rectangle filled with the
    // style's background, the edge if the style asks for one, then the text
    // laid out by the style's DrawText flags (inside the edge with BF_ADJUST)
    // and drawn as it stands, "&" included.
    virtual void Draw(fw::DrawContext* dc, fw::Rect rect, const CellStyle* style) const = 0;

    T m_data{};
};

class CQXFloatData : public CQXDataObject<float> {
public:
    CQXFloatData() = default;
    explicit CQXFloatData(float value) : CQXDataObject<float>(value) {}

    // The value, widened to double, printed with fmt into at most 63
    // characters (longer text is cut there). fmt must hold exactly one
    // floating-point conversion; any other format gives an empty text rather
    // than reading an argument that is not there.
    std::string Format(const std::string& fmt) const;
    void SetText(fw::TextWindow* wnd, const CQXDataObject<std::string>& format) const override {
        if (wnd) wnd->SetWindowText(Format(format.m_data));
    }
    void Draw(fw::DrawContext* dc, fw::Rect rect, const CellStyle* style) const override;
};

class CQXStringData : public CQXDataObject<std::string> {
public:
    CQXStringData() = default;
    explicit CQXStringData(std::string value) : CQXDataObject<std::string>(std::move(value)) {}

    // The archive's counted string.
    void Serialize(fw::Archive& ar) override {
        if (ar.IsStoring())
            ar << m_data;
        else
            ar >> m_data;
    }
    void SetText(fw::TextWindow* wnd, const CQXDataObject<std::string>&) const override {
        if (wnd) wnd->SetWindowText(m_data);
    }
    void Draw(fw::DrawContext* dc, fw::Rect rect, const CellStyle* style) const override;
};

namespace cellformat {
// True when fmt has exactly one conversion, of a floating-point kind (flags,
// width and precision given as digits), and otherwise only text and "%%".
inline bool IsSingleFloatFormat(const std::string& fmt) {
    int conversions = 0;
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') continue;
        if (++i >= fmt.size()) return false;
        if (fmt[i] == '%') continue;
        while (i < fmt.size() && std::string_view("-+ #0'").find(fmt[i]) != std::string_view::npos) ++i;
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') ++i;
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') ++i;
        }
        if (i < fmt.size() && fmt[i] == 'l') ++i;
        if (i >= fmt.size() || std::string_view("fFeEgGaA").find(fmt[i]) == std::string_view::npos)
            return false;
        ++conversions;
    }
    return conversions == 1;
}

// The drawing both kinds of cell share; rect is the caller's copy, which
// DrawEdge may shrink for the text.
inline void DrawCell(fw::DrawContext& dc, fw::Rect rect, const CellStyle& style, const std::string& text) {
    try {
        dc.FillRect(rect, style.crBack);
    } catch (const std::bad_alloc&) {
        // No brush: the cell stays unfilled, but its edge and text still show.
    } catch (const fw::MemoryException&) {
    }
    if (style.bDrawEdge) dc.DrawEdge(rect, style.nEdge, style.nBorderFlags);
    // A cell's text is a value or a label, never a menu text: "&" is drawn
    // as it stands ("R&D Lab"), not taken as the mark of a mnemonic.
    dc.DrawText(text, rect, style.nFormat | fw::DT_NOPREFIX);
}
}  // namespace cellformat

inline std::string CQXFloatData::Format(const std::string& fmt) const {
    if (!cellformat::IsSingleFloatFormat(fmt)) return {};
    char buffer[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::snprintf(buffer, sizeof buffer, fmt.c_str(), static_cast<double>(m_data));
#pragma GCC diagnostic pop
    if (n < 0) return {};
    return std::string(buffer,
                       static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

inline void CQXFloatData::Draw(fw::DrawContext* dc, fw::Rect rect, const CellStyle* style) const {
    if (!dc || !style) return;
    cellformat::DrawCell(*dc, rect, *style, Format(style->strFormat));
}

inline void CQXStringData::Draw(fw::DrawContext* dc, fw::Rect rect, const CellStyle* style) const {
    if (!dc || !style) return;
    cellformat::DrawCell(*dc, rect, *style, m_data);
}

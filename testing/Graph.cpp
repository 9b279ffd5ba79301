#include "testing/Graph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/CQXDataObject.h"
#include "framework/core/Exceptions.h"

// ---- points and series ----------------------------------------------------

void CQXDataPoint::Serialize(fw::Archive& ar) {
    if (ar.IsStoring())
        ar << m_x << m_y;
    else
        ar >> m_x >> m_y;
}

CQXDataSeries::CQXDataSeries(const CQXDataSeries& other) : fw::Object() { *this = other; }

CQXDataSeries& CQXDataSeries::operator=(const CQXDataSeries& other) {
    if (this == &other) return *this;
    RemoveAll();
    SetSize(other.GetSize());
    for (int i = 0; i < other.GetSize(); ++i) SetAtGrow(i, other.GetAt(i));
    return *this;
}

const CQXDataPoint* CQXDataSeries::SetAtGrow(int index, const CQXDataPoint* point) {
    if (index < 0) throw fw::InvalidArgException();
    if (static_cast<size_t>(index) >= m_points.size()) m_points.resize(static_cast<size_t>(index) + 1);
    if (!point) {
        m_points[static_cast<size_t>(index)].reset();
        return point;
    }
    // The slot is replaced, never leaked; callers add at the count or into
    // empty slots, so nothing they hold is lost.
    m_points[static_cast<size_t>(index)] = std::make_unique<CQXDataPoint>(*point);
    ++m_nCount;
    if (m_bEmpty) {
        m_fMinX = m_fMaxX = point->m_x;
        m_fMinY = m_fMaxY = point->m_y;
        m_bEmpty = false;
    } else {
        if (point->m_x > m_fMaxX)
            m_fMaxX = point->m_x;
        else if (point->m_x < m_fMinX)
            m_fMinX = point->m_x;
        if (point->m_y > m_fMaxY)
            m_fMaxY = point->m_y;
        else if (point->m_y < m_fMinY)
            m_fMinY = point->m_y;
    }
    return point;
}

const CQXDataPoint* CQXDataSeries::GetAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_points.size()) return nullptr;
    return m_points[static_cast<size_t>(index)].get();
}

void CQXDataSeries::SetSize(int slots, int) {
    if (slots < 0) throw fw::InvalidArgException();
    m_points.resize(static_cast<size_t>(slots));
    // Points cut off are gone: the count and bounds follow what is left only
    // on the next RemoveAll, as in the framework's array; callers only grow.
}

void CQXDataSeries::RemoveAll() {
    m_points.clear();
    m_fMinX = m_fMaxX = m_fMinY = m_fMaxY = 0.0f;
    m_nCount = 0;
    m_bEmpty = true;
}

void CQXDataSeries::Serialize(fw::Archive& ar) {
    if (ar.IsStoring()) {
        if (m_points.size() > static_cast<size_t>(kMaxStoredSlots))
            throw fw::ArchiveException(fw::ArchiveException::kBadData);
        for (const auto& p : m_points)
            if (!p) throw fw::ArchiveException(fw::ArchiveException::kBadData);
        ar << static_cast<WORD>(m_points.size());
        for (const auto& p : m_points) p->Serialize(ar);
        return;
    }
    RemoveAll();
    WORD n = 0;
    ar >> n;
    SetSize(n);
    for (int i = 0; i < n; ++i) {
        CQXDataPoint temp;
        temp.Serialize(ar);
        SetAtGrow(i, &temp);
    }
}

CGraphTrace::CGraphTrace(int slots, fw::COLORREF colour, bool join, int penStyle, int penWidth, int markerSize,
                         int growBy)
    : m_crColor(colour), m_nPenStyle(penStyle), m_nPenWidth(penWidth), m_nMarkerSize(markerSize), m_bJoin(join) {
    SetSize(slots, growBy);
}

// ---- axes and tick plan ---------------------------------------------------

bool IsDrawableAxis(const CGraphAxis& a) {
    return std::isfinite(a.m_fMin) && std::isfinite(a.m_fMax) && std::isfinite(a.m_fDivision) &&
           a.m_fDivision > 0.0f && a.m_fMin != a.m_fMax && std::isfinite(a.m_fMax - a.m_fMin);  // the span must fit a float too
}

bool SetAxisRange(CGraphAxis& axis, float minimum, float maximum, float division) {
    CGraphAxis trial = axis;
    trial.m_fMin = minimum;
    trial.m_fMax = maximum;
    trial.m_fDivision = division;
    if (!IsDrawableAxis(trial)) return false;
    axis = std::move(trial);
    return true;
}

namespace {

// trunc(q) of a float quotient, kept as a double so that a huge one cannot
// overflow an int.
double TruncQuotient(float value, float division) { return std::trunc(double(value / division)); }

}  // namespace

std::vector<double> InnerTicks(const CGraphAxis& axis) {
    std::vector<double> ticks;
    if (!IsDrawableAxis(axis)) return ticks;
    float lo = std::min(axis.m_fMin, axis.m_fMax);
    float hi = std::max(axis.m_fMin, axis.m_fMax);
    double first = (TruncQuotient(lo, axis.m_fDivision) + 1) * axis.m_fDivision;
    double count = (double(hi) - first) / axis.m_fDivision;
    if (!(count < kMaxDivisions)) return ticks;
    float v = static_cast<float>(first);
    while (v < hi && ticks.size() <= static_cast<size_t>(kMaxDivisions)) {
        ticks.push_back(v);
        float next = v + axis.m_fDivision;
        if (!(next > v)) break;  // the division is lost in v's precision
        v = next;
    }
    return ticks;
}

bool InnerLabelsFit(const CGraphAxis& axis, int labelSize, int plotSize) {
    if (!IsDrawableAxis(axis)) return false;
    double n = std::fabs(TruncQuotient(axis.m_fMax, axis.m_fDivision) - TruncQuotient(axis.m_fMin, axis.m_fDivision));
    return n * labelSize < double(plotSize) - labelSize + 5;
}

std::string AxisLabel(const CGraphAxis& axis, double value) {
    char buffer[64];
    int n;
    if (cellformat::IsSingleFloatFormat(axis.m_format)) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        n = std::snprintf(buffer, sizeof buffer, axis.m_format.c_str(), value);
#pragma GCC diagnostic pop
    } else {
        n = std::snprintf(buffer, sizeof buffer, "%g", value);
    }
    if (n < 0) return {};
    return std::string(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

// ---- layout ---------------------------------------------------------------

void CalcPlotRect(GraphLayout& l) {
    const int t = l.tickHeight;
    l.plotLeft = l.areaLeft + l.yLabelWidth + 6 * l.tickWidth;
    l.plotTop = l.areaTop + l.yLabelHeight / 2;
    l.plotRight = l.areaRight - l.xLabelWidth / 2;
    l.plotBottom = l.areaBottom - 2 * t - 5 * l.xLabelHeight / 2;
    l.plotWidth = l.plotRight - l.plotLeft;
    l.plotHeight = l.plotBottom - l.plotTop;
}

void FitLayout(GraphLayout& l) {
    l.areaHeight = std::max(l.areaHeight, 6 * l.yLabelHeight);
    l.areaWidth = std::max(l.areaWidth, 2 * (l.xLabelWidth + l.yLabelWidth));
    l.areaRight = l.areaLeft + l.areaWidth;
    l.areaBottom = l.areaTop + l.areaHeight;
    CalcPlotRect(l);
    int titleLeft = l.plotLeft + (l.plotWidth - l.xTitleWidth) / 2;
    if (titleLeft < l.areaLeft || titleLeft + l.xTitleWidth > l.areaRight) {
        l.areaRight = l.plotLeft + l.xTitleWidth;
        l.areaWidth = l.areaRight - l.areaLeft;
        CalcPlotRect(l);
    }
    int titleTop = l.plotTop + (l.plotHeight - l.yTitleLength) / 2;
    if (titleTop < l.areaTop || titleTop + l.yTitleLength > l.areaBottom) {
        l.areaBottom = l.plotTop + 3 * l.yTitleLength / 2;
        l.areaHeight = l.areaBottom - l.areaTop;
        CalcPlotRect(l);
    }
}

void GrowLayout(GraphLayout& l) {
    const int t = l.tickHeight;
    l.plotRight = l.plotLeft + l.plotWidth;
    l.plotBottom = l.plotTop + l.plotHeight;
    l.areaLeft = std::min(l.plotLeft - 6 * l.tickWidth - l.yLabelWidth,
                          l.plotLeft + l.plotWidth / 2 - 3 * l.tickWidth - l.xTitleWidth / 2);
    l.areaTop = std::min(l.plotTop - l.yLabelHeight / 2, l.plotTop + l.plotHeight / 2 - l.yTitleLength / 2);
    l.areaRight = std::max(l.plotLeft + l.plotWidth / 2 + l.xTitleWidth / 2, l.plotRight + l.xLabelWidth / 2);
    l.areaBottom = std::max(l.plotTop + l.plotHeight / 2 + l.yTitleLength / 2,
                            l.plotBottom + 2 * t + 5 * l.xLabelHeight / 2);
    l.areaWidth = l.areaRight - l.areaLeft;
    l.areaHeight = l.areaBottom - l.areaTop;
}

// ---- drawing ----------------------------------------------------------------

namespace {

// A screen coordinate from a value, kept in a range an int holds; the clip
// hides everything beyond the plot anyway.
int ToScreen(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(v, -1.0e7, 1.0e7));
}

// Switches dc to device pixels with the origin at the device's corner, so
// that coordinates converted with LPtoDP are drawn where they belong.
void ToDeviceUnits(fw::DrawContext& dc) {
    dc.SetMapMode(fw::MM_TEXT);
    dc.SetWindowOrg({0, 0});
    dc.SetViewportOrg({0, 0});
}

}  // namespace

void CGraphTrace::DrawTrace(fw::DrawContext& dc, fw::Point origin, fw::Size size, const CGraphAxis& xAxis,
                            const CGraphAxis& yAxis) const {
    if (!IsDrawableAxis(xAxis) || !IsDrawableAxis(yAxis)) return;
    dc.SaveDC();
    fw::Size radius = dc.LPtoDP(fw::Size{m_nMarkerSize / 2, m_nMarkerSize / 2});
    int rx = std::abs(radius.cx), ry = std::abs(radius.cy);
    int penWidth = std::abs(dc.LPtoDP(fw::Size{m_nPenWidth, 0}).cx);
    dc.SelectPen(m_nPenStyle, penWidth, m_crColor);
    dc.SelectSolidBrush(m_crColor);
    ToDeviceUnits(dc);
    dc.IntersectClipRect({origin.x, origin.y, origin.x + size.cx + 1, origin.y + size.cy + 1});
    const double xSpan = double(xAxis.m_fMax) - xAxis.m_fMin;
    const double ySpan = double(yAxis.m_fMax) - yAxis.m_fMin;
    bool first = true;
    for (int i = 0; i < m_nCount && i < GetSize(); ++i) {
        const CQXDataPoint* p = GetAt(i);
        if (!p || !std::isfinite(p->m_x) || !std::isfinite(p->m_y)) continue;
        int x = ToScreen((double(p->m_x) - xAxis.m_fMin) * size.cx / xSpan + origin.x);
        int y = ToScreen((double(yAxis.m_fMin) - p->m_y) * size.cy / ySpan + origin.y + size.cy);
        if (m_bJoin) {
            if (first)
                dc.MoveTo(x, y);
            else
                dc.LineTo(x, y);
        }
        first = false;
        dc.Ellipse(x - rx, y - ry, x + rx, y + ry);
    }
    dc.RestoreDC(-1);
}

void DrawGraph(CGraph& graph, fw::Rect& area, fw::DrawContext& dc, int x, int y, int width, int height, bool fit) {
    GraphLayout& l = graph.m_layout;
    fw::Point p0 = dc.LPtoDP(fw::Point{x, y});
    fw::Point p1 = dc.LPtoDP(fw::Point{x + width, y + height});

    const int level = dc.SaveDC();
    fw::LogFont font = dc.GetCurrentFont();
    int pixels = std::abs(dc.LPtoDP(fw::Size{0, font.lfHeight}).cy);
    font.lfHeight = font.lfHeight < 0 ? -pixels : pixels;
    ToDeviceUnits(dc);
    fw::LogFont rotated = font;
    rotated.lfEscapement = 900;
    rotated.lfOrientation = 900;
    fw::LogFont upright = font;
    upright.lfEscapement = 0;
    upright.lfOrientation = 0;

    const CGraphAxis& xa = graph.m_xAxis;
    const CGraphAxis& ya = graph.m_yAxis;
    dc.SelectFont(rotated);
    fw::Size yTitle = dc.GetTextExtent(ya.m_title);
    dc.SelectFont(upright);
    fw::Size yMin = dc.GetTextExtent(AxisLabel(ya, ya.m_fMin));
    fw::Size yMax = dc.GetTextExtent(AxisLabel(ya, ya.m_fMax));
    fw::Size xMax = dc.GetTextExtent(AxisLabel(xa, xa.m_fMax));
    fw::Size tick = dc.GetTextExtent("_");
    fw::Size xTitle = dc.GetTextExtent(xa.m_title);
    fw::Size yLabel = yMin.cx >= yMax.cx ? yMin : yMax;
    l.tickWidth = tick.cx;
    l.tickHeight = tick.cy;
    l.yLabelWidth = yLabel.cx;
    l.yLabelHeight = yLabel.cy;
    l.xLabelWidth = xMax.cx;
    l.xLabelHeight = xMax.cy;
    // The rotated title's extent is measured along its baseline.
    l.yTitleLength = yTitle.cx;
    l.yTitleThickness = yTitle.cy;
    l.xTitleWidth = xTitle.cx;
    l.xTitleHeight = xTitle.cy;

    if (fit) {
        l.areaLeft = std::min(p0.x, p1.x);
        l.areaTop = std::min(p0.y, p1.y);
        l.areaWidth = std::abs(p1.x - p0.x);
        l.areaHeight = std::abs(p1.y - p0.y);
        FitLayout(l);
    } else {
        l.plotLeft = std::min(p0.x, p1.x);
        l.plotTop = std::min(p0.y, p1.y);
        l.plotWidth = std::abs(p1.x - p0.x);
        l.plotHeight = std::abs(p1.y - p0.y);
        GrowLayout(l);
    }
    const int t = l.tickHeight;

    dc.IntersectClipRect({l.areaLeft, l.areaTop, l.areaRight + 1, l.areaBottom + 1});
    dc.SelectPen(fw::PS_SOLID, 1, fw::RGB(0, 0, 0));
    dc.SelectSolidBrush(graph.m_crBackground);
    dc.Rectangle(l.plotLeft, l.plotTop, l.plotLeft + l.plotWidth + 1, l.plotTop + l.plotHeight + 1);

    const bool drawable = IsDrawableAxis(xa) && IsDrawableAxis(ya);
    auto centredX = [&](int cx, int top, const std::string& s) {
        fw::Size e = dc.GetTextExtent(s);
        dc.TextOut(cx - e.cx / 2, top, s);
    };
    auto rightY = [&](int right, int cy, const std::string& s) {
        fw::Size e = dc.GetTextExtent(s);
        dc.TextOut(right - e.cx, cy - e.cy / 2, s);
    };

    // x axis
    dc.MoveTo(l.plotLeft, l.plotBottom);
    dc.LineTo(l.plotLeft, l.plotBottom + 2 * t);
    centredX(l.plotLeft, l.plotBottom + 2 * t, AxisLabel(xa, xa.m_fMin));
    if (drawable) {
        const bool labels = InnerLabelsFit(xa, l.xLabelWidth, l.plotWidth);
        for (double v : InnerTicks(xa)) {
            int sx = ToScreen((v - xa.m_fMin) * l.plotWidth / (double(xa.m_fMax) - xa.m_fMin) + l.plotLeft);
            dc.MoveTo(sx, l.plotBottom + t);
            dc.LineTo(sx, xa.m_bGrid ? l.plotTop : l.plotBottom);
            if (!labels) continue;
            std::string s = AxisLabel(xa, v);
            fw::Size e = dc.GetTextExtent(s);
            int left = sx - e.cx / 2;
            if (left > l.plotLeft + l.xLabelWidth / 2 && left + e.cx < l.plotRight - l.xLabelWidth / 2)
                dc.TextOut(left, l.plotBottom + 2 * t, s);
        }
    }
    dc.MoveTo(l.plotRight, l.plotBottom);
    dc.LineTo(l.plotRight, l.plotBottom + 2 * t);
    centredX(l.plotRight, l.plotBottom + 2 * t, AxisLabel(xa, xa.m_fMax));

    // y axis
    dc.MoveTo(l.plotLeft, l.plotTop);
    dc.LineTo(l.plotLeft - 2 * t, l.plotTop);
    rightY(l.plotLeft - 2 * t, l.plotTop, AxisLabel(ya, ya.m_fMax));
    if (drawable) {
        const bool labels = InnerLabelsFit(ya, l.yLabelHeight, l.plotHeight);
        for (double v : InnerTicks(ya)) {
            int sy = ToScreen((double(ya.m_fMin) - v) * l.plotHeight / (double(ya.m_fMax) - ya.m_fMin) + l.plotBottom);
            dc.MoveTo(l.plotLeft - t, sy);
            dc.LineTo(ya.m_bGrid ? l.plotLeft + l.plotWidth : l.plotLeft, sy);
            if (!labels) continue;
            std::string s = AxisLabel(ya, v);
            fw::Size e = dc.GetTextExtent(s);
            int top = sy - e.cy / 2;
            if (top > l.plotTop + l.yLabelHeight / 2 && top + e.cy < l.plotBottom - l.yLabelHeight / 2)
                dc.TextOut(l.plotLeft - 2 * t - e.cx, top, s);
        }
    }
    dc.MoveTo(l.plotLeft, l.plotBottom);
    dc.LineTo(l.plotLeft - 2 * t, l.plotBottom);
    rightY(l.plotLeft - 2 * t, l.plotBottom, AxisLabel(ya, ya.m_fMin));

    // titles
    dc.SelectFont(rotated);
    dc.TextOut(l.areaLeft, l.plotTop + (l.yTitleLength + l.plotHeight) / 2, ya.m_title);
    dc.SelectFont(upright);
    dc.TextOut(l.plotLeft + (l.plotWidth - l.xTitleWidth) / 2, l.areaBottom - l.xTitleHeight, xa.m_title);
    dc.RestoreDC(level);

    // The traces convert their style from the caller's units, then draw at
    // the plot in device units.
    for (int i = 0; i < graph.m_nTraces && graph.m_pTraces; ++i)
        graph.m_pTraces[i].DrawTrace(dc, {l.plotLeft, l.plotTop}, {l.plotWidth, l.plotHeight}, xa, ya);

    fw::Point a0 = dc.DPtoLP(fw::Point{l.areaLeft, l.areaTop});
    fw::Point a1 = dc.DPtoLP(fw::Point{l.areaLeft + l.areaWidth, l.areaTop + l.areaHeight});
    area = {a0.x, a0.y, a1.x, a1.y};
}

#pragma once
// Graph series and graph drawing: points with running bounds, traces with a
// drawing style, axes, and the drawing of an x-y graph on a device context.
// The layout and the tick plan are plain functions on plain values; DrawGraph
// and DrawTrace only draw what they give. No Qt here.
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Archive.h"
#include "framework/core/DrawContext.h"
#include "framework/core/Object.h"

class CQXDataPoint : public fw::Object {
public:
    CQXDataPoint() = default;
    CQXDataPoint(float x, float y) : m_x(x), m_y(y) {}
    CQXDataPoint(const CQXDataPoint&) = default;
    CQXDataPoint& operator=(const CQXDataPoint&) = default;

    // x then y, 4 raw little-endian bytes each.
    void Serialize(fw::Archive& ar) override;
    bool operator==(const CQXDataPoint& o) const { return m_x == o.m_x && m_y == o.m_y; }

    float m_x = 0.0f;
    float m_y = 0.0f;
};

class CQXDataSeries : public fw::Object {
public:
    CQXDataSeries() = default;
    CQXDataSeries(const CQXDataSeries& other);
    CQXDataSeries& operator=(const CQXDataSeries& other);
    ~CQXDataSeries() override = default;

    // Stores a copy of *point at index (the slots grow as needed), counts it
    // and widens the bounds; null stores an empty slot. Returns point.
    const CQXDataPoint* SetAtGrow(int index, const CQXDataPoint* point);
    // The point in that slot; null outside the slots or for an empty one.
    const CQXDataPoint* GetAt(int index) const;
    void SetSize(int slots, int growBy = -1);
    int GetSize() const { return static_cast<int>(m_points.size()); }
    void RemoveAll();

    // A WORD slot count, then each point. Storing refuses (ArchiveException)
    // a series of more than 65535 slots or with an empty slot, which the
    // count could not describe; loading keeps the points read before an
    // error.
    void Serialize(fw::Archive& ar) override;

    std::vector<std::unique_ptr<CQXDataPoint>> m_points;
    float m_fMinX = 0.0f;
    float m_fMaxX = 0.0f;
    float m_fMinY = 0.0f;
    float m_fMaxY = 0.0f;
    int m_nCount = 0;
    bool m_bEmpty = true;

    static constexpr int kMaxStoredSlots = 65535;
};

class CGraphAxis;

class CGraphTrace : public CQXDataSeries {
public:
    CGraphTrace() = default;
    CGraphTrace(int slots, fw::COLORREF colour, bool join, int penStyle, int penWidth, int markerSize,
                int growBy = -1);
    CGraphTrace(const CGraphTrace&) = default;
    CGraphTrace& operator=(const CGraphTrace&) = default;

    // Draws the points into the plot (device units after the context's
    // mapping), clipped to it. Points with a non-finite coordinate are
    // skipped; a non-finite axis draws nothing.
    void DrawTrace(fw::DrawContext& dc, fw::Point plotOrigin, fw::Size plotSize, const CGraphAxis& xAxis,
                   const CGraphAxis& yAxis) const;

    fw::COLORREF m_crColor = 0;
    int m_nPenStyle = fw::PS_SOLID;
    int m_nPenWidth = 2;
    int m_nMarkerSize = 10;
    bool m_bJoin = true;
};

class CGraphAxis {
public:
    std::string m_title;
    float m_fMin = 0.0f;
    float m_fMax = 1.0f;
    float m_fDivision = 1.0f;
    bool m_bGrid = false;
    std::string m_format = "%.2f ";
};

// Replaces the range and division and keeps title, grid and format. An axis
// that could not be drawn (a non-finite number, a division of 0 or less, or
// an empty range) is refused: false, and the axis stays as it was.
bool SetAxisRange(CGraphAxis& axis, float minimum, float maximum, float division);
bool IsDrawableAxis(const CGraphAxis& axis);

// The inner division values of an axis: from the first multiple of the
// division above the smaller end (truncation toward zero) while below the
// larger end. More than kMaxDivisions give none at all, so that a tiny
// division can never make the drawing loop without end.
inline constexpr int kMaxDivisions = 1000;
std::vector<double> InnerTicks(const CGraphAxis& axis);
// Whether inner labels are drawn at all: n x label size fits in the plot.
bool InnerLabelsFit(const CGraphAxis& axis, int labelSize, int plotSize);
// The label of one value in the axis's format (C locale, as the format says;
// a format that is not one number conversion gives the plain number).
std::string AxisLabel(const CGraphAxis& axis, double value);

// The layout cache of a graph, all device units.
struct GraphLayout {
    int areaLeft = 0, areaTop = 0, areaRight = 0, areaBottom = 0, areaWidth = 0, areaHeight = 0;
    int plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0, plotWidth = 0, plotHeight = 0;
    int tickWidth = 0, tickHeight = 0;
    int yLabelWidth = 0, yLabelHeight = 0;
    int xLabelWidth = 0, xLabelHeight = 0;
    int yTitleLength = 0, yTitleThickness = 0;
    int xTitleWidth = 0, xTitleHeight = 0;
};

void CalcPlotRect(GraphLayout& l);
// The given outer area (areaLeft/Top/Width/Height set) laid out, maybe enlarged.
void FitLayout(GraphLayout& l);
// The given plot (plotLeft/Top/Width/Height set) with its outer area around it.
void GrowLayout(GraphLayout& l);

class CGraph {
public:
    CGraphAxis m_xAxis;
    CGraphAxis m_yAxis;
    const CGraphTrace* m_pTraces = nullptr;  // not owned
    int m_nTraces = 0;
    fw::COLORREF m_crBackground = fw::RGB(255, 255, 255);
    GraphLayout m_layout;
};

// Draws the whole graph and returns in area the outer area it occupies, in
// the context's logical units. fit: the rectangle is the outer area; else it
// is the plot and the area is computed around it.
void DrawGraph(CGraph& graph, fw::Rect& area, fw::DrawContext& dc, int x, int y, int width, int height, bool fit);

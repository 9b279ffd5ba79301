#include "testing/TestGraphs.h"

#include <cmath>
#include <ctime>
#include <new>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportText.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Strings.h"
#include "instrument/Rounding.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr UINT IDS_PRINT_HEADER = 147;
constexpr UINT IDS_TIME_AXIS = 150;
constexpr UINT IDS_FORCE_AXIS = 151;
constexpr UINT IDS_DEFLECTION_AXIS = 152;
constexpr UINT IDS_PROJECT = 450;
constexpr UINT IDS_TEST_DATE = 454;
constexpr UINT IDS_FILE_NAME = 455;

// A scale from the settings: a value that is not a positive finite number
// counts as missing, since it could only draw an axis without divisions.
bool UsableScale(double v) { return std::isfinite(v) && v > 0 && v < 1e30; }

void SetYAxis(CGraph& graph, double scale) {
    SetAxisRange(graph.m_yAxis, 0.0f, static_cast<float>(5 * scale), static_cast<float>(scale));
}

}  // namespace

TestGraphs::TestGraphs() {
    m_deflectionGraph.m_pTraces = &m_deflectionTrace;
    m_deflectionGraph.m_nTraces = 1;
    m_forceGraph.m_pTraces = &m_forceTrace;
    m_forceGraph.m_nTraces = 1;
}

fw::LogFont TestGraphs::Font(int height) const {
    fw::LogFont f;
    f.lfFaceName = "Arial";
    f.lfHeight = height;
    f.lfWeight = 500;
    f.lfOutPrecision = 4;   // OUT_TT_PRECIS
    f.lfClipPrecision = 0x80 | 2;
    f.lfPitchAndFamily = 0x24;
    return f;
}

void TestGraphs::Initialise() {
    const fw::COLORREF colour = fw::GetSysColor(fw::COLOR_ACTIVECAPTION);
    m_deflectionTrace = CGraphTrace(kLiveSlots, colour, true, fw::PS_SOLID, 3, 1);
    m_forceTrace = CGraphTrace(kLiveSlots, colour, true, fw::PS_SOLID, 3, 1);

    CGraphAxis time;
    time.m_title = fw::LoadString(IDS_TIME_AXIS);
    SetAxisRange(time, -5.0f, 250.0f, 62.5f);
    time.m_format = "%.1f";

    DWORD autoScale = 1;
    m_autoScale = theRegistry.GetGraphsAuto(autoScale) != 0 || autoScale != 0;
    double d = 0, f = 0;
    m_deflectionScale = theRegistry.GetGraphsDeflection(d) == 0 && UsableScale(d) ? d : 1.0;
    m_forceScale = theRegistry.GetGraphsForce(f) == 0 && UsableScale(f) ? f : 1000.0;
    if (m_autoScale) {
        m_deflectionScale = 1.0;
        m_forceScale = 300.0;
    }

    CGraphAxis deflection;
    deflection.m_title = fw::LoadString(IDS_DEFLECTION_AXIS);
    deflection.m_format = "%.3f";
    SetAxisRange(deflection, 0.0f, static_cast<float>(5 * m_deflectionScale), static_cast<float>(m_deflectionScale));
    CGraphAxis force;
    force.m_title = fw::LoadString(IDS_FORCE_AXIS);
    force.m_format = "%.0f";
    SetAxisRange(force, 0.0f, static_cast<float>(5 * m_forceScale), static_cast<float>(m_forceScale));

    const fw::COLORREF background = fw::GetSysColor(fw::COLOR_WINDOW);
    m_deflectionGraph.m_xAxis = time;
    m_deflectionGraph.m_yAxis = deflection;
    m_deflectionGraph.m_crBackground = background;
    m_forceGraph.m_xAxis = time;
    m_forceGraph.m_yAxis = force;
    m_forceGraph.m_crBackground = background;
}

void TestGraphs::LoadFromDocument(CQXRYXTestDoc& doc) {
    try {
        for (int i = 0; i < m_deflectionTrace.GetSize() && i < m_forceTrace.GetSize() && i <= 500; ++i) {
            CQXFloatData* d = doc.GetDeflection(i);
            CQXFloatData* f = doc.GetForce(i);
            if (!d || !f) break;
            CQXDataPoint pd(static_cast<float>(i * 0.5), d->m_data);
            CQXDataPoint pf(static_cast<float>(i * 0.5), f->m_data);
            m_deflectionTrace.SetAtGrow(i, &pd);
            m_forceTrace.SetAtGrow(i, &pf);
        }
    } catch (const std::bad_alloc&) {
    } catch (const fw::MemoryException&) {
    }
}

bool TestGraphs::AddPoint(float deflection, float force) {
    try {
        const int n = m_deflectionTrace.m_nCount;
        if (n <= 500) {
            CQXDataPoint pd(static_cast<float>(n * 0.5), deflection);
            CQXDataPoint pf(static_cast<float>(n * 0.5), force);
            m_deflectionTrace.SetAtGrow(n, &pd);
            m_forceTrace.SetAtGrow(m_forceTrace.m_nCount, &pf);
        }
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const fw::MemoryException&) {
        return false;
    }
    return true;
}

bool TestGraphs::AutoScale(CGraph& graph, const CGraphTrace& trace, double& scale, bool idle) {
    if (trace.m_nCount == 0) return false;
    const double m = trace.m_fMaxY;
    if (!std::isfinite(m) || !std::isfinite(scale)) return false;
    double factor = 1;
    if (!idle) {
        if (m >= 5 * scale || (trace.m_nCount > 20 && scale > m))
            factor = 3;
        else
            return false;
    }
    const double q = m / (5 - factor);
    // Beyond the rounding's range the value cannot be a scale of a reading.
    if (!(std::fabs(q) < 2.0e6)) return false;
    scale = static_cast<float>(RoundTo(q, 0.001));
    if (scale > 0) {
        SetYAxis(graph, scale);
        return true;
    }
    return false;
}

void TestGraphs::UpdateGraphScales(bool idle) {
    DWORD on = 0;
    if (theRegistry.GetGraphsAuto(on) == 0) m_autoScale = on != 0;
    if (m_autoScale) {
        AutoScale(m_deflectionGraph, m_deflectionTrace, m_deflectionScale, idle);
        AutoScale(m_forceGraph, m_forceTrace, m_forceScale, idle);
        return;
    }
    double v = 0;
    if (theRegistry.GetGraphsDeflection(v) == 0 && UsableScale(v)) {
        SetYAxis(m_deflectionGraph, v);
        m_deflectionScale = v;
    }
    if (theRegistry.GetGraphsForce(v) == 0 && UsableScale(v)) {
        SetYAxis(m_forceGraph, v);
        m_forceScale = v;
    }
}

fw::Size TestGraphs::ScrollSize(fw::DrawContext& dc, fw::Size* line) {
    dc.SaveDC();
    dc.SetMapMode(fw::MM_LOMETRIC);
    dc.SelectFont(Font(38));
    fw::Size text = dc.GetTextExtent("250.0");
    if (line) *line = {std::abs(text.cx), std::abs(text.cy)};
    fw::Rect area;
    DrawGraph(m_deflectionGraph, area, dc, -5000, 5000, 10 * text.cx, -10 * text.cy, false);
    dc.RestoreDC(-1);
    return {std::abs(area.Width() * 120 / 100), std::abs(area.Height() * 250 / 100)};
}

void TestGraphs::DrawReport(fw::DrawContext& dc, int W, int H, const CQXRYXTestDoc* doc, bool idle) {
    const bool printing = dc.IsPrinting();
    const fw::LogFont small = Font(38);
    const fw::LogFont large = Font(50);
    dc.SetBkMode(fw::TRANSPARENT);
    dc.FillRect({0, 0, W + 1, H - 1},
                printing ? fw::RGB(255, 255, 255) : fw::GetSysColor(fw::COLOR_INACTIVEBORDER));
    const int graphWidth = W * 100 / 120;
    const int graphHeight = H * 100 / 300;
    const int marginX = W * 10 / 120;
    const int marginY = H * 10 / 300;
    dc.SelectFont(small);
    const int th = dc.GetTextExtent("TEST").cy;

    UpdateGraphScales(idle);

    int start = marginY;
    if (printing) {
        dc.SelectFont(large);
        std::string header =
            fw::LoadString(IDS_PRINT_HEADER) + exporttext::LocaleTimeText(std::time(nullptr), "     %c");
        fw::Size e = dc.GetTextExtent(header);
        dc.TextOut((W - e.cx) / 2, marginY, header);
        // The rule and the first graph keep to the label font's text height.
        dc.SelectPen(fw::PS_SOLID, 1, fw::RGB(0, 0, 0));
        dc.MoveTo(marginX, marginY - 2 * th);
        dc.LineTo(W - marginX, marginY - 2 * th);
        start = marginY - 5 * th;
    }
    dc.SelectFont(small);
    fw::Rect area;
    DrawGraph(m_deflectionGraph, area, dc, marginX, start, graphWidth, graphHeight, true);
    const int forceTop = area.bottom + 2 * marginY;
    DrawGraph(m_forceGraph, area, dc, marginX, forceTop, graphWidth, graphHeight, true);

    if (printing && doc) {
        const int b = forceTop + graphHeight;
        const int gap = th * 25 / 100;
        // The test's name, as the report prints it.
        dc.TextOut(marginX, b - th, fw::LoadString(IDS_FILE_NAME));
        dc.TextOut(3 * marginX, b - th, doc->m_testName.m_data);
        dc.TextOut(marginX, b - 2 * th - gap, fw::LoadString(IDS_PROJECT));
        dc.TextOut(3 * marginX, b - 2 * th - gap, doc->m_project.m_data);
        dc.TextOut(marginX, b - 3 * th - 2 * gap, fw::LoadString(IDS_TEST_DATE));
        dc.TextOut(3 * marginX, b - 3 * th - 2 * gap, exporttext::LocaleTimeText(doc->m_testTime, "%x"));
    }
}

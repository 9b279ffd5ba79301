#include "testing/CQXRYXDeltaTcView.h"


#include "data/CQXRYXDeltaTcDoc.h"
#include "framework/core/Strings.h"
#include "testing/MeasureContext.h"
#include "testing/ReportKeys.h"

namespace {
constexpr UINT kIdsReportTitle = 147;
}

CQXRYXDeltaTcDoc* CQXRYXDeltaTcView::GetDocument() const {
    return dynamic_cast<CQXRYXDeltaTcDoc*>(fw::View::GetDocument());
}

void CQXRYXDeltaTcView::OnInitialUpdate() {
    fw::ScrollView::OnInitialUpdate();
    {
        report::MeasureContext window(*this);
        CalcLayout(window.Dc());
    }
    const report::ScrollSizes sizes = report::DeltaTcScrollSizes(m_metrics);
    SetScrollSizes(fw::MM_TEXT, sizes.total, sizes.page, sizes.line);
    OnUpdate(nullptr, 0);
}

void CQXRYXDeltaTcView::OnUpdate(fw::View* sender, intptr_t hint) {
    if (CQXRYXDeltaTcDoc* doc = GetDocument()) {
        m_data1 = doc->m_data1;
        m_data2 = doc->m_data2;
    }
    m_results = ComputeDeltaTc(m_data1, m_data2);
    fw::ScrollView::OnUpdate(sender, hint);
}

void CQXRYXDeltaTcView::CalcLayout(fw::DrawContext& dc) { m_metrics = report::CalcDeltaTcMetrics(dc); }

report::Page CQXRYXDeltaTcView::LayoutFor(fw::DrawContext& dc, int cx, int cy) {
    CalcLayout(dc);
    return report::LayoutDeltaTc(m_metrics, report::PageTarget(dc, cx, cy, kIdsReportTitle), m_data1, m_data2,
                                 m_results);
}

void CQXRYXDeltaTcView::DrawReport(fw::DrawContext& dc, int cx, int cy) { report::DrawPage(dc, LayoutFor(dc, cx, cy)); }

void CQXRYXDeltaTcView::OnDraw(fw::DrawContext& dc) {
    if (dc.IsPrinting()) {
        DrawReport(dc, dc.GetDeviceCaps(fw::HORZRES), dc.GetDeviceCaps(fw::VERTRES));
        return;
    }
    const fw::Size page = GetScreenPageSize();
    PaintOffScreen(dc, page, [&](fw::DrawContext& memory) { DrawReport(memory, page.cx, page.cy); });
}

void CQXRYXDeltaTcView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (!report::SendReportScrollKey(*this, nChar)) fw::ScrollView::OnKeyDown(nChar, nRepCnt, nFlags);
}

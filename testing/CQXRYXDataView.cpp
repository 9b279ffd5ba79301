#include "testing/CQXRYXDataView.h"

#include <QApplication>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "testing/CQXRYXDataFrm.h"
#include "testing/MeasureContext.h"
#include "testing/ReportKeys.h"

namespace {

constexpr UINT kIdsGraphFailed = 401;
constexpr UINT kIdsReportTitle = 147;

fw::DocTemplate*& GraphTemplate() {
    static fw::DocTemplate* tmpl = nullptr;
    return tmpl;
}

}  // namespace

CQXRYXDataView::CQXRYXDataView() {
    MapCommand(ID_VIEW_GRAPH, [this] { OnViewGraph(); });
}

void CQXRYXDataView::SetGraphTemplate(fw::DocTemplate* tmpl) { GraphTemplate() = tmpl; }
fw::DocTemplate* CQXRYXDataView::GetGraphTemplate() { return GraphTemplate(); }

CQXRYXTestDoc* CQXRYXDataView::GetDocument() const { return dynamic_cast<CQXRYXTestDoc*>(fw::View::GetDocument()); }

void CQXRYXDataView::OnInitialUpdate() {
    fw::ScrollView::OnInitialUpdate();
    {
        report::MeasureContext window(*this);
        CalcLayout(window.Dc());
    }
    const report::ScrollSizes sizes = report::ReportScrollSizes(m_metrics);
    SetScrollSizes(fw::MM_TEXT, sizes.total, sizes.page, sizes.line);
    if (CQXRYXTestDoc* doc = GetDocument()) m_model.Fill(*doc);
}

void CQXRYXDataView::OnUpdate(fw::View* sender, intptr_t hint) {
    // A report opened while its test is still recorded shows the texts and
    // warnings of now, not those of the moment it opened.
    if (CQXRYXTestDoc* doc = GetDocument()) m_model.Fill(*doc);
    fw::ScrollView::OnUpdate(sender, hint);
}

void CQXRYXDataView::BuildWarnings() { m_model.BuildWarnings(); }

void CQXRYXDataView::CalcLayout(fw::DrawContext& dc) { m_metrics = report::CalcReportMetrics(dc); }

report::ReportTarget CQXRYXDataView::Target(fw::DrawContext& dc, int W, int H) const {
    report::ReportTarget t = report::PageTarget(dc, W, H, kIdsReportTitle);
    DWORD resolution = 0;
    if (theRegistry.GetForceResolution(resolution) != 0) resolution = 0;
    t.forceDecimals = resolution != 0;
    return t;
}

report::Page CQXRYXDataView::LayoutFor(fw::DrawContext& dc, int W, int H) {
    CalcLayout(dc);
    return m_model.Layout(m_metrics, Target(dc, W, H));
}

void CQXRYXDataView::DrawReport(fw::DrawContext& dc, int W, int H) {
    report::DrawPage(dc, LayoutFor(dc, W, H));
}

void CQXRYXDataView::OnDraw(fw::DrawContext& dc) {
    if (dc.IsPrinting()) {
        DrawReport(dc, dc.GetDeviceCaps(fw::HORZRES), dc.GetDeviceCaps(fw::VERTRES));
        return;
    }
    const fw::Size page = GetScreenPageSize();
    PaintOffScreen(dc, page, [&](fw::DrawContext& memory) { DrawReport(memory, page.cx, page.cy); });
}

void CQXRYXDataView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (!report::SendReportScrollKey(*this, nChar)) fw::ScrollView::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CQXRYXDataView::OnViewGraph() {
    fw::Document* doc = fw::View::GetDocument();
    if (!doc) return;
    // A test window of the document already open: bring it forward. The
    // document's other windows are report windows or test windows.
    for (fw::View* v : doc->GetViews()) {
        auto* view = dynamic_cast<fw::ViewWidget*>(v);
        if (!view || view == this) continue;
        fw::ChildFrame* frame = view->GetParentFrame();
        if (frame && !dynamic_cast<CQXRYXDataFrm*>(frame)) {
            frame->ActivateFrame(-1);
            return;
        }
    }
    fw::DocTemplate* tmpl = GetGraphTemplate();
    if (!tmpl) {
        fw::ShowMessage(kIdsGraphFailed, MB_OK);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const size_t before = doc->GetViews().size();
    const bool made = tmpl->CreateFrame(*doc, true);
    fw::ViewWidget* made_view = nullptr;
    if (made && doc->GetViews().size() > before)
        made_view = dynamic_cast<fw::ViewWidget*>(doc->GetViews().back());
    if (made_view && made_view->GetParentFrame()) {
        made_view->update();
        QApplication::restoreOverrideCursor();
        return;
    }
    QApplication::restoreOverrideCursor();
    fw::ShowMessage(kIdsGraphFailed, MB_OK);
}

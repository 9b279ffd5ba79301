#pragma once
// The report window of a test: one page laid out like the printed sheet,
// the same drawing on screen (through an off-screen bitmap) and on paper,
// keyboard scrolling, one-page printing and View Graph.
#include <QWidget>

#include "framework/core/Document.h"
#include "framework/ui/ScrollView.h"
#include "testing/ReportLayout.h"

class CQXRYXTestDoc;

class CQXRYXDataView : public fw::ScrollView {
    Q_OBJECT
public:
    CQXRYXDataView();

    CQXRYXTestDoc* GetDocument() const;

    // Fonts, layout and scroll sizes on the window's context, then every
    // cell from the document.
    void OnInitialUpdate() override;
    // The document changed: its copied texts and warnings are taken again
    // and the window repaints.
    void OnUpdate(fw::View* sender, intptr_t hint) override;
    // Paper: the printer's page, straight onto it. Screen: the larger of the
    // window and the scroll total, through an off-screen bitmap.
    void OnDraw(fw::DrawContext& dc) override;
    // The whole page on dc, W x H device units.
    void DrawReport(fw::DrawContext& dc, int W, int H);
    // Measures the label and table fonts on dc.
    void CalcLayout(fw::DrawContext& dc);
    void BuildWarnings();
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    // ID_VIEW_GRAPH: brings the document's test window forward, or opens one
    // through the graph template.
    void OnViewGraph();

    // The page DrawReport would draw on dc (the metrics measured on dc).
    report::Page LayoutFor(fw::DrawContext& dc, int W, int H);
    const report::ReportModel& Model() const { return m_model; }
    const report::ReportMetrics& Metrics() const { return m_metrics; }

    // The template View Graph opens the test window with (130), set by the
    // application. Null while the station has no graph window.
    static void SetGraphTemplate(fw::DocTemplate* tmpl);
    static fw::DocTemplate* GetGraphTemplate();

private:
    report::ReportTarget Target(fw::DrawContext& dc, int W, int H) const;

    report::ReportModel m_model;
    report::ReportMetrics m_metrics;
};

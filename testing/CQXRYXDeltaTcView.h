#pragma once
// The Delta Tc report window (template 134): the two tests side by side,
// the critical temperatures computed from them and their difference, on
// screen through an off-screen bitmap and on paper as one page.
#include "data/DeltaTcCompute.h"
#include "data/DeltaTcData.h"
#include "framework/ui/ScrollView.h"
#include "testing/DeltaTcLayout.h"

class CQXRYXDeltaTcDoc;

class CQXRYXDeltaTcView : public fw::ScrollView {
    Q_OBJECT
public:
    CQXRYXDeltaTcView() = default;

    CQXRYXDeltaTcDoc* GetDocument() const;

    // Measures, sets the scroll sizes (half a total page a page), then
    // takes the document's records and computes.
    void OnInitialUpdate() override;
    // Copies the document's two records, computes the critical
    // temperatures and Delta Tc, and repaints.
    void OnUpdate(fw::View* sender, intptr_t hint) override;
    void OnDraw(fw::DrawContext& dc) override;
    void DrawReport(fw::DrawContext& dc, int cx, int cy);
    void CalcLayout(fw::DrawContext& dc);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;

    report::Page LayoutFor(fw::DrawContext& dc, int cx, int cy);
    const DeltaTcResults& Results() const { return m_results; }
    const report::DeltaTcMetrics& Metrics() const { return m_metrics; }

    DeltaTcData m_data1;
    DeltaTcData m_data2;

private:
    DeltaTcResults m_results;
    report::DeltaTcMetrics m_metrics;
};

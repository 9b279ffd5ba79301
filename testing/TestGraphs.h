#pragma once
// The live test view's page without Qt: the deflection and force graphs with
// their traces and scales, filled from a document or point by point, scaled
// by the settings or automatically, and drawn on any device context (the
// screen's off-screen page, an image, a printer).
#include <string>

#include "framework/core/DrawContext.h"
#include "testing/Graph.h"

class CQXRYXTestDoc;

class TestGraphs {
public:
    TestGraphs();

    // The initial update's set-up: traces, axes, the scales from the
    // settings (Graphs\Auto, Deflection, Force).
    void Initialise();
    // The first 501 points of the document.
    void LoadFromDocument(CQXRYXTestDoc& doc);
    // Adds the next point while the traces hold at most 500 (time n x 0.5 s).
    bool AddPoint(float deflection, float force);

    // The y scales at each drawing: the settings when auto-scale is off,
    // else AutoScale for both graphs.
    void UpdateGraphScales(bool idle);
    // Idle: the largest value at four of five divisions. Running: rescaled
    // to two of five when the data leave the axis or stay below one
    // division. A maximum or scale that is not a finite number changes
    // nothing.
    static bool AutoScale(CGraph& graph, const CGraphTrace& trace, double& scale, bool idle);

    // The page in MM_LOMETRIC: width W, height H < 0 (y up). Printing adds the
    // header and the file name, project and test date lines.
    void DrawReport(fw::DrawContext& dc, int width, int height, const CQXRYXTestDoc* doc, bool idle);
    // The total scroll size of the page in 0.1 mm, measured on dc; line gets
    // the size of the text "250.0" (the line step).
    fw::Size ScrollSize(fw::DrawContext& dc, fw::Size* line = nullptr);

    fw::LogFont Font(int height) const;

    CGraph m_deflectionGraph;
    CGraph m_forceGraph;
    CGraphTrace m_deflectionTrace;
    CGraphTrace m_forceTrace;
    double m_deflectionScale = 1.0;
    double m_forceScale = 1000.0;
    bool m_autoScale = true;

    static constexpr int kLiveSlots = 501;
};

#pragma once
// The test report's content and layout, without Qt: what the report view
// copies from its document and what it refers to there, the warnings, the
// layout metrics, and the page laid out for a given size on screen or paper.
#include <array>
#include <string>

#include "data/CQXDataObject.h"
#include "testing/ReportPage.h"

class CQXRYXTestDoc;

namespace report {

// Device-unit metrics measured on the context at hand.
struct ReportMetrics {
    int a = 0;   // label font's character width
    int e = 0;   // table font's character width
    int lh = 0;  // line height (table font)

    // Derived widths, as multiples of a and e.
    int Margin() const { return 5 * a; }
    int BlockWidth() const { return 127 * a; }
    int TableWidth() const { return 71 * e; }
};

// a from the label font, e and lh from the table font, on dc.
ReportMetrics CalcReportMetrics(fw::DrawContext& dc);

// The scroll sizes of a report window: total (127a - 5, 35 lh), a page of a
// quarter each way, a line of (e, lh).
struct ScrollSizes {
    fw::Size total;
    fw::Size page;
    fw::Size line;
};
ScrollSizes ReportScrollSizes(const ReportMetrics& m);

// How one drawing differs: the page size, screen or paper, Force\Resolution,
// and on paper the header line with its measured width.
struct ReportTarget {
    int width = 0;
    int height = 0;
    bool printing = false;
    bool forceDecimals = false;  // Force\Resolution nonzero
    std::string header;          // paper only: title and date
    int headerWidth = 0;         // its width in the header font
};
// The target of a drawing on dc of W x H: on paper with the header line,
// the title string titleId and the current date and time, measured in the
// header font.
ReportTarget PageTarget(fw::DrawContext& dc, int W, int H, UINT titleId);

// The report view's cells: copies taken from the document when the view
// is filled, references to the document's live cells for the rest.
class ReportModel {
public:
    // Fills every copied cell, the labels, the warnings and the references
    // from doc, which must outlive the model (the view goes with its frame
    // before the document).
    void Fill(CQXRYXTestDoc& doc);
    // Sets the two warning texts and flags from the document; both flags
    // are cleared first, so that a rebuilt report shows what holds now.
    void BuildWarnings();

    // The page for target with the metrics m.
    Page Layout(const ReportMetrics& m, const ReportTarget& target) const;

    bool HasDocument() const { return m_doc != nullptr; }
    const CQXRYXTestDoc* Document() const { return m_doc; }
    bool Warning541() const { return m_bWarning541; }
    bool Warning542() const { return m_bWarning542; }
    const std::string& WarningText541() const { return m_warning541.m_data; }
    const std::string& WarningText542() const { return m_warning542.m_data; }

private:
    CQXRYXTestDoc* m_doc = nullptr;
    // Labels of the data block: column 1 rows 0-6, column 2, column 3.
    std::array<CQXStringData, 7> m_labels1;
    std::array<CQXStringData, 7> m_labels2;  // row 5 and 6 unused for an import
    std::array<CQXStringData, 7> m_labels3;
    std::array<CQXStringData, 7> m_headings;
    std::array<CQXStringData, 4> m_fitLabels;
    // Force labels 752, 756 (t = 0.0 s), 760, 764 (t = 0.5 s), then 768
    // "  mm", 772, 776, 780, 788, 789 and 784 "  mN".
    CQXStringData m_forceLabel0, m_deflLabel0, m_forceLabel1, m_deflLabel1, m_mm;
    CQXStringData m_maxForceLabel, m_avgForceLabel, m_minForceLabel;
    CQXStringData m_devEarlyLabel, m_devLateLabel, m_mN;
    // Copied texts.
    CQXStringData m_project, m_operator, m_specimen, m_testName, m_apparatusId;
    CQXFloatData m_confidence100;
    CQXFloatData m_deflConst1000;
    CQXFloatData m_compliance1e6;
    CQXStringData m_warning541, m_warning542;
    CQXStringData m_testTime, m_testDate, m_confDate, m_calDate, m_tempCalDate, m_softwareVersion;
    bool m_bWarning541 = false;
    bool m_bWarning542 = false;
};

}  // namespace report

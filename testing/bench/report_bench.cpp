// Repainting the report window: one screen (1280 x 800) of a complete test
// drawn off-screen and copied to the window's context, as a paint event does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <cstdlib>

#include "data/CQXRYXTestDoc.h"
#include "framework/ui/PainterContext.h"
#include "testing/CQXRYXDataView.h"

namespace {

void FillTest(CQXRYXTestDoc& doc) {
    doc.m_beamWidth.m_data = 12.7f;
    doc.m_beamThickness.m_data = 6.35f;
    const double g = 4 * 12.7 * std::pow(6.35, 3) / 1048772;
    for (int i = 0; i < 501; ++i) {
        const double t = i == 0 ? 0.25 : doc.PointTime(i);
        const double s = std::pow(10.0, 3.0 - 0.3 * std::log10(t));
        doc.AddPoint(CQXFloatData(static_cast<float>(980.665 / (s * 1000 * g))), CQXFloatData(980.665f),
                     CQXFloatData(-18.0f));
    }
    doc.CalculateResults();
    doc.m_project.m_data = "Proj";
    doc.m_testName.m_data = "T1";
    doc.m_targetTemperature.m_data = -18.0f;
    doc.m_minTemperature.m_data = -18.0f;
    doc.m_maxTemperature.m_data = -18.0f;
}

void BM_ReportRepaintOneScreen(benchmark::State& state) {
    CQXRYXTestDoc doc;
    doc.m_bReportErrors = FALSE;
    FillTest(doc);
    auto* view = new CQXRYXDataView;
    doc.AddView(view);
    view->resize(1280, 800);
    view->OnInitialUpdate();
    QImage window(1280, 800, QImage::Format_RGB32);
    for (auto _ : state) {
        fw::PainterContext dc(window);
        view->OnPrepareDC(dc);
        view->OnDraw(dc);
        benchmark::DoNotOptimize(window.constBits());
    }
    doc.RemoveView(view);
    delete view;
}
BENCHMARK(BM_ReportRepaintOneScreen)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

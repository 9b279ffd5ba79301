// Batch export: files per second in each format, 1000 test files, (a) the
// job alone (hidden open, export, close) and (b) worked off by the event
// loop as the station does it, one file per idle period through a posted
// command, which shows whether the loop waits between files.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/BatchExportJob.h"
#include "app/CommandRules.h"
#include "app/tests/support/GeneratedTests.h"
#include "framework/core/Document.h"
#include "framework/core/MessageBox.h"
#include "framework/core/WindowPost.h"
#include "framework/ui/Application.h"
#include "framework/ui/Frames.h"
#include "platform/Paths.h"
#include "res/Resource.h"

namespace {

constexpr int kFiles = 1000;

struct Files {
    std::string dir;
    std::vector<std::string> paths;
    Files() {
        char tmpl[] = "/tmp/ryx-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
        const std::string model = dir + "/model.ryx";
        gentest::WriteTest(model, {});
        std::string bytes;
        platform::ReadWholeFile(model, bytes);
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/T%04d.ryx", i);
            paths.push_back(dir + name);
            std::ofstream(paths.back(), std::ios::binary) << bytes;
        }
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Files& TestFiles() {
    static Files files;
    return files;
}

// The report template's hidden opens, quiet, without windows.
struct Opener {
    fw::DocTemplate tmpl{IDR_TEST_REPORT,
                         [] {
                             auto doc = std::make_unique<CQXRYXTestDoc>();
                             doc->m_bReportErrors = FALSE;
                             return std::unique_ptr<fw::Document>(std::move(doc));
                         },
                         nullptr};
    std::vector<std::string> queue;
    BatchExportJob job{queue,
                       [this](const std::string& p) {
                           return static_cast<CQXRYXTestDoc*>(tmpl.OpenDocumentFile(p.c_str(), false));
                       },
                       [this](CQXRYXTestDoc* d) { tmpl.CloseDocument(d); }};
    void Fill(const char* format) {
        queue = appcmd::DecideBatchExport(TestFiles().paths).files;
        job.KeepWritten(false);
        job.Start(format);
    }
};

const char* const kFormats[] = {"csv", "dat", "LIMS"};

void BM_JobAlone(benchmark::State& state) {
    const char* format = kFormats[state.range(0)];
    Opener o;
    for (auto _ : state) {
        o.Fill(format);
        while (o.job.ExportNext()) {
        }
        if (!o.job.Failures().empty()) state.SkipWithError("a file failed");
    }
    state.SetLabel(format);
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kFiles), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_JobAlone)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The station's loop: the idle work posts one command while files are
// queued; the command exports one file.
class LoopApp : public fw::Application {
public:
    using fw::Application::Application;
    Opener* opener = nullptr;
    fw::MainFrame* frame = nullptr;
    long idles = 0;
    using fw::Application::MapCommand;
    bool OnIdle(long count) override {
        if (fw::Application::OnIdle(count)) return true;
        ++idles;
        if (opener && !opener->queue.empty() && frame) fw::PostCommand(frame->Id(), ID_BATCH_EXPORT_NEXT);
        return false;
    }
};

LoopApp& App() {
    static int argc = 1;
    static char name[] = "batch_export_bench";
    static char* argv[] = {name, nullptr};
    static LoopApp app(argc, argv);
    return app;
}

void BM_ThroughTheLoop(benchmark::State& state) {
    const char* format = kFormats[state.range(0)];
    LoopApp& app = App();
    fw::MainFrame frame;
    Opener o;
    app.SetMainFrame(&frame);
    app.frame = &frame;
    app.opener = &o;
    app.MapCommand(ID_BATCH_EXPORT_NEXT, [&] { o.job.ExportNext(); });
    long idles = 0;
    for (auto _ : state) {
        o.Fill(format);
        app.idles = 0;
        app.RunUntil([&] { return o.queue.empty(); }, 600000);
        idles += app.idles;
        if (!o.job.Failures().empty()) state.SkipWithError("a file failed");
    }
    app.opener = nullptr;
    app.frame = nullptr;
    app.SetMainFrame(nullptr);
    state.SetLabel(format);
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kFiles), benchmark::Counter::kIsRate);
    state.counters["idle/file"] = static_cast<double>(idles) / static_cast<double>(state.iterations() * kFiles);
}
BENCHMARK(BM_ThroughTheLoop)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    App();
    TestFiles();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The decisions of the file commands without windows: what the dialogs
// accept, the export table and paths, the Delta Tc pair check, the idle
// set-point rule, and the batch-export job on real test files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "app/BatchExportJob.h"
#include "app/CommandRules.h"
#include "app/tests/support/GeneratedTests.h"
#include "data/DeltaTcData.h"
#include "data/ExportFormats.h"
#include "framework/core/Document.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"
#include "res/Resource.h"

namespace {

using namespace appcmd;

std::vector<UINT> Ids(const Decision& d) {
    std::vector<UINT> ids;
    for (const auto& m : d.messages) ids.push_back(m.id);
    return ids;
}

TEST(OpenChoice, OneFileOpensMoreStayOpenWith414PreviewTakesAny) {
    EXPECT_FALSE(DecideOpen({"/d/t1.ryx"}, false).stayOpen);
    EXPECT_EQ(DecideOpen({"/d/t1.ryx"}, false).files, std::vector<std::string>{"/d/t1.ryx"});
    const Decision three = DecideOpen({"/d/a.ryx", "/d/b.ryx", "/d/c.ryx"}, false);
    EXPECT_TRUE(three.stayOpen);
    EXPECT_EQ(Ids(three), std::vector<UINT>{IDS_CHOOSE_ONE});
    const Decision preview = DecideOpen({"/d/a.ryx", "/d/b.ryx", "/d/c.ryx"}, true);
    EXPECT_TRUE(preview.stayOpen) << "reading the selection for a preview never ends the dialog";
    EXPECT_TRUE(preview.messages.empty());
    EXPECT_EQ(preview.files.size(), 3u);
}

struct ChoiceCase {
    std::vector<std::string> selected;
    bool stayOpen;
    std::vector<UINT> messages;
    std::vector<std::string> files;  // as the dialog keeps them: reversed
};

TEST(DeltaTcChoice, ExactlyTwoTestFilesInAnyCaseOthersListed) {
    const ChoiceCase cases[] = {
        {{"/d/a.ryx", "/d/b.RYX"}, false, {}, {"/d/b.RYX", "/d/a.ryx"}},
        {{"/d/a.ryx", "/d/notes.txt", "/d/b.Ryx"}, false, {IDS_DELTA_TC_REJECTED}, {"/d/b.Ryx", "/d/a.ryx"}},
        {{"/d/a.ryx"}, true, {IDS_CHOOSE_TWO}, {}},
        {{"/d/a.ryx", "/d/b.ryx", "/d/c.ryx"}, true, {IDS_CHOOSE_TWO}, {}},
        {{"/d/a.ryx", "/d/x.bdt"}, true, {IDS_DELTA_TC_REJECTED, IDS_CHOOSE_TWO}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected.size());
        const Decision d = DecideDeltaTc(c.selected);
        EXPECT_EQ(d.stayOpen, c.stayOpen);
        EXPECT_EQ(Ids(d), c.messages);
        EXPECT_EQ(d.files, c.files);
    }
    const Decision listed = DecideDeltaTc({"/d/a.ryx", "/d/notes.txt", "/d/b.ryx"});
    EXPECT_EQ(listed.messages[0].text,
              "The following files could not be open due to invalid format :\n\n\t/d/notes.txt");
}

TEST(BatchChoice, TestFilesInAnyCaseOthersListedNoneLeftStaysOpen) {
    const ChoiceCase cases[] = {
        {{"/d/A.ryx", "/d/B.RYX", "/d/c.rYx"}, false, {}, {"/d/c.rYx", "/d/B.RYX", "/d/A.ryx"}},
        {{"/d/A.ryx", "/d/x.csv"}, false, {IDS_EXPORT_REJECTED}, {"/d/A.ryx"}},
        {{"/d/x.csv", "/d/y.bdt"}, true, {IDS_EXPORT_REJECTED}, {}},
        {{"/d/a.ryx.bak"}, true, {IDS_EXPORT_REJECTED}, {}},
    };
    for (const auto& c : cases) {
        const Decision d = DecideBatchExport(c.selected);
        EXPECT_EQ(d.stayOpen, c.stayOpen);
        EXPECT_EQ(Ids(d), c.messages);
        EXPECT_EQ(d.files, c.files);
    }
}

TEST(ExportTable, FormatTextsPathsAndCase) {
    EXPECT_EQ(FormatText(true, 0), "LIMS");
    EXPECT_EQ(FormatText(false, 0), "csv");
    EXPECT_EQ(FormatText(false, 1), "dat");
    EXPECT_EQ(FormatFromText("LIMS"), ExportFormat::Lims);
    EXPECT_EQ(FormatFromText("csv"), ExportFormat::Csv);
    EXPECT_EQ(FormatFromText("dat"), ExportFormat::Dat);
    EXPECT_EQ(FormatFromText("CSV"), ExportFormat::None) << "format texts compare with case";
    EXPECT_EQ(FormatFromText(""), ExportFormat::None);

    struct PathCase {
        ExportFormat format;
        std::string path;
        std::string expected;
    };
    const PathCase cases[] = {
        // The folder and the name keep their case: on Linux "/data" and "/DATA" differ.
        {ExportFormat::Csv, "/data/Run 3/t1.ryx", "/data/Run 3/t1.csv"},
        {ExportFormat::Dat, "/data/T1.RYX", "/data/T1.dat"},
        {ExportFormat::Lims, "/data/t1.ryx", "/data/t1LIMS.csv"},
        {ExportFormat::Csv, "/data.d/t1", ""},
        {ExportFormat::None, "/data/t1.ryx", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExportPath(c.format, c.path), c.expected) << c.path;
    EXPECT_EQ(ExportBase("/data.d/t1.b.ryx"), "/data.d/t1.b.");
}

class TempDir : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ryx-rules-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string Touch(const std::string& name, const std::string& bytes = "x") {
        const std::string p = dir + "/" + name;
        EXPECT_EQ(platform::WriteFileAtomic(p, bytes), 0u);
        return p;
    }
    std::string dir;
};

using DosHeader = TempDir;

TEST_F(DosHeader, DatWithABdtSiblingInAnyCaseIsADosHeader) {
    Touch("T1.BDT");
    Touch("t2.bdt");
    EXPECT_TRUE(IsDosHeader(dir + "/T1.dat"));
    EXPECT_TRUE(IsDosHeader(dir + "/T1.DAT"));
    EXPECT_TRUE(IsDosHeader(dir + "/T2.dat"));
    EXPECT_FALSE(IsDosHeader(dir + "/T3.dat")) << "no pair";
    EXPECT_FALSE(IsDosHeader(dir + "/T1.csv"));
    EXPECT_FALSE(IsDosHeader(dir + "/T1X.dat"));
}

DeltaTcData Record(float target, float s, float m) {
    DeltaTcData d;
    d.m_fTargetTemp.m_data = target;
    d.m_fStiffness60.m_data = s;
    d.m_fMValue60.m_data = m;
    return d;
}

TEST(DeltaTcPair, CriteriaInclusiveMirroredAndNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        DeltaTcData a, b;
        UINT expected;
    };
    const Case cases[] = {
        {Record(-12, 250, 0.35f), Record(-12, 350, 0.28f), IDS_SAME_TEMPERATURE},
        {Record(-12, 250, 0.35f), Record(-18, 350, 0.28f), 0},
        {Record(-18, 350, 0.28f), Record(-12, 250, 0.35f), 0},  // mirrored
        {Record(-12, 250, 0.28f), Record(-18, 350, 0.35f), IDS_CRITERIA},
        {Record(-12, 300, 0.35f), Record(-18, 350, 0.3f), 0},  // bounds are inclusive
        {Record(-12, 300, 0.3f), Record(-18, 300, 0.28f), IDS_CRITERIA},  // equal stiffness
        {Record(-12, nan, 0.35f), Record(-18, 350, 0.28f), IDS_CRITERIA},
        {Record(-12, 250, 0.35f), Record(-18, 350, nan), IDS_CRITERIA},
    };
    for (const auto& c : cases) {
        const Message m = CheckDeltaTcPair(c.a, c.b);
        EXPECT_EQ(m.id, c.expected) << c.a.m_fStiffness60.m_data << " " << c.b.m_fStiffness60.m_data;
    }
    EXPECT_EQ(CheckDeltaTcPair(Record(-12, 250, 0.28f), Record(-18, 350, 0.35f)).text,
              "The two specimens used to calculate Critical Temperature should  meet the following "
              "criteria...\n\tS1 < 300.0 < S2\n\tm2 < 0.300 < m1\nThe specimen values are...\n\tS1 = "
              "250.0,\tm1 = 0.280\n\tS2 = 350.0,\tm2 = 0.350");
}

TEST(IdleSetPoint, MoreThanFiveSecondsAcrossTheTickWrap) {
    struct Case {
        uint32_t now, last;
        bool due;
    };
    const Case cases[] = {
        {10000, 5000, false},       {10001, 5000, true},
        {5000, 0xFFFFF000u, true},  // 4096 + 5000 ms across the wrap
        {100, 0xFFFFF000u, false},  // 4196 ms across the wrap
        {0xFFFFFFFFu, 0xFFFFEC77u, false},  // exactly 5000
        {0xFFFFFFFFu, 0xFFFFEC76u, true},
    };
    for (const auto& c : cases) EXPECT_EQ(SetPointDue(c.now, c.last), c.due) << c.now << " " << c.last;
}

// The job on real test files, opened hidden through a template without windows.
class BatchJob : public TempDir {
protected:
    void SetUp() override {
        TempDir::SetUp();
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
    }
    std::string Test(const std::string& name) {
        const std::string p = dir + "/" + name;
        EXPECT_TRUE(gentest::WriteTest(p, {}));
        return p;
    }
    BatchExportJob MakeJob() {
        return BatchExportJob(
            queue,
            [this](const std::string& p) {
                opened.push_back(p);
                return static_cast<CQXRYXTestDoc*>(tmpl.OpenDocumentFile(p.c_str(), false));
            },
            [this](CQXRYXTestDoc* d) { tmpl.CloseDocument(d); });
    }
    // Quiet documents, as the application's hidden opens make them.
    fw::DocTemplate tmpl{IDR_TEST_REPORT,
                         [] {
                             auto doc = std::make_unique<CQXRYXTestDoc>();
                             doc->m_bReportErrors = FALSE;
                             return std::unique_ptr<fw::Document>(std::move(doc));
                         },
                         nullptr};
    std::vector<std::string> queue;
    std::vector<std::string> opened;
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> scope{boxes};
};

TEST_F(BatchJob, ExportsInTheDialogsOrderWithProgress) {
    const std::string a = Test("A.ryx"), b = Test("B.RYX"), c = Test("c.ryx");
    queue = DecideBatchExport({a, b, c}).files;  // as the dialog hands them over
    BatchExportJob job = MakeJob();
    job.Start("csv");
    EXPECT_EQ(job.Total(), 3u);
    while (job.ExportNext()) {
    }
    EXPECT_EQ(opened, (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(job.Written(), (std::vector<std::string>{dir + "/A.csv", dir + "/B.csv", dir + "/c.csv"}));
    EXPECT_EQ(job.Done(), 3u);
    EXPECT_TRUE(job.Failures().empty());
    EXPECT_TRUE(tmpl.GetDocuments().empty()) << "every document closed";
    EXPECT_EQ(boxes.Count(), 0u);
}

// Whatever happens while one file is read, it leaves the queue once and is
// listed when it was not exported: an open that throws, and a nested loop (a
// box's) that runs the next file while one is being read.
TEST_F(BatchJob, EveryFileLeavesTheQueueOnceWhateverHappensWhileItIsRead) {
    const std::string first = Test("first.ryx"), thrown = Test("thrown.ryx"), nested = Test("nested.ryx"),
                      last = Test("last.ryx");
    queue = DecideBatchExport({first, thrown, nested, last}).files;
    BatchExportJob* running = nullptr;
    BatchExportJob job(
        queue,
        [&](const std::string& p) -> CQXRYXTestDoc* {
            opened.push_back(p);
            if (p == thrown) throw std::length_error("basic_string::_M_create");
            if (p == nested) running->ExportNext();
            return static_cast<CQXRYXTestDoc*>(tmpl.OpenDocumentFile(p.c_str(), false));
        },
        [this](CQXRYXTestDoc* d) { tmpl.CloseDocument(d); });
    running = &job;
    job.Start("csv");
    size_t calls = 0;
    EXPECT_NO_THROW({
        while (job.ExportNext() && ++calls < 10) {
        }
    });
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(opened, (std::vector<std::string>{first, thrown, nested, last}));
    EXPECT_EQ(job.Done(), 4u);
    EXPECT_EQ(job.Failures(), std::vector<std::string>{thrown});
    EXPECT_EQ(job.Written(),
              (std::vector<std::string>{dir + "/first.csv", dir + "/last.csv", dir + "/nested.csv"}));
    EXPECT_TRUE(tmpl.GetDocuments().empty()) << "every document closed";
}

TEST_F(BatchJob, FailuresAreListedNotShownOneByOne) {
    const std::string good = Test("good.ryx");
    const std::string bad = Touch("bad.ryx", "not a test");
    const std::string gone = dir + "/gone.ryx";
    Test("T1.ryx");
    Touch("T1.BDT");
    const std::string dosHeader = Touch("T1.DAT", "DOS header");
    struct Case {
        std::string format;
        std::vector<std::string> failures;
    };
    const Case cases[] = {
        {"dat", {bad, gone, dir + "/T1.ryx"}},
        {"csv", {bad, gone}},
        {"LIMS", {bad, gone}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        queue = DecideBatchExport({good, bad, gone, dir + "/T1.ryx"}).files;
        BatchExportJob job = MakeJob();
        job.Start(c.format);
        while (job.ExportNext()) {
        }
        EXPECT_EQ(job.Done(), 4u);
        EXPECT_EQ(job.Failures(), c.failures);
        EXPECT_EQ(job.FailureMessage().id, IDS_BATCH_FAILURES);
        EXPECT_NE(job.FailureMessage().text.find("\n\t" + bad), std::string::npos);
        EXPECT_EQ(boxes.Count(), 0u) << "no box per file, not even the LIMS export's own";
        EXPECT_TRUE(tmpl.GetDocuments().empty());
    }
    std::string header;
    ASSERT_EQ(platform::ReadWholeFile(dosHeader, header), 0u);
    EXPECT_EQ(header, "DOS header") << "the header of the DOS-version pair is never overwritten";
}

TEST_F(BatchJob, HiddenOpensLeaveTheRecentFilesAlone) {
    std::vector<std::string> recent;
    fw::RecentFileSink previous = fw::SetRecentFileSink([&](const std::string& p) { recent.push_back(p); });
    queue = {Test("A.ryx")};
    BatchExportJob job = MakeJob();
    job.Start("csv");
    job.ExportNext();
    fw::Document* shown = tmpl.OpenDocumentFile((dir + "/A.ryx").c_str(), true);
    ASSERT_NE(shown, nullptr);
    fw::SetRecentFileSink(previous);
    EXPECT_EQ(recent, std::vector<std::string>{dir + "/A.ryx"}) << "only the shown open";
}

}  // namespace

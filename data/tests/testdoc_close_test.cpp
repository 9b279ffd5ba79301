// The close of a running test: questions 601 and 602, the save of an aborted
// test, the close guard, and the road File Close takes.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/TestDocHost.h"
#include "framework/core/CommandIds.h"
#include "support/DocFixture.h"

namespace {

class RecordingHost : public TestDocHost {
public:
    void CloseQuestionOpen(CQXRYXTestDoc&, bool open) override { calls += open ? "open " : "answered "; }
    void AbortConfirmed(CQXRYXTestDoc&) override { calls += "abort "; }
    void ReZero(CQXRYXTestDoc&) override { calls += "zero "; }
    void ClearTestRunning() override { calls += "notrunning "; }
    void DetachRunningView(CQXRYXTestDoc&) override { calls += "detach "; }
    bool OpenReport(CQXRYXTestDoc&) override {
        calls += "report ";
        return true;
    }
    void AdvanceDefaultTestName() override { calls += "nextname "; }
    std::string calls;
};

class TestDocClose : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        previous = SetTestDocHost(&host);
        doc.SetPathName(dir + "/T1.ryx", false);
        doc.m_testState = 7;
    }
    void TearDown() override {
        SetTestDocHost(previous);
        for (const auto& b : box.Boxes()) EXPECT_TRUE(b.scripted) << "unexpected box: " << b.text;
        DocFixture::TearDown();
    }
    RecordingHost host;
    TestDocHost* previous = nullptr;
    CQXRYXTestDoc doc;
};

TEST_F(TestDocClose, NoAt601KeepsTheTestRunning) {
    box.Answer(IDNO);
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_EQ(host.calls, "open answered ");
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Boxes()[0].type, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(box.Texts()[0], fw::LoadString(601));
}

TEST_F(TestDocClose, YesWith500PointsAsksNothingMore) {
    FillCreepTest(doc, 500);
    box.Answer(IDYES);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(host.calls, "open abort answered zero notrunning ");
    EXPECT_EQ(box.Count(), 1u);
}

TEST_F(TestDocClose, YesWith501PointsAndSaveKeepsTheDocumentOpenOnce) {
    FillCreepTest(doc, 501);
    box.Answer({IDYES, IDYES});
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(box.Texts()[1], fw::LoadString(602));
    EXPECT_EQ(host.calls, "open abort answered detach nextname report notrunning zero notrunning ");
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/T1.ryx"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_testState, 0);
    EXPECT_FALSE(doc.m_bCloseGuard);
    doc.OnCloseDocument();  // kept open: the guard is restored
    EXPECT_TRUE(doc.m_bCloseGuard);
    EXPECT_EQ(doc.GetPointCount(), 501);
}

TEST_F(TestDocClose, AbortedTestThatCannotBeSavedStaysModified) {
    std::filesystem::create_directory(dir + "/T1.ryx");
    FillCreepTest(doc, 501);
    // 601, 602, the save failure, then the framework's own offer to save
    // the modified test, declined.
    box.Answer({IDYES, IDYES, IDOK, IDNO});
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(box.Texts()[3], fw::FormatString1(fw::Document::kIdsAskToSave, "T1.ryx"));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(host.calls.find("nextname"), std::string::npos);
}

TEST_F(TestDocClose, ClosePathBitsAskNothing) {
    doc.m_testState = 6;
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(host.calls, "zero notrunning ");
    EXPECT_EQ(box.Count(), 0u);
    doc.m_testState = 0;
    host.calls.clear();
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(host.calls, "");
}

// File Close goes through SaveModified and then the document's own
// OnCloseDocument: the guard keeps a template's document alive once.
class CountingFrames : public fw::FrameFactory {
public:
    bool CreateFrame(fw::DocTemplate&, fw::Document&, bool) override { return true; }
    void CloseFrames(fw::Document&) override { ++closed; }
    int closed = 0;
};

TEST_F(TestDocClose, FileCloseHonoursTheGuard) {
    SetTestDocHost(nullptr);
    fw::FakeStringTable strings(true);
    strings.Set(130, "NotUsed\nRYXw\nNotUsed\nRYXw Test Data (*.ryx)\n.RYX\nRYXw.Document\nRYXw Document");
    CountingFrames frames;
    fw::DocTemplate tmpl(130, [] { return std::make_unique<CQXRYXTestDoc>(); }, &frames);
    WriteAllSettings();
    fw::Document* d = tmpl.OpenDocumentFile(nullptr);
    ASSERT_NE(d, nullptr);
    auto* t = static_cast<CQXRYXTestDoc*>(d);
    t->m_bCloseGuard = FALSE;
    EXPECT_TRUE(t->OnCommand(ID_FILE_CLOSE));
    EXPECT_EQ(tmpl.GetDocuments().size(), 1u);
    EXPECT_TRUE(t->m_bCloseGuard);
    t->m_testState = 1;
    box.Answer(IDNO);
    t->OnCommand(ID_FILE_CLOSE);
    EXPECT_EQ(tmpl.GetDocuments().size(), 1u);
    t->m_testState = 0;
    t->OnCommand(ID_FILE_CLOSE);
    EXPECT_EQ(tmpl.GetDocuments().size(), 0u);
    EXPECT_EQ(frames.closed, 1);
}

}  // namespace

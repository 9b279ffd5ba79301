// A close that reaches a document while a step of one of its views is on the
// stack (delivered by the nested loop of a box the step has open) waits for
// the step to return: the document, its views and what they own stay for the
// rest of the step, then the document closes, once.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/CommandIds.h"
#include "framework/core/Document.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"

namespace fw {
namespace {

class StepView : public View {
public:
    explicit StepView(std::vector<std::string>& log) : m_log(log) {}
    void OnDocumentDetached() override { m_log.push_back("detached"); }

private:
    std::vector<std::string>& m_log;
};

// Makes one view per frame; the close takes them off and logs it.
class ViewFrames : public FrameFactory {
public:
    explicit ViewFrames(std::vector<std::string>& log) : m_log(log) {}
    bool CreateFrame(DocTemplate&, Document& doc, bool) override {
        views.push_back(std::make_unique<StepView>(m_log));
        doc.AddView(views.back().get());
        return true;
    }
    void CloseFrames(Document& doc) override {
        m_log.push_back("frames closed");
        const std::vector<View*> attached = doc.GetViews();
        for (View* v : attached) doc.RemoveView(v);
    }
    std::vector<std::unique_ptr<StepView>> views;

private:
    std::vector<std::string>& m_log;
};

class DocumentStep : public testing::Test {
protected:
    FakeStringTable strings{true};
    ServiceScope<StringTable> scope{strings};
    std::vector<std::string> log;
    ViewFrames frames{log};
    DocTemplate tmpl{900, [] { return std::make_unique<Document>(); }, &frames};
};

TEST_F(DocumentStep, ACloseInsideAStepWaitsUntilTheStepHasReturned) {
    Document* doc = tmpl.OpenDocumentFile(nullptr);
    ASSERT_NE(doc, nullptr);
    {
        Document::StepScope step(doc);
        {
            // An update delivered by the step's box runs a step of its own,
            // and the File Close posted meanwhile arrives too.
            Document::StepScope nested(doc);
            EXPECT_TRUE(doc->OnCommand(ID_FILE_CLOSE));
        }
        EXPECT_TRUE(doc->IsCloseDeferred());
        doc->OnFileClose();  // a second close before the step returns: still one
        ASSERT_EQ(tmpl.GetDocuments().size(), 1u);
        EXPECT_EQ(doc->GetViews().size(), 1u);
        EXPECT_TRUE(log.empty());
    }
    EXPECT_TRUE(tmpl.GetDocuments().empty());
    EXPECT_EQ(log, (std::vector<std::string>{"frames closed", "detached"}));

    // Outside a step the close is at once; a step without a close leaves
    // the document as it was.
    doc = tmpl.OpenDocumentFile(nullptr);
    { Document::StepScope step(doc); }
    EXPECT_EQ(tmpl.GetDocuments().size(), 1u);
    log.clear();
    doc->OnFileClose();
    EXPECT_TRUE(tmpl.GetDocuments().empty());
    EXPECT_EQ(log, (std::vector<std::string>{"frames closed", "detached"}));
}

TEST_F(DocumentStep, ADocumentWithoutATemplateHasNothingToDefer) {
    Document doc;
    StepView view(log);
    doc.AddView(&view);
    {
        Document::StepScope step(&doc);
        doc.OnFileClose();  // closes nothing: no template owns it
        EXPECT_FALSE(doc.IsCloseDeferred());
    }
    EXPECT_EQ(doc.GetViews().size(), 1u);
    Document::StepScope none(nullptr);  // a view without a document
    doc.RemoveView(&view);
}

}  // namespace
}  // namespace fw

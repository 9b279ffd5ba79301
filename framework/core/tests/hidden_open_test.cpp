// A template's hidden open: the document reads its file, but no window is
// made and the path does not reach the recently used files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "framework/core/Document.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"

namespace fw {
namespace {

class CountingFrames : public FrameFactory {
public:
    int made = 0;
    bool CreateFrame(DocTemplate&, Document&, bool) override {
        ++made;
        return true;
    }
    void CloseFrames(Document&) override {}
};

TEST(HiddenOpen, NoWindowAndNoRecentFileAVisibleOpenHasBoth) {
    char tmpl[] = "/tmp/ryx-hidden-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string path = dir + "/t1.ryx";
    ASSERT_EQ(platform::WriteFileAtomic(path, ""), 0u);
    FakeStringTable strings(true);
    strings.Set(900, "\nDoc\n\nTests (*.ryx)\n.RYX\n\n");
    ServiceScope scope(strings);
    std::vector<std::string> recent;
    RecentFileSink previous = SetRecentFileSink([&](const std::string& p) { recent.push_back(p); });

    CountingFrames frames;
    DocTemplate t(900, [] { return std::make_unique<Document>(); }, &frames);
    Document* hidden = t.OpenDocumentFile(path.c_str(), false);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(hidden->GetPathName(), path);
    EXPECT_EQ(frames.made, 0);
    EXPECT_TRUE(recent.empty());
    hidden->OnCloseDocument();

    ASSERT_NE(t.OpenDocumentFile(path.c_str(), true), nullptr);
    EXPECT_EQ(frames.made, 1);
    EXPECT_EQ(recent, std::vector<std::string>{path});
    SetRecentFileSink(previous);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace
}  // namespace fw

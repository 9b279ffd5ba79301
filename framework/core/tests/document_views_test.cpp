// A document's views hear of its changes: every view but the sender, in the
// order they were added; a view that another one's update took away is not
// asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/Document.h"

namespace fw {
namespace {

class NotedView : public View {
public:
    NotedView(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
    void OnUpdate(View* sender, intptr_t hint) override {
        m_log.push_back(m_name + ":" + std::to_string(hint) + (sender ? "" : ":null"));
        if (m_onUpdate) m_onUpdate();
    }
    std::function<void()> m_onUpdate;

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

TEST(DocumentViews, UpdateAllViewsAsksEveryViewButTheSenderInOrder) {
    std::vector<std::string> log;
    Document doc;
    NotedView a("a", log), b("b", log), c("c", log);
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&c);
    doc.UpdateAllViews(nullptr, 7);
    EXPECT_EQ(log, (std::vector<std::string>{"a:7:null", "b:7:null", "c:7:null"}));
    log.clear();
    doc.UpdateAllViews(&b);
    EXPECT_EQ(log, (std::vector<std::string>{"a:0", "c:0"}));

    // a's update closes c: c is not asked any more.
    log.clear();
    a.m_onUpdate = [&] { doc.RemoveView(&c); };
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"a:0:null", "b:0:null"}));
    doc.RemoveView(&a);
    doc.RemoveView(&b);
}

}  // namespace
}  // namespace fw

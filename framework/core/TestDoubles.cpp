#include "framework/core/TestDoubles.h"

namespace fw {

WindowId RecordingPostService::CreateWindow() {
    WindowId id = NewWindowId();
    std::lock_guard lock(m_mutex);
    m_live.insert(id);
    return id;
}

void RecordingPostService::DestroyWindow(WindowId window) {
    std::lock_guard lock(m_mutex);
    m_live.erase(window);
}

bool RecordingPostService::Post(WindowId window, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_live.count(window)) {
            ++m_dropped;
            return false;
        }
        if (m_refuseNext) {
            --m_refuseNext;
            ++m_refused;
            return false;
        }
        m_posts.push_back({window, message, wParam, lParam});
    }
    m_changed.notify_all();
    return true;
}

bool RecordingPostService::IsWindow(WindowId window) const {
    std::lock_guard lock(m_mutex);
    return m_live.count(window) != 0;
}

void RecordingPostService::RefuseNext(size_t n) {
    std::lock_guard lock(m_mutex);
    m_refuseNext = n;
}

std::vector<RecordingPostService::Posted> RecordingPostService::Posts() const {
    std::lock_guard lock(m_mutex);
    return m_posts;
}

std::vector<RecordingPostService::Posted> RecordingPostService::PostsTo(WindowId window) const {
    std::lock_guard lock(m_mutex);
    std::vector<Posted> out;
    for (const Posted& p : m_posts)
        if (p.window == window) out.push_back(p);
    return out;
}

size_t RecordingPostService::Count(UINT message) const {
    std::lock_guard lock(m_mutex);
    size_t n = 0;
    for (const Posted& p : m_posts) n += p.message == message;
    return n;
}

size_t RecordingPostService::Dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

size_t RecordingPostService::Refused() const {
    std::lock_guard lock(m_mutex);
    return m_refused;
}

void RecordingPostService::Clear() {
    std::lock_guard lock(m_mutex);
    m_posts.clear();
    m_dropped = m_refused = 0;
}

bool RecordingPostService::WaitForPosts(size_t count, std::chrono::milliseconds timeout) const {
    return WaitUntil([count](const std::vector<Posted>& posts) { return posts.size() >= count; }, timeout);
}

bool RecordingPostService::WaitUntil(const std::function<bool(const std::vector<Posted>&)>& pred,
                                     std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return pred(m_posts); });
}

void ScriptedMessageBox::Answer(int answer) {
    std::lock_guard lock(m_mutex);
    m_script.push_back(answer);
}

void ScriptedMessageBox::Answer(std::initializer_list<int> answers) {
    std::lock_guard lock(m_mutex);
    m_script.insert(m_script.end(), answers.begin(), answers.end());
}

void ScriptedMessageBox::OnShow(std::function<void(const Shown&)> callback) {
    std::lock_guard lock(m_mutex);
    m_onShow = std::move(callback);
}

int ScriptedMessageBox::Show(const std::string& text, UINT type, const std::string& caption) {
    Shown shown{text, type, caption, 0, false};
    std::function<void(const Shown&)> onShow;
    {
        std::lock_guard lock(m_mutex);
        if (!m_script.empty()) {
            shown.answer = m_script.front();
            shown.scripted = true;
            m_script.pop_front();
        } else {
            shown.answer = DefaultAnswer(type);
        }
        m_shown.push_back(shown);
        onShow = m_onShow;
    }
    // Outside the lock: the callback may well show another box.
    if (onShow) onShow(shown);
    return shown.answer;
}

std::vector<ScriptedMessageBox::Shown> ScriptedMessageBox::Boxes() const {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

std::vector<std::string> ScriptedMessageBox::Texts() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    for (const Shown& s : m_shown) out.push_back(s.text);
    return out;
}

size_t ScriptedMessageBox::Count() const {
    std::lock_guard lock(m_mutex);
    return m_shown.size();
}

size_t ScriptedMessageBox::Unanswered() const {
    std::lock_guard lock(m_mutex);
    return m_script.size();
}

void ScriptedMessageBox::Clear() {
    std::lock_guard lock(m_mutex);
    m_shown.clear();
    m_script.clear();
}

void FakeStringTable::Set(UINT id, std::string text) {
    std::lock_guard lock(m_mutex);
    m_texts[id] = std::move(text);
}

bool FakeStringTable::Find(UINT id, std::string& text) const {
    std::lock_guard lock(m_mutex);
    m_lookups.push_back(id);
    auto it = m_texts.find(id);
    if (it != m_texts.end()) {
        text = it->second;
        return true;
    }
    return m_fallback && m_resource.Find(id, text);
}

std::vector<UINT> FakeStringTable::Lookups() const {
    std::lock_guard lock(m_mutex);
    return m_lookups;
}

}  // namespace fw

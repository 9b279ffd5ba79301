#pragma once
// Test doubles of the window-post, message-box and string-table services:
// each records what it was given and answers from a script. They are part of
// the library so that every layer's tests can use them; they are thread-safe,
// since the instrument's worker posts from its own thread.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "framework/core/Beep.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/core/WindowPost.h"

namespace fw {

// Installs a service for the lifetime of the scope and puts back the one
// that was there before: fw::ServiceScope scope(box);
template <class Service>
class ServiceScope {
public:
    explicit ServiceScope(Service& service) : m_previous(InstallService(&service)) {}
    ~ServiceScope() { InstallService(m_previous); }
    ServiceScope(const ServiceScope&) = delete;
    ServiceScope& operator=(const ServiceScope&) = delete;

private:
    Service* m_previous;
};

class RecordingPostService : public WindowPostService {
public:
    struct Posted {
        WindowId window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    // A live window with a fresh id; DestroyWindow ends it.
    WindowId CreateWindow();
    void DestroyWindow(WindowId window);

    bool Post(WindowId window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsWindow(WindowId window) const override;

    // Script: the next n posts to live windows are refused, as by a full queue.
    void RefuseNext(size_t n);

    std::vector<Posted> Posts() const;  // every queued post, in order
    std::vector<Posted> PostsTo(WindowId window) const;
    size_t Count(UINT message) const;  // queued posts of one message
    size_t Dropped() const;            // posts to windows that were gone
    size_t Refused() const;
    void Clear();  // forgets the posts, keeps the windows

    // Waits (without polling) until at least count posts are queued in all;
    // false when the timeout passes first.
    bool WaitForPosts(size_t count, std::chrono::milliseconds timeout) const;
    // Waits until pred, tried on the queued posts, holds.
    bool WaitUntil(const std::function<bool(const std::vector<Posted>&)>& pred,
                   std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::set<WindowId> m_live;
    std::vector<Posted> m_posts;
    size_t m_dropped = 0;
    size_t m_refused = 0;
    size_t m_refuseNext = 0;
};

class ScriptedMessageBox : public MessageBoxService {
public:
    struct Shown {
        std::string text;
        UINT type;
        std::string caption;
        int answer;
        bool scripted;  // false: the script had run out and the default button answered
    };

    // Answers for the next boxes, in order.
    void Answer(int answer);
    void Answer(std::initializer_list<int> answers);
    // Called while the box is "open", after it is recorded: a test can deliver
    // posted messages here, as the real box's nested loop does.
    void OnShow(std::function<void(const Shown&)> callback);

    int Show(const std::string& text, UINT type, const std::string& caption = {}) override;

    std::vector<Shown> Boxes() const;
    std::vector<std::string> Texts() const;
    size_t Count() const;
    size_t Unanswered() const;  // scripted answers not used yet
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_script;
    std::vector<Shown> m_shown;
    std::function<void(const Shown&)> m_onShow;
};

// A table of the test's own texts; ids it does not hold are looked up in the
// station's table when fallback is on.
class FakeStringTable : public StringTable {
public:
    explicit FakeStringTable(bool fallback = false) : m_fallback(fallback) {}
    void Set(UINT id, std::string text);
    bool Find(UINT id, std::string& text) const override;
    std::vector<UINT> Lookups() const;  // every id asked for, in order

private:
    mutable std::mutex m_mutex;
    std::map<UINT, std::string> m_texts;
    mutable std::vector<UINT> m_lookups;
    bool m_fallback;
    ResourceStringTable m_resource;
};

// Remembers every beep in order.
class RecordingBeep : public BeepService {
public:
    void Beep(UINT type) override { m_beeps.push_back(type); }
    const std::vector<UINT>& Beeps() const { return m_beeps; }
    size_t Count() const { return m_beeps.size(); }
    void Clear() { m_beeps.clear(); }

private:
    std::vector<UINT> m_beeps;
};

ServiceScope(RecordingBeep&)->ServiceScope<BeepService>;
ServiceScope(RecordingPostService&)->ServiceScope<WindowPostService>;
ServiceScope(ScriptedMessageBox&)->ServiceScope<MessageBoxService>;
ServiceScope(FakeStringTable&)->ServiceScope<StringTable>;

}  // namespace fw

#include "framework/ui/Window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "platform/Clock.h"

namespace fw {

namespace {

constexpr UINT kWmTimer = 0x0113;

// Live windows by id. Windows come and go on the window thread; posters on
// any thread only look ids up.
class Registry {
public:
    static Registry& Instance() {
        static Registry registry;
        return registry;
    }
    void Add(WindowId id, Window* w) {
        std::lock_guard lock(m_mutex);
        m_windows[id] = w;
    }
    void Remove(WindowId id) {
        std::lock_guard lock(m_mutex);
        m_windows.erase(id);
    }
    // Only on the window thread, where windows are destroyed: the pointer
    // stays good until the caller returns to the event loop.
    Window* Find(WindowId id) {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(id);
        return it == m_windows.end() ? nullptr : it->second;
    }
    bool Contains(WindowId id) {
        std::lock_guard lock(m_mutex);
        return m_windows.count(id) != 0;
    }

private:
    std::mutex m_mutex;
    std::map<WindowId, Window*> m_windows;
};

class PostEvent : public QEvent {
public:
    static QEvent::Type Kind() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    PostEvent(WindowId w, UINT m, WPARAM wp, LPARAM lp)
        : QEvent(Kind()), window(w), message(m), wParam(wp), lParam(lp) {}
    WindowId window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

void Deliver(WindowId id, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Registry::Instance().Find(id);
    if (!w) return;  // gone since the post: dropped
    GuardHandler([&] {
        if (message == kWmCommand) {
            w->OnCmdMsg(static_cast<UINT>(wParam & 0xFFFF));
        } else if (message == kWmTimer) {
            w->OnTimer(static_cast<uintptr_t>(wParam));
        } else {
            w->OnMessage(message, wParam, lParam);
        }
    });
}

// Receives the posts on the window thread.
class PostReceiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != PostEvent::Kind()) return QObject::event(e);
        auto* p = static_cast<PostEvent*>(e);
        Deliver(p->window, p->message, p->wParam, p->lParam);
        return true;
    }
};

// Window timers on the station's clock, each woken by a QTimer so that it
// also fires inside modal loops.
class Timers : public QObject {
public:
    static Timers& Instance() {
        static Timers* timers = new Timers;  // lives as long as the process
        return *timers;
    }

    void Set(WindowId window, uintptr_t id, UINT elapse) {
        auto& t = m_timers[{window, id}];
        if (!t.wake) {
            t.wake = std::make_unique<QTimer>();
            t.wake->setSingleShot(true);
            t.wake->callOnTimeout([this, key = Key{window, id}] { Check(key); });
        }
        t.elapse = elapse;
        t.start = platform::GetTickCount();
        t.wake->start(static_cast<int>(elapse));
    }
    bool Kill(WindowId window, uintptr_t id) { return m_timers.erase({window, id}) != 0; }
    void KillAll(WindowId window) {
        for (auto it = m_timers.lower_bound({window, 0}); it != m_timers.end() && it->first.first == window;)
            it = m_timers.erase(it);
    }
    void CheckAllLater() {
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        std::vector<Key> keys;
        for (const auto& [key, t] : m_timers) keys.push_back(key);
        for (const auto& key : keys) Check(key);
        return true;
    }

private:
    using Key = std::pair<WindowId, uintptr_t>;
    struct Timer {
        std::unique_ptr<QTimer> wake;
        UINT elapse = 0;
        uint32_t start = 0;
    };

    void Check(const Key& key) {
        auto it = m_timers.find(key);
        if (it == m_timers.end()) return;
        Timer& t = it->second;
        const uint32_t elapsed = platform::GetTickCount() - t.start;
        if (elapsed < t.elapse) {
            t.wake->start(static_cast<int>(t.elapse - elapsed));
            return;
        }
        t.start = platform::GetTickCount();
        t.wake->start(static_cast<int>(t.elapse));
        // The handler may kill or reset this timer, or destroy the window.
        Deliver(key.first, kWmTimer, key.second, 0);
    }

    std::map<Key, Timer> m_timers;
};

PostReceiver* g_receiver = nullptr;  // the installed service's, window thread only
std::mutex g_receiverMutex;

}  // namespace

Window::Window() : m_id(NewWindowId()) { Registry::Instance().Add(m_id, this); }

Window::~Window() {
    Registry::Instance().Remove(m_id);
    Timers::Instance().KillAll(m_id);
}

uintptr_t Window::SetTimer(uintptr_t id, UINT elapse) {
    if (id == 0) return 0;
    Timers::Instance().Set(m_id, id, elapse);
    return id;
}

bool Window::KillTimer(uintptr_t id) { return Timers::Instance().Kill(m_id, id); }

bool Window::OnMessage(UINT, WPARAM, LPARAM) { return false; }
bool Window::OnCmdMsg(UINT) { return false; }
void Window::OnTimer(uintptr_t) {}

void ReportHandlerException(const char* what) {
    std::string text = LoadString(kIdsHandlerFailed);
    if (what && *what) text += std::string("\n\n") + what;
    ShowMessage(text, MB_OK | MB_ICONSTOP);
}

void CheckWindowTimers() { Timers::Instance().CheckAllLater(); }

QtWindowPosts::QtWindowPosts() {
    std::lock_guard lock(g_receiverMutex);
    g_receiver = new PostReceiver;
}

QtWindowPosts::~QtWindowPosts() {
    std::lock_guard lock(g_receiverMutex);
    delete g_receiver;  // undelivered posts go with it
    g_receiver = nullptr;
}

bool QtWindowPosts::Post(WindowId window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Registry::Instance().Contains(window)) return false;
    std::lock_guard lock(g_receiverMutex);
    if (!g_receiver) return false;
    QCoreApplication::postEvent(g_receiver, new PostEvent(window, message, wParam, lParam));
    return true;
}

bool QtWindowPosts::IsWindow(WindowId window) const { return Registry::Instance().Contains(window); }

}  // namespace fw

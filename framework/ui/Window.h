#pragma once
// What every window of the station is to the framework, whatever its Qt
// class: an id that posts reach (never reused, so a post to a window that
// has gone is dropped), handlers for posted messages and commands, and
// window timers with ids, as SetTimer and KillTimer give them.
#include <cstdint>
#include <exception>

#include "framework/core/WindowPost.h"
#include "platform/WinTypes.h"

namespace fw {

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    WindowId Id() const { return m_id; }

    // Starts or restarts timer id: OnTimer(id) every elapse milliseconds of
    // the station's clock, in whichever event loop runs, until KillTimer.
    // Returns id, or 0 for id 0.
    uintptr_t SetTimer(uintptr_t id, UINT elapse);
    bool KillTimer(uintptr_t id);

    // A posted message (other than WM_COMMAND). True when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A command, posted or chosen from a menu. True when handled.
    virtual bool OnCmdMsg(UINT id);
    virtual void OnTimer(uintptr_t id);

private:
    WindowId m_id;
};

// Runs one handler for the framework: an exception that escapes it is
// reported in a message box and the program goes on. Returns false when the
// handler threw.
template <class F>
bool GuardHandler(F&& handler);
// The box says string kIdsHandlerFailed, then the exception's own text.
void ReportHandlerException(const char* what);
inline constexpr UINT kIdsHandlerFailed = 61480;

// The window-post service on Qt: posts from any thread become queued events
// on the window thread and reach the window only if it still exists then.
// The application installs one for its lifetime.
class QtWindowPosts : public WindowPostService {
public:
    QtWindowPosts();
    ~QtWindowPosts() override;
    bool Post(WindowId window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsWindow(WindowId window) const override;
};

// Delivers, from the next pass of the event loop, every window timer whose
// time has come on the station's clock. Timers wake by themselves on the
// real clock; a test that moves a ManualClock calls this afterwards.
void CheckWindowTimers();

template <class F>
bool GuardHandler(F&& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        ReportHandlerException(e.what());
    } catch (...) {
        ReportHandlerException(nullptr);
    }
    return false;
}

}  // namespace fw

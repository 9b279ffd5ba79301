#pragma once
// The window-timer service: SetTimer and KillTimer on a window known by its
// id. A timer delivers WM_TIMER (wParam: the timer id) to its window every
// elapse milliseconds until it is killed or the window goes. Without a
// service installed no window can have a timer: SetTimer fails, and a caller
// that can do without one (CQXTimer) times itself instead.
#include <cstdint>

#include "framework/core/WindowPost.h"

namespace fw {

inline constexpr UINT kWmTimer = 0x0113;  // WM_TIMER: wParam holds the timer id

class WindowTimerService {
public:
    virtual ~WindowTimerService() = default;
    // Starts or restarts the timer; false when the window does not exist or
    // no timer can be given.
    virtual bool SetTimer(WindowId window, uintptr_t id, UINT elapse) = 0;
    // False when the window had no such timer.
    virtual bool KillTimer(WindowId window, uintptr_t id) = 0;
};

// The current service (without one installed: every SetTimer fails).
WindowTimerService& WindowTimers();
// Installs service (nullptr: the empty fallback again); returns the previous one.
WindowTimerService* InstallService(WindowTimerService* service);

}  // namespace fw

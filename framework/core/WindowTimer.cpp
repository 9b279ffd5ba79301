#include "framework/core/WindowTimer.h"

#include <atomic>

namespace fw {

namespace {

class NoTimers : public WindowTimerService {
public:
    bool SetTimer(WindowId, uintptr_t, UINT) override { return false; }
    bool KillTimer(WindowId, uintptr_t) override { return false; }
};

NoTimers g_fallback;
std::atomic<WindowTimerService*> g_service{nullptr};

}  // namespace

WindowTimerService& WindowTimers() {
    WindowTimerService* s = g_service.load();
    return s ? *s : g_fallback;
}

WindowTimerService* InstallService(WindowTimerService* service) {
    WindowTimerService* prev = g_service.exchange(service);
    return prev ? prev : &g_fallback;
}

}  // namespace fw

#include "framework/core/WindowPost.h"

#include <atomic>

namespace fw {

WindowId NewWindowId() {
    static std::atomic<WindowId> next{1};
    return next.fetch_add(1);
}

namespace {

class NoWindows : public WindowPostService {
public:
    bool Post(WindowId, UINT, WPARAM, LPARAM) override { return false; }
    bool IsWindow(WindowId) const override { return false; }
};

NoWindows g_fallback;
std::atomic<WindowPostService*> g_service{nullptr};

}  // namespace

WindowPostService& WindowPosts() {
    WindowPostService* s = g_service.load();
    return s ? *s : g_fallback;
}

WindowPostService* InstallService(WindowPostService* service) {
    WindowPostService* prev = g_service.exchange(service);
    return prev ? prev : &g_fallback;
}

}  // namespace fw

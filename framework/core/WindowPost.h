#pragma once
// The window-post service. A window is known by an id that is never reused,
// so a message posted to a window that has since gone is dropped instead of
// reaching a dangling pointer or, worse, a new window at the same address.
// Posting is safe from any thread and never waits for the receiver.
#include <cstdint>

#include "platform/WinTypes.h"

using WPARAM = uintptr_t;
using LPARAM = intptr_t;

namespace fw {

using WindowId = uint64_t;
inline constexpr WindowId kNoWindow = 0;

inline constexpr UINT kWmCommand = 0x0111;  // WM_COMMAND: wParam holds the command id
inline constexpr UINT kWmApp = 0x8000;      // WM_APP: first private message

// A fresh id, unique for the life of the process (never kNoWindow).
WindowId NewWindowId();

class WindowPostService {
public:
    virtual ~WindowPostService() = default;
    // Queues the message and returns at once: true when queued, false when the
    // window does not exist (any more) or its queue refused the message.
    virtual bool Post(WindowId window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool IsWindow(WindowId window) const = 0;
};

// The current service. Without one installed no window exists and every post
// is dropped.
WindowPostService& WindowPosts();
// Installs service (nullptr: the empty fallback again); returns the previous one.
WindowPostService* InstallService(WindowPostService* service);

inline bool PostMessage(WindowId window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return WindowPosts().Post(window, message, wParam, lParam);
}
// A command posted as WM_COMMAND, to run after the poster has returned.
inline bool PostCommand(WindowId window, UINT commandId) {
    return PostMessage(window, kWmCommand, commandId, 0);
}

}  // namespace fw

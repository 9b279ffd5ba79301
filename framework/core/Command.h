#pragma once
// Command ids routed through a chain of targets (active view, its document,
// the child frame, the main frame, the application): the first target with
// a handler runs it. Update handlers decide whether a command is enabled.
#include <functional>
#include <map>
#include <vector>

#include "platform/WinTypes.h"

namespace fw {

// The state of one menu item or button while its update handler runs.
class CmdUI {
public:
    explicit CmdUI(UINT id) : m_id(id) {}
    UINT GetID() const { return m_id; }
    void Enable(bool on = true) { m_enabled = on; }
    void SetCheck(int check = 1) { m_check = check; }
    bool IsEnabled() const { return m_enabled; }
    int GetCheck() const { return m_check; }

private:
    UINT m_id;
    bool m_enabled = true;
    int m_check = 0;
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Runs the command's handler; false when this target has none.
    bool OnCommand(UINT id);
    // Runs the update handler; false when this target has none.
    bool OnUpdateCommand(CmdUI& ui);
    bool HasCommand(UINT id) const { return m_commands.count(id) != 0; }

protected:
    // The target's command map, filled by its constructor.
    void MapCommand(UINT id, std::function<void()> handler);
    void MapUpdate(UINT id, std::function<void(CmdUI&)> handler);

private:
    std::map<UINT, std::function<void()>> m_commands;
    std::map<UINT, std::function<void(CmdUI&)>> m_updates;
};

// Routes along chain, in order; null entries (no active view, ...) are skipped.
bool RouteCommand(const std::vector<CommandTarget*>& chain, UINT id);
// Asks the first target with an update handler. A command that no target
// handles is disabled, one with a handler but no update handler is enabled.
// Returns whether some target handles the command.
bool RouteUpdate(const std::vector<CommandTarget*>& chain, CmdUI& ui);

}  // namespace fw

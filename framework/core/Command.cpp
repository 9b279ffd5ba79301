#include "framework/core/Command.h"

namespace fw {

bool CommandTarget::OnCommand(UINT id) {
    auto it = m_commands.find(id);
    if (it == m_commands.end()) return false;
    auto handler = it->second;  // a copy: the handler may change the map or end the target
    handler();
    return true;
}

bool CommandTarget::OnUpdateCommand(CmdUI& ui) {
    auto it = m_updates.find(ui.GetID());
    if (it == m_updates.end()) return false;
    it->second(ui);
    return true;
}

void CommandTarget::MapCommand(UINT id, std::function<void()> handler) {
    m_commands[id] = std::move(handler);
}

void CommandTarget::MapUpdate(UINT id, std::function<void(CmdUI&)> handler) {
    m_updates[id] = std::move(handler);
}

bool RouteCommand(const std::vector<CommandTarget*>& chain, UINT id) {
    for (CommandTarget* t : chain)
        if (t && t->OnCommand(id)) return true;
    return false;
}

bool RouteUpdate(const std::vector<CommandTarget*>& chain, CmdUI& ui) {
    for (CommandTarget* t : chain)
        if (t && t->OnUpdateCommand(ui)) return true;
    for (CommandTarget* t : chain) {
        if (t && t->HasCommand(ui.GetID())) {
            ui.Enable(true);
            return true;
        }
    }
    ui.Enable(false);
    return false;
}

}  // namespace fw

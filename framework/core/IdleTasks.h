#pragma once
// Work left for the application's idle time by an object that has gone: a
// command to retry until the instrument takes it, say. Each task runs once
// per idle pass of the outermost loop (never inside a modal loop) and stays
// until it answers true. User-interface thread only.
#include <functional>

namespace fw {

void AddIdleTask(std::function<bool()> task);
// Runs every task once; returns whether some are left.
bool RunIdleTasks();
size_t IdleTaskCount();

}  // namespace fw

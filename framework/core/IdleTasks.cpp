#include "framework/core/IdleTasks.h"

#include <vector>

namespace fw {

namespace {

std::vector<std::function<bool()>>& Tasks() {
    static std::vector<std::function<bool()>> tasks;
    return tasks;
}

}  // namespace

void AddIdleTask(std::function<bool()> task) {
    if (task) Tasks().push_back(std::move(task));
}

bool RunIdleTasks() {
    // A task may add another: run the ones there now.
    std::vector<std::function<bool()>> now = std::move(Tasks());
    Tasks().clear();
    std::vector<std::function<bool()>> left;
    for (auto& t : now)
        if (!t()) left.push_back(std::move(t));
    for (auto& t : Tasks()) left.push_back(std::move(t));
    Tasks() = std::move(left);
    return !Tasks().empty();
}

size_t IdleTaskCount() { return Tasks().size(); }

}  // namespace fw

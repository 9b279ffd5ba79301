#include "app/SettingsDamage.h"

#include <mutex>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "setup/SettingsSaveFailure.h"

namespace appsettings {

namespace {

std::mutex g_mutex;
std::vector<platform::Hive::Damage> g_noted;

}  // namespace

std::string DamageText(const platform::Hive::Damage& damage) {
    if (damage.unreadable.error)
        return fw::FormatString1(IDS_SETTINGS_UNREADABLE,
                                 setup::UnreadableFileCause(damage.path, damage.unreadable));
    std::string lines;
    for (size_t i = 0; i < damage.problems.size() && i < kLinesShown; ++i)
        lines += "\t" + damage.problems[i] + "\n";
    if (damage.problems.size() > kLinesShown)
        lines +=
            fw::FormatString1(IDS_SETTINGS_MORE_LINES, std::to_string(damage.problems.size() - kLinesShown));
    if (damage.keptAs.empty())
        return fw::FormatString(fw::LoadString(IDS_SETTINGS_NOT_KEPT),
                                {damage.path, lines, std::to_string(damage.keepError)});
    return fw::FormatString(fw::LoadString(IDS_SETTINGS_DAMAGED), {damage.path, lines, damage.keptAs});
}

void WatchSettingsDamage() {
    platform::Hive::SetDamageSink([](const platform::Hive::Damage& damage) {
        std::lock_guard lock(g_mutex);
        g_noted.push_back(damage);
    });
}

std::vector<platform::Hive::Damage> TakeSettingsDamage() {
    std::lock_guard lock(g_mutex);
    std::vector<platform::Hive::Damage> taken;
    taken.swap(g_noted);
    return taken;
}

void ShowSettingsDamage(const std::function<bool()>& stopped) {
    // Taken before the first box: a read inside a box's loop notes afresh.
    for (const auto& damage : TakeSettingsDamage()) {
        if (stopped && stopped()) return;
        fw::ShowMessage(DamageText(damage), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    }
}

}  // namespace appsettings

#pragma once
// A settings file that could not be read in full, told to the operator: the
// settings store notes each damaged read (on whichever thread read it), and
// the window thread shows one box per damaged read, naming the file, the
// lines that could not be read and where the file as it was has been kept.
// A file that could not be read at all is told the same way, once per kind
// of failure: the file, why, and that nothing will be saved over it.
#include <functional>
#include <string>
#include <vector>

#include "platform/Hive.h"
#include "platform/WinTypes.h"

namespace appsettings {

inline constexpr UINT IDS_SETTINGS_DAMAGED = 940;     // %1 file, %2 lines, %3 the copy
inline constexpr UINT IDS_SETTINGS_NOT_KEPT = 941;    // %1 file, %2 lines, %3 error code
inline constexpr UINT IDS_SETTINGS_MORE_LINES = 942;  // %1 how many more
inline constexpr UINT IDS_SETTINGS_UNREADABLE = 943;  // %1 the file and why it cannot be read
inline constexpr size_t kLinesShown = 12;

// The box's text for one damaged read, or for a file that cannot be read.
std::string DamageText(const platform::Hive::Damage& damage);

// Installs the settings store's damage hook (before anything reads).
void WatchSettingsDamage();
// The damaged reads noted since the last call, oldest first.
std::vector<platform::Hive::Damage> TakeSettingsDamage();
// A box for each damaged read noted; window thread only. No further box
// once stopped() holds (the station is ending).
void ShowSettingsDamage(const std::function<bool()>& stopped = {});

}  // namespace appsettings

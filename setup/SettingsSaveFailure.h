#pragma once
// A settings save that failed, told to the operator. A settings file that is
// there but cannot be read at all (a named pipe, a device, a folder, one too
// large) is never written over, so every save fails while it stays so: the
// box then names the file and why it cannot be read instead of the general
// text, which would have the operator try again in vain.
#include <string>

#include "platform/Hive.h"
#include "platform/WinTypes.h"

namespace setup {

inline constexpr UINT IDS_SETTINGS_NOT_SAVED = 944;   // %1 the cause
inline constexpr UINT IDS_SETTINGS_READ_ERROR = 945;  // %1 file, %2 error code

// One sentence naming the file and why it cannot be read.
std::string UnreadableFileCause(const std::string& path, const platform::Hive::ReadFailure& failure);

// The text for a failed settings save: the settings file's own refusal when
// it could not be read at its last read, else the text of generalId.
std::string SettingsSaveFailureText(UINT generalId);
// That text in a box (OK, exclamation).
void ShowSettingsSaveFailure(UINT generalId);

}  // namespace setup

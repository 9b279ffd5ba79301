#include "setup/SettingsSaveFailure.h"

#include "framework/core/Exceptions.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "settings/CQXRegistry.h"

namespace setup {

std::string UnreadableFileCause(const std::string& path, const platform::Hive::ReadFailure& failure) {
    if (UINT cause = fw::ReadFailureCause(failure.refusal)) return fw::FormatString1(cause, path);
    return fw::FormatString(fw::LoadString(IDS_SETTINGS_READ_ERROR), {path, std::to_string(failure.error)});
}

std::string SettingsSaveFailureText(UINT generalId) {
    // The state of the read the refused save made, under the file's lock.
    const platform::Hive::ReadFailure failure = theRegistry.FileReadFailure();
    if (!failure.error) return fw::LoadString(generalId);
    return fw::FormatString1(IDS_SETTINGS_NOT_SAVED, UnreadableFileCause(theRegistry.FilePath(), failure));
}

void ShowSettingsSaveFailure(UINT generalId) {
    fw::ShowMessage(SettingsSaveFailureText(generalId), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace setup

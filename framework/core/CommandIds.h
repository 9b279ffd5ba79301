#pragma once
// The framework's own command ids (file commands); the station's commands
// are in res/Resource.h.
#include "platform/WinTypes.h"

inline constexpr UINT ID_FILE_NEW = 0xE100;
inline constexpr UINT ID_FILE_OPEN = 0xE101;
inline constexpr UINT ID_FILE_CLOSE = 0xE102;
inline constexpr UINT ID_FILE_SAVE = 0xE103;
inline constexpr UINT ID_FILE_SAVE_AS = 0xE104;
inline constexpr UINT ID_APP_EXIT = 0xE141;

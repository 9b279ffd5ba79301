#pragma once
// The framework's own command ids (file commands); the station's commands
// are in res/Resource.h.
#include "platform/WinTypes.h"

inline constexpr UINT ID_FILE_NEW = 0xE100;
inline constexpr UINT ID_FILE_OPEN = 0xE101;
inline constexpr UINT ID_FILE_CLOSE = 0xE102;
inline constexpr UINT ID_FILE_SAVE = 0xE103;
inline constexpr UINT ID_FILE_SAVE_AS = 0xE104;
inline constexpr UINT ID_FILE_PRINT = 0xE107;          // 57607
inline constexpr UINT ID_FILE_PRINT_DIRECT = 0xE108;   // 57608
inline constexpr UINT ID_FILE_PRINT_PREVIEW = 0xE109;  // 57609
// The entries of the recently used file list, in the file menus.
inline constexpr UINT ID_FILE_MRU_FILE1 = 0xE110;
inline constexpr UINT ID_FILE_MRU_FILE2 = 0xE111;
inline constexpr UINT ID_FILE_MRU_FILE3 = 0xE112;
inline constexpr UINT ID_FILE_MRU_FILE4 = 0xE113;
inline constexpr UINT ID_APP_EXIT = 0xE141;
inline constexpr UINT ID_APP_ABOUT = 0xE140;        // 57664
inline constexpr UINT ID_HELP_FINDER = 0xE143;      // 57667
inline constexpr UINT ID_HELP = 0xE146;             // 57670
inline constexpr UINT ID_DEFAULT_HELP = 0xE147;     // 57671
inline constexpr UINT ID_VIEW_TOOLBAR = 0xE800;     // 59392
inline constexpr UINT ID_VIEW_STATUS_BAR = 0xE801;  // 59393

#pragma once
// The station's command ids and resource ids.
#include "platform/WinTypes.h"

inline constexpr UINT ID_CALIBRATE_DEFLECTION = 32770;
inline constexpr UINT ID_SETUP_INSTRUMENT = 32774;
inline constexpr UINT ID_VIEW_GRAPH = 32780;
inline constexpr UINT ID_VIEW_REPORT = 32781;
inline constexpr UINT ID_EXPORT_DATA = 32783;
inline constexpr UINT ID_TEST_ABORT = 32789;
inline constexpr UINT ID_BATCH_EXPORT_NEXT = 0x9502;
inline constexpr UINT ID_DELTA_TC_SHOW = 0x9503;

// Document templates (their document strings have the same ids).
inline constexpr UINT IDR_TEST_REPORT = 129;
inline constexpr UINT IDR_TEST_DATA = 130;
inline constexpr UINT IDR_DELTA_TC = 134;
inline constexpr UINT IDR_OLD_TEST_REPORT = 135;
inline constexpr UINT IDR_OLD_TEST_DATA = 136;

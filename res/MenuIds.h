#pragma once
// Command ids of the station's menus, tool bar and status bar beyond those
// of res/Resource.h and framework/core/CommandIds.h.
#include "framework/core/CommandIds.h"
#include "platform/WinTypes.h"

inline constexpr UINT ID_VIEW_INSTRUMENT_STATUS = 32771;
inline constexpr UINT ID_CALIBRATE_FORCE = 32772;
inline constexpr UINT ID_CONFIDENCE_TEST = 32773;
inline constexpr UINT ID_CALIBRATE_TEMPERATURE = 32775;
inline constexpr UINT ID_BATCH_EXPORT_DATA = 32790;
inline constexpr UINT ID_TEMPERATURE_CONTROL = 32792;
inline constexpr UINT ID_CALIBRATE_DATUM = 32793;
inline constexpr UINT ID_BATCH_EXPORT_RESULTS = 32794;
inline constexpr UINT ID_CALCULATE_DELTA_TC = 32799;
inline constexpr UINT ID_VERIFICATION = 32806;

// The beam-thickness pane of the status bar (its string sizes it).
inline constexpr UINT ID_INDICATOR_BEAM_THICKNESS = 1000;

// Menus: 128 the main frame's while no child window is open, then one per
// document template (the template's id).
inline constexpr UINT IDR_MAINFRAME = 128;

#pragma once
// The decisions of the application's file commands, without windows: which
// choices the three file dialogs accept, the export format table and the
// output paths of a batch export, the Delta Tc pair check and the idle-time
// set-point rule. The dialogs and commands (app/FileDialogsWithPreview.*,
// app/AppCommands.cpp) only show what these decide.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class DeltaTcData;

namespace appcmd {

// String ids of the messages these rules give.
inline constexpr UINT IDS_CHOOSE_TWO = 413;
inline constexpr UINT IDS_CHOOSE_ONE = 414;
inline constexpr UINT IDS_NOT_PREVIEWABLE = 415;
inline constexpr UINT IDS_PREVIEW_ERROR = 416;
inline constexpr UINT IDS_FORMAT_LIMS = 619;
inline constexpr UINT IDS_BATCH_RESULTS = 620;
inline constexpr UINT IDS_EXPORT_BUTTON = 648;
inline constexpr UINT IDS_BATCH_DATA = 649;
inline constexpr UINT IDS_FORMAT_CSV = 650;
inline constexpr UINT IDS_FORMAT_DAT = 651;
inline constexpr UINT IDS_TYPE_CSV = 652;
inline constexpr UINT IDS_TYPE_DAT = 653;
inline constexpr UINT IDS_NOTHING_EXPORTED = 656;
inline constexpr UINT IDS_EXPORT_DIALOG_ERROR = 657;
inline constexpr UINT IDS_EXPORT_REJECTED = 658;
inline constexpr UINT IDS_SELECTION_ERROR = 659;
inline constexpr UINT IDS_DELTA_TC_REJECTED = 661;
inline constexpr UINT IDS_SAME_TEMPERATURE = 662;
inline constexpr UINT IDS_CRITERIA = 663;
inline constexpr UINT IDS_BATCH_FAILURES = 1510;  // the files a batch could not export

// A message for the user: the string id and its text as shown.
struct Message {
    UINT id = 0;
    std::string text;
};

// What a dialog's OK test decided: stay open or end with the files (in the
// order the dialog keeps them), after the messages in order.
struct Decision {
    bool stayOpen = false;
    std::vector<Message> messages;
    std::vector<std::string> files;
};

// Test files are ".RYX" in any case: "t1.ryx" and "T1.RYX" are one kind.
bool IsTestFile(const std::string& path);

// Open a Saved Test: exactly one file, unless the selection is read for a
// preview (which takes any number).
Decision DecideOpen(const std::vector<std::string>& selected, bool previewing);
// Delta Tc: exactly two test files. Other names are listed in 661 and left
// out; any number of test files other than two gives 413 and keeps the
// dialog. The files are kept in the reverse of the selection's order.
Decision DecideDeltaTc(const std::vector<std::string>& selected);
// Batch export: any test files; others are listed in 658 and left out; the
// dialog stays open while none is left. Reverse order, as above.
Decision DecideBatchExport(const std::vector<std::string>& selected);

// The export formats, by the text the dialog hands over (case counts).
enum class ExportFormat { None, Lims, Csv, Dat };
ExportFormat FormatFromText(const std::string& text);
// The format text of the batch dialog's file-type entry.
std::string FormatText(bool limsMode, int typeIndex);
// The path up to and including the last "." of its file name, case kept;
// empty without one.
std::string ExportBase(const std::string& path);
// Where the export of path goes in format: base + "csv", base + "dat", the
// LIMS file beside the test; empty for no format.
std::string ExportPath(ExportFormat format, const std::string& path);
// A ".dat" whose folder holds a ".bdt" of the same name (any case): the header
// of a DOS-version pair, which no export may overwrite.
bool IsDosHeader(const std::string& datPath);

// Delta Tc: the pair check of the two tests' target temperatures, 60 s
// stiffness and m-values. Empty message: the pair passes.
Message CheckDeltaTcPair(const DeltaTcData& first, const DeltaTcData& second);

// The idle-time set-point: due when more than intervalMs have passed since
// lastTick on the 32-bit tick counter, across its wrap-around.
inline bool SetPointDue(uint32_t now, uint32_t lastTick, uint32_t intervalMs = 5000) {
    return static_cast<uint32_t>(now - lastTick) > intervalMs;
}

// The temperature-control command: the state's control mode 1 means on, so
// the command switches off; any other switches on. Nothing is sent while the
// link is down (status 1117 or 55).
inline bool TemperatureControlTarget(int mode) { return mode != 1; }
inline bool LinkDown(unsigned status) { return status == 1117 || status == 55; }

}  // namespace appcmd

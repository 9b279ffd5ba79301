#pragma once
// The Instrument Setup sheet without its window: the nine page models in the
// sheet's tab order, the OK that judges every page before anything is written
// and then writes all pages as one settings group (all or none), and the
// result bits that tell the caller what needs following up.
#include <functional>
#include <vector>

#include "setup/SetupPages.h"

namespace setup {

// DoModal's result bits.
inline constexpr int kResultCancelled = 1;
inline constexpr int kResultOk = 2;
inline constexpr int kResultThinBeam = 4;
inline constexpr int kResultGageBlock = 8;
inline constexpr int kResultBath = 0x10;
inline constexpr int kResultThickBeam = 0x20;

class SetupSheetModel {
public:
    static constexpr int kPages = 9;
    // Tabs.
    enum {
        kTabBath,
        kTabGageBlock,
        kTabPort,
        kTabConfidence,
        kTabGraphs,
        kTabEquipment,
        kTabArchive,
        kTabBeam,
        kTabAdvanced
    };

    explicit SetupSheetModel(SetupInstrument& beam);

    SetupPage& Page(int tab);

    // Runs until done() holds and returns true, or returns false when the
    // sheet was closed meanwhile (the window's event loop runs inside).
    using Waiter = std::function<bool(const std::function<bool()>& done)>;
    // How the OK waits for the firmware of a port it has just opened, on
    // platform::DefaultClock(); without a waiter it does not wait.
    void SetWaiter(Waiter waiter) { m_waiter = std::move(waiter); }

    // Apply's answer when the sheet was closed while the OK waited.
    static constexpr int kClosed = -2;
    // OK. controls[tab] are the controls of each page, active the tab shown.
    // Returns -1 when every page was stored and the sheet may close, kClosed
    // when the sheet closed while the OK waited (nothing more was stored),
    // else the tab to bring to the front (after that page's message).
    int Apply(const std::vector<PageControls*>& controls, int active);
    // After an OK that closed the sheet: 2 and the bits of the tracked changes.
    int Result() const;
    // The result of the last OK that stored the pages, also when what followed
    // the store refused and the sheet was then cancelled: the stored changes
    // still want their follow-up. 0 when nothing was stored.
    int StoredResult() const { return m_storedResult; }
    // The Graphs page was stored: the main frame is to redraw.
    bool WantsRedraw() const { return m_graphs.WantsRedraw(); }

    // The pages in their classes' order.
    CPageOneModel m_equipment;
    CPageTwoModel m_gageBlock;
    CPageThreeModel m_confidence;
    CPageFourModel m_graphs;
    CPageFiveModel m_bath;
    CPageSixModel m_port;
    CPageSevenModel m_archive;
    CPageEightModel m_beam;
    CPageNineModel m_advanced;

private:
    // Before the Equipment page is judged, after this OK opened the line:
    // false when the sheet closed meanwhile.
    bool AwaitFirmware();

    SetupInstrument& m_instrument;
    Waiter m_waiter;
    std::vector<SetupPage*> m_tabs;
    int m_storedResult = 0;
};

// What the Setup command does after the sheet closed with OK.
struct SetupFollowUp {
    int code = 0;          // 1 no temperature calibration, 2 calibration, 4 thin beam, 8 thick beam
    UINT message = 0;      // 0: none
    int calibrations = 0;  // 2: the deflection chain, 4: the confidence test
};
// The decision table: result the sheet's bits, noTemperature the bath has no
// temperature offset, calibrationMissing one of the six calibration values
// cannot be read.
SetupFollowUp DecideFollowUp(int result, bool noTemperature, bool calibrationMissing);
// No offset for the stored Test Bath (also: none stored, the table not
// readable, a bath outside the table's degrees).
bool NoTemperatureCalibration();
// One of the six calibration values cannot be read.
bool CalibrationValuesMissing();
// The message of the decision, then its calibrations as commands
// (ID_CALIBRATE_DEFLECTION or ID_CONFIDENCE_TEST) through command.
void RunFollowUp(int result, const std::function<void(UINT id)>& command);

}  // namespace setup

#pragma once
// The live-readings bar, docked at the right of the main frame: force,
// deflection and bath temperature from the instrument, and the target bath
// temperature. It hears of new readings from WM_INSTRUMENT_UPDATE, rewrites
// only the values that changed, and is where a lost instrument is first
// reported while no test runs: one box for one loss, and none for a loss a
// box has told already.
#include <string>

#include "app/LiveReadings.h"
#include "framework/ui/Frames.h"
#include "instrument/CQXBendingBeam.h"

class QLabel;

class CStatus : public fw::DockBar {
    Q_OBJECT
public:
    // Control ids of the four values.
    static constexpr int kForce = 1100;
    static constexpr int kDeflection = 1101;
    static constexpr int kTemperature = 1102;
    static constexpr int kTarget = 1103;

    CStatus(CQXBendingBeam* beam, QWidget* parent = nullptr);
    ~CStatus() override;

    // Docks the bar at the right of parent, toggled by View > Instrument
    // Status, and registers it for updates for the rest of the program.
    bool Create(fw::MainFrame* parent);

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LPARAM OnInstrumentUpdate(WPARAM, LPARAM);  // 0

    std::string Text(int control) const;
    // How many value texts have been written (unchanged values are not).
    int Writes() const { return m_writes; }

private:
    void SetValue(QLabel* label, const std::string& text);
    CQXBendingBeam* m_pBeam;
    QLabel* m_wndForce = nullptr;
    QLabel* m_wndDeflection = nullptr;
    QLabel* m_wndTemperature = nullptr;
    QLabel* m_wndTarget = nullptr;
    LiveReadings m_logic;        // the readings and target last shown
    bool m_lossBoxOpen = false;  // this bar's loss box is open (its loop delivers updates)
    int m_writes = 0;
};

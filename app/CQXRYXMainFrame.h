#pragma once
// The station's main window: tool bar, status bar with the beam-thickness
// pane and the batch-export progress, the live-readings bar at the right,
// the View menu's toggle of that bar, Help, and the close rule.
#include <functional>
#include <string>

#include "framework/ui/Frames.h"

class CQXBendingBeam;
struct CalibrateChain;
class CStatus;
class QMimeData;

class CQXRYXMainFrame : public fw::MainFrame {
    Q_OBJECT
public:
    explicit CQXRYXMainFrame(CQXBendingBeam& beam);
    ~CQXRYXMainFrame() override;

    // Placement, bars, the live-readings bar's registration, the splash.
    bool Create();

    void ShowBeamThickness(const float* mm);
    void ClearBeamThickness() { m_bShowThickness = false; }
    CStatus* InstrumentBar() const { return m_pInstrumentBar; }

    // Files dropped on the window.
    void SetDropHandler(std::function<void(const std::string&)> handler) { m_onDrop = std::move(handler); }
    // The local files of a drop, each to the handler.
    void OpenDropped(const QMimeData& data);

    // A batch export in progress keeps the window open.
    bool OnClose() override;
    // The close of a termination signal: the same rules, but a batch export
    // does not hold it (the export ends after the file in hand). True when
    // the window closed.
    bool CloseDespiteExport();

    // The Calibrate menu (CalibrateCommands.cpp).
    void OnCalibrateDeflection();
    void OnCalibrateForce();
    void OnConfidenceTest();
    void OnAutoThicknessDatum();
    void OnCalibrateTemperature();
    void OnVerification();
    // Instrument Setup: the sheet and its follow-up (SetupCommand.cpp).
    void OnSetupInstrument();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PreCreateWindow();
    void MapCalibrateCommands();
    CalibrateChain Chain();

    CStatus* m_pInstrumentBar;  // a child widget: Qt deletes it with the frame
    CQXBendingBeam* m_pBeam = nullptr;
    bool m_bShowThickness = false;
    bool m_bCloseDespiteExport = false;
    std::function<void(const std::string&)> m_onDrop;
};

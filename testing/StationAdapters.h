#pragma once
// The sequencer's interfaces over the real things: the instrument object
// (with the window that registers for its updates) and the settings, the
// bath calibration table and the file system.
#include "instrument/CQXBendingBeam.h"
#include "testing/TestSequencer.h"

class SequencerBeam : public SequencerInstrument {
public:
    SequencerBeam(CQXBendingBeam& beam, fw::WindowId window) : m_beam(beam), m_window(window) {}
    BOOL GetReadings(BeamReadings& out) override { return m_beam.GetReadings(out); }
    unsigned GetStatus() override { return m_beam.GetStatus(); }
    BOOL SendZero() override { return m_beam.SendZero(); }
    BOOL StartLoad(WORD samples) override { return m_beam.StartLoad(samples); }
    BOOL EndLoad() override { return m_beam.EndLoad(); }
    void ReportError(unsigned status, const std::string& detail) override {
        m_beam.ReportStatus(status, detail);
    }
    void MarkLossTold() override { m_beam.MarkLossTold(); }
    void Register(bool on) override;

private:
    CQXBendingBeam& m_beam;
    fw::WindowId m_window;
};

class RegistryEnvironment : public SequencerEnvironment {
public:
    bool GetTestDirectory(std::string& dir) override;
    bool GetStopTestMaxDefl(DWORD& on) override;
    bool GetSaveLims(DWORD& on) override;
    bool GetAutoThicknessDatum(double& mm) override;
    bool GetThickThickness(double& mm) override;
    // A target the table does not cover (outside -40..+25 degC) counts as
    // uncalibrated, as does a table that cannot be loaded.
    bool IsTemperatureCalibrated(double target, Time64& date) override;
    bool FreeDiskSpace(const std::string& dir, uint64_t& bytes) override;
};

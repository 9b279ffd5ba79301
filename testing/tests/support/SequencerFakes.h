#pragma once
// Fakes for the sequencer's interfaces: an instrument whose readings follow
// the commands it accepts (a load shows at once, "D" and "Z" show ZERO), a
// window that records what it is asked, and settings held in fields. The
// fixture gives each case its own folder and fails on any message box the
// script did not answer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "platform/Clock.h"
#include "testing/TestSequencer.h"

class FakeInstrument : public SequencerInstrument {
public:
    BOOL GetReadings(BeamReadings& out) override {
        out = readings;
        out.zero = zero;
        return status == 0;
    }
    unsigned GetStatus() override { return status; }
    BOOL SendZero() override {
        if (Refused("Z")) return FALSE;
        zero = TRUE;
        return TRUE;
    }
    BOOL StartLoad(WORD samples) override {
        if (Refused("L")) {
            refusedLoads.push_back(samples);
            return FALSE;
        }
        sent.push_back("L" + std::to_string(samples));
        if (loadShows) zero = FALSE;
        return TRUE;
    }
    BOOL EndLoad() override {
        if (Refused("D")) return FALSE;
        sent.push_back("D");
        zero = TRUE;
        return TRUE;
    }
    // As the instrument object's: the status's message, a blank line and the
    // detail in an OK box, whose loop (the script's OnShow) may deliver
    // updates while it is open.
    void ReportError(unsigned status, const std::string& detail) override {
        errors.push_back(detail);
        const UINT id = status == 1117   ? 300
                        : status == 55   ? 304
                        : status == 1015 ? 308
                        : status == 1225 ? 310
                                         : 0;
        if (id != 0) fw::ShowMessage(fw::LoadString(id) + "\n\n" + detail, MB_OK | MB_SETFOREGROUND);
    }
    // As the instrument object's: only while the line is lost (1015 reads).
    void MarkLossTold() override {
        if (status != 0 && status != 1015) lossTold = true;
    }
    void Register(bool on) override { registered = on; }

    bool Refused(const std::string& cmd) {
        int& n = refuse[cmd];
        if (n > 0) {
            --n;
            return true;
        }
        if (cmd == "Z") sent.push_back("Z");
        return false;
    }
    std::string Sent() const {
        std::string s;
        for (const auto& c : sent) s += (s.empty() ? "" : " ") + c;
        return s;
    }

    BeamReadings readings;
    BOOL zero = TRUE;
    bool loadShows = true;
    unsigned status = 0;
    std::map<std::string, int> refuse;
    std::vector<std::string> sent;
    std::vector<WORD> refusedLoads;
    std::vector<std::string> errors;
    bool registered = false;
    bool lossTold = false;
};

class FakeWindow : public SequencerWindow {
public:
    std::string GetCaption() override { return caption; }
    void SetCaption(const std::string& c) override {
        caption = c;
        captions.push_back(c);
    }
    void ShowBeamThickness(float mm) override { pane = mm; }
    void ClearBeamThickness() override { pane = -1; }
    void StartPreloadTimer(UINT ms) override {
        timerMs = ms;
        timerStarts++;
        timerRunning = true;
    }
    void KillPreloadTimer() override { timerRunning = false; }
    void PostClose() override { closes++; }
    void Invalidate() override { invalidations++; }
    bool AddGraphPoint(float d, float f) override {
        if (graph.size() <= 500) graph.push_back({d, f});
        return true;
    }
    bool OpenReport() override {
        reports++;
        return reportOk;
    }
    void SetTestRunning(bool r) override { running = r; }
    void AdvanceDefaultTestName() override { advanced++; }
    bool AskSavePath(std::string& path) override {
        if (savePath.empty()) return false;
        path = savePath;
        return true;
    }

    std::string caption;
    std::vector<std::string> captions;
    float pane = -1;
    UINT timerMs = 0;
    int timerStarts = 0;
    bool timerRunning = false;
    int closes = 0;
    int invalidations = 0;
    std::vector<std::pair<float, float>> graph;
    int reports = 0;
    bool reportOk = true;
    bool running = false;
    int advanced = 0;
    std::string savePath;
};

class FakeEnvironment : public SequencerEnvironment {
public:
    bool GetTestDirectory(std::string& d) override {
        d = directory;
        return !directory.empty();
    }
    bool GetStopTestMaxDefl(DWORD& on) override {
        on = stopMaxDefl;
        return hasStopMaxDefl;
    }
    bool GetSaveLims(DWORD& on) override {
        on = saveLims;
        return true;
    }
    bool GetAutoThicknessDatum(double& mm) override {
        mm = datum;
        return hasDatum;
    }
    bool GetThickThickness(double& mm) override {
        mm = thick;
        return true;
    }
    bool IsTemperatureCalibrated(double, Time64& date) override {
        date = calibrated ? calibrationDate : 0;
        return calibrated;
    }
    bool FreeDiskSpace(const std::string&, uint64_t& bytes) override {
        bytes = freeBytes;
        return true;
    }

    std::string directory;
    DWORD stopMaxDefl = 1;
    bool hasStopMaxDefl = true;
    DWORD saveLims = 0;
    double datum = 10.0;
    bool hasDatum = true;
    double thick = 12.0;
    bool calibrated = true;
    Time64 calibrationDate = 777;  // the bath calibration's entry time
    uint64_t freeBytes = 1ull << 32;
};

class SequencerFixture : public testing::Test {
public:
    void SetUp() override {
        char tmpl[] = "/tmp/ryx-seq-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        std::filesystem::create_directory(dir + "/config");
        setenv("RYX_CONFIG_DIR", (dir + "/config").c_str(), 1);
        env.directory = dir;
        doc.SetPathName(dir + "/T1.ryx", false);
        doc.m_targetTemperature.m_data = -12.0f;
        doc.m_minTemperature.m_data = 100.0f;  // as a new document starts its range
        doc.m_maxTemperature.m_data = -100.0f;
        doc.m_beamWidth.m_data = 12.7f;
        doc.m_beamThickness.m_data = 6.35f;
        SetTimes(240, 10, 30);
        beam.readings.remote = TRUE;
        beam.readings.mode = 1;
        beam.readings.force.m_data = 35.0f;
        beam.readings.deflection.m_data = 0.1f;
        beam.readings.temperature.m_data = -12.0f;
    }
    void TearDown() override {
        for (const auto& b : box.Boxes()) EXPECT_TRUE(b.scripted) << "unexpected box: " << b.text;
        EXPECT_EQ(box.Unanswered(), 0u);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A fresh case in the same test: new fakes, folder and sequencer.
    void Reset() {
        TearDown();
        box.Clear();
        beeps.Clear();
        beam = FakeInstrument();
        window = FakeWindow();
        env = FakeEnvironment();
        seq.reset();
        doc.DeleteContents();
        doc.m_points.clear();
        SetUp();
        seq.emplace(doc, beam, window, env, clock);
    }
    void SetTimes(int load, int recovery, int interval) {
        doc.m_loadSamples = 2 * load;
        doc.m_totalSamples = 2 * recovery + doc.m_loadSamples + 1;
        doc.m_sampleInterval = interval;
    }
    void Update(int n = 1) {
        for (int i = 0; i < n; ++i) seq->OnInstrumentData();
    }
    // As the real box's nested loop does, every box shown delivers n updates
    // while it is open (and the boxes opened by those deliver theirs, up to
    // a depth that only a machine opening boxes without end reaches).
    void UpdatesInEveryBox(int n) {
        box.OnShow([this, n](const fw::ScriptedMessageBox::Shown&) {
            if (boxDepth >= 8) return;
            ++boxDepth;
            Update(n);
            --boxDepth;
        });
    }
    // Expires the preload timer as the view's timer would.
    void ExpireTimer() {
        clock.Advance(TestSequencer::kPreloadMs);
        seq->OnPreloadTimer();
    }
    // Start to the end of the recovery after preload (state 8), answering 736.
    void RunToRecovery() {
        ASSERT_TRUE(seq->StartTest());
        box.Answer(IDOK);  // 736
        Update();          // preparation
        ASSERT_EQ(seq->GetState(), TestSequencer::kThicknessStart);
        Update();  // to preload
        Update();  // preload accepted
        Update();  // and shown by the instrument
        ASSERT_EQ(seq->GetState(), TestSequencer::kPreloadRelease);
        Update(2);  // release: "D" at the second step
        ASSERT_EQ(seq->GetState(), TestSequencer::kReleaseCheck);
        Update();
        ASSERT_EQ(seq->GetState(), TestSequencer::kRecovery);
    }
    // From state 8 into testing, point 0 recorded.
    void StartTesting() {
        ExpireTimer();  // load accepted
        Update();       // and shown: point 0
        ASSERT_EQ(seq->GetState(), TestSequencer::kTesting);
    }
    // Testing updates with the deflection telling the tick.
    void Ticks(int n) {
        for (int i = 0; i < n && seq->GetState() == TestSequencer::kTesting; ++i) {
            beam.readings.deflection.m_data = 0.001f * static_cast<float>(seq->GetStep() + 1);
            Update();
        }
    }

    std::string dir;
    int boxDepth = 0;
    fw::ScriptedMessageBox box;
    fw::ServiceScope<fw::MessageBoxService> boxScope{box};
    fw::RecordingBeep beeps;
    fw::ServiceScope<fw::BeepService> beepScope{beeps};
    platform::ManualClock clock{1000};
    CQXRYXTestDoc doc;
    FakeInstrument beam;
    FakeWindow window;
    FakeEnvironment env;
    std::optional<TestSequencer> seq{std::in_place, doc, beam, window, env, clock};
};

// The Instrument Setup pages and the sheet's OK without a display: loads,
// defaults, the checks, the one group write, the result bits, the firmware
// cases and the follow-up table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <set>

#include "framework/core/Exceptions.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "instrument/TempOffsetTable.h"
#include "platform/Clock.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "res/MenuIds.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "setup/FirmwareWait.h"
#include "setup/SetupSheetModel.h"
#include "setup/tests/support/FakeInstrument.h"
#include "setup/tests/support/SetupTestEnvironment.h"

namespace setup {
namespace {

std::string Cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}

class SetupPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        startDir = Cwd();
        home = platform::JoinPath(setuptest::ConfigDir(), "home");
        data = platform::JoinPath(setuptest::ConfigDir(), "data");
        ASSERT_EQ(platform::EnsureDirectory(home), 0u);
        ASSERT_EQ(platform::EnsureDirectory(data), 0u);
        setenv("HOME", home.c_str(), 1);
        for (auto& c : tables) controls.push_back(&c);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(startDir.c_str()), 0);
        platform::SetWriteFailureHook(nullptr);
        // Every box was expected and read by the case.
        EXPECT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    }

    // Every setting a complete setup has (probe: which of the probe's S/N,
    // A0, A1 and A3 are among them).
    struct Probe {
        bool serial, a0, a1, a3;
    };
    void StoreCompleteSetup() { StoreCompleteSetup(Probe{true, true, true, true}); }
    void StoreCompleteSetup(Probe probe) {
        ASSERT_EQ(theRegistry.SetTestBath(-12), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockTop(16.011), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockRed(15.002), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockWhite(12.997), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockBlue(10.004), 0u);
        ASSERT_EQ(theRegistry.SetPort("COM3"), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestMin(1.83), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestMax(2.23), 0u);
        ASSERT_EQ(theRegistry.SetGraphsAuto(0), 0u);
        ASSERT_EQ(theRegistry.SetGraphsDeflection(0.5), 0u);
        ASSERT_EQ(theRegistry.SetGraphsForce(500), 0u);
        ASSERT_EQ(theRegistry.SetForceResolution(1), 0u);
        ASSERT_EQ(theRegistry.SetEquipmentRYX("RYX-0042"), 0u);
        if (probe.serial) {
            ASSERT_EQ(theRegistry.SetEquipmentThermistor("T-7"), 0u);
        }
        if (probe.a0) {
            ASSERT_EQ(theRegistry.SetTemperatureA0(1.2345678901234e-3), 0u);
        }
        if (probe.a1) {
            ASSERT_EQ(theRegistry.SetTemperatureA1(2.3456e-4), 0u);
        }
        if (probe.a3) {
            ASSERT_EQ(theRegistry.SetTemperatureA3(8.7e-08), 0u);
        }
        ASSERT_EQ(theRegistry.SetTestDirectory(data), 0u);
        ASSERT_EQ(theRegistry.SetBeamDimensionsThinThickness(1.25), 0u);
        ASSERT_EQ(theRegistry.SetBeamDimensionsThinWidth(12.7), 0u);
        ASSERT_EQ(theRegistry.SetAutoThicknessThickThickness(6.35), 0u);
        ASSERT_EQ(theRegistry.SetTestLoadTime(240), 0u);
        ASSERT_EQ(theRegistry.SetTestRecoveryTime(10), 0u);
        ASSERT_EQ(theRegistry.SetTestSampleInterval(30), 0u);
        StoreOffsets(-12);
    }
    void StoreOffsets(int degree) {
        std::vector<int16_t> offsets(66, 0x7FFF);
        offsets[static_cast<size_t>(degree + 40)] = 12;
        ASSERT_EQ(theRegistry.SetTemperatureOffsets(offsets.data(), 132), 0u);
    }
    bool OffsetsStored() {
        char buf[132];
        return theRegistry.GetTemperatureOffsets(buf, sizeof buf) == 0;
    }

    // What the sheet's initialisation does: every page made active in tab
    // order (its window made first), then the start page again.
    void Open(int start = 0) {
        model = std::make_unique<SetupSheetModel>(beam);
        for (int tab = 0; tab < SetupSheetModel::kPages; ++tab) {
            model->Page(tab).Load(tables[tab]);
            model->Page(tab).OnSetActive();
        }
        model->Page(start).OnSetActive();
        active = start;
    }
    void Visit(int tab) {
        model->Page(tab).OnSetActive();
        active = tab;
    }
    ControlTable& C(int tab) { return tables[static_cast<size_t>(tab)]; }
    // OK: the tab brought forward (-1: closed); the one box it showed, if any.
    int Ok(std::string* box = nullptr) {
        boxes.Clear();
        const int r = model->Apply(controls, active);
        if (r >= 0) active = r;
        if (box) {
            EXPECT_EQ(boxes.Count(), 1u);
            *box = boxes.Count() ? boxes.Texts()[0] : "";
        } else {
            EXPECT_EQ(boxes.Count(), r < 0 ? 0u : 1u);
        }
        boxes.Clear();
        return r;
    }
    // OK that must refuse on tab with message id.
    void Refuses(int tab, UINT id) {
        std::string box;
        EXPECT_EQ(Ok(&box), tab);
        EXPECT_EQ(box, fw::LoadString(id));
    }

    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    FakeInstrument beam;
    std::unique_ptr<SetupSheetModel> model;
    ControlTable tables[SetupSheetModel::kPages];
    std::vector<PageControls*> controls;
    int active = 0;
    std::string startDir, home, data;
};

using S = SetupSheetModel;

TEST_F(SetupPagesTest, FirstSetupShowsDefaultsAndAsksForEachDefaultedPageOnce) {
    beam.available = {"COM2"};
    Open();
    EXPECT_EQ(C(S::kTabBath).GetText(CPageFiveModel::kTemperature), "-30");
    EXPECT_EQ(C(S::kTabGageBlock).GetText(CPageTwoModel::kTop), "16.000");
    EXPECT_EQ(C(S::kTabGageBlock).GetText(CPageTwoModel::kBlue), "10.000");
    EXPECT_EQ(C(S::kTabPort).GetText(CPageSixModel::kPort), "COM1");
    EXPECT_EQ(C(S::kTabPort).At(CPageSixModel::kPort).items,
              (std::vector<std::string>{"NONE", "COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(C(S::kTabConfidence).GetText(CPageThreeModel::kMinimum), "183.0");
    EXPECT_EQ(C(S::kTabConfidence).GetText(CPageThreeModel::kMaximum), "223.0");
    EXPECT_TRUE(C(S::kTabGraphs).GetCheck(CPageFourModel::kAutoScale));
    EXPECT_FALSE(C(S::kTabGraphs).At(CPageFourModel::kForce).enabled);
    EXPECT_EQ(C(S::kTabGraphs).GetText(CPageFourModel::kForce), "1000");
    EXPECT_EQ(C(S::kTabEquipment).GetText(CPageOneModel::kA0), "");
    EXPECT_TRUE(C(S::kTabEquipment).At(CPageOneModel::kA0).shown);  // version "?"
    EXPECT_EQ(C(S::kTabArchive).GetText(CPageSevenModel::kPath), home + "/");
    EXPECT_EQ(C(S::kTabBeam).GetText(CPageEightModel::kThinThickness), "1.20");
    EXPECT_EQ(C(S::kTabAdvanced).GetText(CPageNineModel::kLoadTime), "240");

    // The Bath page, the start page, has been seen; the others are brought
    // forward one by one; the Equipment page wants its entries.
    for (int tab : {S::kTabGageBlock, S::kTabPort}) {
        Refuses(tab, IDS_DEFAULTS_PRESENT);
        Visit(tab);
    }
    // The port is switched as its page passes: the default cannot be
    // opened, 314, and it is selected again.
    Refuses(S::kTabPort, IDS_PORT_UNAVAILABLE);
    EXPECT_EQ(C(S::kTabPort).GetText(CPageSixModel::kPort), "COM1");
    C(S::kTabPort).SetText(CPageSixModel::kPort, "COM2");
    for (int tab : {S::kTabConfidence, S::kTabGraphs}) {
        Refuses(tab, IDS_DEFAULTS_PRESENT);
        Visit(tab);
    }
    // The line stays on the chosen port while later pages refuse.
    EXPECT_EQ(beam.open, "COM2");
    Refuses(S::kTabEquipment, IDS_VALUE_MISSING);
    C(S::kTabEquipment).SetText(CPageOneModel::kApparatusId, "  RYX-7 ");
    C(S::kTabEquipment).SetText(CPageOneModel::kSerialNumber, "P-1");
    C(S::kTabEquipment).SetText(CPageOneModel::kA0, "0.001");
    C(S::kTabEquipment).SetText(CPageOneModel::kA1, "0.0002");
    Refuses(S::kTabEquipment, IDS_VALUE_MISSING);
    C(S::kTabEquipment).SetText(CPageOneModel::kA2, "8.7e-08");
    for (int tab : {S::kTabArchive, S::kTabBeam, S::kTabAdvanced}) {
        Refuses(tab, IDS_DEFAULTS_PRESENT);
        Visit(tab);
    }
    // Nothing was written by any of these refusals.
    double d = 0;
    EXPECT_NE(theRegistry.GetTestBath(d), 0u);

    EXPECT_EQ(Ok(), -1);
    EXPECT_EQ(beam.open, "COM2");
    EXPECT_EQ(model->Result(), kResultOk | kResultThinBeam | kResultGageBlock | kResultBath);

    std::string s;
    ASSERT_EQ(theRegistry.GetPort(s), 0u);
    EXPECT_EQ(s, "COM2");
    ASSERT_EQ(theRegistry.GetEquipmentRYX(s), 0u);
    EXPECT_EQ(s, "RYX-7");
    ASSERT_EQ(theRegistry.GetTemperatureA3(d), 0u);
    EXPECT_EQ(d, 8.7e-08);
    ASSERT_EQ(theRegistry.GetTestBath(d), 0u);
    EXPECT_EQ(d, -30);
    ASSERT_EQ(theRegistry.GetConfidenceTestMin(d), 0u);
    EXPECT_DOUBLE_EQ(d, 1.83);
    DWORD dw = 0;
    ASSERT_EQ(theRegistry.GetGraphsAuto(dw), 0u);
    EXPECT_EQ(dw, 1u);
    ASSERT_EQ(theRegistry.GetGraphsForce(d), 0u);
    EXPECT_EQ(d, 1000);
    ASSERT_EQ(theRegistry.GetTestDirectory(s), 0u);
    EXPECT_EQ(s, home + "/");
    EXPECT_EQ(Cwd(), home);
    EXPECT_EQ(beam.reloads, 1);
}

TEST_F(SetupPagesTest, AnUnchangedCompleteSetupReturnsTwoAndKeepsEveryValueExactly) {
    StoreCompleteSetup();
    beam.open = "COM3";
    Open();
    EXPECT_EQ(Cwd(), data);  // the Archive page made it current
    EXPECT_EQ(C(S::kTabPort).GetText(CPageSixModel::kPort), "COM3");
    EXPECT_EQ(C(S::kTabEquipment).GetText(CPageOneModel::kA0), "0.00123456789");
    EXPECT_EQ(C(S::kTabEquipment).GetText(CPageOneModel::kA2), "8.7e-08");
    EXPECT_EQ(C(S::kTabGageBlock).GetText(CPageTwoModel::kTop), "16.011");
    EXPECT_EQ(C(S::kTabConfidence).GetText(CPageThreeModel::kMinimum), "183.0");
    EXPECT_FALSE(C(S::kTabGraphs).GetCheck(CPageFourModel::kAutoScale));
    EXPECT_TRUE(C(S::kTabGraphs).At(CPageFourModel::kForce).enabled);
    EXPECT_EQ(Ok(), -1);
    EXPECT_EQ(model->Result(), kResultOk);
    double d = 0;
    ASSERT_EQ(theRegistry.GetTemperatureA0(d), 0u);
    EXPECT_EQ(d, 1.2345678901234e-3);  // the shown text is shorter, the value is not
    EXPECT_TRUE(OffsetsStored());
    EXPECT_EQ(beam.reloads, 0);
    EXPECT_TRUE(model->WantsRedraw());
}

TEST_F(SetupPagesTest, ResultBitsFollowTheTrackedEntries) {
    struct Case {
        int tab;
        int id;
        const char* text;
        int tab2;
        int id2;
        const char* text2;
        int result;
    };
    const Case cases[] = {
        {S::kTabBeam, CPageEightModel::kThinWidth, "12.50", -1, 0, "", kResultOk},
        {S::kTabBeam, CPageEightModel::kThinThickness, "1.30", -1, 0, "", kResultOk | kResultThinBeam},
        {S::kTabGageBlock, CPageTwoModel::kWhite, "13.100", S::kTabBath, CPageFiveModel::kTemperature, "-18",
         kResultOk | kResultGageBlock | kResultBath},
        {S::kTabBeam, CPageEightModel::kThickThickness, "6.40", -1, 0, "", kResultOk | kResultThickBeam},
        // The same number written differently is no change.
        {S::kTabGageBlock, CPageTwoModel::kTop, "16.0110", -1, 0, "", kResultOk},
    };
    StoreCompleteSetup();
    for (const Case& k : cases) {
        beam.open = "COM3";
        Open();
        C(k.tab).SetText(k.id, k.text);
        if (k.tab2 >= 0) C(k.tab2).SetText(k.id2, k.text2);
        EXPECT_EQ(Ok(), -1) << k.text;
        EXPECT_EQ(model->Result(), k.result) << k.text;
        StoreCompleteSetup();
    }
}

TEST_F(SetupPagesTest, StoredValuesOutsideTheFieldsAreDefaultsThatCountAsChanged) {
    StoreCompleteSetup();
    ASSERT_EQ(theRegistry.SetTestBath(26), 0u);                     // above the offset table
    ASSERT_EQ(theRegistry.SetAutoThicknessThickThickness(14), 0u);  // the field's open maximum
    beam.open = "COM3";
    Open();
    EXPECT_EQ(C(S::kTabBath).GetText(CPageFiveModel::kTemperature), "-30");
    EXPECT_EQ(C(S::kTabBeam).GetText(CPageEightModel::kThickThickness), "6.35");
    Refuses(S::kTabBeam, IDS_DEFAULTS_PRESENT);  // the Bath page was seen at the start
    Visit(S::kTabBeam);
    EXPECT_EQ(Ok(), -1);
    EXPECT_EQ(model->Result(), kResultOk | kResultBath | kResultThickBeam);
}

// The Bath page takes a set-point exactly when the offset table has a degree
// for it, so that no stored bath is one the temperature calibration refuses.
TEST_F(SetupPagesTest, TheBathPageTakesWhatTheOffsetTableTakes) {
    StoreCompleteSetup();
    TempOffsetTable table;
    ASSERT_TRUE(table.LoadOffsets());
    std::vector<int> tenths;  // around both ends of the table, in tenths of a degree
    for (int t = -415; t <= -395; ++t) tenths.push_back(t);
    for (int t = 245; t <= 265; ++t) tenths.push_back(t);
    for (int tenth : tenths) {
        const double bath = tenth / 10.0;
        bool tableTakes = true;
        try {
            table.GetOffset(bath);
        } catch (const fw::InvalidArgException&) {
            tableTakes = false;
        }
        beam.open = "COM3";
        Open();
        C(S::kTabBath).SetText(CPageFiveModel::kTemperature, platform::FormatUser("%.1f", bath));
        boxes.Clear();
        const int r = model->Apply(controls, active);
        EXPECT_EQ(r == -1, tableTakes) << bath;
        if (r != -1) {
            ASSERT_EQ(boxes.Count(), 1u) << bath;
            EXPECT_NE(boxes.Texts()[0].find("Bath Temperature"), std::string::npos) << bath;
        }
        boxes.Clear();
    }
    // A stored bath the table has no degree for is a default, -30.
    ASSERT_EQ(theRegistry.SetTestBath(25.5), 0u);
    Open();
    EXPECT_EQ(C(S::kTabBath).GetText(CPageFiveModel::kTemperature), "-30");
}

TEST_F(SetupPagesTest, EveryEntryIsReadWholeAndRangeCheckedBeforeAnythingIsWritten) {
    struct Case {
        int tab;
        int id;
        const char* text;
        const char* label;
    };
    const Case cases[] = {
        {S::kTabGageBlock, CPageTwoModel::kRed, "60", "Red Level"},  // pasted past the keystroke rules
        {S::kTabGageBlock, CPageTwoModel::kRed, "15.0abc", "Red Level"},
        {S::kTabBath, CPageFiveModel::kTemperature, "-45", "Bath Temperature"},
        {S::kTabBath, CPageFiveModel::kTemperature, "inf", "Bath Temperature"},
        {S::kTabEquipment, CPageOneModel::kA1, "2e11", "A1"},
        {S::kTabAdvanced, CPageNineModel::kLoadTime, "605001", "Test Load Time"},
        {S::kTabAdvanced, CPageNineModel::kSampleInterval, "3.5", "Extended Sample Interval"},
        {S::kTabConfidence, CPageThreeModel::kMaximum, "0", "Maximum Limit"},
    };
    StoreCompleteSetup();
    for (const Case& k : cases) {
        beam.open = "COM3";
        Open();
        // A change on an earlier page that must not be stored.
        C(S::kTabGraphs).SetText(CPageFourModel::kForce, "900");
        C(k.tab).SetText(k.id, k.text);
        std::string box;
        EXPECT_EQ(Ok(&box), k.tab) << k.text;
        EXPECT_NE(box.find(k.label), std::string::npos) << box;
        EXPECT_EQ(box.find("%"), std::string::npos) << box;
        double d = 0;
        ASSERT_EQ(theRegistry.GetGraphsForce(d), 0u);
        EXPECT_EQ(d, 500);
    }
    // The same refusal as its own message: a load time below 240 s.
    Open();
    C(S::kTabAdvanced).SetText(CPageNineModel::kLoadTime, "239");
    Refuses(S::kTabAdvanced, IDS_ADVANCED_INVALID);
    C(S::kTabAdvanced).SetText(CPageNineModel::kLoadTime, "240");
    EXPECT_EQ(Ok(), -1);
}

TEST_F(SetupPagesTest, FirmwareTwoHidesTheProbeAndWritesNothingForIt) {
    StoreCompleteSetup();
    ASSERT_EQ(theRegistry.SetEquipmentThermistor("   "), 0u);  // reads as empty: the page defaulted
    beam.version = "2.1";
    beam.open = "COM3";
    Open();
    for (int id : {CPageOneModel::kProbeGroup, CPageOneModel::kSerialLabel, CPageOneModel::kSerialNumber,
                   CPageOneModel::kA0Label, CPageOneModel::kA0, CPageOneModel::kA1Label, CPageOneModel::kA1,
                   CPageOneModel::kA2Label, CPageOneModel::kA2})
        EXPECT_FALSE(C(S::kTabEquipment).At(id).shown) << id;
    EXPECT_TRUE(C(S::kTabEquipment).At(CPageOneModel::kApparatusId).shown);
    C(S::kTabEquipment).SetText(CPageOneModel::kApparatusId, "RYX-9");
    EXPECT_EQ(Ok(), -1);  // no 258 on this page, and the hidden fields are not asked for
    std::string s;
    ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u);
    EXPECT_EQ(s, "   ");  // never "1111"
    double d = 0;
    ASSERT_EQ(theRegistry.GetTemperatureA0(d), 0u);
    EXPECT_EQ(d, 1.2345678901234e-3);  // never 1.0
    EXPECT_TRUE(OffsetsStored());
    EXPECT_EQ(beam.reloads, 0);
    ASSERT_EQ(theRegistry.GetEquipmentRYX(s), 0u);
    EXPECT_EQ(s, "RYX-9");
}

// The probe hidden: each value that is missing gets its placeholder, each
// stored one stays, and the offsets of the stored equation stay with it.
TEST_F(SetupPagesTest, FirmwareTwoFillsOnlyTheMissingProbeValues) {
    struct Case {
        const char* what;
        Probe stored;  // before the sheet
        int reloads;
    };
    const Case cases[] = {
        {"nothing stored", {false, false, false, false}, 1},
        {"A1 missing", {true, true, false, true}, 1},
        {"S/N missing", {false, true, true, true}, 0},
    };
    for (const Case& c : cases) {
        const Probe& k = c.stored;
        const char* what = c.what;
        // A hive of this case's own.
        const std::string dir = platform::JoinPath(setuptest::ConfigDir(), what);
        ASSERT_EQ(platform::EnsureDirectory(dir), 0u);
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
        StoreCompleteSetup(k);
        beam.version = "2.000";
        beam.open = "COM3";
        beam.reloads = 0;
        Open();
        EXPECT_FALSE(C(S::kTabEquipment).At(CPageOneModel::kA0).shown) << what;
        EXPECT_EQ(Ok(), -1) << what;
        std::string s;
        ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u) << what;
        EXPECT_EQ(s, k.serial ? "T-7" : "1111") << what;
        double d = 0;
        ASSERT_EQ(theRegistry.GetTemperatureA0(d), 0u) << what;
        EXPECT_EQ(d, k.a0 ? 1.2345678901234e-3 : 1.0) << what;
        ASSERT_EQ(theRegistry.GetTemperatureA1(d), 0u) << what;
        EXPECT_EQ(d, k.a1 ? 2.3456e-4 : 1.0) << what;
        ASSERT_EQ(theRegistry.GetTemperatureA3(d), 0u) << what;
        EXPECT_EQ(d, k.a3 ? 8.7e-08 : 1.0) << what;
        EXPECT_TRUE(OffsetsStored()) << what;
        EXPECT_EQ(beam.reloads, c.reloads) << what;
    }
    setenv("RYX_CONFIG_DIR", setuptest::ConfigDir().c_str(), 1);
}

// The wait for the firmware after the port has opened, look by look on a
// clock of its own: the version, the link giving up, or the time-out.
TEST(FirmwareWaitTest, EndsAtTheVersionTheLinksGivingUpOrItsTimeOut) {
    using St = FirmwareWait::State;
    EXPECT_EQ(FirmwareWait::Limit(), 1100u);  // the version request's 1000 ms and the pass that writes it
    struct Case {
        const char* what;
        uint32_t versionAt;  // ms after the start (0: never)
        uint32_t statusAt;   // ms after the start the status becomes status (0: never)
        unsigned status;
        uint32_t endsAt;
        St end;
    };
    const Case cases[] = {
        {"the version at 40 ms", 40, 0, 0, 40, St::Known},
        {"the version at the limit", 1100, 0, 0, 1100, St::Known},
        {"the request unanswered", 0, 1020, 55, 1020, St::NoVersion},
        {"the line failed", 0, 300, 1117, 300, St::NoVersion},
        {"no worker to say anything", 0, 0, 0, 1110, St::NoVersion},
        {"the version before a later loss", 500, 1020, 55, 500, St::Known},
    };
    for (const Case& k : cases) {
        platform::ManualClock clock(5000);
        FakeInstrument beam;
        beam.clock = &clock;
        beam.silentStatus = 0;
        ASSERT_EQ(beam.SetPort("COM1"), 0u);
        if (k.versionAt) {
            beam.versionLater = "2.000";
            beam.versionAfterMs = k.versionAt;
        }
        FirmwareWait wait(beam, clock);
        uint32_t t = 0;
        St state = wait.Check();
        while (state == St::Waiting && t < 5000) {
            clock.Advance(10);
            t += 10;
            if (k.statusAt && t >= k.statusAt) beam.silentStatus = k.status;
            state = wait.Check();
        }
        EXPECT_EQ(state, k.end) << k.what;
        EXPECT_EQ(t, k.endsAt) << k.what;
        // Once ended it stays so.
        beam.version = "?";
        EXPECT_EQ(wait.Check(), k.end) << k.what;
    }
    EXPECT_FALSE(FirmwareKnown("?"));
    EXPECT_FALSE(FirmwareKnown(""));
    EXPECT_TRUE(FirmwareKnown("1.950"));
}

// A new station's OK: the port it opens tells its firmware a moment later.
// The Equipment page is judged after it (one OK asks for no probe), or, when
// no version comes, as before (the probe is asked for); the OK that brings
// another page forward before the Equipment page does not wait.
TEST_F(SetupPagesTest, TheEquipmentPageIsJudgedOnceTheOpenedPortHasToldItsFirmware) {
    struct Case {
        const char* what;
        const char* version;  // told this long after the open (nullptr: never)
        uint32_t after;
        unsigned silentStatus;  // the link's status meanwhile
        int refusing;           // -1: the sheet closes
        uint32_t waited;        // ms of the clock the OK took
    };
    const Case cases[] = {
        {"firmware 2 after 60 ms", "2.000", 60, 0, -1, 60},
        {"firmware 1 after 60 ms", "1.950", 60, 0, S::kTabEquipment, 60},
        {"no answer, the link gives up", nullptr, 0, 55, S::kTabEquipment, 0},
        {"no answer, the link says nothing", nullptr, 0, 0, S::kTabEquipment, 1110},
    };
    platform::ManualClock clock(20000);
    platform::SetDefaultClock(&clock);
    for (const Case& k : cases) {
        const std::string dir = platform::JoinPath(setuptest::ConfigDir(), k.what);
        ASSERT_EQ(platform::EnsureDirectory(dir), 0u);
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
        beam = FakeInstrument{};
        beam.clock = &clock;
        beam.silentStatus = k.silentStatus;
        if (k.version) {
            beam.versionLater = k.version;
            beam.versionAfterMs = k.after;
        }
        Open();
        for (int tab = 0; tab < S::kPages; ++tab) Visit(tab);
        C(S::kTabEquipment).SetText(CPageOneModel::kApparatusId, "RYX-NEW");
        int looks = 0;
        model->SetWaiter([&](const std::function<bool()>& done) {
            while (!done()) {
                clock.Advance(10);
                if (++looks > 1000) return false;
            }
            return true;
        });
        const uint32_t before = clock.Now();
        if (k.refusing < 0) {
            EXPECT_EQ(Ok(), -1) << k.what;
        } else {
            Refuses(k.refusing, IDS_VALUE_MISSING);
        }
        EXPECT_EQ(clock.Now() - before, k.waited) << k.what;
        EXPECT_EQ(beam.open, "COM1") << k.what;
        EXPECT_EQ(C(S::kTabEquipment).At(CPageOneModel::kA0).shown, k.refusing >= 0) << k.what;
        std::string s;
        ASSERT_EQ(theRegistry.GetPort(s), 0u) << k.what;
        EXPECT_EQ(s, "COM1") << k.what;
        if (k.refusing < 0) {
            ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u) << k.what;
            EXPECT_EQ(s, "1111") << k.what;
        }
    }

    // The OK that stops at the Gage Block page does not wait.
    const std::string dir = platform::JoinPath(setuptest::ConfigDir(), "gage block first");
    ASSERT_EQ(platform::EnsureDirectory(dir), 0u);
    setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
    beam = FakeInstrument{};
    beam.silentStatus = 0;
    Open();
    bool waited = false;
    model->SetWaiter([&](const std::function<bool()>&) { return waited = true; });
    Refuses(S::kTabGageBlock, IDS_DEFAULTS_PRESENT);
    // The sheet closed while the OK waited: nothing more is stored.
    for (int tab = 0; tab < S::kPages; ++tab) Visit(tab);
    model->SetWaiter([&](const std::function<bool()>&) { return false; });
    boxes.Clear();
    EXPECT_EQ(model->Apply(controls, active), S::kClosed);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_FALSE(waited);
    std::string s;
    EXPECT_NE(theRegistry.GetEquipmentRYX(s), 0u);
    double d = 0;
    EXPECT_NE(theRegistry.GetTestBath(d), 0u);
    ASSERT_EQ(theRegistry.GetPort(s), 0u);  // the port, stored as it opened
    EXPECT_EQ(s, "COM1");
    platform::SetDefaultClock(nullptr);
    setenv("RYX_CONFIG_DIR", setuptest::ConfigDir().c_str(), 1);
}

// What the operator typed into the probe's fields in answer to 259, before
// the firmware came and the fields were hidden, is stored as typed; what is
// left empty (or is no coefficient) gets the placeholder or keeps what is
// stored.
TEST_F(SetupPagesTest, ProbeValuesTypedBeforeTheFieldsWereHiddenAreStoredAsTyped) {
    struct Case {
        const char* what;
        Probe stored;
        const char* serial;
        const char* coefficients[3];
        const char* serialStored;
        double a[3];
        bool offsetsKept;
    };
    const Case cases[] = {
        {"a new station, everything typed",
         {false, false, false, false},
         "P-9",
         {"0.002", "0.0003", "9e-08"},
         "P-9",
         {0.002, 0.0003, 9e-08},
         true},
        {"a new station, S/N and A0 typed",
         {false, false, false, false},
         " P-10 ",
         {"0.002", "", ""},
         "P-10",
         {0.002, 1.0, 1.0},
         true},
        {"A1 missing, A1 typed, A0 mistyped",
         {true, true, false, true},
         "",
         {"1e", "0.0003", ""},
         "T-7",
         {1.2345678901234e-3, 0.0003, 8.7e-08},
         true},
        {"A1 missing, A2 changed",
         {true, true, false, true},
         "",
         {"", "", "8.8e-08"},
         "T-7",
         {1.2345678901234e-3, 1.0, 8.8e-08},
         false},
    };
    for (const Case& k : cases) {
        const std::string dir = platform::JoinPath(setuptest::ConfigDir(), k.what);
        ASSERT_EQ(platform::EnsureDirectory(dir), 0u);
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
        StoreCompleteSetup(k.stored);
        beam = FakeInstrument{};
        beam.open = "COM3";
        Open();
        // The version not known yet: the probe is asked for.
        Refuses(S::kTabEquipment, IDS_VALUE_MISSING);
        if (k.serial[0]) C(S::kTabEquipment).SetText(CPageOneModel::kSerialNumber, k.serial);
        const int ids[3] = {CPageOneModel::kA0, CPageOneModel::kA1, CPageOneModel::kA2};
        for (int i = 0; i < 3; ++i) C(S::kTabEquipment).SetText(ids[i], k.coefficients[i]);
        // Now it has come: the fields are hidden at this OK, which passes.
        beam.version = "2.000";
        EXPECT_EQ(Ok(), -1) << k.what;
        EXPECT_FALSE(C(S::kTabEquipment).At(CPageOneModel::kA0).shown) << k.what;
        std::string s;
        ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u) << k.what;
        EXPECT_EQ(s, k.serialStored) << k.what;
        const auto gets = {&CQXRegistry::GetTemperatureA0, &CQXRegistry::GetTemperatureA1,
                           &CQXRegistry::GetTemperatureA3};
        int i = 0;
        for (auto get : gets) {
            double d = 0;
            ASSERT_EQ((theRegistry.*get)(d), 0u) << k.what;
            EXPECT_EQ(d, k.a[i++]) << k.what << " A" << i;
        }
        EXPECT_EQ(OffsetsStored(), k.offsetsKept) << k.what;
        EXPECT_EQ(beam.reloads, 1) << k.what;
    }
    setenv("RYX_CONFIG_DIR", setuptest::ConfigDir().c_str(), 1);
}

TEST_F(SetupPagesTest, OffsetsAreClearedOnlyWhenAStoredCoefficientChanges) {
    struct Case {
        int id;
        const char* text;
        bool cleared;
    };
    const Case cases[] = {
        {CPageOneModel::kSerialNumber, "T-8", false},
        {CPageOneModel::kApparatusId, "RYX-43", false},
        {CPageOneModel::kA0, "0.0012345678901234", false},  // the stored number, typed out
        {CPageOneModel::kA2, "8.8e-08", true},
        {CPageOneModel::kA1, "0.00023457", true},
    };
    for (const Case& k : cases) {
        StoreCompleteSetup();
        beam.reloads = 0;
        beam.open = "COM3";
        Open();
        C(S::kTabEquipment).SetText(k.id, k.text);
        EXPECT_EQ(Ok(), -1) << k.text;
        EXPECT_EQ(OffsetsStored(), !k.cleared) << k.text;
        EXPECT_EQ(beam.reloads, k.cleared ? 1 : 0) << k.text;
    }
    // The equation cannot be reloaded: 312, and the sheet stays.
    StoreCompleteSetup();
    beam.reloadOk = false;
    Open();
    C(S::kTabEquipment).SetText(CPageOneModel::kA0, "0.0011");
    Refuses(S::kTabEquipment, IDS_REGISTRY_WRITE);
}

TEST_F(SetupPagesTest, PortsAreShownAsStoredAndSwitchedAtOk) {
    // A name other than the four COM entries is shown as COM1, among the
    // five entries only, without counting as a default.
    for (const char* stored : {"COM7", "NONE", "/dev"}) {
        StoreCompleteSetup();
        ASSERT_EQ(theRegistry.SetPort(stored), 0u);
        beam.setPorts.clear();
        Open();
        EXPECT_EQ(C(S::kTabPort).GetText(CPageSixModel::kPort), "COM1") << stored;
        EXPECT_EQ(C(S::kTabPort).At(CPageSixModel::kPort).items,
                  (std::vector<std::string>{"NONE", "COM1", "COM2", "COM3", "COM4"}))
            << stored;
        EXPECT_EQ(Ok(), -1) << stored;  // no 258
        EXPECT_EQ(beam.open, "COM1") << stored;
        std::string s;
        ASSERT_EQ(theRegistry.GetPort(s), 0u);
        EXPECT_EQ(s, "COM1") << stored;
    }

    // A port that cannot be opened: 314, the port in use before opened
    // again and the loaded entry selected.
    StoreCompleteSetup();
    ASSERT_EQ(theRegistry.SetPort("COM7"), 0u);
    beam.setPorts.clear();
    Open();
    C(S::kTabPort).SetText(CPageSixModel::kPort, "COM2");
    beam.available = {"COM1", "COM3", "COM7"};
    Refuses(S::kTabPort, IDS_PORT_UNAVAILABLE);
    EXPECT_EQ(beam.setPorts, (std::vector<std::string>{"COM2", "COM7"}));
    EXPECT_EQ(beam.open, "COM7");
    EXPECT_EQ(C(S::kTabPort).GetText(CPageSixModel::kPort), "COM1");

    // NONE closes the line and keeps the stored port.
    C(S::kTabPort).SetText(CPageSixModel::kPort, "NONE");
    EXPECT_EQ(Ok(), -1);
    std::string s;
    ASSERT_EQ(theRegistry.GetPort(s), 0u);
    EXPECT_EQ(s, "COM7");
    EXPECT_EQ(beam.open, "");
}

TEST_F(SetupPagesTest, AFailedStoreWritesNothingAndReopensTheLoadedPort) {
    StoreCompleteSetup();
    beam.open = "COM3";
    Open();
    C(S::kTabBath).SetText(CPageFiveModel::kTemperature, "-20");
    C(S::kTabAdvanced).SetText(CPageNineModel::kRecoveryTime, "20");
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    Refuses(S::kTabBath, IDS_REGISTRY_WRITE);  // the page that was shown stays
    EXPECT_EQ(beam.open, "COM3");
    // A new port is stored as its page passes: when it cannot be, the port
    // in use before is opened again and selected, and the Port page shows.
    C(S::kTabPort).SetText(CPageSixModel::kPort, "COM1");
    Refuses(S::kTabPort, IDS_REGISTRY_WRITE);
    EXPECT_EQ(beam.setPorts, (std::vector<std::string>{"COM3", "COM1", "COM3"}));
    EXPECT_EQ(beam.open, "COM3");
    EXPECT_EQ(C(S::kTabPort).GetText(CPageSixModel::kPort), "COM3");
    platform::SetWriteFailureHook(nullptr);
    double d = 0;
    ASSERT_EQ(theRegistry.GetTestBath(d), 0u);
    EXPECT_EQ(d, -12);
    DWORD dw = 0;
    ASSERT_EQ(theRegistry.GetTestRecoveryTime(dw), 0u);
    EXPECT_EQ(dw, 10u);
    std::string s;
    ASSERT_EQ(theRegistry.GetPort(s), 0u);
    EXPECT_EQ(s, "COM3");
    // The next OK stores it all.
    C(S::kTabPort).SetText(CPageSixModel::kPort, "COM1");
    EXPECT_EQ(Ok(), -1);
    ASSERT_EQ(theRegistry.GetTestBath(d), 0u);
    EXPECT_EQ(d, -20);
    ASSERT_EQ(theRegistry.GetPort(s), 0u);
    EXPECT_EQ(s, "COM1");
}

TEST_F(SetupPagesTest, AutoScaleLeavesEmptyScalesUnwrittenAndAFixedScaleNeedsThem) {
    StoreCompleteSetup();
    beam.open = "COM3";
    Open();
    ControlTable& g = C(S::kTabGraphs);
    g.SetText(CPageFourModel::kForce, "");
    Refuses(S::kTabGraphs, IDS_VALUE_MISSING);
    g.SetCheck(CPageFourModel::kAutoScale, true);
    model->m_graphs.OnAutoScale(g);
    EXPECT_FALSE(g.At(CPageFourModel::kForce).enabled);
    EXPECT_FALSE(g.At(CPageFourModel::kDeflection).enabled);
    g.SetText(CPageFourModel::kDeflection, "  ");
    EXPECT_EQ(Ok(), -1);
    double d = 0;
    ASSERT_EQ(theRegistry.GetGraphsForce(d), 0u);
    EXPECT_EQ(d, 500);  // not 0
    ASSERT_EQ(theRegistry.GetGraphsDeflection(d), 0u);
    EXPECT_EQ(d, 0.5);
    DWORD dw = 0;
    ASSERT_EQ(theRegistry.GetGraphsAuto(dw), 0u);
    EXPECT_EQ(dw, 1u);
}

TEST_F(SetupPagesTest, ConfidenceLimitsAreShownInGpaAndStoredTheRightWayRound) {
    StoreCompleteSetup();
    beam.open = "COM3";
    Open();
    C(S::kTabConfidence).SetText(CPageThreeModel::kMinimum, "230");
    C(S::kTabConfidence).SetText(CPageThreeModel::kMaximum, "180");
    EXPECT_EQ(Ok(), -1);
    double d = 0;
    ASSERT_EQ(theRegistry.GetConfidenceTestMin(d), 0u);
    EXPECT_DOUBLE_EQ(d, 1.8);
    ASSERT_EQ(theRegistry.GetConfidenceTestMax(d), 0u);
    EXPECT_DOUBLE_EQ(d, 2.3);
}

TEST_F(SetupPagesTest, AnUnreachableDirectoryIsShownAsStoredAndNeverReplaced) {
    StoreCompleteSetup();
    // A file where the folder should be: it can neither be entered nor written.
    const std::string gone = platform::JoinPath(setuptest::ConfigDir(), "share");
    ASSERT_EQ(platform::WriteFileAtomic(gone, "x"), 0u);
    ASSERT_EQ(theRegistry.SetTestDirectory(gone), 0u);
    beam.open = "COM3";
    Open();
    ControlTable& a = C(S::kTabArchive);
    EXPECT_EQ(a.GetText(CPageSevenModel::kPath), gone + "/");
    EXPECT_TRUE(a.At(CPageSevenModel::kMissing).shown);
    EXPECT_EQ(a.GetText(CPageSevenModel::kMissing), fw::LoadString(IDS_DIRECTORY_MISSING));
    EXPECT_EQ(Cwd(), startDir);
    std::string box;
    EXPECT_EQ(Ok(&box), S::kTabArchive);
    EXPECT_EQ(box, fw::FormatString1(IDS_DIRECTORY_UNUSABLE, gone + "/"));
    std::string s;
    ASSERT_EQ(theRegistry.GetTestDirectory(s), 0u);
    EXPECT_EQ(s, gone + "/");

    model->m_archive.OnBrowse(a, std::nullopt);  // cancelled: nothing changes
    EXPECT_EQ(a.GetText(CPageSevenModel::kPath), gone + "/");
    model->m_archive.OnBrowse(a, "  " + data + " ");
    EXPECT_EQ(a.GetText(CPageSevenModel::kPath), data + "/");
    EXPECT_FALSE(a.At(CPageSevenModel::kMissing).shown);
    Visit(S::kTabArchive);
    EXPECT_EQ(Ok(), -1);
    ASSERT_EQ(theRegistry.GetTestDirectory(s), 0u);
    EXPECT_EQ(s, data + "/");
    EXPECT_EQ(Cwd(), data);
}

TEST(SetupTextsTest, NumbersVersionsAndFolders) {
    EXPECT_EQ(ParseUserNumber(" 8.7e-08 "), 8.7e-08);
    EXPECT_EQ(ParseUserNumber("-30"), -30.0);
    for (const char* bad : {"", " ", "-", "1,5", "nan", "0x10", "1e999", "12 3"})
        EXPECT_FALSE(ParseUserNumber(bad)) << bad;
    EXPECT_EQ(ParseInteger(" 240 "), 240);
    EXPECT_FALSE(ParseInteger("240.0"));
    EXPECT_EQ(FirmwareNumber("?"), 0.0);
    EXPECT_EQ(FirmwareNumber("2.000"), 2.0);
    EXPECT_EQ(FirmwareNumber("1.95b"), 1.95);
    EXPECT_EQ(FolderWithSeparator(" /data "), "/data/");
    EXPECT_EQ(FolderWithSeparator("/data/"), "/data/");
    EXPECT_EQ(FolderWithSeparator("/"), "/");
}

TEST(SetupFollowUpTest, EachCombinationGivesItsMessageAndCalibrations) {
    struct Case {
        int result;
        bool noTemperature;
        bool missing;
        int code;
        UINT message;
        int calibrations;
    };
    const int ok = kResultOk;
    const Case cases[] = {
        {ok, false, false, 0, 0, 0},
        {ok, true, false, 1, 430, 0},
        {ok, false, true, 2, 431, 2},
        {ok, true, true, 3, 433, 2},
        {ok | kResultBath, false, false, 2, 431, 0},  // advised, not started
        {ok | kResultBath, true, false, 3, 433, 0},
        {ok | kResultGageBlock, false, false, 2, 431, 2},
        {ok | kResultGageBlock | kResultThickBeam, false, false, 10, 437, 2},
        {ok | kResultThinBeam, false, false, 4, 432, 4},
        {ok | kResultThinBeam, true, false, 5, 434, 4},
        {ok | kResultThinBeam | kResultGageBlock, false, false, 2, 431, 2},
        {ok | kResultThickBeam, false, false, 8, 435, 0},
        {ok | kResultThickBeam, true, false, 9, 436, 0},
        {ok | kResultThickBeam, true, true, 11, 438, 2},
        {ok | kResultThinBeam | kResultThickBeam, false, false, 12, 439, 4},
        {ok | kResultThinBeam | kResultThickBeam, true, false, 13, 440, 4},
    };
    for (const Case& k : cases) {
        const SetupFollowUp f = DecideFollowUp(k.result, k.noTemperature, k.missing);
        EXPECT_EQ(f.code, k.code) << k.result << k.noTemperature << k.missing;
        EXPECT_EQ(f.message, k.message) << k.result << k.noTemperature << k.missing;
        EXPECT_EQ(f.calibrations, k.calibrations) << k.result << k.noTemperature << k.missing;
    }
}

TEST_F(SetupPagesTest, TheFollowUpReadsTheBathsOffsetAndStartsCalibrationsByCommand) {
    StoreCompleteSetup();
    ASSERT_EQ(theRegistry.SetLastCalibration(Time64{1}), 0u);
    ASSERT_EQ(theRegistry.SetForceZero(10), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionZero(10), 0u);
    ASSERT_EQ(theRegistry.SetForceConstant(0.15), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionConstant(0.00015), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionCompliance(0.0001), 0u);
    EXPECT_FALSE(NoTemperatureCalibration());
    EXPECT_FALSE(CalibrationValuesMissing());
    // A constant that is no number is as good as none: a calibration is due.
    using Setter = unsigned (CQXRegistry::*)(double);
    const std::pair<Setter, double> constants[] = {{&CQXRegistry::SetForceConstant, 0.15},
                                                   {&CQXRegistry::SetDeflectionConstant, 0.00015},
                                                   {&CQXRegistry::SetDeflectionCompliance, 0.0001}};
    for (const auto& [set, good] : constants) {
        for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
            ASSERT_EQ((theRegistry.*set)(bad), 0u);
            EXPECT_TRUE(CalibrationValuesMissing()) << bad;
        }
        ASSERT_EQ((theRegistry.*set)(good), 0u);
    }
    EXPECT_FALSE(CalibrationValuesMissing());
    ASSERT_EQ(theRegistry.SetTestBath(-20), 0u);
    EXPECT_TRUE(NoTemperatureCalibration());
    // Outside the table's degrees: no offset, not an error.
    ASSERT_EQ(theRegistry.SetTestBath(-40.6), 0u);
    EXPECT_TRUE(NoTemperatureCalibration());

    std::vector<UINT> commands;
    auto run = [&](UINT id) { commands.push_back(id); };
    boxes.Clear();
    RunFollowUp(kResultOk | kResultThinBeam, run);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(434)});
    EXPECT_EQ(commands, std::vector<UINT>{ID_CONFIDENCE_TEST});
    commands.clear();
    boxes.Clear();
    RunFollowUp(kResultCancelled, run);
    EXPECT_TRUE(commands.empty());
    ASSERT_EQ(theRegistry.SetTestBath(-12), 0u);
    RunFollowUp(kResultOk | kResultGageBlock, run);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(431)});
    EXPECT_EQ(commands, std::vector<UINT>{ID_CALIBRATE_DEFLECTION});
    boxes.Clear();
}

}  // namespace
}  // namespace setup

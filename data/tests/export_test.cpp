#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportFormats.h"
#include "data/ExportText.h"
#include "framework/core/FileDialog.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"
#include "res/Resource.h"
#include "support/DocFixture.h"
#include "platform/tests/GermanLocale.h"

namespace {

namespace fs = std::filesystem;

// Lines joined with CR LF, each line ended by one.
std::string Lines(std::initializer_list<std::string> lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

std::string Read(const std::string& path) {
    std::string s;
    EXPECT_EQ(platform::ReadWholeFile(path, s), 0u) << path;
    return s;
}

// A finished test with results set as the report would show them, so that
// every byte of the files can be written down here.
void FillRealistic(CQXRYXTestDoc& doc, int points = 501) {
    doc.m_project.m_data = "PG 64-22";
    doc.m_operator.m_data = "J. Smith";
    doc.m_specimen.m_data = "B1";
    doc.m_testTime = 1709649005;  // 2024-03-05 14:30:05
    doc.m_testName.m_data = "T1";
    doc.m_apparatusId.m_data = "RYX-7";
    doc.m_targetTemperature.m_data = -18.0f;
    doc.m_minTemperature.m_data = -18.1f;
    doc.m_maxTemperature.m_data = -17.9f;
    doc.m_tempCalibrationDate = 0;  // never set: " Unknown"
    doc.m_soakTime.m_data = 60.0f;
    doc.m_beamWidth.m_data = 12.7f;
    doc.m_beamThickness.m_data = 6.35f;
    doc.m_confidenceResult.m_data = 0.0212f;
    doc.m_confidenceDate = 1707000000;  // 2024-02-03 22:40:00
    doc.m_forceConstant.m_data = 0.5f;
    doc.m_deflectionConstant.m_data = 0.000125f;
    doc.m_compliance.m_data = 0.00002f;
    doc.m_calibrationDate = 1705320000;  // 2024-01-15 12:00:00
    doc.m_softwareVersion.m_data = "RYXw 3.24";
    for (int i = 0; i < points; ++i)
        doc.AddPoint(CQXFloatData(static_cast<float>(i) / 1000.0f),
                     CQXFloatData(980.5f + static_cast<float>(i % 3) * 0.2f),
                     CQXFloatData(i % 2 ? -17.9f : -18.0f));
    const float times[] = {8, 15, 30, 60, 120, 240};
    const float measured[] = {1000, 800, 600, 400, 300, 200};
    const float estimated[] = {1001, 799, 601, 401, 299, 201};
    const float difference[] = {0.1f, -0.125f, 0.167f, 0.25f, -0.333f, 0.5f};
    const float m[] = {0.312f, 0.305f, 0.3f, 0.295f, 0.29f, 0.285f};
    for (size_t k = 0; k < 6; ++k) {
        doc.m_reportTimes[k].m_data = times[k];
        doc.m_measuredStiffness[k].m_data = measured[k];
        doc.m_estimatedStiffness[k].m_data = estimated[k];
        doc.m_difference[k].m_data = difference[k];
        doc.m_mValue[k].m_data = m[k];
    }
    doc.m_fitA.m_data = 2.9876f;
    doc.m_fitB.m_data = -0.28f;
    doc.m_fitC.m_data = -0.0123f;
    doc.m_rSquared.m_data = 0.999876f;
    doc.m_negDeviationEarly.m_data = -0.00001f;
    doc.m_posDeviationEarly.m_data = 0.25f;
    doc.m_negDeviationLate.m_data = -0.25f;
    doc.m_posDeviationLate.m_data = 0.25f;
    doc.m_averageForce.m_data = 980.75f;
    doc.m_maxForce.m_data = 981.0f;
    doc.m_minForce.m_data = 980.5f;
    doc.m_bResultsValid = TRUE;
}

const std::string kCsvHead = Lines({
    "Project,PG 64-22",
    "Operator,J. Smith",
    "Specimen,B1",
    "Timestamp,3/5/2024 2:30:05 PM",
    "Target Temperature (C),-18",
    "Soak Time (minutes),60",
    "Beam Span (mm),101.6",
    "Beam Width (mm),12.7",
    "Beam Thickness (mm),6.35",
    "",
    "Time (s),Force (mN),Deflection (mm),Temperature (C)",
    "0,980.5,0,-18,",
    "0.5,980.7,0.001,-17.9,",
    "1,980.9,0.002,-18,",
});

const std::string kLims = Lines({
    "Project,PG 64-22",
    "Operator,J. Smith",
    "Specimen,B1",
    "Timestamp,3/5/2024 2:30:05 PM",
    "File Name,T1",
    "RYX ID,RYX-7",
    "Target Temperature (C),-18",
    "Minimum Temperature (C),-18.1",
    "Maximum Temperature (C),-17.9",
    "Temp Cal Date, Unknown",
    "Soak Time (minutes),60",
    "Beam Width (mm),12.7",
    "Beam Thickness (mm),6.35",
    "Conf Test (GPa),2.12",
    "Conf Date,2/3/2024",
    "Force Const (mN/bit),0.5",
    "Defl Const (\xB5m/bit),0.125",
    "Compliance (\xB5m/N),20",
    "Cal Date,1/15/2024",
    "Software Version,RYXw 3.24",
    "",
    "A = ,2.9876",
    "B = ,-0.28",
    "C = ,-0.0123",
    "R\xB2 = ,0.999876",
    "Force(mN)(t=0.0s) = ,980.5",
    "Deflection(mm)(t-0.0s) = ,0",
    "Force(mN)(t=0.5s) = ,980.7",
    "Deflection(mm)(t-0.5s) = ,0.001",
    "Max Neg Force Deviation(mN)(t=0.5-5.0s) = ,-1e-05",
    "Max Pos Force Deviation(mN)(t=0.5-5.0s) = ,0.25",
    "Max Neg Force Deviation(mN)(t=5.0-240.0s) = ,-0.25",
    "Max Pos Force Deviation(mN)(t=5.0-240.0s) = ,0.25",
    "Average Force(mN)(t=0.5-240.0s) = ,980.75",
    "Maximum Force(mN)(t=0.5-240.0s) = ,981",
    "Minimun Force(mN)(t=0.5-240.0s) = ,980.5",
    "",
    "Time (s),Force (mN),Deflection (mm),Measured Stiffness (MPa),Estimated Stiffness (MPa),Difference "
    "(%),m-value",
    "8,980.7,0.016,1000,1001,0.1,0.312,",
    "15,980.5,0.03,800,799,-0.125,0.305,",
    "30,980.5,0.06,600,601,0.167,0.3,",
    "60,980.5,0.12,400,401,0.25,0.295,",
    "120,980.5,0.24,300,299,-0.333,0.29,",
    "240,980.5,0.48,200,201,0.5,0.285,",
});

// The record's fields, in order, as the station writes them for FillRealistic.
const std::vector<std::string> kAsciiFields = {
    "V 4.2",
    "B1                    ",
    "PG 64-22              ",
    "J. Smith              ",
    "03/05/24",
    "14:30:05",
    "01/15/24",
    "02/03/24",
    "0.999876",
    " 0.312",
    " 0.305",
    " 0.300",
    " 0.295",
    " 0.290",
    " 0.285",
    "  -18.0",
    "  -18.0",
    "  6.350",
    " 12.700",
    "    1001",
    "     799",
    "     601",
    "     401",
    "     299",
    "     201",
    "    1000",
    "     800",
    "     600",
    "     400",
    "     300",
    "     200",
    "   980.7",
    "   980.5",
    "   980.5",
    "   980.5",
    "   980.5",
    "   980.5",
    "      2120",
    "  0.050986",
    "  0.000125",
    "   60",
    "  0.01600",
    "  0.03000",
    "  0.06000",
    "  0.12000",
    "  0.24000",
    "  0.48000",
    "   2.987600",
    "  -0.280000",
    "  -0.012300",
    " ",
};

class ExportTest : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        platform::SetWriteFailureHook(nullptr);
        DocFixture::TearDown();
    }
    // Names in the folder other than the configuration folder.
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename() != "config") names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fw::ScriptedSaveDialog dialog;
    fw::ServiceScope<fw::SaveDialogService> dialogScope{dialog};
};

TEST_F(ExportTest, CsvGoldenFile) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    ASSERT_TRUE(doc.ExportCsv(dir + "/T1.csv"));
    const std::string csv = Read(dir + "/T1.csv");
    ASSERT_EQ(csv.substr(0, kCsvHead.size()), kCsvHead);
    // Nine labels, the empty line, the heads, then 501 rows, the last at 250 s.
    size_t lines = 0;
    for (size_t i = 0; i < csv.size(); ++i) {
        if (csv[i] == '\n') {
            ++lines;
            EXPECT_EQ(csv[i - 1], '\r') << "bare LF at " << i;
        }
    }
    EXPECT_EQ(lines, 11u + 501u);
    EXPECT_EQ(csv.substr(csv.size() - 22), "\r\n250,980.9,0.5,-18,\r\n");
}

TEST_F(ExportTest, CsvTimesAfterTheFirst250Seconds) {
    CQXRYXTestDoc doc;
    FillRealistic(doc, 503);
    doc.m_totalSamples = 1681;
    doc.m_sampleInterval = 30;
    ASSERT_TRUE(doc.ExportCsv(dir + "/T1.csv"));
    const std::string csv = Read(dir + "/T1.csv");
    EXPECT_NE(csv.find("\r\n250,980.9,0.5,-18,\r\n270,980.5,0.501,-17.9,\r\n300,980.7,0.502,-18,\r\n"),
              std::string::npos);
}

TEST_F(ExportTest, LimsGoldenFileBesideTheTestFile) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    doc.SetPathName(dir + "/T1.ryx", false);
    ASSERT_TRUE(doc.ExportLimsCsv());
    EXPECT_EQ(box.Count(), 0u);
    EXPECT_EQ(Read(dir + "/T1LIMS.csv"), kLims);
    EXPECT_EQ(Files(), std::vector<std::string>{"T1LIMS.csv"});

    EXPECT_EQ(exportformat::LimsPath("/data/T1.ryx"), "/data/T1LIMS.csv");
    EXPECT_EQ(exportformat::LimsPath("/data/T1"), "/data/T1LIMS.csv");
    EXPECT_EQ(exportformat::LimsPath("T1.RYX"), "T1LIMS.csv");
}

TEST_F(ExportTest, AsciiRecordGoldenFileAndOffsets) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    ASSERT_TRUE(doc.ExportAsciiDat(dir + "/T1.dat"));
    const std::string rec = Read(dir + "/T1.dat");
    std::string expected;
    for (const std::string& f : kAsciiFields) expected += f;
    EXPECT_EQ(rec, expected);
    ASSERT_EQ(rec.size(), 442u);
    // Where the fields begin in the 442-byte record.
    struct Field {
        size_t offset;
        const char* text;
    };
    const Field fields[] = {
        {0, "V 4.2B1 "},     {27, "PG 64-22"},    {49, "J. Smith"},     {71, "03/05/24"},
        {79, "14:30:05"},    {87, "01/15/24"},    {95, "02/03/24"},     {103, "0.999876"},
        {111, " 0.312"},     {141, " 0.285"},     {147, "  -18.0"},     {161, "  6.350"},
        {168, " 12.700"},    {175, "    1001"},   {223, "    1000"},    {271, "   980.7"},
        {319, "      2120"}, {329, "  0.050986"}, {339, "  0.000125"},  {349, "   60"},
        {354, "  0.01600"},  {399, "  0.48000"},  {408, "   2.987600"}, {430, "  -0.012300 "}};
    for (const Field& f : fields) EXPECT_EQ(rec.substr(f.offset, strlen(f.text)), f.text) << f.offset;
}

TEST_F(ExportTest, TextsAreQuotedAndWrittenInWindows1252) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    doc.m_project.m_data = "Lab \"A\", north";
    doc.m_operator.m_data = "Line1\r\nLine2";
    doc.m_specimen.m_data = "\xC2\xB5-B1";  // UTF-8 micro sign
    doc.m_testName.m_data = "T,1";
    doc.SetPathName(dir + "/T1.ryx", false);
    ASSERT_TRUE(doc.ExportCsv(dir + "/T1.csv"));
    const std::string head =
        Lines({"Project,\"Lab \"\"A\"\", north\"", "Operator,\"Line1", "Line2\"", "Specimen,\xB5-B1"});
    EXPECT_EQ(Read(dir + "/T1.csv").substr(0, head.size()), head);

    ASSERT_TRUE(doc.ExportLimsCsv());
    const std::string lims = Read(dir + "/T1LIMS.csv");
    EXPECT_NE(lims.find("\r\nFile Name,\"T,1\"\r\n"), std::string::npos);
    EXPECT_NE(lims.find("\r\nSpecimen,\xB5-B1\r\n"), std::string::npos);

    // The record pads bytes, so the one-byte micro sign leaves 18 blanks.
    ASSERT_TRUE(doc.ExportAsciiDat(dir + "/T1.dat"));
    const std::string rec = Read(dir + "/T1.dat");
    EXPECT_EQ(rec.substr(5, 22), "\xB5-B1" + std::string(18, ' '));
    EXPECT_EQ(rec.size(), 442u);
}

TEST_F(ExportTest, LongTextWidensItsFieldInsteadOfOverrunning) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    const std::string longText(60, 'S');
    doc.m_specimen.m_data = longText;
    doc.m_fitA.m_data = 1e30f;  // far wider than the field
    ASSERT_TRUE(doc.ExportAsciiDat(dir + "/T1.dat"));
    const std::string rec = Read(dir + "/T1.dat");
    EXPECT_EQ(rec.substr(5, 60), longText);
    EXPECT_EQ(rec.substr(65, 8), "PG 64-22");
    EXPECT_EQ(rec.substr(rec.size() - 1), " ");
    EXPECT_GT(rec.size(), 442u + 38u + 20u);
}

TEST_F(ExportTest, UnknownTimesKeepTheRecordLength) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    doc.m_testTime = 0;         // never set
    doc.m_confidenceDate = -1;  // before 1970: cannot be formatted
    ASSERT_TRUE(doc.ExportAsciiDat(dir + "/T1.dat"));
    const std::string rec = Read(dir + "/T1.dat");
    ASSERT_EQ(rec.size(), 442u);
    EXPECT_EQ(rec.substr(71, 16), " Unknown Unknown");
    EXPECT_EQ(rec.substr(95, 8), " Unknown");
    ASSERT_TRUE(doc.ExportCsv(dir + "/T1.csv"));
    EXPECT_NE(Read(dir + "/T1.csv").find("\r\nTimestamp, Unknown\r\n"), std::string::npos);
}

TEST_F(ExportTest, IncompleteTestWritesNothingAnd411) {
    CQXRYXTestDoc doc;
    FillRealistic(doc, 480);  // point 480 missing
    doc.SetPathName(dir + "/T1.ryx", false);
    EXPECT_FALSE(doc.ExportCsv(dir + "/T1.csv"));
    EXPECT_FALSE(doc.ExportAsciiDat(dir + "/T1.dat"));
    EXPECT_EQ(box.Count(), 0u);  // their caller reports
    EXPECT_FALSE(doc.ExportLimsCsv());
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Texts()[0], "Could not save file");

    dialog.Answer(dir + "/T1", 1);
    doc.OnExportData();
    ASSERT_EQ(box.Count(), 2u);
    EXPECT_EQ(box.Texts()[1], "Could not save file");
    EXPECT_TRUE(Files().empty());

    fw::CmdUI ui(ID_EXPORT_DATA);
    ASSERT_TRUE(doc.OnUpdateCommand(ui));
    EXPECT_FALSE(ui.IsEnabled());
    doc.AddPoint(CQXFloatData(0.48f), CQXFloatData(980.5f), CQXFloatData(-18.0f));
    ASSERT_TRUE(doc.OnUpdateCommand(ui));
    EXPECT_TRUE(ui.IsEnabled());
}

TEST_F(ExportTest, FailedComputationRefusesTheResultFiles) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    doc.m_bResultsValid = FALSE;
    doc.SetPathName(dir + "/T1.ryx", false);
    EXPECT_FALSE(doc.ExportAsciiDat(dir + "/T1.dat"));
    EXPECT_FALSE(doc.ExportLimsCsv());
    EXPECT_EQ(box.Count(), 1u);
    // The points alone are still worth having.
    EXPECT_TRUE(doc.ExportCsv(dir + "/T1.csv"));
    EXPECT_EQ(Files(), std::vector<std::string>{"T1.csv"});
}

TEST_F(ExportTest, FailedWriteKeepsTheEarlierFileAndLeavesNoHalfFile) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    doc.SetPathName(dir + "/T1.ryx", false);
    WriteFile("T1.csv", "earlier");
    WriteFile("T1.dat", "earlier");
    WriteFile("T1LIMS.csv", "earlier");
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    EXPECT_FALSE(doc.ExportCsv(dir + "/T1.csv"));
    EXPECT_FALSE(doc.ExportAsciiDat(dir + "/T1.dat"));
    EXPECT_FALSE(doc.ExportLimsCsv());
    EXPECT_EQ(box.Count(), 1u);
    platform::SetWriteFailureHook(nullptr);
    for (const char* name : {"T1.csv", "T1.dat", "T1LIMS.csv"}) EXPECT_EQ(Read(dir + "/" + name), "earlier");
    EXPECT_EQ(Files(), (std::vector<std::string>{"T1.csv", "T1.dat", "T1LIMS.csv"}));

    // A folder where the file should go.
    fs::create_directory(dir + "/out.csv");
    EXPECT_FALSE(doc.ExportCsv(dir + "/out.csv"));
    dialog.Answer(dir + "/out.csv", 1);
    doc.OnExportData();
    ASSERT_EQ(box.Count(), 2u);
    EXPECT_EQ(box.Texts()[1], "Could not save file");
}

TEST_F(ExportTest, ExportDataCommandFollowsTheChosenEntry) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    struct Case {
        const char* typed;
        int entry;
        const char* written;
    };
    const Case cases[] = {{"T1.CSV", 1, "T1.CSV"}, {"T1", 1, "T1.csv"},     {"T1.txt", 1, "T1.txt.csv"},
                          {"T2", 2, "T2.dat"},     {"T3.DAT", 2, "T3.DAT"}, {"T4.csv", 2, "T4.csv.dat"}};
    for (const Case& c : cases) {
        fs::remove_all(dir + "/out");
        fs::create_directory(dir + "/out");
        dialog.Answer(dir + "/out/" + c.typed, c.entry);
        ASSERT_TRUE(doc.OnCommand(ID_EXPORT_DATA));
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir + "/out"))
            names.push_back(e.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{c.written}) << c.typed;
    }
    EXPECT_EQ(box.Count(), 0u);
    EXPECT_EQ(Read(dir + "/out/T4.csv.dat").size(), 442u);

    const fw::SaveDialogRequest& r = dialog.Requests().at(0);
    EXPECT_EQ(r.filter, "Comma Separated Values (*.csv)|*.csv|ASCII file format      (*.dat)|*.dat||");
    EXPECT_TRUE(r.fileName.empty());
    EXPECT_TRUE(r.defaultExtension.empty());
    EXPECT_EQ(r.flags, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER);

    // Cancel ends the command; an entry that names no format fails.
    fs::remove_all(dir + "/out");
    dialog.Cancel();
    doc.OnExportData();
    EXPECT_EQ(box.Count(), 0u);
    dialog.Answer(dir + "/T5.xls", 3);
    doc.OnExportData();
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Texts()[0], "Could not save file");
    EXPECT_FALSE(platform::FileExists(dir + "/T5.xls"));
}

// The exports write every stored time as it is; only one never set (0) or
// before 1970 reads " Unknown". The report's rule for years before 1972 is
// not theirs.
TEST(ExportText, FileTimesOfAnyYear) {
    setenv("TZ", "UTC", 1);
    tzset();
    struct Case {
        Time64 t;
        const char* dateTime;
        const char* date;
    };
    const Case cases[] = {
        {0, " Unknown", " Unknown"},
        {-100, " Unknown", " Unknown"},
        {1, "1/1/1970 12:00:01 AM", "1/1/1970"},
        {31536000, "1/1/1971 12:00:00 AM", "1/1/1971"},
        {63071999, "12/31/1971 11:59:59 PM", "12/31/1971"},
        {1709649005, "3/5/2024 2:30:05 PM", "3/5/2024"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exporttext::FileDateTime(c.t), c.dateTime) << c.t;
        EXPECT_EQ(exporttext::FileDate(c.t), c.date) << c.t;
    }
}

// The report's times take their pattern in the locale in force (C here);
// a time before 1972 was never set and reads " Unknown", where the texts by
// the files' rule still show it.
TEST(ExportText, ReportTimesInTheLocaleAndUnknownBefore1972) {
    setenv("TZ", "UTC", 1);
    tzset();
    struct Case {
        Time64 t;
        const char* dateTime;
        const char* date;
        const char* time;
    };
    const Case cases[] = {
        {0, " Unknown", " Unknown", " Unknown"},
        {63071999, " Unknown", " Unknown", " Unknown"},  // 1971-12-31 23:59:59
        {63072000, "     Sat Jan  1 00:00:00 1972", " 01/01/72", " 00:00:00"},
        {1709640000, "     Tue Mar  5 12:00:00 2024", " 03/05/24", " 12:00:00"},
        {1735689599, "     Tue Dec 31 23:59:59 2024", " 12/31/24", " 23:59:59"},
        {-100, " Unknown", " Unknown", " Unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exporttext::ReportTimeText(c.t, "     %c"), c.dateTime) << c.t;
        EXPECT_EQ(exporttext::ReportTimeText(c.t, " %x"), c.date) << c.t;
        EXPECT_EQ(exporttext::ReportTimeText(c.t, " %X"), c.time) << c.t;
    }
    EXPECT_EQ(exporttext::LocaleTimeText(63071999, " %x"), " 12/31/71");
    EXPECT_EQ(exporttext::LocaleTimeText(0, " %x"), " Unknown");
}

TEST(ExportText, StreamNumbersAndCsvTexts) {
    const std::pair<float, const char*> numbers[] = {
        {0.5f, "0.5"},       {250.0f, "250"}, {12.345678f, "12.3457"},
        {0.00001f, "1e-05"}, {-18.0f, "-18"}, {1234567.0f, "1.23457e+06"},
        {0.0f, "0"}};
    for (const auto& [value, text] : numbers) EXPECT_EQ(exporttext::StreamNumber(value), text);
    const std::pair<const char*, const char*> texts[] = {
        {"plain text", "plain text"},         {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"l1\nl2", "\"l1\nl2\""},
        {"l1\r\nl2\rl3", "\"l1\nl2\nl3\""},   {"", ""}};
    for (const auto& [in, out] : texts) EXPECT_EQ(exporttext::CsvText(in), out) << in;
}

TEST(ExportPaths, WithExtension) {
    EXPECT_EQ(exportformat::WithExtension("T1.CSV", ".csv"), "T1.CSV");
    EXPECT_EQ(exportformat::WithExtension("T1", ".csv"), "T1.csv");
    EXPECT_EQ(exportformat::WithExtension("T1.txt", ".csv"), "T1.txt.csv");
    EXPECT_EQ(exportformat::WithExtension("", ".csv"), ".csv");
    EXPECT_EQ(exportformat::WithExtension("a/b.Dat", ".dat"), "a/b.Dat");
}

TEST_F(ExportTest, GermanProcessLocaleGivesTheSameBytes) {
    CQXRYXTestDoc doc;
    FillRealistic(doc);
    const std::string csv = exportformat::CsvFile(doc);
    const std::string lims = exportformat::LimsFile(doc);
    const std::string rec = exportformat::AsciiRecord(doc);

    ASSERT_TRUE(ryxtest::UseGermanLocale()) << "localedef could not build de_DE.UTF-8";

    doc.SetPathName(dir + "/T1.ryx", false);
    ASSERT_TRUE(doc.ExportCsv(dir + "/T1.csv"));
    ASSERT_TRUE(doc.ExportLimsCsv());
    ASSERT_TRUE(doc.ExportAsciiDat(dir + "/T1.dat"));
    EXPECT_EQ(Read(dir + "/T1.csv"), csv);
    EXPECT_EQ(Read(dir + "/T1LIMS.csv"), lims);
    EXPECT_EQ(Read(dir + "/T1.dat"), rec);
    EXPECT_EQ(lims, kLims);
    std::setlocale(LC_ALL, "C");
}

}  // namespace

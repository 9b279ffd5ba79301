#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"

using platform::RegValue;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("RYX_CONFIG_DIR", dir.Path().c_str(), 1); }
    void TearDown() override { unsetenv("RYX_CONFIG_DIR"); }

    std::shared_ptr<platform::Hive> Hive() { return platform::Hive::ForPath(dir.File("registry.reg")); }
    void Raw(const char* section, const char* name, RegValue v) {
        ASSERT_EQ(Hive()->SetValue(reg.KeyPath(section), name, v), 0u);
    }

    ryxtest::TempDir dir;
    CQXRegistry reg;
};


}  // namespace

TEST_F(RegistryTest, EveryRowRoundTripsUnderItsSectionAndName) {
    struct Row {
        const char* section;
        const char* name;
        std::function<unsigned()> set;
        std::function<bool()> check;
    };
    std::vector<Row> rows;
    int n = 0;
#define RYX_DWORD(sec, val, fn)                                                        \
    {                                                                                  \
        const DWORD want = 1000u + static_cast<DWORD>(++n);                            \
        rows.push_back({sec, val, [=, this] { return reg.Set##fn(want); }, [=, this] { \
                            DWORD got = 0;                                             \
                            return reg.Get##fn(got) == 0 && got == want;               \
                        }});                                                           \
    }
#define RYX_COUNT16(sec, val, fn)                                                      \
    {                                                                                  \
        const WORD want = static_cast<WORD>(0xF000 + ++n);                             \
        rows.push_back({sec, val, [=, this] { return reg.Set##fn(want); }, [=, this] { \
                            WORD got = 0;                                              \
                            return reg.Get##fn(got) == 0 && got == want;               \
                        }});                                                           \
    }
#define RYX_DOUBLE(sec, val, fn)                                                       \
    {                                                                                  \
        const double want = -0.001 * ++n;                                              \
        rows.push_back({sec, val, [=, this] { return reg.Set##fn(want); }, [=, this] { \
                            double got = 0;                                            \
                            return reg.Get##fn(got) == 0 && got == want;               \
                        }});                                                           \
    }
#define RYX_DOUBLE_CUSTOM RYX_DOUBLE
#define RYX_DATE(sec, val, fn)                                                         \
    {                                                                                  \
        const Time64 want = 1700000000 + ++n;                                          \
        rows.push_back({sec, val, [=, this] { return reg.Set##fn(want); }, [=, this] { \
                            Time64 got = 0;                                            \
                            return reg.Get##fn(got) == 0 && got == want;               \
                        }});                                                           \
    }
#define RYX_STRING(sec, val, fn, max)                                                              \
    {                                                                                              \
        std::string want = "/v" + std::to_string(++n);                                             \
        want.resize(max, 'x');                                                                     \
        if (std::string(val) == "Directory") want.back() = '/';                                    \
        rows.push_back({sec, val, [=, this] { return reg.Set##fn(want); }, [=, this] {             \
                            std::string got;                                                       \
                            return reg.Get##fn(got) == 0 && got == want;                           \
                        }});                                                                       \
    }
#define RYX_STRING_CUSTOM RYX_STRING
#include "settings/RegistryValues.def"
#undef RYX_DWORD
#undef RYX_COUNT16
#undef RYX_DOUBLE
#undef RYX_DOUBLE_CUSTOM
#undef RYX_DATE
#undef RYX_STRING
#undef RYX_STRING_CUSTOM
    ASSERT_EQ(rows.size(), 49u);  // the table's rows, the two blocks aside
    for (auto& r : rows) ASSERT_EQ(r.set(), 0u) << r.section << "\\" << r.name;
    // Read back through a fresh copy of the file, so the values really are in it.
    platform::Hive fresh(dir.File("registry.reg"));
    for (auto& r : rows) {
        EXPECT_TRUE(r.check()) << r.section << "\\" << r.name;
        RegValue v;
        EXPECT_EQ(fresh.QueryValue(reg.KeyPath(r.section), r.name, v), 0u) << r.section << "\\" << r.name;
    }
}

TEST_F(RegistryTest, AReadOnAnEmptyMachineCreatesTheKeysAndFindsNothing) {
    double d = 5;
    EXPECT_EQ(reg.GetTestBath(d), 1012u);
    EXPECT_EQ(d, 5);  // untouched on failure
    DWORD w = 9;
    EXPECT_EQ(reg.GetTestLoadTime(w), 1012u);
    EXPECT_EQ(w, 9u);
    const auto keys = Hive()->Keys();
    EXPECT_NE(std::find(keys.begin(), keys.end(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\RYXw\\3.1\\Test"),
              keys.end());
    EXPECT_FALSE(platform::FileExists(dir.File("registry.reg")));  // reads write nothing
}

TEST_F(RegistryTest, WrongTypesAndSizesAreNotRead) {
    struct Case {
        const char* section;
        const char* name;
        RegValue stored;
        std::function<unsigned()> get;
    } cases[] = {
        {"", "Port", {platform::kRegSz, "COM12"}, [&] { std::string s; return reg.GetPort(s); }},
        {"", "Port", {platform::kRegDword, std::string(4, '\1')}, [&] { std::string s; return reg.GetPort(s); }},
        {"", "Test Bath", {platform::kRegBinary, std::string(7, '\0')}, [&] { double d; return reg.GetTestBath(d); }},
        {"", "Test Bath", {platform::kRegBinary, std::string(9, '\0')}, [&] { double d; return reg.GetTestBath(d); }},
        {"", "Test Bath", {platform::kRegSz, "-12"}, [&] { double d; return reg.GetTestBath(d); }},
        {"", "Last Calibration", {platform::kRegBinary, std::string(4, '\0')},
         [&] { Time64 t; return reg.GetLastCalibration(t); }},
        {"Test", "Load Time", {platform::kRegBinary, std::string(4, '\0')},
         [&] { DWORD d; return reg.GetTestLoadTime(d); }},
    };
    for (auto& c : cases) {
        Raw(c.section, c.name, c.stored);
        EXPECT_EQ(c.get(), 1012u) << c.name << " " << c.stored.data.size();
    }
}

TEST_F(RegistryTest, StringLimitsCountCharacters) {
    const std::string sixtyMicro = [] {
        std::string s;
        for (int i = 0; i < 60; ++i) s += "\u00B5";
        return s;
    }();
    ASSERT_EQ(reg.SetTestOperator(sixtyMicro), 0u);
    std::string got;
    ASSERT_EQ(reg.GetTestOperator(got), 0u);
    EXPECT_EQ(got, sixtyMicro);
    // A text the getter could not read back is refused, not stored.
    EXPECT_NE(reg.SetTestOperator(sixtyMicro + "x"), 0u);
    EXPECT_NE(reg.SetPort("COM10"), 0u);
    ASSERT_EQ(reg.GetTestOperator(got), 0u);
    EXPECT_EQ(got, sixtyMicro);
}

TEST_F(RegistryTest, CountsAreWrittenZeroExtendedAndReadAsTheirLow16Bits) {
    ASSERT_EQ(reg.SetForceZero(0xFFFE), 0u);
    RegValue v;
    ASSERT_EQ(Hive()->QueryValue(reg.KeyPath("Force"), "Zero", v), 0u);
    EXPECT_EQ(v.data, std::string("\xFE\xFF\0\0", 4));
    Raw("Deflection", "White", {platform::kRegDword, std::string("\x45\x23\x01\x00", 4)});
    WORD w = 0;
    EXPECT_EQ(reg.GetDeflectionWhite(w), 0u);
    EXPECT_EQ(w, 0x2345);
    // The count's out value is written even when the read fails.
    w = 77;
    EXPECT_EQ(reg.GetDeflectionZero(w), 1012u);
    EXPECT_EQ(w, 0);
}

TEST_F(RegistryTest, DirectoryIsTrimmedAndGetsOneSeparator) {
    struct Case {
        const char* stored;
        unsigned code;
        const char* got;
    } cases[] = {
        {" /data/tests ", 0, "/data/tests/"},
        {"/data/tests/", 0, "/data/tests/"},
        {"\t/data\r\n", 0, "/data/"},
        {"", 1012, ""},
        {"   \t ", 1012, ""},
    };
    for (const auto& c : cases) {
        Raw("Test", "Directory", {platform::kRegSz, c.stored});
        std::string got = "unchanged";
        EXPECT_EQ(reg.GetTestDirectory(got), c.code) << '"' << c.stored << '"';
        if (c.code == 0) {
            EXPECT_EQ(got, c.got);
        } else {
            EXPECT_EQ(got, "unchanged");
        }
    }
    std::string longDir = "/" + std::string(4095, 'd');
    ASSERT_EQ(reg.SetTestDirectory(longDir), 0u);
    std::string got;
    EXPECT_EQ(reg.GetTestDirectory(got), 0u);
    EXPECT_EQ(got, longDir + "/");
}

TEST_F(RegistryTest, OffsetBlocksMustHaveTheirExactSize) {
    int16_t offsets[66];
    for (int i = 0; i < 66; ++i) offsets[i] = static_cast<int16_t>(i * 3 - 100);
    int16_t buffer[66] = {};
    EXPECT_EQ(reg.GetTemperatureOffsets(buffer, sizeof buffer), 232u);  // missing
    Raw("Temperature", "Offsets", {platform::kRegDword, std::string(4, '\0')});
    EXPECT_EQ(reg.GetTemperatureOffsets(buffer, sizeof buffer), 1012u);  // wrong type
    Raw("Temperature", "Offsets", {platform::kRegBinary, ""});
    EXPECT_EQ(reg.GetTemperatureOffsets(buffer, sizeof buffer), 232u);  // empty
    Raw("Temperature", "Offsets", {platform::kRegBinary, std::string(100, '\1')});
    EXPECT_EQ(reg.GetTemperatureOffsets(buffer, sizeof buffer), 1012u);  // short
    for (int16_t b : buffer) EXPECT_EQ(b, 0);  // nothing half-filled
    Raw("Temperature", "Offsets", {platform::kRegBinary, std::string(134, '\1')});
    EXPECT_EQ(reg.GetTemperatureOffsets(buffer, sizeof buffer), 1012u);  // long
    ASSERT_EQ(reg.SetTemperatureOffsets(offsets, sizeof offsets), 0u);
    ASSERT_EQ(reg.GetTemperatureOffsets(buffer, sizeof buffer), 0u);
    EXPECT_EQ(std::memcmp(buffer, offsets, sizeof offsets), 0);

    Time64 dates[66];
    for (int i = 0; i < 66; ++i) dates[i] = 1700000000 + i;
    Time64 dbuf[66] = {};
    Raw("Temperature", "OffsetDates", {platform::kRegBinary, std::string(132, '\1')});
    EXPECT_EQ(reg.GetTemperatureOffsetDates(dbuf, sizeof dbuf), 1012u);
    ASSERT_EQ(reg.SetTemperatureOffsetDates(dates, sizeof dates), 0u);
    ASSERT_EQ(reg.GetTemperatureOffsetDates(dbuf, sizeof dbuf), 0u);
    EXPECT_EQ(std::memcmp(dbuf, dates, sizeof dates), 0);
}

TEST_F(RegistryTest, DatumAtFloatMaxIsNotEstablished) {
    ASSERT_EQ(reg.SetAutoThicknessDatum(static_cast<double>(FLT_MAX)), 0u);
    double d = 0;
    EXPECT_EQ(reg.GetAutoThicknessDatum(d), 13u);
    EXPECT_EQ(d, 3.4028234663852886e38);
    ASSERT_EQ(reg.SetAutoThicknessDatum(12.5), 0u);
    EXPECT_EQ(reg.GetAutoThicknessDatum(d), 0u);
    EXPECT_EQ(d, 12.5);
}

TEST_F(RegistryTest, ProgramKeysAreKeptApart) {
    CQXRegistry lab2;
    lab2.SetProgramKey("Lab2");
    ASSERT_EQ(reg.SetTestBath(-12.0), 0u);
    ASSERT_EQ(lab2.SetTestBath(-18.0), 0u);
    double a = 0, b = 0;
    ASSERT_EQ(reg.GetTestBath(a), 0u);
    ASSERT_EQ(lab2.GetTestBath(b), 0u);
    EXPECT_EQ(a, -12.0);
    EXPECT_EQ(b, -18.0);
    EXPECT_EQ(lab2.KeyPath("Test"), "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\Lab2\\3.1\\Test");
    std::string port;
    EXPECT_EQ(lab2.GetPort(port), 1012u);
}

TEST_F(RegistryTest, AKeyExportedFromAWindowsStationReadsValueByValue) {
    // As a 32-bit station's settings export from 64-bit Windows: UTF-16LE with a
    // byte-order mark, CR LF, under WOW6432Node, long lists wrapped.
    std::string offsetsHex;
    for (int i = 0; i < 66; ++i) {
        const int16_t v = i == 28 ? -26 : 0x7FFF;  // -12 degC calibrated to -0.26
        char b[8];
        std::snprintf(b, sizeof b, "%02x,%02x", v & 0xFF, (v >> 8) & 0xFF);
        offsetsHex += b;
        if (i + 1 < 66) offsetsHex += i % 12 == 11 ? ",\\\r\n  " : ",";
    }
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\TarvokInstrument\\RYXw\\3.1]\r\n"
        "\"Port\"=\"COM2\"\r\n"
        "\"Test Bath\"=hex:00,00,00,00,00,00,28,c0\r\n"
        "\"Last Calibration\"=hex:00,f1,53,65,00,00,00,00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\TarvokInstrument\\RYXw\\3.1\\Test]\r\n"
        "\"Directory\"=\"C:\\\\RYX\\\\Data\"\r\n"
        "\"Load Time\"=dword:000000f0\r\n"
        "\"Operator\"=\"Jos\u00E9\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\TarvokInstrument\\RYXw\\3.1\\Force]\r\n"
        "\"Zero\"=dword:00008123\r\n"
        "\"Constant\"=hex:9a,99,99,99,99,99,b9,3f\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\TarvokInstrument\\RYXw\\3.1\\Temperature]\r\n"
        "\"Offsets\"=hex:" +
        offsetsHex + "\r\n\r\n";
    std::string utf16 = "\xFF\xFE";
    size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = platform::DecodeUtf8(text, pos);
        utf16 += static_cast<char>(cp & 0xFF);
        utf16 += static_cast<char>(cp >> 8);
    }
    ASSERT_EQ(platform::WriteFileAtomic(dir.File("registry.reg"), utf16), 0u);

    std::string s;
    ASSERT_EQ(reg.GetPort(s), 0u);
    EXPECT_EQ(s, "COM2");
    double d = 0;
    ASSERT_EQ(reg.GetTestBath(d), 0u);
    EXPECT_EQ(d, -12.0);
    Time64 t = 0;
    ASSERT_EQ(reg.GetLastCalibration(t), 0u);
    EXPECT_EQ(t, 0x6553F100);
    ASSERT_EQ(reg.GetTestDirectory(s), 0u);
    EXPECT_EQ(s, "C:\\RYX\\Data/");
    DWORD w = 0;
    ASSERT_EQ(reg.GetTestLoadTime(w), 0u);
    EXPECT_EQ(w, 240u);
    ASSERT_EQ(reg.GetTestOperator(s), 0u);
    EXPECT_EQ(s, "Jos\u00E9");
    WORD z = 0;
    ASSERT_EQ(reg.GetForceZero(z), 0u);
    EXPECT_EQ(z, 0x8123);
    ASSERT_EQ(reg.GetForceConstant(d), 0u);
    EXPECT_EQ(d, 0.1);
    int16_t offsets[66];
    ASSERT_EQ(reg.GetTemperatureOffsets(offsets, sizeof offsets), 0u);
    EXPECT_EQ(offsets[28], -26);
    EXPECT_EQ(offsets[0], 0x7FFF);
    EXPECT_EQ(offsets[65], 0x7FFF);
}

TEST_F(RegistryTest, AFailedWriteReportsItsCode) {
    ASSERT_EQ(platform::EnsureDirectory(dir.File("registry.reg")), 0u);  // a folder in the way
    EXPECT_NE(reg.SetTestBath(-12.0), 0u);
    EXPECT_EQ(reg.SetTestLoadTime(240), 1012u);  // DWORD writes report 1012 for any failure
}

namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(RegistryTest, GroupWritesEveryValueInOneSaveAndReadsSeeTheStoredOnesUntilThen) {
    ASSERT_EQ(reg.SetTestOperator("Ann"), 0u);
    {
        CQXSettingsGroup group(reg);
        EXPECT_EQ(reg.SetTestOperator("Bob"), 0u);
        EXPECT_EQ(reg.SetForceConstant(0.125), 0u);
        EXPECT_EQ(reg.SetGraphsAuto(1), 0u);
        std::string op;
        ASSERT_EQ(reg.GetTestOperator(op), 0u);
        EXPECT_EQ(op, "Ann");  // queued, not yet stored
        double c = 0;
        EXPECT_NE(reg.GetForceConstant(c), 0u);
        EXPECT_EQ(group.Commit(), 0u);
    }
    CQXRegistry fresh;  // reads the file anew
    std::string op;
    double c = 0;
    DWORD autoScale = 0;
    ASSERT_EQ(fresh.GetTestOperator(op), 0u);
    ASSERT_EQ(fresh.GetForceConstant(c), 0u);
    ASSERT_EQ(fresh.GetGraphsAuto(autoScale), 0u);
    EXPECT_EQ(op, "Bob");
    EXPECT_EQ(c, 0.125);
    EXPECT_EQ(autoScale, 1u);
}

TEST_F(RegistryTest, AFailedGroupWriteLeavesFileAndMemoryAsTheyWere) {
    ASSERT_EQ(reg.SetTestOperator("Ann"), 0u);
    const std::string before = FileBytes(dir.File("registry.reg"));
    {
        CQXSettingsGroup group(reg);
        reg.SetTestOperator("Bob");
        reg.SetForceConstant(0.125);
        platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
        EXPECT_NE(group.Commit(), 0u);
        platform::SetWriteFailureHook(nullptr);
    }
    EXPECT_EQ(FileBytes(dir.File("registry.reg")), before);
    std::string op;
    double c = 0;
    ASSERT_EQ(reg.GetTestOperator(op), 0u);
    EXPECT_EQ(op, "Ann");
    EXPECT_NE(reg.GetForceConstant(c), 0u);
}

TEST_F(RegistryTest, AGroupNotCommittedWritesNothingAndRefusalsStillComeBack) {
    ASSERT_EQ(reg.SetTestOperator("Ann"), 0u);
    {
        CQXSettingsGroup group(reg);
        EXPECT_EQ(reg.SetTestOperator(std::string(61, 'x')), platform::kErrorInvalidParameter);
        reg.SetTestOperator("Bob");
        {
            CQXSettingsGroup inner(reg);  // joins the outer group
            reg.SetForceConstant(0.5);
            EXPECT_EQ(inner.Commit(), 0u);
        }
        double c = 0;
        EXPECT_NE(reg.GetForceConstant(c), 0u);  // only the outermost commit writes
    }  // dropped
    std::string op;
    ASSERT_EQ(reg.GetTestOperator(op), 0u);
    EXPECT_EQ(op, "Ann");
    // Outside any group writes go straight through again.
    EXPECT_EQ(reg.SetTestOperator("Cy"), 0u);
    ASSERT_EQ(CQXRegistry().GetTestOperator(op), 0u);
    EXPECT_EQ(op, "Cy");
}

TEST_F(RegistryTest, AGroupOnOneThreadDoesNotCaptureAnotherThreadsWrites) {
    CQXSettingsGroup group(reg);
    reg.SetTestOperator("queued");
    std::thread other([this] { EXPECT_EQ(reg.SetForceConstant(2.0), 0u); });
    other.join();
    double c = 0;
    ASSERT_EQ(reg.GetForceConstant(c), 0u);  // written at once
    EXPECT_EQ(c, 2.0);
    EXPECT_EQ(group.Commit(), 0u);
    std::string op;
    ASSERT_EQ(reg.GetTestOperator(op), 0u);
    EXPECT_EQ(op, "queued");
}

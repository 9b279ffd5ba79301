#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportFormats.h"
#include "data/LegacyImport.h"
#include "framework/core/Strings.h"
#include "platform/tests/GermanLocale.h"
#include "support/DocFixture.h"

namespace {

using legacy::Version;

// A ".DAT" header built byte by byte: blanks, the version mark, and fields
// written at their offsets.
class DatFile {
public:
    explicit DatFile(Version v, size_t size = 0)
        : m_version(v), m_bytes(size ? size : legacy::HeaderSize(v), ' ') {
        Put(0, v == Version::k41 ? "V 4.1" : "V 4.2");
    }
    DatFile& Put(size_t offset, std::string_view text) {
        if (offset + text.size() > m_bytes.size()) m_bytes.resize(offset + text.size(), ' ');
        m_bytes.replace(offset, text.size(), text);
        return *this;
    }
    // Offsets of the fields that differ between the versions.
    size_t Bath() const { return v41() ? 165 : 147; }
    size_t Target() const { return v41() ? 172 : 154; }
    size_t Thickness() const { return v41() ? 179 : 161; }
    size_t Width() const { return v41() ? 186 : 168; }
    size_t Confidence() const { return v41() ? 385 : 319; }
    size_t ForceConstant() const { return v41() ? 395 : 329; }
    size_t DeflectionConstant() const { return v41() ? 405 : 339; }
    size_t Soak() const { return v41() ? 419 : 349; }

    // A header as the DOS program wrote it after a test on 5 March 2024.
    DatFile& Realistic() {
        Put(5, "  B1                  ").Put(27, "PG 64-22             ").Put(49, "  JS  ");
        Put(71, "03/05/24").Put(79, "14:30:05").Put(87, "01/15/24").Put(95, "02/20/24");
        Put(Bath(), " -18.05").Put(Target(), " -18.00").Put(Thickness(), "  6.350").Put(Width(), " 12.700");
        Put(Confidence(), "      2500").Put(ForceConstant(), "  0.051000");
        Put(DeflectionConstant(), v41() ? "    0.00012500" : "0.00012500").Put(Soak(), "   60");
        return *this;
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    bool v41() const { return m_version == Version::k41; }
    Version m_version;
    std::string m_bytes;
};

void PutFloat(std::string& bytes, size_t index, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    for (int b = 0; b < 4; ++b)
        bytes[4 * index + static_cast<size_t>(b)] = static_cast<char>(bits >> (8 * b) & 0xFF);
}

// Deflection k / 1000 + a creep curve, force 100 g, temperature -18 + k / 10000.
float Deflection(int k) {
    double t = k == 0 ? 0.25 : 0.5 * k;
    return static_cast<float>(0.25 * std::pow(t / 60.0, 0.3));
}
float Temperature(int k) {
    return -18.0f + static_cast<float>(k) / 10000.0f;
}
std::string BdtFile(size_t size = legacy::kDataSize) {
    std::string bytes(legacy::kDataSize, '\0');
    for (int k = 0; k < 500; ++k) {
        const size_t i = static_cast<size_t>(k);
        PutFloat(bytes, i, Deflection(k));
        PutFloat(bytes, 500 + i, 100.0f);
        PutFloat(bytes, 1000 + i, Temperature(k));
    }
    bytes.resize(size, '\0');
    return bytes;
}

int UtcYear(Time64 t) {
    std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    return tm.tm_year + 1900;
}

Time64 Utc(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return static_cast<Time64>(timegm(&tm));
}

class LegacyImportTest : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void WritePair(const DatFile& dat, const std::string& bdt = BdtFile(), const std::string& stem = "T1") {
        WriteFile(stem + ".DAT", dat.Bytes());
        WriteFile(stem + ".BDT", bdt);
    }
    std::string Message(UINT id, const std::string& title) { return fw::FormatString1(id, title); }
};

TEST_F(LegacyImportTest, Version42ImportsEveryFieldAnd500Points) {
    WritePair(DatFile(Version::k42).Realistic());
    CQXRYXTestDoc doc;
    ASSERT_TRUE(doc.ImportLegacy(dir + "/T1.BDT"));
    EXPECT_EQ(box.Count(), 0u) << (box.Count() ? box.Texts()[0] : "");

    EXPECT_EQ(doc.m_specimen.m_data, "B1");
    EXPECT_EQ(doc.m_project.m_data, "PG 64-22");
    EXPECT_EQ(doc.m_operator.m_data, "JS");
    EXPECT_EQ(doc.m_testTime, Utc(2024, 3, 5, 14, 30, 5));
    EXPECT_EQ(doc.m_calibrationDate, Utc(2024, 1, 15, 12, 1, 1));
    EXPECT_EQ(doc.m_confidenceDate, Utc(2024, 2, 20, 12, 1, 1));
    EXPECT_EQ(doc.m_minTemperature.m_data, -18.05f);
    EXPECT_EQ(doc.m_maxTemperature.m_data, -18.05f);
    EXPECT_EQ(doc.m_targetTemperature.m_data, -18.0f);
    EXPECT_EQ(doc.m_beamThickness.m_data, 6.35f);
    EXPECT_EQ(doc.m_beamWidth.m_data, 12.7f);
    EXPECT_EQ(doc.m_confidenceResult.m_data, 0.025f);
    EXPECT_EQ(doc.m_forceConstant.m_data, static_cast<float>(0.051 * 9.80665));
    EXPECT_EQ(doc.m_deflectionConstant.m_data, 0.000125f);
    EXPECT_EQ(doc.m_soakTime.m_data, 60.0f);
    EXPECT_EQ(doc.m_testName.m_data, "T1.DAT");
    EXPECT_EQ(doc.m_softwareVersion.m_data, "RYX V4.2");
    EXPECT_EQ(doc.m_apparatusId.m_data, " Unknown");

    ASSERT_EQ(doc.GetPointCount(), 500);
    for (int k : {0, 1, 250, 499}) {
        EXPECT_EQ(doc.GetDeflection(k)->m_data, Deflection(k)) << k;
        EXPECT_EQ(doc.GetTemperature(k)->m_data, Temperature(k)) << k;
    }
    // 100 g of force in mN, the multiplication in float.
    EXPECT_EQ(doc.GetForce(0)->m_data, 100.0f * 9.80665f);
    EXPECT_NEAR(doc.GetForce(499)->m_data, 980.665f, 1e-3);

    EXPECT_TRUE(doc.m_bImported);
    EXPECT_TRUE(doc.IsTestComplete());
    EXPECT_TRUE(doc.m_bResultsValid);
    EXPECT_NEAR(doc.m_mValue[3].m_data, 0.3f, 0.002);
}

TEST_F(LegacyImportTest, Version41ShiftsByOneAndRepeatsTheLastPoint) {
    WritePair(DatFile(Version::k41).Realistic());
    CQXRYXTestDoc doc;
    ASSERT_TRUE(doc.ImportLegacy(dir + "/T1.BDT"));
    EXPECT_EQ(box.Count(), 0u);
    ASSERT_EQ(doc.GetPointCount(), 500);
    EXPECT_EQ(doc.GetDeflection(0)->m_data, Deflection(1));
    EXPECT_EQ(doc.GetTemperature(0)->m_data, Temperature(1));
    EXPECT_EQ(doc.GetDeflection(498)->m_data, Deflection(499));
    EXPECT_EQ(doc.GetDeflection(499)->m_data, Deflection(499));
    EXPECT_EQ(doc.GetTemperature(499)->m_data, Temperature(499));
    EXPECT_EQ(doc.GetForce(499)->m_data, doc.GetForce(498)->m_data);

    // The 4.1 layout: other offsets, a 14-byte deflection constant, confidence / 10^8.
    EXPECT_EQ(doc.m_minTemperature.m_data, -18.05f);
    EXPECT_EQ(doc.m_beamWidth.m_data, 12.7f);
    EXPECT_EQ(doc.m_confidenceResult.m_data, 0.000025f);
    EXPECT_EQ(doc.m_deflectionConstant.m_data, 0.000125f);
    EXPECT_EQ(doc.m_soakTime.m_data, 60.0f);
    EXPECT_EQ(doc.m_softwareVersion.m_data, "RYX V4.1");
    EXPECT_TRUE(doc.IsTestComplete());
}

TEST_F(LegacyImportTest, TwoDigitYears) {
    struct Case {
        const char* year;
        int expected;
    };
    const Case cases[] = {{"05", 2005}, {"37", 2037}, {"38", 1971}, {"99", 1999}, {"70", 1971}, {"71", 1971}};
    for (const Case& c : cases) {
        DatFile dat(Version::k42);
        dat.Realistic().Put(77, c.year).Put(93, c.year).Put(101, c.year);
        legacy::Header h;
        ASSERT_EQ(legacy::ParseHeader(dat.Bytes(), h), legacy::HeaderError::kNone) << c.year;
        EXPECT_EQ(UtcYear(h.testTime), c.expected) << c.year;
        EXPECT_EQ(UtcYear(h.calibrationDate), c.expected) << c.year;
        EXPECT_EQ(UtcYear(h.confidenceDate), c.expected) << c.year;
    }
}

// Years before 1971 become 1971, and the exports write that date in their
// own formats like any other (" Unknown" is the report's, not theirs).
TEST_F(LegacyImportTest, TestDatedNineteenSeventyOneExportsItsDates) {
    DatFile dat(Version::k42);
    dat.Realistic().Put(77, "70").Put(93, "45").Put(101, "71");
    WritePair(dat);
    CQXRYXTestDoc doc;
    ASSERT_TRUE(doc.ImportLegacy(dir + "/T1.BDT"));
    ASSERT_EQ(doc.m_testTime, Utc(1971, 3, 5, 14, 30, 5));

    const std::string rec = exportformat::AsciiRecord(doc);
    ASSERT_EQ(rec.size(), 442u);
    EXPECT_EQ(rec.substr(71, 32), "03/05/7114:30:0501/15/7102/20/71");
    const std::string csv = exportformat::CsvFile(doc);
    EXPECT_NE(csv.find("\r\nTimestamp,3/5/1971 2:30:05 PM\r\n"), std::string::npos) << csv.substr(0, 200);
    const std::string lims = exportformat::LimsFile(doc);
    EXPECT_NE(lims.find("\r\nTimestamp,3/5/1971 2:30:05 PM\r\n"), std::string::npos);
    EXPECT_NE(lims.find("\r\nConf Date,2/20/1971\r\n"), std::string::npos);
    EXPECT_NE(lims.find("\r\nCal Date,1/15/1971\r\n"), std::string::npos);
    // The import has no temperature-calibration date: never set.
    EXPECT_NE(lims.find("\r\nTemp Cal Date, Unknown\r\n"), std::string::npos);
}

TEST_F(LegacyImportTest, BlankOrTextNumbersReadAsZero) {
    DatFile dat(Version::k42);
    dat.Realistic().Put(dat.Bath(), "       ").Put(dat.Width(), "abc    ").Put(dat.Soak(), "12x  ");
    legacy::Header h;
    ASSERT_EQ(legacy::ParseHeader(dat.Bytes(), h), legacy::HeaderError::kNone);
    EXPECT_EQ(h.bathTemperature, 0.0f);
    EXPECT_EQ(h.beamWidth, 0.0f);
    EXPECT_EQ(h.soakTime, 12.0f);
    EXPECT_EQ(h.beamThickness, 6.35f);
}

// The header's numbers are decimal only: a text the DOS program's atof did
// not read as a number is 0, and so is its beginning that is none.
TEST_F(LegacyImportTest, HeaderNumbersAreDecimalOnly) {
    struct Case {
        const char* text;  // 7 characters: the bath temperature field
        float expected;
    };
    const Case cases[] = {
        {"nan    ", 0.0f},   {"  inf  ", 0.0f},    {"-INF   ", 0.0f},  {"NaN(1) ", 0.0f},  {"0x1A   ", 0.0f},
        {"0x1p3  ", 0.0f},   {" -18.05", -18.05f}, {"+3.25e1", 32.5f}, {"-.5    ", -0.5f}, {"5.     ", 5.0f},
        {"1e     ", 1.0f},   {"2.5e+x ", 2.5f},    {".      ", 0.0f},  {"-      ", 0.0f},  {"12abc  ", 12.0f},
        {"\t-7.5  ", -7.5f}, {"1.5E-1 ", 0.15f},   {"infinit", 0.0f},
    };
    for (const Case& c : cases) {
        DatFile dat(Version::k42);
        dat.Realistic().Put(dat.Bath(), c.text);
        legacy::Header h;
        ASSERT_EQ(legacy::ParseHeader(dat.Bytes(), h), legacy::HeaderError::kNone) << c.text;
        EXPECT_EQ(h.bathTemperature, c.expected) << c.text;
    }
    // The deflection constant's longer field of version 4.1 alike.
    DatFile dat(Version::k41);
    dat.Realistic().Put(dat.DeflectionConstant(), "0x00012500    ");
    legacy::Header h;
    ASSERT_EQ(legacy::ParseHeader(dat.Bytes(), h), legacy::HeaderError::kNone);
    EXPECT_EQ(h.deflectionConstant, 0.0f);
}

TEST_F(LegacyImportTest, RefusedPairsName409OrTheFileAtFault) {
    struct Case {
        const char* what;
        std::string dat;
        std::string bdt;
        bool writeDat;
        bool writeBdt;
        UINT id;
        const char* file;
    };
    auto bad = [](size_t offset, const char* text) {
        DatFile d(Version::k42);
        return d.Realistic().Put(offset, text).Bytes();
    };
    const std::string good = DatFile(Version::k42).Realistic().Bytes();
    const Case cases[] = {
        {"no mark", "X 4.2" + good.substr(5), BdtFile(), true, true, 409, "T1.DAT"},
        {"4.2 mark, 4.1 size", DatFile(Version::k42, 500).Realistic().Bytes(), BdtFile(), true, true, 409,
         "T1.DAT"},
        {"4.1 mark, 4.2 size", DatFile(Version::k41, 430).Bytes(), BdtFile(), true, true, 409, "T1.DAT"},
        {"short header", good.substr(0, 429), BdtFile(), true, true, 409, "T1.DAT"},
        {"mark only", "V 4.2", BdtFile(), true, true, 409, "T1.DAT"},
        {"empty header", "", BdtFile(), true, true, 409, "T1.DAT"},
        {"short data", good, BdtFile(5999), true, true, 409, "T1.BDT"},
        {"long data", good, BdtFile(6001), true, true, 409, "T1.BDT"},
        {"month 13", bad(71, "13"), BdtFile(), true, true, 409, "T1.DAT"},
        {"day 32", bad(74, "32"), BdtFile(), true, true, 409, "T1.DAT"},
        {"30 February", bad(71, "02/30/24"), BdtFile(), true, true, 409, "T1.DAT"},
        {"hour 24", bad(79, "24"), BdtFile(), true, true, 409, "T1.DAT"},
        {"second 60", bad(85, "60"), BdtFile(), true, true, 409, "T1.DAT"},
        {"blank calibration date", bad(87, "        "), BdtFile(), true, true, 409, "T1.DAT"},
        {"bad confidence date", bad(95, "00/10/24"), BdtFile(), true, true, 409, "T1.DAT"},
        {"no data file", good, "", true, false, 408, "T1.BDT"},
        {"no header file", good, BdtFile(), false, true, 408, "T1.DAT"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir + "/T1.DAT");
        std::filesystem::remove(dir + "/T1.BDT");
        if (c.writeDat) WriteFile("T1.DAT", c.dat);
        if (c.writeBdt) WriteFile("T1.BDT", c.bdt);
        box.Clear();
        CQXRYXTestDoc doc;
        EXPECT_FALSE(doc.ImportLegacy(dir + "/T1.BDT")) << c.what;
        ASSERT_EQ(box.Count(), 1u) << c.what;
        // A file that cannot be opened is named with its cause.
        const std::string cause = c.id == 408 ? "\n\n" + dir + "/" + c.file + " does not exist." : "";
        EXPECT_EQ(box.Texts()[0], Message(c.id, c.file) + cause) << c.what;
        EXPECT_EQ(doc.GetPointCount(), 0) << c.what;
        EXPECT_FALSE(doc.m_bImported) << c.what;
        EXPECT_TRUE(doc.m_specimen.m_data.empty()) << c.what;
    }
}

// A file of the pair that is no file: refused at once by 408 with its cause
// (a named pipe without a writer would hold the open for ever).
TEST_F(LegacyImportTest, AFileOfThePairThatIsNoFileIsRefusedWithItsCause) {
    const std::string notRegular =
        " is not a regular file (a named pipe, a device or a socket) and is not read.";
    struct Case {
        const char* what;
        const char* file;  // the one that is no file
        std::function<void(const std::string& path)> make;
        std::string cause;
    };
    const Case cases[] = {
        {"header a named pipe", "T1.DAT",
         [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }, notRegular},
        {"data a named pipe", "T1.BDT", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); },
         notRegular},
        {"header a device", "T1.DAT",
         [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }, notRegular},
        {"data a device", "T1.BDT",
         [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }, notRegular},
        {"header a folder", "T1.DAT", [](const std::string& p) { std::filesystem::create_directory(p); },
         " is a folder, not a file."},
        {"data a dangling link", "T1.BDT",
         [this](const std::string& p) { std::filesystem::create_symlink(dir + "/gone", p); },
         " is a link that leads to no file: its target is missing or the links form a loop."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir + "/T1.DAT");
        std::filesystem::remove(dir + "/T1.BDT");
        WritePair(DatFile(Version::k42).Realistic());
        const std::string path = dir + "/" + c.file;
        std::filesystem::remove(path);
        c.make(path);
        box.Clear();
        CQXRYXTestDoc doc;
        EXPECT_FALSE(doc.ImportLegacy(dir + "/T1.BDT"));
        EXPECT_EQ(box.Texts(), std::vector<std::string>{Message(408, c.file) + "\n\n" + path + c.cause});
        EXPECT_EQ(doc.GetPointCount(), 0);
    }
    // A header far above its size is a header of the wrong format, and is not read.
    std::filesystem::remove(dir + "/T1.DAT");
    WriteFile("T1.DAT", DatFile(Version::k42).Realistic().Bytes());
    std::filesystem::resize_file(dir + "/T1.DAT", 1u << 30);
    WriteFile("T1.BDT", BdtFile());
    box.Clear();
    CQXRYXTestDoc doc;
    EXPECT_FALSE(doc.ImportLegacy(dir + "/T1.BDT"));
    EXPECT_EQ(box.Texts(), std::vector<std::string>{Message(409, "T1.DAT")});
}

TEST_F(LegacyImportTest, SiblingFoundWhateverTheCaseOfItsExtension) {
    WriteFile("t2.dat", DatFile(Version::k42).Realistic().Bytes());
    WriteFile("t2.Bdt", BdtFile());
    for (const char* name : {"t2.BDT", "t2.bdt", "t2.DAT", "t2"}) {
        CQXRYXTestDoc doc;
        EXPECT_TRUE(doc.ImportLegacy(dir + "/" + name)) << name;
        EXPECT_EQ(doc.GetPointCount(), 500) << name;
        EXPECT_EQ(doc.m_testName.m_data, "t2.dat") << name;
    }
    EXPECT_EQ(box.Count(), 0u);
    // The name itself must match: T2 is another test.
    CQXRYXTestDoc other;
    EXPECT_FALSE(other.ImportLegacy(dir + "/T2.BDT"));
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Texts()[0], Message(408, "T2.DAT") + "\n\n" + dir + "/T2.DAT does not exist.");
}

TEST_F(LegacyImportTest, PreviewOpensThePairWithoutATemplateAndSilently) {
    WritePair(DatFile(Version::k42).Realistic());
    CQXRYXTestDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument(dir + "/T1.BDT"));
    EXPECT_EQ(doc.GetPointCount(), 500);

    WriteFile("T1.DAT", "junk");
    CQXRYXTestDoc broken;
    EXPECT_FALSE(broken.OnOpenDocument(dir + "/T1.BDT"));
    EXPECT_EQ(box.Count(), 0u);
}

TEST_F(LegacyImportTest, ImportedTestExportsAndReadsAlikeInAGermanLocale) {
    WritePair(DatFile(Version::k42).Realistic());
    CQXRYXTestDoc doc;
    ASSERT_TRUE(doc.ImportLegacy(dir + "/T1.BDT"));
    ASSERT_TRUE(doc.ExportAsciiDat(dir + "/out.dat"));
    std::string rec;
    ASSERT_EQ(platform::ReadWholeFile(dir + "/out.dat", rec), 0u);
    EXPECT_EQ(rec.substr(0, 27), "V 4.2B1                    ");
    EXPECT_EQ(rec.size(), 442u);
    ASSERT_TRUE(doc.ExportCsv(dir + "/out.csv"));

    // The header's numbers have decimal points whatever the process locale.
    ASSERT_TRUE(ryxtest::UseGermanLocale());
    CQXRYXTestDoc german;
    ASSERT_TRUE(german.ImportLegacy(dir + "/T1.BDT"));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(german.m_beamThickness.m_data, 6.35f);
    EXPECT_EQ(german.m_minTemperature.m_data, -18.05f);
    EXPECT_EQ(german.m_deflectionConstant.m_data, 0.000125f);
    EXPECT_EQ(exportformat::AsciiRecord(german), rec);
}

TEST_F(LegacyImportTest, SavingAnImportedTestNeverWritesOverTheOldFiles) {
    WritePair(DatFile(Version::k42).Realistic());
    std::string bdtBefore, datBefore;
    ASSERT_EQ(platform::ReadWholeFile(dir + "/T1.BDT", bdtBefore), 0u);
    ASSERT_EQ(platform::ReadWholeFile(dir + "/T1.DAT", datBefore), 0u);
    for (const char* opened : {"/T1.BDT", "/T1.DAT", "/T1.bdt"}) {
        SCOPED_TRACE(opened);
        CQXRYXTestDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(dir + opened));
        doc.SetPathName(dir + opened);
        ASSERT_TRUE(doc.OnSaveDocument(doc.GetPathName()));
        std::string bdt, dat;
        ASSERT_EQ(platform::ReadWholeFile(dir + "/T1.BDT", bdt), 0u);
        ASSERT_EQ(platform::ReadWholeFile(dir + "/T1.DAT", dat), 0u);
        EXPECT_EQ(bdt, bdtBefore);
        EXPECT_EQ(dat, datBefore);
        // The test went to a test file of its own, which reads back whole.
        const std::string saved = dir + std::string(opened).substr(0, 3) + ".RYX";
        EXPECT_EQ(doc.GetPathName(), saved);
        CQXRYXTestDoc back;  // read as a test file, not through the pair beside it
        ASSERT_TRUE(back.fw::Document::OnOpenDocument(saved));
        EXPECT_EQ(back.GetPointCount(), 500);
        std::filesystem::remove(saved);
    }
}

TEST(LegacyParse, DataArraysInOrder) {
    std::string bytes = BdtFile();
    PutFloat(bytes, 7, 1.5f);        // deflection 7
    PutFloat(bytes, 507, 50.0f);     // force 7, g
    PutFloat(bytes, 1007, -12.25f);  // temperature 7
    std::vector<legacy::Point> points;
    ASSERT_TRUE(legacy::ParseData(bytes, Version::k42, points));
    ASSERT_EQ(points.size(), 500u);
    EXPECT_EQ(points[7].deflection, 1.5f);
    EXPECT_EQ(points[7].force, 50.0f * 9.80665f);
    EXPECT_EQ(points[7].temperature, -12.25f);
    ASSERT_TRUE(legacy::ParseData(bytes, Version::k41, points));
    EXPECT_EQ(points[6].deflection, 1.5f);
    EXPECT_FALSE(legacy::ParseData(bytes.substr(1), Version::k42, points));
}

}  // namespace

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "framework/core/Archive.h"
#include "framework/core/Strings.h"
#include "res/Resource.h"
#include "support/DocFixture.h"

namespace {

using Bytes = std::string;

Bytes Le16(unsigned v) {
    return Bytes{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
Bytes Le32(uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}
Bytes F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return Le32(u);
}
Bytes Time12(int64_t t) {
    return Le32(0x8000000A) + Le32(static_cast<uint32_t>(t)) + Le32(static_cast<uint32_t>(t >> 32));
}
Bytes Str(const std::string& s) {
    return Bytes(1, static_cast<char>(s.size())) + s;
}

// The header of a test file up to the point count, in the given schema.
Bytes Header(unsigned schema, int32_t interval = 30, int32_t total = 501) {
    Bytes b = Le16(schema) + Time12(100) + Time12(200) + Time12(300) + Time12(400);
    if (schema >= 310) b += Le32(static_cast<uint32_t>(interval)) + Le32(static_cast<uint32_t>(total));
    if (schema >= 100) b += Str("RYXw 3.24") + Str("RYX-7");
    b += Str("Proj") + Str("Op") + Str("Spec");
    for (int i = 0; i < 10; ++i) b += F32(static_cast<float>(i) + 0.5f);
    return b;
}
Bytes FirstPoint(float d, float f, float t) {
    return Le16(0xFFFF) + Le16(310) + Le16(11) + "RYXTestData" + F32(d) + F32(f) + F32(t);
}
Bytes NextPoint(float d, float f, float t) {
    return Le16(0x8001) + F32(d) + F32(f) + F32(t);
}

class TestFileTest : public DocFixture {
protected:
    // Opens path through a report template, as the application does; prepared,
    // when given, is the document the template makes.
    CQXRYXTestDoc* Open(const std::string& path, std::unique_ptr<CQXRYXTestDoc> prepared = nullptr) {
        m_next = std::move(prepared);
        return static_cast<CQXRYXTestDoc*>(m_report.OpenDocumentFile(path.c_str()));
    }

    std::unique_ptr<CQXRYXTestDoc> m_next;
    fw::DocTemplate m_report{IDR_TEST_REPORT,
                             [this]() -> std::unique_ptr<fw::Document> {
                                 if (m_next) return std::move(m_next);
                                 return std::make_unique<CQXRYXTestDoc>();
                             },
                             nullptr};
};

TEST_F(TestFileTest, WritesA501PointFileByteForByte) {
    CQXRYXTestDoc doc;
    doc.m_testTime = 100;
    doc.m_confidenceDate = 200;
    doc.m_calibrationDate = 300;
    doc.m_tempCalibrationDate = 400;
    doc.m_softwareVersion.m_data = "RYXw 3.24";
    doc.m_apparatusId.m_data = "RYX-7";
    doc.m_project.m_data = "Proj";
    doc.m_operator.m_data = "Op";
    doc.m_specimen.m_data = "Spec";
    CQXFloatData* cells[] = {&doc.m_targetTemperature, &doc.m_minTemperature, &doc.m_maxTemperature,
                             &doc.m_soakTime,          &doc.m_beamWidth,      &doc.m_beamThickness,
                             &doc.m_confidenceResult,  &doc.m_forceConstant,  &doc.m_deflectionConstant,
                             &doc.m_compliance};
    for (int i = 0; i < 10; ++i) cells[i]->m_data = static_cast<float>(i) + 0.5f;
    Bytes expected = Header(310) + Le16(501) + FirstPoint(0, 1, 2);
    doc.AddPoint(CQXFloatData(0), CQXFloatData(1), CQXFloatData(2));
    for (int i = 1; i < 501; ++i) {
        float v = static_cast<float>(i);
        doc.AddPoint(CQXFloatData(v), CQXFloatData(v + 1), CQXFloatData(v + 2));
        expected += NextPoint(v, v + 1, v + 2);
    }
    fw::Archive ar;
    doc.Serialize(ar);
    ASSERT_EQ(ar.Bytes().size(), expected.size());
    EXPECT_TRUE(ar.Bytes() == expected);
    EXPECT_EQ(ar.Bytes().substr(Header(310).size(), 8), Bytes("\xF5\x01\xFF\xFF\x36\x01\x0B\x00", 8));

    // And back through a file, with the results computed on loading.
    std::string path = dir + "/T1.ryx";
    ASSERT_TRUE(doc.OnSaveDocument(path));
    CQXRYXTestDoc* back = Open(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPointCount(), 501);
    EXPECT_EQ(back->GetForce(500)->m_data, 501.0f);
    EXPECT_EQ(back->m_testName.m_data, "T1");
    EXPECT_EQ(back->m_tempCalibrationDate, 400);
    EXPECT_EQ(back->m_compliance.m_data, 9.5f);
}

TEST_F(TestFileTest, OlderSchemasGetTheirDefaults) {
    struct Case {
        unsigned schema;
        const char* version;
    };
    const Case cases[] = {{200, "RYXw 3.24"}, {50, " Unknown"}, {400, "RYXw 3.24"}};
    for (const Case& c : cases) {
        std::string path =
            WriteFile("old" + std::to_string(c.schema) + ".ryx", Header(c.schema, 25, 700) + Le16(0));
        auto prepared = std::make_unique<CQXRYXTestDoc>();
        prepared->m_sampleInterval = 7;
        prepared->m_totalSamples = 7;
        CQXRYXTestDoc* doc = Open(path, std::move(prepared));
        ASSERT_NE(doc, nullptr) << c.schema;
        EXPECT_EQ(doc->m_softwareVersion.m_data, c.version);
        EXPECT_EQ(doc->m_apparatusId.m_data, c.schema >= 100 ? "RYX-7" : " Unknown");
        EXPECT_EQ(doc->m_sampleInterval, c.schema >= 310 ? 25 : 30);
        EXPECT_EQ(doc->m_totalSamples, c.schema >= 310 ? 700 : 501);
        EXPECT_EQ(doc->m_project.m_data, "Proj");
        EXPECT_EQ(doc->m_compliance.m_data, 9.5f);
    }
}

TEST_F(TestFileTest, ZeroPointFileOpensAndReports402) {
    std::string path = WriteFile("empty-list.ryx", Header(310) + Le16(0));
    CQXRYXTestDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{fw::LoadString(402)});
    EXPECT_FALSE(doc->m_bResultsValid);
}

TEST_F(TestFileTest, EmptyFileOpensAsEmptyDocument) {
    std::string path = WriteFile("zero.ryx", "");
    CQXRYXTestDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetPointCount(), 0);
    EXPECT_EQ(box.Count(), 0u);  // nothing read, nothing computed
}

TEST_F(TestFileTest, OldTimesAndWideStringsRead) {
    Bytes b = Le16(310) + Le32(12345) + Time12(200) + Le32(static_cast<uint32_t>(-5)) + Time12(400) +
              Le32(30) + Le32(501) + Str("v") + Str("a") +
              Bytes(
                  "\xFF\xFE\xFF\x03"
                  "A\x00\xB0\x00\xAC\x20",
                  10) +
              Str("") + Str("");
    for (int i = 0; i < 10; ++i) b += F32(0);
    b += Le16(0);
    CQXRYXTestDoc* doc = Open(WriteFile("old-forms.ryx", b));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->m_testTime, 12345);
    EXPECT_EQ(doc->m_calibrationDate, -5);
    EXPECT_EQ(doc->m_project.m_data, "A\xC2\xB0\xE2\x82\xAC");
}

TEST_F(TestFileTest, LongStringUsesWordPrefix) {
    CQXRYXTestDoc doc;
    doc.m_project.m_data = std::string(300, 'p');
    fw::Archive ar;
    doc.Serialize(ar);
    Bytes prefix = Bytes("\xFF\x2C\x01", 3);
    size_t at = 2 + 48 + 8 + 1 + 1;  // schema, times, ints, two empty strings
    EXPECT_EQ(ar.Bytes().substr(at, 3), prefix);
}

TEST_F(TestFileTest, MalformedFilesGive61728) {
    Bytes good = Header(310) + Le16(2) + FirstPoint(1, 2, 3) + NextPoint(4, 5, 6);
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"one byte", Bytes(1, '\x36')},
        {"cut in the times", good.substr(0, 20)},
        {"cut in a float cell", Header(310).substr(0, Header(310).size() - 2)},
        {"cut in the last point", good.substr(0, good.size() - 1)},
        {"interval 0", Header(310, 0) + Le16(0)},
        {"negative interval", Header(310, -30) + Le16(0)},
        {"count larger than the file", Header(310) + Le16(3) + FirstPoint(1, 2, 3) + NextPoint(4, 5, 6)},
        {"huge count", Header(310) + Le16(0xFFFF) + Le32(0xFFFFFFFF) + FirstPoint(1, 2, 3)},
        {"string longer than the file", Le16(310) + Time12(0) + Time12(0) + Time12(0) + Time12(0) + Le32(30) +
                                            Le32(501) + Bytes("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7)},
        {"null point", Header(310) + Le16(2) + FirstPoint(1, 2, 3) + Le16(0) + Bytes(12, '\0')},
        {"back-reference to a point",
         Header(310) + Le16(2) + FirstPoint(1, 2, 3) + Le16(2) + Bytes(12, '\0')},
        {"second class record", Header(310) + Le16(2) + FirstPoint(1, 2, 3) + FirstPoint(4, 5, 6)},
        {"unknown class",
         Header(310) + Le16(1) + Le16(0xFFFF) + Le16(310) + Le16(11) + "RYXTestDatb" + Bytes(12, '\0')},
        {"document class as point",
         Header(310) + Le16(1) + Le16(0xFFFF) + Le16(310) + Le16(13) + "CQXRYXTestDoc" + Bytes(12, '\0')},
        {"reference to a class not stored", Header(310) + Le16(1) + NextPoint(1, 2, 3)},
    };
    for (const Case& c : cases) {
        box.Clear();
        EXPECT_EQ(Open(WriteFile("bad.ryx", c.bytes)), nullptr) << c.what;
        EXPECT_EQ(box.Texts(), std::vector<std::string>{"Unexpected file format."}) << c.what;
        EXPECT_TRUE(m_report.GetDocuments().empty()) << c.what;
    }
}

TEST_F(TestFileTest, BytesAfterTheLastPointAreIgnored) {
    CQXRYXTestDoc* doc = Open(WriteFile("tail.ryx", Header(310) + Le16(1) + FirstPoint(1, 2, 3) + "junk"));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetPointCount(), 1);
}

TEST_F(TestFileTest, MissingFileGives61697) {
    EXPECT_EQ(Open(dir + "/nothing.ryx"), nullptr);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Failed to open document.\n\n" + dir +
                                                    "/nothing.ryx does not exist."});
}

// A test file that is no file, or cannot be read: refused at once (a named
// pipe without a writer would hold the open, a device be read without end)
// and named with its cause after the framework's text.
TEST_F(TestFileTest, FailedOpenNamesTheFileAndItsCause) {
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> make;
        std::string cause;
    };
    const std::string other = dir + "/other.ryx";
    const Case cases[] = {
        {"no such file", [](const std::string&) {}, " does not exist."},
        {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
         " is a folder, not a file."},
        {"dangling link",
         [&](const std::string& p) { std::filesystem::create_symlink(dir + "/gone.ryx", p); },
         " is a link that leads to no file: its target is missing or the links form a loop."},
        {"link loop",
         [&](const std::string& p) {
             std::filesystem::create_symlink(other, p);
             std::filesystem::create_symlink(p, other);
         },
         " is a link that leads to no file: its target is missing or the links form a loop."},
        {"named pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); },
         " is not a regular file (a named pipe, a device or a socket) and is not read."},
        {"device", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
         " is not a regular file (a named pipe, a device or a socket) and is not read."},
        // Ten times the longest test the setup allows is about 97 MB: a sparse
        // file of 200 MB, refused by its size without being read.
        {"too large",
         [](const std::string& p) {
             std::ofstream(p) << "x";
             std::filesystem::resize_file(p, 200u << 20);
         },
         " is larger than any file of its kind and is not read."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/x.ryx";
        std::filesystem::remove(path);
        std::filesystem::remove(other);
        c.make(path);
        box.Clear();
        EXPECT_EQ(Open(path), nullptr);
        EXPECT_EQ(box.Texts(), std::vector<std::string>{"Failed to open document.\n\n" + path + c.cause});
        EXPECT_TRUE(m_report.GetDocuments().empty());
    }
}

// The bound lies at least ten times above the longest test the setup allows.
TEST_F(TestFileTest, TheBoundHoldsTenTimesTheLongestTest) {
    EXPECT_EQ(CQXRYXTestDoc::kLongestTestPoints, 692251u);
    EXPECT_GE(CQXRYXTestDoc::kMaxTestFileBytes,
              10 * (29 + 14 * (CQXRYXTestDoc::kLongestTestPoints - 1) + 2000));
    const std::string path = WriteFile("edge.ryx", "");
    std::filesystem::resize_file(path, CQXRYXTestDoc::kMaxTestFileBytes + 1);
    EXPECT_EQ(Open(path), nullptr);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Failed to open document.\n\n" + path +
                                                    " is larger than any file of its kind and is not read."});
}

// Root reads a file whatever its mode: no permission is injected.
TEST_F(TestFileTest, FailedOpenWithoutPermissionToRead) {
    const std::string path = WriteFile("locked.ryx", "x");
    platform::SetReadFailureHook([](const std::string&) { return EACCES; });
    EXPECT_EQ(Open(path), nullptr);
    platform::SetReadFailureHook(nullptr);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{
                               "Failed to open document.\n\nYou have no permission to read " + path + "."});
}

TEST_F(TestFileTest, FailedSaveKeepsOldFileAndGives61698) {
    std::string path = WriteFile("keep.ryx", "previous");
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    platform::SetWriteFailureHook([](const std::string&) { return 28; });  // ENOSPC
    EXPECT_FALSE(doc.OnSaveDocument(path));
    platform::SetWriteFailureHook(nullptr);
    EXPECT_EQ(box.Texts(),
              std::vector<std::string>{"Failed to save document.\n\nThere is no space left on the disk."});
    std::string contents;
    ASSERT_EQ(platform::ReadWholeFile(path, contents), 0u);
    EXPECT_EQ(contents, "previous");
    // A directory where the file should go fails the same way.
    box.Clear();
    std::filesystem::create_directory(dir + "/adir.ryx");
    EXPECT_FALSE(doc.OnSaveDocument(dir + "/adir.ryx"));
    EXPECT_EQ(box.Count(), 1u);
}

// A failed save names its cause after the framework's text: the operator
// learns whether more space, another folder or another name will help.
TEST_F(TestFileTest, FailedSaveNamesItsCause) {
    struct Case {
        const char* name;
        int injected;         // errno from the write hook; 0: none
        const char* subpath;  // where the test is saved
        std::string text;
    };
    const std::string failed = "Failed to save document.";
    const Case cases[] = {
        {"disk full", 28, "T1.ryx", failed + "\n\nThere is no space left on the disk."},
        {"quota", 122, "T1.ryx", failed + "\n\nThere is no space left on the disk."},
        {"no permission", 13, "T1.ryx", failed + "\n\nAccess to the file or its folder is denied."},
        {"read-only file system", 30, "T1.ryx", failed + "\n\nAccess to the file or its folder is denied."},
        {"folder missing", 0, "gone/T1.ryx", failed + "\n\nThe folder does not exist."},
        {"a cause to say nothing of", 5, "T1.ryx", failed},  // EIO
    };
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.Clear();
        const int injected = c.injected;
        platform::SetWriteFailureHook([injected](const std::string&) { return injected; });
        EXPECT_FALSE(doc.OnSaveDocument(dir + "/" + c.subpath));
        platform::SetWriteFailureHook(nullptr);
        EXPECT_EQ(box.Texts(), std::vector<std::string>{c.text});
    }
}

TEST_F(TestFileTest, ReportErrorsFlagSilencesMessages) {
    auto prepared = std::make_unique<CQXRYXTestDoc>();
    prepared->m_bReportErrors = FALSE;
    EXPECT_EQ(Open(WriteFile("bad.ryx", Bytes(3, '\x01')), std::move(prepared)), nullptr);
    EXPECT_EQ(box.Count(), 0u);
}

// Templates: the .BDT templates go to the DOS import, which is not here yet (408).
class FakeFrames : public fw::FrameFactory {
public:
    bool CreateFrame(fw::DocTemplate&, fw::Document&, bool) override {
        ++created;
        return !fail;
    }
    void CloseFrames(fw::Document&) override { ++closed; }
    int created = 0, closed = 0;
    bool fail = false;
};

TEST_F(TestFileTest, TemplatesOpenByExtension) {
    FakeFrames frames;
    fw::DocTemplate report(
        IDR_TEST_REPORT, [] { return std::make_unique<CQXRYXTestDoc>(); }, &frames);
    fw::DocTemplate old(
        IDR_OLD_TEST_REPORT, [] { return std::make_unique<CQXRYXTestDoc>(); }, &frames);
    EXPECT_TRUE(report.MatchesExtension("/d/T1.ryx"));
    EXPECT_TRUE(report.MatchesExtension("/d/T1.RYX"));
    EXPECT_FALSE(report.MatchesExtension("/d/T1.BDT"));
    std::string path = WriteFile("T9.RYX", Header(310) + Le16(0));
    fw::Document* doc = report.OpenDocumentFile(path.c_str());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(report.FindDocument(path), doc);
    EXPECT_EQ(report.FindDocument(dir + "/T9.ryx"), nullptr);  // an open document matches exactly
    EXPECT_EQ(frames.created, 1);
    box.Clear();
    EXPECT_EQ(old.OpenDocumentFile((dir + "/OLD.BDT").c_str()), nullptr);
    EXPECT_EQ(box.Texts(),
              std::vector<std::string>{
                  "Loading older RYX data requires both a BDT file and a DAT file. The file OLD.DAT "
                  "could not be opened.\n\n" +
                  dir + "/OLD.DAT does not exist."});
    EXPECT_TRUE(old.GetDocuments().empty());
    doc->OnCloseDocument();
    EXPECT_TRUE(report.GetDocuments().empty());
    EXPECT_EQ(frames.closed, 2);
}

TEST_F(TestFileTest, PreviewFailsSilentlyOnDamagedFile) {
    CQXRYXTestDoc preview;  // no template, as the file preview makes it
    EXPECT_FALSE(preview.OnOpenDocument(WriteFile("bad.ryx", Bytes("\x36\x01\x0A", 3))));
    EXPECT_EQ(box.Count(), 0u);
    EXPECT_TRUE(preview.m_bReportErrors);
    EXPECT_TRUE(preview.OnOpenDocument(WriteFile("ok.ryx", Header(310) + Le16(0))));
}

}  // namespace

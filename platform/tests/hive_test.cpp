#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "platform/CodePage.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "platform/tests/TempDir.h"

using namespace platform;

namespace {

const std::string kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\RYXw\\3.1\\Test";

std::string Utf16(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = DecodeUtf8(utf8, pos);
        out += static_cast<char>(cp & 0xFF);
        out += static_cast<char>(cp >> 8);
    }
    return out;
}

RegValue Dword(uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (8 * i));
    return {kRegDword, b};
}

class HiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        Hive::SetDiagnosticSink([this](const std::string& s) { reports.push_back(s); });
    }
    void TearDown() override {
        Hive::SetDiagnosticSink(nullptr);
        Hive::SetDamageSink(nullptr);  // a case that stopped early leaves none behind
    }
    std::string Read(const std::string& f) {
        std::string s;
        EXPECT_EQ(ReadWholeFile(f, s), 0u);
        return s;
    }
    ryxtest::TempDir dir;
    std::string path = dir.File("registry.reg");
    std::vector<std::string> reports;
};

}  // namespace

TEST_F(HiveTest, ValuesOfEveryTypeSurviveASaveAndAFreshRead) {
    const std::vector<std::pair<std::string, RegValue>> values = {
        {"Port", {kRegSz, "COM1"}},
        {"Quote \"and\" back\\slash", {kRegSz, "C:\\data \"x\""}},
        {"Unicode", {kRegSz, "\u00B5m \u00B2 \u4E2D"}},
        {"Two lines", {kRegSz, "a\r\nb"}},
        {"Two lines and a NUL", {kRegSz, std::string("a\r\n\0b", 5)}},
        {"A NUL after two lines", {kRegSz, std::string("a\nb\0", 4)}},
        {"A NUL", {kRegSz, std::string("a\0b", 3)}},
        {"Load Time", Dword(240)},
        {"Big", Dword(0xFFFFFFFFu)},
        {"Double", {kRegBinary, std::string("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8)}},
        {"Empty", {kRegBinary, ""}},
        {"Block", {kRegBinary, std::string(528, '\x7F')}},
        {"Qword", {kRegQword, std::string(8, '\x01')}},
        {"", {kRegSz, "default value"}},
    };
    {
        Hive h(path);
        for (const auto& [name, v] : values) ASSERT_EQ(h.SetValue(kKey, name, v), 0u) << name;
    }
    Hive fresh(path);
    for (const auto& [name, v] : values) {
        RegValue got;
        ASSERT_EQ(fresh.QueryValue(kKey, name, got), 0u) << name;
        EXPECT_EQ(got, v) << name;
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(HiveTest, SavesLookLikeAWindowsExport) {
    Hive h(path);
    ASSERT_EQ(h.SetValue(kKey, "Load Time", Dword(240)), 0u);
    const std::string bytes = Read(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const auto parsed = hive_format::Parse(bytes);
    EXPECT_TRUE(parsed.problems.empty());
    // Parents are written as keys of their own, the way an export lists them.
    std::vector<std::string> expected = {
        "HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\RYXw",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\RYXw\\3.1", kKey};
    EXPECT_EQ(parsed.keys, expected);
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i];
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n", 0), 0u);
    EXPECT_NE(text.find("\"Load Time\"=dword:000000f0\r\n"), std::string::npos);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
}

TEST_F(HiveTest, Wow6432NodeStandsForTheKeyWithoutItAndLoses) {
    const std::string exportText =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\RYXw\\3.1\\Test]\r\n"
        "\"Both\"=\"native\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\TarvokInstrument\\RYXw\\3.1\\Test]\r\n"
        "\"Both\"=\"wow\"\r\n"
        "\"Only Wow\"=\"from wow\"\r\n";
    ASSERT_EQ(WriteFileAtomic(path, Utf16(exportText)), 0u);
    Hive h(path);
    RegValue v;
    ASSERT_EQ(h.QueryValue(kKey, "Both", v), 0u);
    EXPECT_EQ(v.data, "native");
    ASSERT_EQ(h.QueryValue(kKey, "Only Wow", v), 0u);
    EXPECT_EQ(v.data, "from wow");
    // A save writes the key without WOW6432Node.
    ASSERT_EQ(h.SetValue(kKey, "New", {kRegSz, "x"}), 0u);
    std::string text;
    const std::string bytes = Read(path);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i];
    EXPECT_EQ(text.find("WOW6432Node"), std::string::npos);
    EXPECT_NE(text.find("\"Only Wow\"=\"from wow\""), std::string::npos);
}

TEST_F(HiveTest, ReadsAnAnsiRegedit4File) {
    ASSERT_EQ(WriteFileAtomic(path, "REGEDIT4\r\n\r\n[" + kKey + "]\r\n\"Operator\"=\"Jos\xE9\"\r\n"), 0u);
    Hive h(path);
    RegValue v;
    ASSERT_EQ(h.QueryValue(kKey, "operator", v), 0u);  // names compare without case
    EXPECT_EQ(v.data, "Jos\u00E9");
}

TEST_F(HiveTest, MalformedLinesAreReportedOnceAndKeptAsideAtTheFirstRead) {
    struct Case {
        const char* line;
        const char* what;
    } cases[] = {
        {"\"Broken=\"x\"", "missing '='"},
        {"\"Wrong\"=qword:00", "unknown value type"},
        {"\"Short\"=hex:01,02,", "truncated"},
        {"\"Bad hex\"=hex:0g", "hex"},
        {"\"Dword\"=dword:123456789", "dword"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        reports.clear();
        const std::string file = "Windows Registry Editor Version 5.00\r\n\r\n[" + kKey +
                                 "]\r\n\"Good\"=dword:00000007\r\n" + c.line + "\r\n\"After\"=\"ok\"\r\n";
        const std::string p = dir.File(std::string("r") + std::to_string(&c - cases) + ".reg");
        ASSERT_EQ(WriteFileAtomic(p, Utf16(file)), 0u);
        Hive h(p);
        RegValue v;
        EXPECT_EQ(h.QueryValue(kKey, "Good", v), 0u);
        EXPECT_EQ(h.QueryValue(kKey, "After", v), 0u);
        EXPECT_EQ(h.QueryValue(kKey, "Good", v), 0u);
        // The line, then the copy: both at the first read, before any write.
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_NE(reports[0].find(p + ": line 5:"), std::string::npos) << reports[0];
        EXPECT_NE(reports[0].find(c.what), std::string::npos) << reports[0];
        EXPECT_NE(reports[1].find(p + ": the unreadable file was kept as " + p + ".bad-"), std::string::npos)
            << reports[1];
        auto asides = [&] {
            int aside = 0;
            for (auto& e : std::filesystem::directory_iterator(dir.Path())) {
                const std::string name = e.path().filename().string();
                if (name.rfind(BaseName(p) + ".bad-", 0) == 0) {
                    ++aside;
                    EXPECT_EQ(Read(e.path().string()), Utf16(file));
                }
            }
            return aside;
        };
        EXPECT_EQ(asides(), 1);
        EXPECT_EQ(Read(p), Utf16(file));  // the read wrote nothing over it

        ASSERT_EQ(h.SetValue(kKey, "Written", {kRegSz, "y"}), 0u);
        EXPECT_EQ(asides(), 1);
        ASSERT_EQ(h.SetValue(kKey, "Again", {kRegSz, "z"}), 0u);  // kept aside once only
        EXPECT_EQ(asides(), 1);
        Hive fresh(p);
        EXPECT_EQ(fresh.QueryValue(kKey, "Good", v), 0u);
        EXPECT_EQ(fresh.QueryValue(kKey, "Written", v), 0u);
    }
}

// What the application hears of a damaged file: once per read of it, the
// file, the lines and the copy. A file cut where a line ends reads cleanly
// and is neither copied nor told.
TEST_F(HiveTest, ADamagedReadIsToldToTheDamageHookWithTheCopy) {
    const std::string whole = "Windows Registry Editor Version 5.00\r\n\r\n[" + kKey +
                              "]\r\n\"Port\"=\"COM1\"\r\n\"Width\"=hex:00,00,00,00,00,00,29,40\r\n"
                              "\"Zero\"=dword:00001234\r\n\"Operator\"=\"Lab\"\r\n";
    const std::string utf16 = Utf16(whole);
    const size_t widthAt = 2 + 2 * whole.find("\"Width\"");
    const size_t zeroAt = 2 + 2 * whole.find("\"Zero\"");
    const size_t operatorAt = 2 + 2 * whole.find("\"Operator\"");
    struct Case {
        const char* what;
        std::string bytes;
        const char* problem;  // nullptr: a clean read
    } cases[] = {
        {"cut after a byte of the hex list", utf16.substr(0, widthAt + 2 * 20),
         "line 5: the file ends inside"},
        {"cut after a comma of the hex list", utf16.substr(0, widthAt + 2 * 21),
         "line 5: broken or truncated"},
        {"cut inside a dword", utf16.substr(0, zeroAt + 2 * 17), "line 6: the file ends inside"},
        {"cut inside a text", utf16.substr(0, operatorAt + 2 * 14), "line 7: broken text value"},
        {"cut inside a character", utf16.substr(0, operatorAt + 1), "odd number of bytes"},
        {"cut at a line end", utf16.substr(0, operatorAt), nullptr},
        {"whole", utf16, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ryxtest::TempDir folder;
        const std::string p = folder.File("registry.reg");
        ASSERT_EQ(WriteFileAtomic(p, c.bytes), 0u);
        std::vector<Hive::Damage> told;
        Hive::SetDamageSink([&](const Hive::Damage& d) { told.push_back(d); });
        Hive h(p);
        RegValue v;
        EXPECT_EQ(h.QueryValue(kKey, "Port", v), 0u);
        EXPECT_EQ(h.QueryValue(kKey, "Port", v), 0u);
        Hive::SetDamageSink(nullptr);
        EXPECT_EQ(Read(p), c.bytes);
        std::vector<std::string> files;
        for (auto& e : std::filesystem::directory_iterator(folder.Path())) files.push_back(e.path().string());
        if (!c.problem) {
            EXPECT_TRUE(told.empty());
            EXPECT_EQ(files, std::vector<std::string>{p});
            continue;
        }
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].path, p);
        ASSERT_FALSE(told[0].problems.empty());
        EXPECT_NE(told[0].problems[0].find(c.problem), std::string::npos) << told[0].problems[0];
        EXPECT_EQ(told[0].keepError, 0u);
        EXPECT_EQ(told[0].keptAs.rfind(p + ".bad-", 0), 0u) << told[0].keptAs;
        EXPECT_EQ(Read(told[0].keptAs), c.bytes);
        EXPECT_EQ(files.size(), 2u);
    }
}

// The copy cannot be made (a full disk): the hook says so, and no save
// writes over the damaged file until the copy has been made.
TEST_F(HiveTest, ADamagedFileThatCannotBeCopiedIsNotWrittenOver) {
    const std::string file = Utf16("Windows Registry Editor Version 5.00\r\n\r\n[" + kKey +
                                   "]\r\n\"Port\"=\"COM1\"\r\n\"Width\"=hex:00,00,");
    ASSERT_EQ(WriteFileAtomic(path, file), 0u);
    std::vector<Hive::Damage> told;
    Hive::SetDamageSink([&](const Hive::Damage& d) { told.push_back(d); });
    SetWriteFailureHook([this](const std::string& target) { return target == path ? 0 : ENOSPC; });
    Hive h(path);
    RegValue v;
    EXPECT_EQ(h.QueryValue(kKey, "Port", v), 0u);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].keepError, kErrorDiskFull);
    EXPECT_TRUE(told[0].keptAs.empty());
    EXPECT_EQ(h.SetValue(kKey, "Operator", {kRegSz, "Lab"}), kErrorDiskFull);
    EXPECT_EQ(Read(path), file);
    SetWriteFailureHook(nullptr);
    Hive::SetDamageSink(nullptr);
    ASSERT_EQ(h.SetValue(kKey, "Operator", {kRegSz, "Lab"}), 0u);
    int aside = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path()))
        if (e.path().filename().string().rfind("registry.reg.bad-", 0) == 0) {
            ++aside;
            EXPECT_EQ(Read(e.path().string()), file);
        }
    EXPECT_EQ(aside, 1);
}

// Every key line the reader takes as a key is saved so that the next read
// finds the same key with the same values; a key line that names no key is
// a damaged line, not a key without a name.
TEST_F(HiveTest, EveryKeyTheReaderTakesReadsBackTheSameAfterASave) {
    struct Case {
        const char* line;
        const char* key;  // the key it is read as; nullptr: not a key
    } cases[] = {
        {"[\\-X]", "-X"},
        {"[\\\\-X]", "-X"},
        {"[\\-X\\-Y]", "-X\\-Y"},
        {"[-X\\Y]", nullptr},  // a delete line
        {"[HKEY_LOCAL_MACHINE\\-X]", "HKEY_LOCAL_MACHINE\\-X"},
        {"[ -X]", " -X"},
        {"[A]]", "A]"},
        {"[A ]", "A "},
        {"[A\\\\B\\]", "A\\B"},
        {"[SOFTWARE\\WOW6432Node\\X]", "SOFTWARE\\X"},
        {"[SOFTWARE\\WOW6432Node\\WOW6432Node\\X]", "SOFTWARE\\X"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\wow6432node]", "HKEY_LOCAL_MACHINE\\SOFTWARE"},
        {"[\\]", nullptr},
        {"[\\\\\\]", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ryxtest::TempDir folder;
        const std::string p = folder.File("registry.reg");
        ASSERT_EQ(WriteFileAtomic(p, "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(c.line) +
                                         "\r\n\"x\"=\"1\"\r\n"),
                  0u);
        Hive h(p);
        RegValue v;
        const std::vector<std::string> keys = h.Keys();
        if (c.key) {
            ASSERT_EQ(h.QueryValue(c.key, "x", v), 0u);
            EXPECT_EQ(v, (RegValue{kRegSz, "1"}));
        } else {
            for (const auto& k : keys) EXPECT_EQ(h.QueryValue(k, "x", v), kErrorFileNotFound) << k;
        }
        ASSERT_EQ(h.SetValue("HKEY_LOCAL_MACHINE\\Saved", "y", {kRegSz, "2"}), 0u);
        const std::string saved = Read(p);
        EXPECT_TRUE(hive_format::Parse(saved).problems.empty());
        Hive fresh(p);
        std::vector<std::string> again = fresh.Keys();
        std::vector<std::string> held = h.Keys();
        std::sort(again.begin(), again.end());
        std::sort(held.begin(), held.end());
        EXPECT_EQ(again, held);
        if (c.key) {
            ASSERT_EQ(fresh.QueryValue(c.key, "x", v), 0u);
            EXPECT_EQ(v, (RegValue{kRegSz, "1"}));
        }
        EXPECT_EQ(fresh.ExportText(), h.ExportText());
    }
}

TEST_F(HiveTest, AnotherWritersChangesAreSeen) {
    Hive a(path), b(path);  // two processes' copies of one file
    ASSERT_EQ(a.SetValue(kKey, "X", {kRegSz, "1"}), 0u);
    RegValue v;
    ASSERT_EQ(b.QueryValue(kKey, "X", v), 0u);
    ASSERT_EQ(b.SetValue(kKey, "Y", {kRegSz, "2"}), 0u);
    ASSERT_EQ(a.SetValue(kKey, "X", {kRegSz, "3"}), 0u);  // must not drop b's Y
    Hive fresh(path);
    ASSERT_EQ(fresh.QueryValue(kKey, "Y", v), 0u);
    EXPECT_EQ(v.data, "2");
    ASSERT_EQ(fresh.QueryValue(kKey, "X", v), 0u);
    EXPECT_EQ(v.data, "3");
}

TEST_F(HiveTest, TwoProcessesWritingInTurnLoseNoValue) {
    constexpr int kEach = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            Hive h(path);
            int failures = 0;
            for (int i = 0; i < kEach; ++i)
                failures += h.SetValue(kKey, "p" + std::to_string(c) + "-" + std::to_string(i),
                                       Dword(static_cast<uint32_t>(i))) != 0;
            _exit(failures);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    Hive h(path);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kEach; ++i) {
            RegValue v;
            EXPECT_EQ(h.QueryValue(kKey, "p" + std::to_string(c) + "-" + std::to_string(i), v), 0u);
            EXPECT_EQ(v, Dword(static_cast<uint32_t>(i)));
        }
}

TEST_F(HiveTest, AFailedSaveLeavesFileAndMemoryAsTheyWere) {
    Hive h(path);
    ASSERT_EQ(h.SetValue(kKey, "Kept", {kRegSz, "1"}), 0u);
    const std::string before = Read(path);
    SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    EXPECT_EQ(h.SetValue(kKey, "Lost", {kRegSz, "2"}), kErrorDiskFull);
    SetWriteFailureHook(nullptr);
    RegValue v;
    EXPECT_EQ(h.QueryValue(kKey, "Lost", v), kErrorFileNotFound);
    EXPECT_EQ(h.QueryValue(kKey, "Kept", v), 0u);
    EXPECT_EQ(Read(path), before);
}

TEST_F(HiveTest, AFolderWhereTheFileShouldBeIsAnErrorNotACrash) {
    ASSERT_EQ(EnsureDirectory(path), 0u);
    Hive h(path);
    RegValue v;
    EXPECT_EQ(h.QueryValue(kKey, "X", v), kErrorFileNotFound);
    EXPECT_NE(h.SetValue(kKey, "X", {kRegSz, "1"}), 0u);
}

TEST_F(HiveTest, KeysCreatedByReadsStayInMemory) {
    Hive h(path);
    ASSERT_EQ(h.CreateKey(kKey), 0u);
    EXPECT_FALSE(FileExists(path));
    const auto keys = h.Keys();
    EXPECT_NE(std::find(keys.begin(), keys.end(), kKey), keys.end());
}

// A settings file that is no file is refused at once: a named pipe without a
// writer would hold the station's start in its first read, a device be read
// without end. What it should hold reads as missing, it is reported, and the
// damage hook hears of it once with its cause (the station tells the
// operator from it).
TEST_F(HiveTest, ASettingsFileThatIsNoFileReadsAsMissingAndNeverBlocks) {
    struct Case {
        const char* name;
        std::function<void()> make;
        Hive::ReadFailure failure;
    };
    const Case cases[] = {
        {"named pipe",
         [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); },
         {kErrorAccessDenied, ReadRefusal::kNotRegularFile}},
        {"device",
         [&] { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); },
         {kErrorAccessDenied, ReadRefusal::kNotRegularFile}},
        {"folder",
         [&] { ASSERT_TRUE(std::filesystem::create_directory(path)); },
         {kErrorAccessDenied, ReadRefusal::kFolder}},
        {"too large",
         [&] {
             ASSERT_EQ(WriteFileAtomic(path, Utf16("Windows Registry Editor Version 5.00\r\n")), 0u);
             ASSERT_EQ(::truncate(path.c_str(), off_t{17} << 20), 0);
         },
         {kErrorFileTooLarge, ReadRefusal::kTooLarge}},
    };
    std::vector<Hive::Damage> told;
    Hive::SetDamageSink([&](const Hive::Damage& d) { told.push_back(d); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        c.make();
        reports.clear();
        told.clear();
        Hive h(path);
        RegValue v;
        EXPECT_EQ(h.QueryValue(kKey, "X", v), kErrorFileNotFound);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].rfind(path + ": cannot be read", 0), 0u) << reports[0];
        // A save would put what little is held in its place: it is refused,
        // and what stands there is left as it was.
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        EXPECT_EQ(h.SetValue(kKey, "X", Dword(1)), c.failure.error);
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(h.QueryValue(kKey, "X", v), kErrorFileNotFound);
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].path, path);
        EXPECT_TRUE(told[0].problems.empty());
        EXPECT_TRUE(told[0].keptAs.empty());
        EXPECT_EQ(told[0].unreadable, c.failure);
        EXPECT_EQ(h.Unreadable(), c.failure);
    }
    Hive::SetDamageSink(nullptr);
}

// Readable again (here: gone), then unreadable: a save works meanwhile, a new
// kind of failure is told, one told before is not told again.
TEST_F(HiveTest, AFileThatBecomesReadableAgainIsSavedAndEachKindOfFailureToldOnce) {
    const auto makeFifo = [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); };
    std::vector<Hive::Damage> told;
    Hive::SetDamageSink([&](const Hive::Damage& d) { told.push_back(d); });
    makeFifo();
    Hive h(path);
    RegValue v;
    EXPECT_EQ(h.QueryValue(kKey, "X", v), kErrorFileNotFound);
    // Gone: what is saved now makes a new file.
    std::filesystem::remove(path);
    ASSERT_EQ(h.SetValue(kKey, "X", Dword(1)), 0u);
    EXPECT_EQ(h.Unreadable(), Hive::ReadFailure{});
    std::filesystem::remove(path);
    ASSERT_TRUE(std::filesystem::create_directory(path));
    EXPECT_EQ(h.QueryValue(kKey, "X", v), 0u);  // what was read stays
    std::filesystem::remove(path);
    makeFifo();
    EXPECT_EQ(h.QueryValue(kKey, "X", v), 0u);
    Hive::SetDamageSink(nullptr);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].unreadable.refusal, ReadRefusal::kNotRegularFile);
    EXPECT_EQ(told[1].unreadable.refusal, ReadRefusal::kFolder);
    EXPECT_EQ(h.Unreadable().refusal, ReadRefusal::kNotRegularFile);
}

#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/Paths.h"
#include "platform/tests/TempDir.h"

using namespace platform;

TEST(Paths, ConfigDirFollowsTheEnvironment) {
    setenv("RYX_CONFIG_DIR", "/tmp/cfg-a", 1);
    EXPECT_EQ(ConfigDir(), "/tmp/cfg-a");
    unsetenv("RYX_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(ConfigDir(), "/tmp/xdg/TarvokInstrument");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/lab", 1);
    EXPECT_EQ(ConfigDir(), "/home/lab/.config/TarvokInstrument");
}

TEST(Paths, NameParts) {
    EXPECT_EQ(BaseName("/data/T1.RYX"), "T1.RYX");
    EXPECT_EQ(DirName("/data/T1.RYX"), "/data");
    EXPECT_EQ(DirName("/T1"), "/");
    EXPECT_EQ(DirName("T1"), "");
    EXPECT_EQ(Extension("/data/T1.RYX"), ".RYX");
    EXPECT_EQ(Extension("/da.ta/T1"), "");
    EXPECT_EQ(JoinPath("/data/", "T1"), "/data/T1");
    EXPECT_EQ(JoinPath("/data", "T1"), "/data/T1");
    EXPECT_TRUE(EqualsNoCase(".ryx", ".RYX"));
    EXPECT_FALSE(EqualsNoCase(".ryx", ".RYXX"));
}

TEST(AtomicWrite, ReplacesTheWholeFile) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("sub/a.txt");
    ASSERT_EQ(EnsureDirectory(DirName(f)), 0u);
    ASSERT_EQ(WriteFileAtomic(f, "first"), 0u);
    ASSERT_EQ(WriteFileAtomic(f, "second"), 0u);
    std::string got;
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "second");
    // No temporary file stays behind.
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.File("sub"))) ++n;
    EXPECT_EQ(n, 1);
}

TEST(AtomicWrite, AFailedWriteKeepsTheOldFile) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("a.txt");
    ASSERT_EQ(WriteFileAtomic(f, "old"), 0u);
    SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    EXPECT_EQ(WriteFileAtomic(f, "new"), kErrorDiskFull);
    SetWriteFailureHook(nullptr);
    std::string got;
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "old");
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++n;
    EXPECT_EQ(n, 1);
}

TEST(AtomicWrite, ADirectoryInTheWayIsAnError) {
    ryxtest::TempDir dir;
    ASSERT_EQ(EnsureDirectory(dir.File("taken")), 0u);
    EXPECT_NE(WriteFileAtomic(dir.File("taken"), "x"), 0u);
    EXPECT_TRUE(IsDirectory(dir.File("taken")));
    EXPECT_NE(WriteFileAtomic(dir.File("missing/dir/x"), "x"), 0u);
}

TEST(Paths, FreeDiskSpace) {
    uint64_t bytes = 0;
    EXPECT_EQ(FreeDiskSpace("/", bytes), 0u);
    EXPECT_GT(bytes, 0u);
    EXPECT_NE(FreeDiskSpace("/no/such/folder", bytes), 0u);
}

// The append of a record to a log: the header only into an empty file, what
// was there never touched, and a failure that leaves the file as it was.
TEST(AppendToFile, HeaderOnlyIntoAnEmptyFileThenRowsAfterWhatIsThere) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("log.csv");
    ASSERT_EQ(AppendToFile(f, "H\r\n", "1\r\n"), 0u);
    ASSERT_EQ(AppendToFile(f, "H\r\n", "2\r\n"), 0u);
    std::string got;
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "H\r\n1\r\n2\r\n");
    // An existing empty file gets the header; one with anything in it not.
    const std::string g = dir.File("empty.csv");
    ASSERT_EQ(WriteFileAtomic(g, ""), 0u);
    ASSERT_EQ(AppendToFile(g, "H\r\n", "1\r\n"), 0u);
    ASSERT_EQ(ReadWholeFile(g, got), 0u);
    EXPECT_EQ(got, "H\r\n1\r\n");
    const std::string odd = std::string("not a header\0\xff", 15);
    ASSERT_EQ(WriteFileAtomic(g, odd), 0u);
    ASSERT_EQ(AppendToFile(g, "H\r\n", "1\r\n"), 0u);
    ASSERT_EQ(ReadWholeFile(g, got), 0u);
    EXPECT_EQ(got, odd + "1\r\n");
}

// A named pipe nobody reads is refused at once; one that is read gets the
// row (no header: a pipe has no size to tell that it is empty).
TEST(AppendToFile, ANamedPipeWithoutReaderIsRefusedAndNeverWaitedOn) {
    ryxtest::TempDir dir;
    const std::string fifo = dir.File("log.csv");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    EXPECT_EQ(AppendToFile(fifo, "H\r\n", "1\r\n"), kErrorDevNotExist);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(AppendToFile(fifo, "H\r\n", "2\r\n"), 0u);
    char buf[16] = {};
    EXPECT_EQ(::read(reader, buf, sizeof buf), 3);
    EXPECT_EQ(std::string(buf), "2\r\n");
    ::close(reader);
}

TEST(AppendToFile, AnInjectedFailureLeavesTheFileAsItWas) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("log.csv");
    ASSERT_EQ(AppendToFile(f, "H\r\n", "1\r\n"), 0u);
    std::string target;
    SetWriteFailureHook([&](const std::string& t) {
        target = t;
        return EACCES;
    });
    EXPECT_EQ(AppendToFile(f, "H\r\n", "2\r\n"), kErrorAccessDenied);
    SetWriteFailureHook({});
    EXPECT_EQ(target, f);
    std::string got;
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "H\r\n1\r\n");
}

TEST(AppendToFile, ADirectoryInTheWayOrAFullDeviceIsAnError) {
    ryxtest::TempDir dir;
    const std::string d = dir.File("log.csv");
    ASSERT_EQ(EnsureDirectory(d), 0u);
    EXPECT_EQ(AppendToFile(d, "H\r\n", "1\r\n"), kErrorAccessDenied);
    EXPECT_TRUE(IsDirectory(d));
    EXPECT_EQ(AppendToFile("/dev/full", "H\r\n", "1\r\n"), kErrorDiskFull);
}

// A write that stops part-way (the file-size limit here, a full disk in the
// laboratory) is cut back off: the next append does not follow half a row.
TEST(AppendToFile, APartialWriteIsTakenOutAgain) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("log.csv");
    ASSERT_EQ(AppendToFile(f, "H\r\n", "1\r\n"), 0u);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 10;  // room for 4 of the next 12 bytes
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ErrorCode e = AppendToFile(f, "H\r\n", "a long row\r\n");
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_EQ(e, kErrorDiskFull);
    std::string got;
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "H\r\n1\r\n");
    ASSERT_EQ(AppendToFile(f, "H\r\n", "2\r\n"), 0u);
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "H\r\n1\r\n2\r\n");
}

// The folders the environment names are taken against the directory the
// start is made in; a later change of the current directory moves none.
TEST(Paths, EnvironmentFoldersAreAnchoredWhereTheStartWasMade) {
    ryxtest::TempDir dir;
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    const std::string before = buf;
    ASSERT_EQ(EnsureDirectory(dir.File("elsewhere")), 0u);
    struct Case {
        const char* what;
        const char* config;  // nullptr: unset
        const char* xdg;
        const char* home;
        const char* help;
        std::string configDir;  // expected, absolute
        std::string helpDir;
    };
    passwd* account = getpwuid(getuid());
    ASSERT_NE(account, nullptr);
    const Case cases[] = {
        {"relative RYX_CONFIG_DIR", "cfg", nullptr, "/home/lab", nullptr, dir.File("cfg"), ""},
        {"RYX_CONFIG_DIR with dots", "./a/../cfg/", nullptr, "/home/lab", nullptr, dir.File("cfg"), ""},
        {"absolute RYX_CONFIG_DIR", "/srv/cfg", "x", "y", nullptr, "/srv/cfg", ""},
        {"relative XDG_CONFIG_HOME", nullptr, "xdg", "/home/lab", nullptr, dir.File("xdg/TarvokInstrument"),
         ""},
        {"relative HOME", nullptr, nullptr, "home", nullptr, dir.File("home/.config/TarvokInstrument"), ""},
        {"no HOME, no XDG_CONFIG_HOME", nullptr, nullptr, nullptr, nullptr,
         JoinPath(JoinPath(account->pw_dir, ".config"), "TarvokInstrument"), ""},
        {"relative RYX_HELP_DIR", "/srv/cfg", nullptr, nullptr, "help", "/srv/cfg", dir.File("help")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(chdir(dir.Path().c_str()), 0);
        auto set = [](const char* name, const char* value) {
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        };
        set("RYX_CONFIG_DIR", c.config);
        set("XDG_CONFIG_HOME", c.xdg);
        set("HOME", c.home);
        set("RYX_HELP_DIR", c.help);
        AnchorEnvironmentFolders();
        ASSERT_EQ(chdir(dir.File("elsewhere").c_str()), 0);
        EXPECT_EQ(ConfigDir(), c.configDir);
        const char* help = getenv("RYX_HELP_DIR");
        EXPECT_EQ(help ? std::string(help) : std::string(), c.helpDir);
        if (c.home && c.home[0] != '/') {
            EXPECT_EQ(std::string(getenv("HOME")), dir.File(c.home));
        }
    }
    ASSERT_EQ(chdir(before.c_str()), 0);
}

// Files that are no files: each is refused at once, with its cause, and
// nothing blocks (a named pipe without a writer would hold the open for
// ever; the device would be read without end).
struct RefusedCase {
    const char* name;
    std::function<void(const std::string& path, const ryxtest::TempDir& dir)> make;
    ReadRefusal refusal;
    ErrorCode code;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(ReadRefused, AtOnceWithItsCause) {
    const RefusedCase& c = GetParam();
    ryxtest::TempDir dir;
    const std::string path = dir.File("x.ryx");
    c.make(path, dir);
    std::string got = "kept";
    ReadRefusal why = ReadRefusal::kNone;
    EXPECT_EQ(ReadWholeFile(path, got, 1000, &why), c.code);
    EXPECT_EQ(why, c.refusal);
    EXPECT_EQ(got, "kept");
    // The open alone refuses it too.
    int fd = -1;
    uint64_t size = 0;
    why = ReadRefusal::kNone;
    EXPECT_EQ(OpenRegularFile(path, 1000, fd, size, &why), c.code);
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(why, c.refusal);
}

void Link(const std::string& target, const std::string& path) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
}

void Write(const std::string& path, size_t bytes) {
    ASSERT_EQ(WriteFileAtomic(path, std::string(bytes, 'x')), 0u);
}

const RefusedCase kRefused[] = {
    {"fifo", [](const std::string& p, const auto&) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); },
     ReadRefusal::kNotRegularFile, kErrorAccessDenied},
    {"link_to_a_fifo",
     [](const std::string& p, const ryxtest::TempDir& d) {
         ASSERT_EQ(::mkfifo(d.File("pipe").c_str(), 0666), 0);
         Link(d.File("pipe"), p);
     },
     ReadRefusal::kNotRegularFile, kErrorAccessDenied},
    {"device", [](const std::string& p, const auto&) { Link("/dev/zero", p); }, ReadRefusal::kNotRegularFile,
     kErrorAccessDenied},
    {"folder", [](const std::string& p, const auto&) { ASSERT_EQ(EnsureDirectory(p), 0u); },
     ReadRefusal::kFolder, kErrorAccessDenied},
    {"above_the_bound", [](const std::string& p, const auto&) { Write(p, 1001); }, ReadRefusal::kTooLarge,
     kErrorFileTooLarge},
    {"missing", [](const std::string&, const auto&) {}, ReadRefusal::kNoSuchFile, kErrorFileNotFound},
    {"dangling_link", [](const std::string& p, const ryxtest::TempDir& d) { Link(d.File("gone.ryx"), p); },
     ReadRefusal::kBrokenLink, kErrorFileNotFound},
    {"link_loop",
     [](const std::string& p, const ryxtest::TempDir& d) {
         Link(d.File("b.ryx"), p);
         Link(p, d.File("b.ryx"));
     },
     ReadRefusal::kBrokenLink, kErrorFileNotFound},
};

INSTANTIATE_TEST_SUITE_P(EveryKind, ReadRefused, testing::ValuesIn(kRefused),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadWholeFile, UpToItsBoundAndNoMore) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("a.ryx");
    Write(f, 1000);
    std::string got;
    ReadRefusal why = ReadRefusal::kOther;
    ASSERT_EQ(ReadWholeFile(f, got, 1000, &why), 0u);
    EXPECT_EQ(got.size(), 1000u);
    EXPECT_EQ(why, ReadRefusal::kNone);
    // A sparse file of many gigabytes is refused by its size, not read.
    const std::string big = dir.File("big.ryx");
    Write(big, 0);
    ASSERT_EQ(::truncate(big.c_str(), off_t{8} << 30), 0);
    EXPECT_EQ(ReadWholeFile(big, got, uint64_t{1} << 30, &why), kErrorFileTooLarge);
    EXPECT_EQ(why, ReadRefusal::kTooLarge);
    EXPECT_EQ(got.size(), 1000u);
}

// Root reads any file whatever its mode: the permission case is injected
// (and, for any other user, made with chmod as well).
TEST(ReadWholeFile, NoPermissionToRead) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("a.ryx");
    Write(f, 10);
    std::string seen;
    SetReadFailureHook([&](const std::string& p) {
        seen = p;
        return EACCES;
    });
    std::string got;
    ReadRefusal why = ReadRefusal::kNone;
    EXPECT_EQ(ReadWholeFile(f, got, 1000, &why), kErrorAccessDenied);
    SetReadFailureHook(nullptr);
    EXPECT_EQ(why, ReadRefusal::kNoPermission);
    EXPECT_EQ(seen, f);
    if (::geteuid() == 0) return;
    ASSERT_EQ(::chmod(f.c_str(), 0), 0);
    EXPECT_EQ(ReadWholeFile(f, got, 1000, &why), kErrorAccessDenied);
    EXPECT_EQ(why, ReadRefusal::kNoPermission);
}

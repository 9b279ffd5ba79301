// ryx-sim as a script starts it: options, the first line, the alias, the
// console on standard input and the ways it ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Hive.h"
#include "simulator/tests/support/PtyPeer.h"

namespace ryxsim {
namespace {

class Program {
public:
    explicit Program(std::vector<std::string> args) {
        int in[2], out[2], err[2];
        if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(RYX_SIM_PROGRAM));
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(RYX_SIM_PROGRAM, argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        m_in = in[1];
        m_out = out[0];
        m_err = err[0];
    }
    ~Program() {
        CloseInput();
        if (m_pid > 0 && m_status < 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
        if (m_err >= 0) close(m_err);
    }

    void Write(const std::string& text) {
        [[maybe_unused]] ssize_t n = write(m_in, text.data(), text.size());
    }
    void CloseInput() {
        if (m_in >= 0) close(m_in);
        m_in = -1;
    }
    void Signal(int sig) { kill(m_pid, sig); }

    // The next line of standard output, "" at the deadline or the end.
    std::string ReadLine(int deadlineMs = 5000) { return Line(m_out, m_outBuf, deadlineMs); }
    std::string ReadAll(int fd, std::string& buf, int deadlineMs) {
        for (std::string l; !(l = Line(fd, buf, deadlineMs)).empty();) buf = l + buf;
        return buf;
    }
    std::string Stderr() {
        std::string all;
        char b[1024];
        pollfd p{m_err, POLLIN, 0};
        while (poll(&p, 1, 2000) > 0) {
            const ssize_t n = read(m_err, b, sizeof b);
            if (n <= 0) break;
            all.append(b, static_cast<size_t>(n));
        }
        return all;
    }
    std::string Stdout() {
        std::string all = m_outBuf;
        m_outBuf.clear();
        char b[1024];
        pollfd p{m_out, POLLIN, 0};
        while (poll(&p, 1, 2000) > 0) {
            const ssize_t n = read(m_out, b, sizeof b);
            if (n <= 0) break;
            all.append(b, static_cast<size_t>(n));
        }
        return all;
    }
    // Exit code, or -1 when it has not ended within the deadline.
    int Wait(int deadlineMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return m_status;
            }
            // Waiting for the child's end: its output pipe closes with it.
            pollfd p{m_err, POLLIN, 0};
            poll(&p, 1, 20);
        }
        return -1;
    }

private:
    static std::string Line(int fd, std::string& buf, int deadlineMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
        for (;;) {
            const size_t nl = buf.find('\n');
            if (nl != std::string::npos) {
                std::string line = buf.substr(0, nl);
                buf.erase(0, nl + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                    .count();
            pollfd p{fd, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return "";
            char b[512];
            const ssize_t n = read(fd, b, sizeof b);
            if (n <= 0) return "";
            buf.append(b, static_cast<size_t>(n));
        }
    }

    pid_t m_pid = -1;
    int m_in = -1, m_out = -1, m_err = -1;
    int m_status = -1;
    std::string m_outBuf;
};

std::string LinkTarget(const std::string& path) {
    std::error_code ec;
    return std::filesystem::read_symlink(path, ec).string();
}

bool LinkExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

TEST(ProgramTest, PrintsTheDeviceFirstPublishesItAndAnswersOnIt) {
    testing::TempDir dir;
    Program p({"--config-dir", dir.Path(), "--alias", "COM3", "--time-scale", "10"});
    const std::string device = p.ReadLine();
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    const std::string link = dir.Path() + "/ports/com3";
    EXPECT_EQ(LinkTarget(link), device);

    testing::PtyPeer peer(link);
    ASSERT_TRUE(peer.IsOpen());
    peer.Send("V\r");
    EXPECT_EQ(peer.ReadFrame(), "V2.000\r");

    p.Write("switch load\n");
    EXPECT_EQ(p.ReadLine(), "ok");
    peer.Send("G\r");
    testing::Frame f;
    ASSERT_TRUE(testing::ParseDataFrame(peer.ReadFrame(), f));
    EXPECT_EQ(f.zero, 'L');

    p.Write("beam glass\nhelp\n");
    EXPECT_EQ(p.ReadLine().rfind("error: ", 0), 0u);
    EXPECT_EQ(p.ReadLine().rfind("help", 0), 0u);

    p.CloseInput();
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_FALSE(LinkExists(link)) << "the alias outlived the simulator";
}

TEST(ProgramTest, SignalsEndItCleanly) {
    for (int sig : {SIGTERM, SIGINT}) {
        testing::TempDir dir;
        Program p({"--config-dir", dir.Path()});
        ASSERT_FALSE(p.ReadLine().empty());
        const std::string link = dir.Path() + "/ports/com1";
        ASSERT_TRUE(LinkExists(link));
        p.Signal(sig);
        EXPECT_EQ(p.Wait(), 0) << sig;
        EXPECT_FALSE(LinkExists(link)) << sig;
    }
}

TEST(ProgramTest, QuitEndsIt) {
    testing::TempDir dir;
    Program p({"--config-dir", dir.Path(), "--firmware", "1.500"});
    ASSERT_FALSE(p.ReadLine().empty());
    p.Write("quit\n");
    EXPECT_EQ(p.ReadLine(), "ok");
    EXPECT_EQ(p.Wait(), 0);
}

TEST(ProgramTest, RefusesBadOptionsWithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {"--time-scale", "0"}, {"--time-scale", "x"}, {"--firmware", "2.0"}, {"--alias", "COM9"},
        {"--seed", "-1"},      {"--bogus", "1"},      {"--config-dir"},
    };
    for (const auto& args : cases) {
        Program p(args);
        EXPECT_EQ(p.Wait(), 2) << args[0];
        const std::string err = p.Stderr();
        EXPECT_NE(err.find("ryx-sim: "), std::string::npos) << err;
        EXPECT_NE(err.find("Usage: ryx-sim"), std::string::npos) << err;
    }
    Program help({"--help"});
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_NE(help.Stdout().find("--time-scale N"), std::string::npos);
}

TEST(ProgramTest, LeavesAnAliasInUseAlone) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.Path() + "/ports");
    const std::string link = dir.Path() + "/ports/com1";
    std::filesystem::create_symlink("/dev/null", link);
    Program p({"--config-dir", dir.Path()});
    EXPECT_EQ(p.Wait(), 1);
    EXPECT_NE(p.Stderr().find("in use"), std::string::npos);
    EXPECT_EQ(LinkTarget(link), "/dev/null");
}

}  // namespace
}  // namespace ryxsim

namespace ryxsim {
namespace {

TEST(ProgramTest, WritesSettingsAndEnds) {
    testing::TempDir dir;
    const std::string file = dir.Path() + "/cfg/registry.reg";
    Program p({"--write-settings", file, "--alias", "COM2"});
    EXPECT_EQ(p.Wait(), 0) << p.Stderr();
    platform::Hive hive(file);
    platform::RegValue port;
    ASSERT_EQ(hive.QueryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\RYXw\\3.1", "Port", port), 0u);
    EXPECT_EQ(port, (platform::RegValue{platform::kRegSz, "COM2"}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/cfg/data"));

    Program bad({"--write-settings", "/dev/null/registry.reg"});
    EXPECT_EQ(bad.Wait(), 1);
    EXPECT_NE(bad.Stderr().find("ryx-sim: "), std::string::npos);
}

}  // namespace
}  // namespace ryxsim

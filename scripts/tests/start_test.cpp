// scripts/start.sh as an operator's terminal runs it: an interactive shell on
// a pseudo-terminal starts it as its foreground job, against the simulated
// instrument of this build and a stand-in for the station that records the
// signals it gets. The terminal's interrupt and its hang-up are the station's
// alone: the simulator goes on answering while the station runs, and it is
// stopped once the station has ended.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void WriteText(const std::string& path, const std::string& text) {
    const std::string part = path + ".part";
    std::ofstream(part, std::ios::binary) << text;
    std::filesystem::rename(part, path);
}

bool LinkExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Neither gone nor a zombie.
bool Running(pid_t pid) {
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

std::vector<std::string> CommandLine(const std::string& procEntry) {
    std::vector<std::string> args;
    std::istringstream in(ReadText("/proc/" + procEntry + "/cmdline"));
    for (std::string a; std::getline(in, a, '\0');) args.push_back(a);
    return args;
}

// Looks again and again for what other processes do, with `step` (a short
// wait) in between; false at the deadline.
bool WaitUntil(const std::function<bool()>& done, int deadlineMs,
               const std::function<void()>& step = [] { poll(nullptr, 0, 20); }) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        step();
    }
    return true;
}

// The running simulator that serves configFolder, 0 when there is none.
pid_t FindSimulator(const std::string& configFolder) {
    DIR* proc = opendir("/proc");
    pid_t found = 0;
    while (dirent* e = proc ? readdir(proc) : nullptr) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
        const std::vector<std::string> args = CommandLine(e->d_name);
        if (args.empty() || args[0] != RYX_SIM_PROGRAM) continue;
        for (size_t i = 1; i + 1 < args.size(); ++i) {
            if (args[i] == "--config-dir" && args[i + 1] == configFolder && Running(std::atoi(e->d_name))) {
                found = std::atoi(e->d_name);
            }
        }
    }
    if (proc) closedir(proc);
    return found;
}

// A terminal with an interactive shell on it, the way an operator starts the
// script: the shell makes the typed command its foreground job, and a
// hang-up reaches the shell, which hands it to its jobs as it ends.
class Terminal {
public:
    explicit Terminal(const std::vector<std::string>& settings) {
        // The environment is made before the fork: the child only execs.
        std::vector<std::string> env;
        const auto replaced = [&](const std::string& entry) {
            const std::string name = entry.substr(0, entry.find('=') + 1);
            for (const std::string& s : settings) {
                if (s.rfind(name, 0) == 0) return true;
            }
            for (const char* drop : {"RYX_SIM_ARGS=", "WAYLAND_DISPLAY=", "BASH_ENV=", "ENV=", "PROMPT_COMMAND="}) {
                if (name == drop) return true;
            }
            return false;
        };
        for (char** e = environ; *e; ++e) {
            if (!replaced(*e)) env.emplace_back(*e);
        }
        env.insert(env.end(), settings.begin(), settings.end());
        for (const char* s : {"INPUTRC=/dev/null", "PS1=$ ", "TERM=dumb"}) env.emplace_back(s);
        std::vector<char*> envp;
        for (std::string& s : env) envp.push_back(s.data());
        envp.push_back(nullptr);
        char bash[] = "bash", norc[] = "--norc", noprofile[] = "--noprofile", interactive[] = "-i";
        char* argv[] = {bash, norc, noprofile, interactive, nullptr};

        // The kernel's default line settings: ISIG on, ^C the interrupt.
        m_shell = forkpty(&m_master, nullptr, nullptr, nullptr);
        if (m_shell == 0) {
            // As a terminal starts its shell: no signal ignored or blocked.
            for (int sig : {SIGINT, SIGHUP, SIGTERM, SIGQUIT, SIGPIPE, SIGCHLD, SIGTTIN, SIGTTOU, SIGTSTP}) {
                signal(sig, SIG_DFL);
            }
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            execvpe(bash, argv, envp.data());
            _exit(127);
        }
    }
    ~Terminal() {
        HangUp();
        if (m_shell > 0) waitpid(m_shell, nullptr, 0);
    }
    bool IsOpen() const { return m_master >= 0 && m_shell > 0; }

    void Type(const std::string& text) {
        [[maybe_unused]] const ssize_t n = write(m_master, text.data(), text.size());
    }
    // The operator closes the terminal: the kernel hangs the line up.
    void HangUp() {
        if (m_master >= 0) close(m_master);
        m_master = -1;
    }
    const std::string& Screen() const { return m_screen; }

    // WaitUntil, reading the screen meanwhile so that no writer blocks on a
    // full terminal.
    bool WaitFor(const std::function<bool()>& done, int deadlineMs = 20000) {
        return WaitUntil(done, deadlineMs, [this] {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, m_master >= 0 && !m_ended ? 1 : 0, 20) > 0) {
                char buf[1024];
                const ssize_t n = read(m_master, buf, sizeof buf);
                if (n > 0) m_screen.append(buf, static_cast<size_t>(n));
                m_ended = n <= 0;  // nobody left on the terminal
            }
            if (m_shell > 0 && waitpid(m_shell, nullptr, WNOHANG) == m_shell) m_shell = -1;
        });
    }

private:
    int m_master = -1;
    bool m_ended = false;
    pid_t m_shell = -1;
    std::string m_screen;
};

struct Case {
    const char* name;
    const char* signal;  // as the stand-in records it
    bool hangUp;         // else the interrupt character
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class StartScript : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "ryx-start-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_run = m_dir + "/run";
        m_station = m_dir + "/station";
        std::filesystem::create_directories(m_station);
    }
    void TearDown() override {
        // Whatever went wrong, nothing the case started stays behind: the
        // stand-in is told to end, and what has not ended soon after is killed.
        if (!LinkExists(m_station + "/quit")) WriteText(m_station + "/quit", "0\n");
        const pid_t sim = FindSimulator(m_run + "/config");
        const std::vector<pid_t> started = {m_standIn, m_script, sim};
        const auto ended = [&](pid_t pid) { return pid <= 0 || !Running(pid); };
        WaitUntil([&] { return std::all_of(started.begin(), started.end(), ended); }, 10000);
        for (pid_t pid : started) {
            if (!ended(pid)) kill(pid, SIGKILL);
        }
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::vector<std::string> Settings() const {
        return {"RYX_SIM=" RYX_SIM_PROGRAM, "RYX_STATION=" RYX_STAND_IN, "RYX_RUN_DIR=" + m_run,
                "RYX_STAND_IN_DIR=" + m_station, "HISTFILE=" + m_dir + "/history",
                // The script asks for a display; the stand-in uses none.
                "DISPLAY=:stand-in"};
    }
    std::string Station(const char* file) const { return ReadText(m_station + "/" + file); }

    // A console command through .run/sim.in gets its answer in .run/sim.log.
    bool SimulatorAnswers(Terminal& term) {
        const std::string log = m_run + "/sim.log";
        const auto answers = [&] {
            size_t count = 0;
            const std::string text = ReadText(log);
            for (size_t at = 0; (at = text.find("firmware ", at)) != std::string::npos; ++at) ++count;
            return count;
        };
        const size_t before = answers();
        const int fifo = open((m_run + "/sim.in").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fifo < 0) return false;
        const bool sent = write(fifo, "status\n", 7) == 7;
        close(fifo);
        return sent && term.WaitFor([&] { return answers() > before; }, 10000);
    }

    std::string m_dir, m_run, m_station;
    pid_t m_standIn = -1, m_script = -1;
};

TEST_P(StartScript, TheTerminalsSignalGoesToTheStationAloneAndTheSimulatorStopsAfterIt) {
    const Case c = GetParam();
    const std::string cfg = m_run + "/config";
    const std::string alias = cfg + "/ports/com1";
    Terminal term(Settings());
    ASSERT_TRUE(term.IsOpen());
    term.Type(std::string("'") + RYX_START_SCRIPT + "' -reg:StandIn 'two words'; echo \"start.sh ended $?\"\n");

    ASSERT_TRUE(term.WaitFor([&] { return LinkExists(m_station + "/started"); })) << term.Screen();
    EXPECT_EQ(Station("started"), cfg + "\n-reg:StandIn\ntwo words\n");
    std::istringstream(Station("pids")) >> m_standIn >> m_script;
    ASSERT_GT(m_script, 0);
    pid_t sim = 0;
    ASSERT_TRUE(term.WaitFor([&] { return LinkExists(alias) && (sim = FindSimulator(cfg)) > 0; }))
        << ReadText(m_run + "/sim.log");
    ASSERT_TRUE(SimulatorAnswers(term)) << ReadText(m_run + "/sim.log");

    if (c.hangUp) {
        term.HangUp();
    } else {
        term.Type("\x03");
    }
    ASSERT_TRUE(term.WaitFor([&] { return Station("signals").find(c.signal) != std::string::npos; }))
        << "the station got no SIG" << c.signal << "; it got: " << Station("signals") << term.Screen();

    // The station runs on, asking about its test: all that it needs stays.
    EXPECT_TRUE(SimulatorAnswers(term)) << "the simulator ended with the station still running:\n"
                                        << ReadText(m_run + "/sim.log");
    EXPECT_TRUE(Running(sim));
    EXPECT_TRUE(LinkExists(alias));
    EXPECT_TRUE(Running(m_script)) << "the script ended with the station still running";
    EXPECT_TRUE(Running(m_standIn));

    WriteText(m_station + "/quit", "3\n");
    EXPECT_TRUE(term.WaitFor([&] { return !Running(m_standIn) && !Running(m_script); })) << term.Screen();
    EXPECT_TRUE(term.WaitFor([&] { return !Running(sim) && !LinkExists(alias); }))
        << "the simulator outlived the station";
    if (!c.hangUp) {
        // The shell has its terminal back and the script ended as the station did.
        EXPECT_TRUE(term.WaitFor([&] { return term.Screen().find("start.sh ended 3") != std::string::npos; }))
            << term.Screen();
    }
    // What the next start reuses is still there.
    EXPECT_TRUE(std::filesystem::is_fifo(m_run + "/sim.in"));
    EXPECT_TRUE(std::filesystem::is_regular_file(cfg + "/registry.reg"));
}

INSTANTIATE_TEST_SUITE_P(Terminal, StartScript,
                         ::testing::Values(Case{"Interrupt", "INT", false}, Case{"HangUp", "HUP", true}),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace

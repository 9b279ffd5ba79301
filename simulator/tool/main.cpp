// ryx-sim: the simulated instrument for a person or a script.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "simulator/Console.h"
#include "simulator/Protocol.h"
#include "simulator/SettingsWriter.h"
#include "simulator/Simulator.h"

namespace {

struct Args {
    std::string configDir;
    std::string alias = "COM1";
    double timeScale = 1.0;
    std::string firmware = "2.000";
    uint32_t seed = 1;
    std::string writeSettings;
    std::string dataDir;
    bool help = false;
};

bool Parse(int argc, char** argv, Args& a, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        if (opt == "--help" || opt == "-h") {
            a.help = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = opt.rfind("--", 0) == 0 ? opt + " needs a value" : "unexpected argument \"" + opt + "\"";
            return false;
        }
        const std::string v = argv[++i];
        if (opt == "--config-dir") {
            a.configDir = v;
        } else if (opt == "--alias") {
            a.alias = v;
        } else if (opt == "--time-scale") {
            if (!platform::ParseDoubleC(v, a.timeScale) || !(a.timeScale >= 1 && a.timeScale <= 100)) {
                error = "--time-scale takes a number from 1 to 100, not \"" + v + "\"";
                return false;
            }
        } else if (opt == "--firmware") {
            if (!ryxsim::IsValidFirmware(v)) {
                error =
                    "--firmware takes five characters of digits and '.', such as 2.000, not \"" + v + "\"";
                return false;
            }
            a.firmware = v;
        } else if (opt == "--seed") {
            long long s = 0;
            if (!platform::ParseLong(v, s) || s < 0 || s > 0xFFFFFFFFll) {
                error = "--seed takes a whole number from 0 to 4294967295, not \"" + v + "\"";
                return false;
            }
            a.seed = static_cast<uint32_t>(s);
        } else if (opt == "--write-settings") {
            a.writeSettings = v;
        } else if (opt == "--data-dir") {
            a.dataDir = v;
        } else {
            error = "unknown option \"" + opt + "\"";
            return false;
        }
    }
    if (!ryxsim::PortAlias::IsValidAlias(a.alias)) {
        error = "--alias takes COM1 to COM4, not \"" + a.alias + "\"";
        return false;
    }
    return true;
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

int RunSimulator(const Args& a) {
    // Signals arrive through a descriptor, so the console loop sees them
    // between lines and cleans up; the I/O thread inherits the mask.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &mask, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int sfd = signalfd(-1, &mask, SFD_CLOEXEC);
    if (sfd < 0) {
        std::fprintf(stderr, "ryx-sim: cannot watch for signals: %s\n", std::strerror(errno));
        return 1;
    }

    ryxsim::Simulator::Options options;
    options.instrument.timeScale = a.timeScale;
    options.instrument.firmware = a.firmware;
    options.instrument.seed = a.seed;
    ryxsim::Simulator sim(options);
    if (const platform::ErrorCode e = sim.Start()) {
        std::fprintf(stderr, "ryx-sim: cannot open a pseudo-terminal (error %u)\n", e);
        return 1;
    }
    ryxsim::PortAlias alias;
    std::string error;
    const std::string configDir = a.configDir.empty() ? platform::ConfigDir() : a.configDir;
    if (alias.Publish(configDir, a.alias, sim.DevicePath(), &error) != 0) {
        std::fprintf(stderr, "ryx-sim: cannot publish %s: %s\n", a.alias.c_str(), error.c_str());
        return 1;
    }
    WriteAll(STDOUT_FILENO, sim.DevicePath() + "\n");
    sim.SetLog([](const std::string& text) { WriteAll(STDERR_FILENO, "ryx-sim: " + text + "\n"); });

    std::string pending;
    bool quit = false;
    while (!quit) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {sfd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents & POLLIN) break;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buf[1024];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (!pending.empty()) WriteAll(STDOUT_FILENO, ryxsim::RunConsoleCommand(sim, pending, quit));
            break;
        }
        pending.append(buf, static_cast<size_t>(n));
        size_t eol;
        while (!quit && (eol = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            WriteAll(STDOUT_FILENO, ryxsim::RunConsoleCommand(sim, line, quit));
        }
        if (pending.size() > 4096) {
            WriteAll(STDOUT_FILENO, "error: line too long\n");
            pending.clear();
        }
    }
    sim.SetLog(nullptr);
    alias.Remove();
    sim.Stop();
    close(sfd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Args a;
    std::string error;
    if (!Parse(argc, argv, a, error)) {
        std::fprintf(stderr, "ryx-sim: %s\n\n%s", error.c_str(), ryxsim::UsageText().c_str());
        return 2;
    }
    if (a.help) {
        std::fputs(ryxsim::UsageText().c_str(), stdout);
        return 0;
    }
    if (!a.writeSettings.empty()) {
        ryxsim::SettingsPlan plan;
        plan.port = a.alias;
        const std::string folder = platform::DirName(a.writeSettings);
        plan.dataDir = !a.dataDir.empty() ? a.dataDir
                       : folder.empty()   ? "data"
                                          : platform::JoinPath(folder, "data");
        if (const platform::ErrorCode e = ryxsim::WriteSettings(a.writeSettings, plan, &error)) {
            std::fprintf(stderr, "ryx-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("settings written to %s\n", a.writeSettings.c_str());
        return 0;
    }
    return RunSimulator(a);
}

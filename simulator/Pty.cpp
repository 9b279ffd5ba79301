#include "simulator/Pty.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Paths.h"

namespace ryxsim {

PseudoTerminal::~PseudoTerminal() {
    Close();
}

platform::ErrorCode PseudoTerminal::Open() {
    Close();
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return platform::ErrorFromErrno(errno);
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        // Raw from the start: no echo of the frames back into the simulator,
        // no CR to LF translation before the station has set the line up.
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(slave, TCSANOW, &tio);
    }
    const int flags = fcntl(master, F_GETFL);
    fcntl(master, F_SETFL, flags | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slave = slave;
    m_path = name;
    return 0;
}

void PseudoTerminal::Close() {
    if (m_master >= 0) close(m_master);
    if (m_slave >= 0) close(m_slave);
    m_master = m_slave = -1;
    m_path.clear();
}

PortAlias::~PortAlias() {
    Remove();
}

bool PortAlias::IsValidAlias(const std::string& alias) {
    return alias.size() == 4 && platform::EqualsNoCase(alias.substr(0, 3), "COM") && alias[3] >= '1' &&
           alias[3] <= '4';
}

namespace {
bool ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buf(4096);
    const ssize_t n = readlink(path.c_str(), buf.data(), buf.size() - 1);
    if (n < 0) return false;
    target.assign(buf.data(), static_cast<size_t>(n));
    return true;
}
}  // namespace

platform::ErrorCode PortAlias::Publish(const std::string& configDir, const std::string& alias,
                                       const std::string& device, std::string* error) {
    auto fail = [&](platform::ErrorCode code, const std::string& text) {
        if (error) *error = text;
        return code;
    };
    Remove();
    if (!IsValidAlias(alias)) return fail(platform::kErrorInvalidParameter, "alias must be COM1 to COM4");
    const std::string dir = platform::JoinPath(configDir, "ports");
    if (const platform::ErrorCode e = platform::EnsureDirectory(dir))
        return fail(e, "cannot make the folder " + dir);
    std::string name = alias;
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::string link = platform::JoinPath(dir, name);

    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) return fail(platform::kErrorAccessDenied, link + " exists and is no link");
        struct stat target {};
        if (stat(link.c_str(), &target) == 0) {
            std::string points;
            ReadLink(link, points);
            return fail(platform::kErrorSharingViolation, link + " is in use (it points to " + points + ")");
        }
        unlink(link.c_str());  // dangling: left behind by a simulator that died
    }
    // Made beside the target and renamed over it, so a reader never sees a
    // half-made alias.
    const std::string temp = link + ".tmp" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(device.c_str(), temp.c_str()) != 0) {
        const int err = errno;
        return fail(platform::ErrorFromErrno(err), "cannot make " + link + ": " + std::strerror(err));
    }
    if (rename(temp.c_str(), link.c_str()) != 0) {
        const int err = errno;
        unlink(temp.c_str());
        return fail(platform::ErrorFromErrno(err), "cannot make " + link + ": " + std::strerror(err));
    }
    m_link = link;
    m_target = device;
    return 0;
}

void PortAlias::Remove() {
    if (m_link.empty()) return;
    std::string points;
    if (ReadLink(m_link, points) && points == m_target) unlink(m_link.c_str());
    m_link.clear();
    m_target.clear();
}

}  // namespace ryxsim

#include "platform/PortNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "platform/Paths.h"

namespace platform {

std::string PortAliasDir() {
    return JoinPath(ConfigDir(), "ports");
}

std::string PortAliasPath(int n) {
    return JoinPath(PortAliasDir(), "com" + std::to_string(n));
}

int ComPortNumber(const std::string& name) {
    std::string_view s(name);
    if (s.substr(0, 4) == "\\\\.\\") s.remove_prefix(4);
    if (s.size() < 4 || s.size() > 6) return 0;
    if (std::toupper(static_cast<unsigned char>(s[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(s[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(s[2])) != 'M' || s[3] == '0')
        return 0;
    int n = 0;
    for (char c : s.substr(3)) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= 255 ? n : 0;
}

std::string ResolvePortName(const std::string& name) {
    const int n = ComPortNumber(name);
    if (n == 0) return name;
    // A link that exists is used even when it dangles: the configured device
    // is then missing, and opening it must say so rather than fall back to a
    // different line.
    const std::string alias = PortAliasPath(n);
    struct stat st {};
    if (::lstat(alias.c_str(), &st) == 0) return alias;
    return "/dev/ttyS" + std::to_string(n - 1);
}

std::optional<PortAliasTarget> AliasNotSerial(const std::string& name) {
    const int n = ComPortNumber(name);
    if (n == 0) return std::nullopt;
    const std::string alias = PortAliasPath(n);
    struct stat link {};
    if (::lstat(alias.c_str(), &link) != 0) return std::nullopt;
    std::string target = alias;
    if (S_ISLNK(link.st_mode)) {
        char buf[4096];
        const ssize_t len = ::readlink(alias.c_str(), buf, sizeof buf);
        if (len <= 0) return std::nullopt;
        target.assign(buf, static_cast<size_t>(len));
    }
    struct stat st {};
    if (::stat(alias.c_str(), &st) != 0) return std::nullopt;  // dangling: the device is missing
    if (S_ISCHR(st.st_mode)) {
        // A character device may still be a line; only a terminal is one.
        // Opened without blocking and without becoming the controlling
        // terminal, as the line itself opens it.
        const int fd = ::open(alias.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return std::nullopt;  // busy or not permitted: cannot tell
        const bool terminal = ::isatty(fd) == 1;
        ::close(fd);
        if (terminal) return std::nullopt;
    }
    return PortAliasTarget{alias, target};
}

}  // namespace platform

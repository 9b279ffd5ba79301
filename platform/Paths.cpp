#include "platform/Paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>

namespace platform {

ErrorCode ErrorFromErrno(int err) {
    switch (err) {
        case 0: return kErrorSuccess;
        case ENOENT: return kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EBUSY:
        case EEXIST: return kErrorAccessDenied;
        case EBADF: return kErrorInvalidHandle;
        case ENOMEM: return kErrorOutOfMemory;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return kErrorDiskFull;
        case EWOULDBLOCK: return kErrorSharingViolation;
        case EINVAL: return kErrorInvalidParameter;
        case ENXIO:
        case ENODEV: return kErrorDevNotExist;
        default: return kErrorGenFailure;
    }
}

namespace {

std::string HomeDir() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    passwd entry{};
    passwd* found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &entry, buf, sizeof buf, &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0])
        return found->pw_dir;
    return ".";
}

}  // namespace

std::string ConfigDir() {
    if (const char* d = std::getenv("RYX_CONFIG_DIR"); d && *d) return d;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return JoinPath(x, "TarvokInstrument");
    return JoinPath(JoinPath(HomeDir(), ".config"), "TarvokInstrument");
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) return path;
    std::string out = std::filesystem::path(JoinPath(buf, path)).lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

void AnchorEnvironmentFolders() {
    for (const char* name : {"RYX_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME", "RYX_HELP_DIR"}) {
        const char* value = std::getenv(name);
        if (value && *value && value[0] != '/') setenv(name, AbsolutePath(value).c_str(), 1);
    }
    setenv("RYX_CONFIG_DIR", AbsolutePath(ConfigDir()).c_str(), 1);
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    if (dir.empty()) return std::string(name);
    std::string s(dir);
    if (s.back() != '/') s += '/';
    s += name;
    return s;
}

std::string BaseName(std::string_view path) {
    const auto p = path.find_last_of('/');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string DirName(std::string_view path) {
    const auto p = path.find_last_of('/');
    if (p == std::string_view::npos) return {};
    if (p == 0) return "/";
    return std::string(path.substr(0, p));
}

std::string Extension(std::string_view path) {
    const std::string base = BaseName(path);
    const auto p = base.find_last_of('.');
    return p == std::string::npos ? std::string() : base.substr(p);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

ErrorCode EnsureDirectory(const std::string& path) {
    if (path.empty() || IsDirectory(path)) return kErrorSuccess;
    const std::string parent = DirName(path);
    if (!parent.empty() && parent != path) {
        if (ErrorCode e = EnsureDirectory(parent)) return e;
    }
    if (::mkdir(path.c_str(), 0777) != 0 && !(errno == EEXIST && IsDirectory(path)))
        return ErrorFromErrno(errno);
    return kErrorSuccess;
}

namespace {

// A failure a test injects: the errno to fail with for a path, 0 for none.
class InjectedFailure {
public:
    void Set(std::function<int(const std::string&)> hook) {
        std::lock_guard lock(m_mutex);
        m_hook = std::move(hook);
    }
    int Error(const std::string& path) {
        std::lock_guard lock(m_mutex);
        return m_hook ? m_hook(path) : 0;
    }

private:
    std::mutex m_mutex;
    std::function<int(const std::string&)> m_hook;
};

InjectedFailure g_readFailure;
InjectedFailure g_writeFailure;

// The cause of a failed stat or open of path.
ReadRefusal RefusalFromErrno(const std::string& path, int err) {
    switch (err) {
        case ENOENT: {
            // A link whose target is missing is there itself.
            struct stat lst {};
            if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) return ReadRefusal::kBrokenLink;
            return ReadRefusal::kNoSuchFile;
        }
        case ENOTDIR:
        case ENAMETOOLONG:
            return ReadRefusal::kNoSuchFile;
        case ELOOP:
            return ReadRefusal::kBrokenLink;
        case EACCES:
        case EPERM:
            return ReadRefusal::kNoPermission;
        case EISDIR:
            return ReadRefusal::kFolder;
        case ENXIO:
        case ENODEV:
        case EWOULDBLOCK:
            return ReadRefusal::kNotRegularFile;
        case EFBIG:
        case EOVERFLOW:
            return ReadRefusal::kTooLarge;
        default:
            return ReadRefusal::kOther;
    }
}

ErrorCode CodeOf(ReadRefusal r, int err) {
    switch (r) {
        case ReadRefusal::kNone:
            return kErrorSuccess;
        case ReadRefusal::kNoSuchFile:
            return err == ENOTDIR ? kErrorPathNotFound : kErrorFileNotFound;
        case ReadRefusal::kBrokenLink:
            return kErrorFileNotFound;
        case ReadRefusal::kFolder:
        case ReadRefusal::kNotRegularFile:
        case ReadRefusal::kNoPermission:
            return kErrorAccessDenied;
        case ReadRefusal::kTooLarge:
            return kErrorFileTooLarge;
        case ReadRefusal::kOther:
            return err ? ErrorFromErrno(err) : kErrorGenFailure;
    }
    return kErrorGenFailure;
}

ReadRefusal RefusalOfType(mode_t mode) {
    if (S_ISREG(mode)) return ReadRefusal::kNone;
    return S_ISDIR(mode) ? ReadRefusal::kFolder : ReadRefusal::kNotRegularFile;
}

}  // namespace

void SetReadFailureHook(ReadFailureHook hook) {
    g_readFailure.Set(std::move(hook));
}

ErrorCode OpenRegularFile(const std::string& path, uint64_t maxBytes, int& fd, uint64_t& size,
                          ReadRefusal* why) {
    fd = -1;
    size = 0;
    int err = 0;
    auto refuse = [&](ReadRefusal r) {
        if (why) *why = r;
        return CodeOf(r, err);
    };
    // What the name stands for, before anything is opened: a device is not
    // even opened (an open can have effects of its own on one).
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        err = errno;
        return refuse(RefusalFromErrno(path, err));
    }
    if (ReadRefusal r = RefusalOfType(st.st_mode); r != ReadRefusal::kNone) return refuse(r);
    if ((err = g_readFailure.Error(path)) != 0) return refuse(RefusalFromErrno(path, err));
    // Without blocking: the name may have been replaced by a pipe meanwhile.
    const int f = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (f < 0) {
        err = errno;
        return refuse(RefusalFromErrno(path, err));
    }
    ReadRefusal r = ReadRefusal::kNone;
    if (::fstat(f, &st) != 0) {
        err = errno;
        r = ReadRefusal::kOther;
    } else if ((r = RefusalOfType(st.st_mode)) == ReadRefusal::kNone &&
               static_cast<uint64_t>(st.st_size) > maxBytes) {
        r = ReadRefusal::kTooLarge;
    }
    if (r != ReadRefusal::kNone) {
        ::close(f);
        return refuse(r);
    }
    fd = f;
    size = static_cast<uint64_t>(st.st_size);
    if (why) *why = ReadRefusal::kNone;
    return kErrorSuccess;
}

ErrorCode ReadWholeFile(const std::string& path, std::string& contents, uint64_t maxBytes, ReadRefusal* why) {
    int fd = -1;
    uint64_t size = 0;
    if (ErrorCode e = OpenRegularFile(path, maxBytes, fd, size, why)) return e;
    std::string out;
    try {
        out.reserve(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        if (why) *why = ReadRefusal::kOther;
        return kErrorOutOfMemory;
    }
    char buf[65536];
    for (;;) {
        // Never more than one byte past the bound: enough to know it was passed.
        const uint64_t room = maxBytes - std::min<uint64_t>(maxBytes, out.size()) + 1;
        const ssize_t n = ::read(fd, buf, static_cast<size_t>(std::min<uint64_t>(sizeof buf, room)));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            if (why) *why = ReadRefusal::kOther;
            return ErrorFromErrno(err);
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > maxBytes) {
            ::close(fd);
            if (why) *why = ReadRefusal::kTooLarge;
            return kErrorFileTooLarge;
        }
    }
    ::close(fd);
    contents.swap(out);
    return kErrorSuccess;
}

ErrorCode ReadWholeFile(const std::string& path, std::string& contents) {
    return ReadWholeFile(path, contents, uint64_t{1} << 30);
}

void SetWriteFailureHook(WriteFailureHook hook) {
    g_writeFailure.Set(std::move(hook));
}

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temp.c_str());
    }
}

ErrorCode AtomicFile::Open() {
    if (IsDirectory(m_path)) return m_error = kErrorAccessDenied;
    std::string dir = DirName(m_path);
    std::string tmpl = JoinPath(dir.empty() ? "." : dir, "." + BaseName(m_path) + ".tmpXXXXXX");
    m_fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (m_fd < 0) return m_error = ErrorFromErrno(errno);
    m_temp = tmpl;
    // mkostemp makes the file 0600; a saved file gets the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    return m_error = kErrorSuccess;
}

ErrorCode AtomicFile::Write(std::string_view bytes) {
    if (m_error) return m_error;
    if (m_fd < 0) return m_error = kErrorInvalidHandle;
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return m_error = ErrorFromErrno(errno);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return kErrorSuccess;
}

ErrorCode AtomicFile::Commit() {
    if (m_error) return m_error;
    if (m_fd < 0) return m_error = kErrorInvalidHandle;
    if (const int injected = g_writeFailure.Error(m_path)) return m_error = ErrorFromErrno(injected);
    if (::fsync(m_fd) != 0) return m_error = ErrorFromErrno(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(m_temp.c_str());
        return m_error = ErrorFromErrno(err);
    }
    if (::rename(m_temp.c_str(), m_path.c_str()) != 0) {
        const int err = errno;
        ::unlink(m_temp.c_str());
        return m_error = ErrorFromErrno(err);
    }
    // Make the rename itself durable.
    std::string dir = DirName(m_path);
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return kErrorSuccess;
}

ErrorCode WriteFileAtomic(const std::string& path, std::string_view contents) {
    AtomicFile f(path);
    if (ErrorCode e = f.Open()) return e;
    if (ErrorCode e = f.Write(contents)) return e;
    return f.Commit();
}

ErrorCode AppendToFile(const std::string& path, std::string_view headerIfEmpty, std::string_view bytes) {
    // Not blocking at the open: a named pipe that nobody reads would hold
    // the station there for good (it is refused with ENXIO instead).
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return ErrorFromErrno(errno);
    auto fail = [fd](int err) {
        ::close(fd);
        return ErrorFromErrno(err);
    };
    if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(errno);
    // Another station appending to the same file waits for this one.
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) return fail(errno);
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0) return fail(errno);
    if (const int injected = g_writeFailure.Error(path)) return fail(injected);
    const bool regular = S_ISREG(st.st_mode);
    std::string all;
    if (regular && st.st_size == 0) all.append(headerIfEmpty);
    all.append(bytes);
    std::string_view rest(all);
    int err = 0;
    while (!rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        rest.remove_prefix(static_cast<size_t>(n));
    }
    // A device or pipe cannot be synced; a file must reach the disk.
    if (!err && regular && ::fsync(fd) != 0) err = errno;
    if (err) {
        // Whatever part of the addition got in is taken out again (nothing
        // more can be done if even that fails).
        if (regular && ::ftruncate(fd, st.st_size) != 0) err = err ? err : errno;
        return fail(err);
    }
    if (::close(fd) != 0) return ErrorFromErrno(errno);
    return kErrorSuccess;
}

ErrorCode FreeDiskSpace(const std::string& path, uint64_t& freeBytes) {
    struct statvfs st{};
    if (::statvfs(path.c_str(), &st) != 0) return ErrorFromErrno(errno);
    freeBytes = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
    return kErrorSuccess;
}

}  // namespace platform

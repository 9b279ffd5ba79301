#pragma once
// Paths, the configuration folder, and the atomic file write every file that
// matters goes through.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Errors.h"

namespace platform {

// The configuration folder (the hive, the port aliases): $RYX_CONFIG_DIR when
// set, else $XDG_CONFIG_HOME/TarvokInstrument, else ~/.config/TarvokInstrument
// (without $HOME, the home folder of the user's account).
std::string ConfigDir();

// Makes the folders taken from the environment absolute, once at start,
// against the current directory of that moment: $RYX_CONFIG_DIR,
// $XDG_CONFIG_HOME, $HOME and $RYX_HELP_DIR where they are relative, and
// then $RYX_CONFIG_DIR is set to the configuration folder. A later change of
// the current directory (the start-up makes the data directory current)
// then moves none of them.
void AnchorEnvironmentFolders();
// path itself when absolute, else path under the current directory.
std::string AbsolutePath(const std::string& path);

std::string JoinPath(std::string_view dir, std::string_view name);
std::string BaseName(std::string_view path);   // "a/b/T1.RYX" -> "T1.RYX"
std::string DirName(std::string_view path);    // "a/b/T1.RYX" -> "a/b", "T1" -> ""
std::string Extension(std::string_view path);  // "T1.RYX" -> ".RYX", "T1" -> ""
bool EqualsNoCase(std::string_view a, std::string_view b);  // ASCII letters only

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Creates the folder and its missing parents; 0 or the error.
ErrorCode EnsureDirectory(const std::string& path);

// Why a file was not read, for a message that names the cause.
enum class ReadRefusal {
    kNone,
    kNoSuchFile,      // nothing of that name (or a folder on the way is missing)
    kBrokenLink,      // a symbolic link to nothing, or links that form a loop
    kFolder,          // a folder, not a file
    kNotRegularFile,  // a named pipe, a device, a socket
    kTooLarge,        // larger than any file of its kind
    kNoPermission,    // no permission to read it
    kOther,           // any other failure of the system (an I/O error)
};

// Opens path for reading when it is a regular file and no larger than
// maxBytes, and gives its descriptor and size; the caller closes fd. The
// open never waits: a named pipe without a writer, a device that would
// block, a folder are refused (checked before and after the open), and no
// device is opened as a controlling terminal. 0 or the error, with its cause
// in why when given.
ErrorCode OpenRegularFile(const std::string& path, uint64_t maxBytes, int& fd, uint64_t& size,
                          ReadRefusal* why = nullptr);

// The whole of a regular file of at most maxBytes (see OpenRegularFile); a
// file that grows past maxBytes while read is refused as too large.
ErrorCode ReadWholeFile(const std::string& path, std::string& contents, uint64_t maxBytes,
                        ReadRefusal* why = nullptr);
// For tests and tools reading back files they wrote themselves: the same
// refusals, with a bound far above any file of the station's (1 GiB).
ErrorCode ReadWholeFile(const std::string& path, std::string& contents);

// Test hook: called with the path before each open for reading; a non-zero
// errno makes the open fail with it (EACCES as for a file without read
// permission, which root could not otherwise be shown).
using ReadFailureHook = std::function<int(const std::string& path)>;
void SetReadFailureHook(ReadFailureHook hook);

// Writes a temporary file beside the target, flushes it to disk and renames it
// over the target: the target is either the old file or the whole new one.
ErrorCode WriteFileAtomic(const std::string& path, std::string_view contents);

// Opens a temporary file beside path for an atomic write done in steps.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();  // abandons the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    ErrorCode Open();
    ErrorCode Write(std::string_view bytes);
    ErrorCode Commit();  // flush, fsync, close, rename
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
    ErrorCode m_error = 0;
};

// Appends bytes to the end of path, made when missing, under an exclusive
// lock of the file; headerIfEmpty goes first when the file is empty. What
// the file held is never rewritten or read: a failed or partial write is
// cut back off, so the file is either as it was or has the whole addition.
// The write failure hook below applies (called before anything is written).
ErrorCode AppendToFile(const std::string& path, std::string_view headerIfEmpty, std::string_view bytes);

// Test hook: called with the target path before each atomic commit (and
// each append); a non-zero errno makes the commit fail with it, as a full disk would.
using WriteFailureHook = std::function<int(const std::string& target)>;
void SetWriteFailureHook(WriteFailureHook hook);

// Free bytes available to the caller on the file system holding path.
ErrorCode FreeDiskSpace(const std::string& path, uint64_t& freeBytes);

}  // namespace platform

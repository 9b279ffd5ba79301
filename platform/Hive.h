#pragma once
// The settings hive: one text file in the format of a Windows registry export,
// so that a key exported from a Windows station reads as it is and a saved
// file moves back to one.
//
// The whole file is kept in memory and re-read when another process has
// replaced it (every save is a rename, so inode, size and time are compared).
// Each write takes an flock on a lock file beside the hive, re-reads the file
// under the lock, applies the one change and saves atomically, so two
// processes writing in turn never lose each other's values.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Paths.h"

namespace platform {

enum RegType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
    kRegQword = 11,
};

struct RegValue {
    uint32_t type = kRegNone;
    // REG_SZ: the text in UTF-8, without its NUL. Every other type: raw bytes
    // (REG_DWORD as 4 little-endian bytes).
    std::string data;
    bool operator==(const RegValue&) const = default;
};

class Hive {
public:
    explicit Hive(std::string path);

    // One shared in-memory copy per file in the process.
    static std::shared_ptr<Hive> ForPath(const std::string& path);
    // ConfigDir()/registry.reg
    static std::string DefaultPath();

    // Where problems with the file are told (once per problem): by default on
    // standard error. The text names the file and the line.
    using DiagnosticSink = std::function<void(const std::string&)>;
    static void SetDiagnosticSink(DiagnosticSink sink);

    // A file that is there but could not be read at all (a named pipe, a
    // device, a folder, one above the bound): the error and its cause.
    // error 0: the last read succeeded or found no file.
    struct ReadFailure {
        ErrorCode error = 0;
        ReadRefusal refusal = ReadRefusal::kNone;
        bool operator==(const ReadFailure&) const = default;
    };

    // A file read with parts that could not be read: the file, what was
    // wrong ("line N: what"), and where the file as it was has been kept
    // (keptAs empty and keepError set when the copy could not be made; the
    // next save then tries again and fails rather than write over it).
    // Or a file that could not be read at all: unreadable set, problems
    // empty and nothing kept; every save is refused while it stays so.
    struct Damage {
        std::string path;
        std::vector<std::string> problems;
        std::string keptAs;
        ErrorCode keepError = 0;
        ReadFailure unreadable;
    };
    // Told once per damaged read, and once per kind of failure of a file that
    // cannot be read at all, on the thread that read, with the hive's lock
    // held: the sink must only take note (no box, no hive access).
    using DamageSink = std::function<void(const Damage&)>;
    static void SetDamageSink(DamageSink sink);

    const std::string& Path() const { return m_path; }
    // Why the file could not be read at all at its last read (a save was
    // refused for it then); read again only by the next access.
    ReadFailure Unreadable();

    // Keys are full paths such as "HKEY_LOCAL_MACHINE\SOFTWARE\TarvokInstrument";
    // names and keys compare without case, as on Windows.
    // Creating a key changes memory only; it reaches the file with the next write.
    ErrorCode CreateKey(const std::string& key);
    // 0, or kErrorFileNotFound when the key or the value does not exist.
    ErrorCode QueryValue(const std::string& key, const std::string& name, RegValue& value);
    // Writes one value and saves the file; on failure memory stays as the file is.
    ErrorCode SetValue(const std::string& key, const std::string& name, const RegValue& value);
    // Writes several values under one lock and one save of the file: all of
    // them, or on any failure none, file and memory staying as they were.
    struct Write {
        std::string key;
        std::string name;
        RegValue value;
    };
    ErrorCode SetValues(const std::vector<Write>& writes);

    // For tests and tools.
    std::vector<std::string> Keys();
    // Serialises the current content the way a save writes it.
    std::string ExportText();

private:
    struct Value {
        std::string name;  // as first spelt
        RegValue value;
    };
    struct Key {
        std::string name;                  // as first spelt
        std::map<std::string, Value> values;  // by upper-cased name
    };
    struct FileId {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        int64_t mtimeNs = 0;
        bool operator==(const FileId&) const = default;
    };

    void RefreshLocked();  // re-read the file if it changed
    void LoadLocked(const std::string& bytes);
    FileId Identify() const;
    ErrorCode SaveLocked();
    ErrorCode KeepAsideLocked();
    void Report(const std::string& text);
    void NoteDamage(const Damage& damage);

    std::string m_path;
    std::recursive_mutex m_mutex;
    std::map<std::string, Key> m_keys;  // by upper-cased normalised path
    FileId m_loaded;
    bool m_damaged = false;    // the file read had unreadable parts
    ReadFailure m_unreadable;  // the file is there but its last read failed
    std::vector<ReadFailure> m_toldUnreadable;
    bool m_keptAside = false;    // the damaged file has been copied aside
    std::string m_damagedBytes;  // the damaged file as read, to keep aside
    std::string m_keptAsidePath;
    std::vector<std::string> m_reported;
};

// Parses and writes the export format (exposed for the tests and for tools).
namespace hive_format {
struct Entry {
    std::string key;
    std::string name;  // "" for the default value (@)
    RegValue value;
};
struct ParseResult {
    std::vector<std::string> keys;  // every section seen, in order
    std::vector<Entry> entries;
    std::vector<std::string> problems;  // "line N: what"
};
ParseResult Parse(const std::string& bytes);
}  // namespace hive_format

}  // namespace platform

#include "platform/Hive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace platform {

namespace {

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// Splits a key path into components and drops the WOW6432Node that a 32-bit
// program's keys carry under SOFTWARE on 64-bit Windows.
std::string NormaliseKey(std::string_view key, bool* wow = nullptr) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string_view::npos) end = key.size();
        if (end > start) parts.emplace_back(key.substr(start, end - start));
        start = end + 1;
    }
    // Compared with the last part kept, so that the result normalises to
    // itself: a saved key reads back as the same key.
    std::string out;
    std::string_view last;
    bool sawWow = false;
    for (const std::string& part : parts) {
        if (!last.empty() && EqualsNoCase(part, "WOW6432Node") && EqualsNoCase(last, "SOFTWARE")) {
            sawWow = true;
            continue;
        }
        if (!out.empty()) out += '\\';
        out += part;
        last = part;
    }
    if (wow) *wow = sawWow;
    return out;
}

std::string Utf16LeToUtf8(std::string_view bytes, bool& ok) {
    ok = bytes.size() % 2 == 0;
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t u = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t lo =
                static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}

void AppendUtf16Le(std::string& out, std::string_view utf8) {
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = DecodeUtf8(utf8, pos);
        auto put = [&](char32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>((u >> 8) & 0xFF);
        };
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
}

bool IsValidUtf8(std::string_view s) {
    size_t pos = 0;
    while (pos < s.size()) {
        const size_t before = pos;
        if (DecodeUtf8(s, pos) == 0xFFFD && !(pos - before == 3 && s.substr(before, 3) == "\xEF\xBF\xBD"))
            return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at s[pos] (pos on the opening quote); handles \\ and \".
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < s.size()) {
            out += s[pos++];
            continue;
        }
        out += c;
    }
    return false;
}

bool ParseHexList(std::string_view s, std::string& out) {
    out.clear();
    size_t pos = 0;
    auto skipBlank = [&] {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    };
    skipBlank();
    if (pos == s.size()) return true;  // an empty block
    for (;;) {
        skipBlank();
        if (pos + 2 > s.size()) return false;
        const int hi = HexDigit(s[pos]);
        const int lo = HexDigit(s[pos + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        pos += 2;
        skipBlank();
        if (pos == s.size()) return true;
        if (s[pos] != ',') return false;
        ++pos;
        skipBlank();
        if (pos == s.size()) return false;  // a trailing comma: the list was cut short
    }
}

std::string EscapeQuoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string HexLine(const std::string& prefix, std::string_view bytes) {
    // Wrapped the way the registry editor wraps long lists: ",\" and two blanks.
    std::string out = prefix;
    size_t lineLen = out.size();
    static const char* kHex = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += kHex[b >> 4];
        out += kHex[b & 15];
        lineLen += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++lineLen;
            if (lineLen >= 77) {
                out += "\\\r\n  ";
                lineLen = 2;
            }
        }
    }
    return out;
}

// The spelling of a key on its line, "[" and "]" around it. A key whose
// path begins with a dash is written after a separator, which the reader
// drops: "[-X]" would delete the key.
std::string KeyLine(const std::string& key) {
    return "[" + std::string(!key.empty() && key.front() == '-' ? "\\" : "") + key + "]";
}

std::mutex g_sinkMutex;
Hive::DiagnosticSink g_sink;
Hive::DamageSink g_damageSink;

}  // namespace

namespace hive_format {

ParseResult Parse(const std::string& raw) {
    ParseResult result;
    std::string text;
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        bool ok = true;
        text = Utf16LeToUtf8(std::string_view(raw).substr(2), ok);
        if (!ok) result.problems.push_back("end of file: odd number of bytes in UTF-16 text");
    } else if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = raw.substr(3);
        if (!IsValidUtf8(text)) {
            // Held as the replacement character, as a save writes it.
            std::string clean;
            size_t pos = 0;
            while (pos < text.size()) AppendUtf8(clean, DecodeUtf8(text, pos));
            text = std::move(clean);
            result.problems.push_back("text that is not UTF-8 after a UTF-8 byte-order mark");
        }
    } else if (raw.compare(0, 8, "REGEDIT4") == 0 || !IsValidUtf8(raw)) {
        text = Cp1252ToUtf8(raw);  // ANSI export
    } else {
        text = raw;
    }

    // Logical lines: a line ending in a backslash continues on the next one.
    std::vector<std::pair<int, std::string>> lines;
    {
        int lineNo = 0;
        size_t pos = 0;
        std::string pending;
        int pendingLine = 0;
        while (pos <= text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            ++lineNo;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!pending.empty()) {
                size_t b = line.find_first_not_of(" \t");
                line = pending + (b == std::string::npos ? std::string() : line.substr(b));
                pending.clear();
            } else {
                pendingLine = lineNo;
            }
            if (!line.empty() && line.back() == '\\' && line.find('=') != std::string::npos &&
                line.front() != '[') {
                line.pop_back();
                pending = line;
                if (pos > text.size()) lines.emplace_back(pendingLine, pending);
                continue;
            }
            lines.emplace_back(pendingLine, line);
        }
    }

    // A last line without its line end may have been cut short: a dword or a
    // hex list cut between two digits or two bytes still reads as a value.
    const bool endCut = !text.empty() && text.back() != '\n';

    bool headerSeen = false;
    std::string currentKey;
    bool keyDeleted = false;
    for (auto& [lineNo, line] : lines) {
        const bool lastLine = &line == &lines.back().second;
        const size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos) continue;
        std::string_view l(line);
        l.remove_prefix(b);
        while (!l.empty() && (l.back() == ' ' || l.back() == '\t')) l.remove_suffix(1);
        auto problem = [&, n = lineNo](const std::string& what) {
            result.problems.push_back("line " + std::to_string(n) + ": " + what);
        };
        if (!headerSeen) {
            headerSeen = true;
            if (l == "Windows Registry Editor Version 5.00" || l == "REGEDIT4") continue;
            problem("not a registry export header");
            // go on: the rest may still be readable
        }
        if (l.front() == ';') continue;
        if (l.front() == '[') {
            if (l.back() != ']') {
                problem("broken key line");
                currentKey.clear();
                keyDeleted = true;
                continue;
            }
            std::string_view inner = l.substr(1, l.size() - 2);
            if (!inner.empty() && inner.front() == '-') {
                const std::string gone = Upper(NormaliseKey(inner.substr(1)));
                std::erase_if(result.entries, [&](const Entry& e) {
                    const std::string k = Upper(NormaliseKey(e.key));
                    return k == gone || k.rfind(gone + "\\", 0) == 0;
                });
                currentKey.clear();
                keyDeleted = true;
                continue;
            }
            if (NormaliseKey(inner).empty()) {
                problem("key line without a key name");
                currentKey.clear();
                keyDeleted = true;
                continue;
            }
            currentKey = std::string(inner);
            keyDeleted = false;
            result.keys.push_back(currentKey);
            continue;
        }
        if (currentKey.empty()) {
            if (!keyDeleted) problem("value outside a key");
            continue;
        }
        Entry e;
        e.key = currentKey;
        size_t pos = 0;
        if (l.front() == '@') {
            pos = 1;
        } else if (!ParseQuoted(l, pos, e.name)) {
            problem("broken value name");
            continue;
        }
        while (pos < l.size() && (l[pos] == ' ' || l[pos] == '\t')) ++pos;
        if (pos >= l.size() || l[pos] != '=') {
            problem("missing '=' after the value name");
            continue;
        }
        ++pos;
        while (pos < l.size() && (l[pos] == ' ' || l[pos] == '\t')) ++pos;
        std::string_view data = l.substr(pos);
        if (data == "-") {
            const std::string k = Upper(NormaliseKey(e.key));
            const std::string n = Upper(e.name);
            std::erase_if(result.entries, [&](const Entry& x) {
                return Upper(NormaliseKey(x.key)) == k && Upper(x.name) == n;
            });
            continue;
        }
        if (!data.empty() && data.front() == '"') {
            size_t p = 0;
            std::string s;
            if (!ParseQuoted(data, p, s) || p != data.size()) {
                problem("broken text value");
                continue;
            }
            e.value = {kRegSz, s};
        } else if (data.substr(0, 6) == "dword:") {
            std::string_view hex = data.substr(6);
            if (hex.empty() || hex.size() > 8) {
                problem("broken dword value");
                continue;
            }
            uint32_t v = 0;
            bool ok = true;
            for (char c : hex) {
                const int d = HexDigit(c);
                if (d < 0) ok = false;
                v = v * 16 + static_cast<uint32_t>(d < 0 ? 0 : d);
            }
            if (!ok) {
                problem("broken dword value");
                continue;
            }
            if (lastLine && endCut) {
                problem("the file ends inside this dword value");
                continue;
            }
            std::string bytes(4, '\0');
            for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
            e.value = {kRegDword, bytes};
        } else if (data.substr(0, 4) == "hex:" || data.substr(0, 4) == "hex(") {
            uint32_t type = kRegBinary;
            size_t colon = data.find(':');
            if (data[3] == '(') {
                const size_t close = data.find(')');
                if (close == std::string_view::npos || close + 1 != colon || close == 4) {
                    problem("broken hex type");
                    continue;
                }
                type = 0;
                bool ok = true;
                for (char c : data.substr(4, close - 4)) {
                    const int d = HexDigit(c);
                    if (d < 0) ok = false;
                    type = type * 16 + static_cast<uint32_t>(d < 0 ? 0 : d);
                }
                if (!ok || close - 4 > 8) {
                    problem("broken hex type");
                    continue;
                }
            }
            std::string bytes;
            if (!ParseHexList(data.substr(colon + 1), bytes)) {
                problem("broken or truncated hex list");
                continue;
            }
            if (lastLine && endCut) {
                problem("the file ends inside this hex list");
                continue;
            }
            if (type == kRegSz) {
                // A text written as UTF-16 bytes (how a save keeps a text that
                // holds a line break); read it back as text.
                bool ok = true;
                std::string s = Utf16LeToUtf8(bytes, ok);
                if (!ok) {
                    problem("broken text value");
                    continue;
                }
                // Only the terminating NUL goes: a NUL inside is the text's
                // own, as a quoted text keeps it (a reader of the setting
                // stops at the first).
                if (!s.empty() && s.back() == '\0') s.pop_back();
                e.value = {kRegSz, s};
            } else {
                e.value = {type, bytes};
            }
        } else {
            problem("unknown value type");
            continue;
        }
        result.entries.push_back(std::move(e));
    }
    return result;
}

}  // namespace hive_format

Hive::Hive(std::string path) : m_path(std::move(path)) {}

std::shared_ptr<Hive> Hive::ForPath(const std::string& path) {
    static std::mutex mutex;
    // Kept for the life of the process: the in-memory copy is the cache that
    // spares every access a re-read of the file.
    static std::map<std::string, std::shared_ptr<Hive>> hives;
    std::lock_guard lock(mutex);
    auto& slot = hives[path];
    if (!slot) slot = std::make_shared<Hive>(path);
    return slot;
}

std::string Hive::DefaultPath() { return JoinPath(ConfigDir(), "registry.reg"); }

void Hive::SetDiagnosticSink(DiagnosticSink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = std::move(sink);
}

void Hive::SetDamageSink(DamageSink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_damageSink = std::move(sink);
}

void Hive::Report(const std::string& text) {
    for (const auto& r : m_reported)
        if (r == text) return;
    m_reported.push_back(text);
    std::lock_guard lock(g_sinkMutex);
    if (g_sink)
        g_sink(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

Hive::FileId Hive::Identify() const {
    struct stat st{};
    FileId id;
    if (::stat(m_path.c_str(), &st) != 0) return id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

void Hive::RefreshLocked() {
    const FileId now = Identify();
    // A file that could not be read is tried again at each access, and one
    // gone since counts as gone, not as still unreadable.
    if (now == m_loaded && !m_unreadable.error) return;
    std::string bytes;
    if (now.exists) {
        // The station's values under one program key take some kilobytes
        // (UTF-16, the longest a 4096-character folder); 16 MiB is ten times
        // that for well over a hundred program keys in one file.
        constexpr uint64_t kMaxSettingsFileBytes = uint64_t{16} << 20;
        ReadRefusal why = ReadRefusal::kNone;
        if (ErrorCode e = ReadWholeFile(m_path, bytes, kMaxSettingsFileBytes, &why)) {
            Report(m_path + ": cannot be read (error " + std::to_string(e) + ")");
            m_unreadable = ReadFailure{e, why};
            // Told once per kind of failure, as each problem is reported once.
            if (std::find(m_toldUnreadable.begin(), m_toldUnreadable.end(), m_unreadable) ==
                m_toldUnreadable.end()) {
                m_toldUnreadable.push_back(m_unreadable);
                Damage damage;
                damage.path = m_path;
                damage.unreadable = m_unreadable;
                NoteDamage(damage);
            }
            return;  // keep what we had
        }
    }
    m_unreadable = ReadFailure{};
    m_loaded = now;
    LoadLocked(bytes);
}

void Hive::LoadLocked(const std::string& bytes) {
    m_keys.clear();
    m_damaged = false;
    if (bytes.empty()) return;
    hive_format::ParseResult parsed = hive_format::Parse(bytes);
    for (const auto& k : parsed.keys) CreateKey(k);
    // A WOW6432Node key stands for the key without it; where both hold a value
    // the one without wins, whatever their order in the file.
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& e : parsed.entries) {
            bool wow = false;
            const std::string norm = NormaliseKey(e.key, &wow);
            if (wow != (pass == 0)) continue;
            if (CreateKey(norm)) continue;  // no key name: the parser has told it
            Key& key = m_keys[Upper(norm)];
            key.values[Upper(e.name)] = Value{e.name, e.value};
        }
    }
    if (!parsed.problems.empty()) {
        m_damaged = true;
        m_keptAside = false;
        m_damagedBytes = bytes;
        for (const auto& p : parsed.problems) Report(m_path + ": " + p + " (the value there is ignored)");
        // Kept aside now, before anything (this process or another) can
        // write over the file.
        Damage damage{m_path, parsed.problems, {}, KeepAsideLocked(), {}};
        if (!damage.keepError) damage.keptAs = m_keptAsidePath;
        NoteDamage(damage);
    }
}

void Hive::NoteDamage(const Damage& damage) {
    std::lock_guard lock(g_sinkMutex);
    if (g_damageSink) g_damageSink(damage);
}

Hive::ReadFailure Hive::Unreadable() {
    std::lock_guard lock(m_mutex);
    return m_unreadable;
}

ErrorCode Hive::CreateKey(const std::string& key) {
    std::lock_guard lock(m_mutex);
    const std::string norm = NormaliseKey(key);
    if (norm.empty()) return kErrorInvalidParameter;
    // Every ancestor exists too, as key creation on Windows leaves them.
    size_t pos = 0;
    for (;;) {
        pos = norm.find('\\', pos);
        const std::string part = norm.substr(0, pos);
        auto [it, inserted] = m_keys.try_emplace(Upper(part));
        if (inserted) it->second.name = part;
        if (pos == std::string::npos) break;
        ++pos;
    }
    return kErrorSuccess;
}

ErrorCode Hive::QueryValue(const std::string& key, const std::string& name, RegValue& value) {
    std::lock_guard lock(m_mutex);
    RefreshLocked();
    const auto k = m_keys.find(Upper(NormaliseKey(key)));
    if (k == m_keys.end()) return kErrorFileNotFound;
    const auto v = k->second.values.find(Upper(name));
    if (v == k->second.values.end()) return kErrorFileNotFound;
    value = v->second.value;
    return kErrorSuccess;
}

namespace {

// An exclusive flock on "<hive>.lock", given up after a few seconds rather
// than waiting for ever on a process that hangs while holding it.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            m_error = ErrorFromErrno(errno);
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                m_error = ErrorFromErrno(errno);
                return;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                m_error = kErrorSharingViolation;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ~FileLock() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ErrorCode Error() const { return m_error; }

private:
    int m_fd = -1;
    ErrorCode m_error = kErrorSuccess;
};

}  // namespace

ErrorCode Hive::SetValue(const std::string& key, const std::string& name, const RegValue& value) {
    return SetValues({Write{key, name, value}});
}

ErrorCode Hive::SetValues(const std::vector<Write>& writes) {
    std::lock_guard lock(m_mutex);
    for (const Write& w : writes)
        if (NormaliseKey(w.key).empty()) return kErrorInvalidParameter;
    if (writes.empty()) return kErrorSuccess;
    if (ErrorCode e = EnsureDirectory(DirName(m_path))) return e;
    FileLock fileLock(m_path + ".lock");
    if (fileLock.Error()) return fileLock.Error();
    RefreshLocked();

    const auto keysBefore = m_keys;  // a failed save leaves memory as the file is
    for (const Write& w : writes) {
        const std::string norm = NormaliseKey(w.key);
        CreateKey(norm);
        m_keys[Upper(norm)].values[Upper(w.name)] = Value{w.name, w.value};
    }
    const ErrorCode e = SaveLocked();
    if (e) m_keys = keysBefore;
    return e;
}

ErrorCode Hive::KeepAsideLocked() {
    if (!m_damaged || m_keptAside) return kErrorSuccess;
    char stamp[32];
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string aside = m_path + ".bad-" + stamp;
    for (int n = 1; FileExists(aside); ++n) aside = m_path + ".bad-" + stamp + "-" + std::to_string(n);
    if (ErrorCode e = WriteFileAtomic(aside, m_damagedBytes)) return e;
    m_keptAside = true;
    m_keptAsidePath = aside;
    Report(m_path + ": the unreadable file was kept as " + aside);
    return kErrorSuccess;
}

ErrorCode Hive::SaveLocked() {
    // The file had parts we could not read; a save writes only what we
    // could, so the file as it was must have been kept aside first.
    if (ErrorCode e = KeepAsideLocked()) return e;
    // A file that is there but could not be read (too large, no regular
    // file) would be replaced by what little we hold: leave it as it is.
    if (m_unreadable.error) {
        Report(m_path + ": not written over, since it could not be read");
        return m_unreadable.error;
    }
    if (ErrorCode e = WriteFileAtomic(m_path, ExportText())) return e;
    m_loaded = Identify();
    m_damaged = false;
    return kErrorSuccess;
}

std::string Hive::ExportText() {
    std::lock_guard lock(m_mutex);
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const auto& [upper, key] : m_keys) {
        text += KeyLine(key.name) + "\r\n";
        for (const auto& [vupper, v] : key.values) {
            const std::string name = v.name.empty() ? "@" : EscapeQuoted(v.name);
            const RegValue& rv = v.value;
            if (rv.type == kRegSz && rv.data.find_first_of("\r\n") == std::string::npos) {
                text += name + "=" + EscapeQuoted(rv.data) + "\r\n";
            } else if (rv.type == kRegSz) {
                std::string bytes;
                AppendUtf16Le(bytes, rv.data);
                bytes.append(2, '\0');
                text += HexLine(name + "=hex(1):", bytes) + "\r\n";
            } else if (rv.type == kRegDword && rv.data.size() == 4) {
                uint32_t d = 0;
                for (int i = 3; i >= 0; --i) d = (d << 8) | static_cast<unsigned char>(rv.data[i]);
                char buf[16];
                std::snprintf(buf, sizeof buf, "%08x", d);
                text += name + "=dword:" + buf + "\r\n";
            } else if (rv.type == kRegBinary) {
                text += HexLine(name + "=hex:", rv.data) + "\r\n";
            } else {
                char buf[16];
                std::snprintf(buf, sizeof buf, "%x", rv.type);
                text += HexLine(name + "=hex(" + buf + "):", rv.data) + "\r\n";
            }
        }
        text += "\r\n";
    }
    std::string out = "\xFF\xFE";
    AppendUtf16Le(out, text);
    return out;
}

std::vector<std::string> Hive::Keys() {
    std::lock_guard lock(m_mutex);
    RefreshLocked();
    std::vector<std::string> keys;
    for (const auto& [upper, key] : m_keys) keys.push_back(key.name);
    return keys;
}

}  // namespace platform

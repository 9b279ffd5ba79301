#include "settings/CQXRegistry.h"

#include <cfloat>
#include <cstring>

#include "platform/CodePage.h"

using platform::RegValue;

CQXRegistry theRegistry;

namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument";
constexpr const char* kVersion = "3.1";

std::string LittleEndian(uint64_t v, int bytes) {
    std::string s(static_cast<size_t>(bytes), '\0');
    for (int i = 0; i < bytes; ++i) s[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

uint64_t FromLittleEndian(const std::string& s) {
    uint64_t v = 0;
    for (size_t i = s.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(s[i]);
    return v;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

CQXRegistry::CQXRegistry(std::string hivePath) : m_hivePath(std::move(hivePath)) {}

void CQXRegistry::SetProgramKey(const std::string& name) {
    platform::LockGuard lock(m_lock);
    m_programKey = name;
}

std::string CQXRegistry::GetProgramKey() {
    platform::LockGuard lock(m_lock);
    return m_programKey;
}

void CQXRegistry::ReadFile() {
    platform::LockGuard lock(m_lock);
    std::string key;
    unsigned error = 0;
    (void)OpenPath(nullptr, key, error)->Keys();
}

std::string CQXRegistry::FilePath() {
    platform::LockGuard lock(m_lock);
    return m_hivePath.empty() ? platform::Hive::DefaultPath() : m_hivePath;
}

platform::Hive::ReadFailure CQXRegistry::FileReadFailure() {
    return platform::Hive::ForPath(FilePath())->Unreadable();
}

std::string CQXRegistry::KeyPath(const char* section) {
    platform::LockGuard lock(m_lock);
    std::string key = std::string(kRoot) + "\\" + m_programKey + "\\" + kVersion;
    if (section && *section) key += std::string("\\") + section;
    return key;
}

std::shared_ptr<platform::Hive> CQXRegistry::OpenPath(const char* section, std::string& key,
                                                      unsigned& error) {
    auto hive = platform::Hive::ForPath(FilePath());
    key = KeyPath(section);
    // As on Windows, every access, a read too, creates the keys of its path.
    error = hive->CreateKey(key);
    return hive;
}

unsigned CQXRegistry::Query(const char* section, const char* name, RegValue& value) {
    platform::LockGuard lock(m_lock);
    std::string key;
    unsigned error = 0;
    auto hive = OpenPath(section, key, error);
    if (error) return error;
    return hive->QueryValue(key, name, value);
}

unsigned CQXRegistry::Write(const char* section, const char* name, const RegValue& value) {
    platform::LockGuard lock(m_lock);
    if (Group* group = ThisThreadsGroup()) {
        group->writes.push_back({KeyPath(section), name, value});
        return 0;
    }
    std::string key;
    unsigned error = 0;
    auto hive = OpenPath(section, key, error);
    if (error) return error;
    return hive->SetValue(key, name, value);
}

CQXRegistry::Group* CQXRegistry::ThisThreadsGroup() {
    auto it = m_groups.find(std::this_thread::get_id());
    return it == m_groups.end() ? nullptr : &it->second;
}

void CQXRegistry::BeginGroup() {
    platform::LockGuard lock(m_lock);
    ++m_groups[std::this_thread::get_id()].depth;
}

unsigned CQXRegistry::CommitGroup() {
    platform::LockGuard lock(m_lock);
    Group* group = ThisThreadsGroup();
    if (!group) return 0;
    if (--group->depth > 0) return 0;
    const std::vector<platform::Hive::Write> writes = std::move(group->writes);
    m_groups.erase(std::this_thread::get_id());
    if (writes.empty()) return 0;
    std::string key;
    unsigned error = 0;
    auto hive = OpenPath(nullptr, key, error);
    if (error) return error;
    return hive->SetValues(writes);
}

void CQXRegistry::AbortGroup() {
    platform::LockGuard lock(m_lock);
    Group* group = ThisThreadsGroup();
    if (!group) return;
    // An inner group's abort spoils the whole group: its values are gone.
    group->writes.clear();
    if (--group->depth <= 0) m_groups.erase(std::this_thread::get_id());
}

unsigned CQXRegistry::ReadDWord(const char* section, const char* name, DWORD& value) {
    RegValue v;
    if (Query(section, name, v) || v.type != platform::kRegDword || v.data.size() != 4)
        return platform::kErrorCantRead;
    value = static_cast<DWORD>(FromLittleEndian(v.data));
    return 0;
}

unsigned CQXRegistry::ReadDouble(const char* section, const char* name, double& value) {
    RegValue v;
    // Exactly 8 bytes: a shorter value would leave part of the double unset.
    if (Query(section, name, v) || v.type != platform::kRegBinary || v.data.size() != 8)
        return platform::kErrorCantRead;
    const uint64_t bits = FromLittleEndian(v.data);
    std::memcpy(&value, &bits, sizeof value);
    return 0;
}

unsigned CQXRegistry::ReadDate(const char* section, const char* name, Time64& value) {
    RegValue v;
    if (Query(section, name, v) || v.type != platform::kRegBinary || v.data.size() != 8)
        return platform::kErrorCantRead;
    value = static_cast<Time64>(FromLittleEndian(v.data));
    return 0;
}

unsigned CQXRegistry::ReadString(const char* section, const char* name, unsigned maxChars,
                                 std::string& value) {
    RegValue v;
    if (Query(section, name, v) || v.type != platform::kRegSz) return platform::kErrorCantRead;
    std::string text = v.data.substr(0, v.data.find('\0'));
    if (platform::Utf8Length(text) > maxChars) return platform::kErrorCantRead;
    value = std::move(text);
    return 0;
}

unsigned CQXRegistry::ReadBlock(const char* section, const char* name, void* buffer, unsigned size,
                                unsigned expected) {
    RegValue v;
    const unsigned q = Query(section, name, v);
    if (q == platform::kErrorFileNotFound) return platform::kErrorNoData;
    if (q || v.type != platform::kRegBinary) return platform::kErrorCantRead;
    if (v.data.empty()) return platform::kErrorNoData;
    // A block of another size than the table's is damaged, not half a table.
    if (v.data.size() != expected || size < expected) return platform::kErrorCantRead;
    std::memcpy(buffer, v.data.data(), expected);
    return 0;
}

unsigned CQXRegistry::WriteDWord(const char* section, const char* name, DWORD value) {
    return Write(section, name, RegValue{platform::kRegDword, LittleEndian(value, 4)}) ? platform::kErrorCantRead
                                                                                        : 0;
}

unsigned CQXRegistry::WriteDouble(const char* section, const char* name, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return Write(section, name, RegValue{platform::kRegBinary, LittleEndian(bits, 8)});
}

unsigned CQXRegistry::WriteDate(const char* section, const char* name, Time64 value) {
    return Write(section, name, RegValue{platform::kRegBinary, LittleEndian(static_cast<uint64_t>(value), 8)});
}

unsigned CQXRegistry::WriteString(const char* section, const char* name, unsigned maxChars,
                                  const std::string& value) {
    // A text the getter could not read back is refused instead of stored.
    if (platform::Utf8Length(value) > maxChars || value.find('\0') != std::string::npos)
        return platform::kErrorInvalidParameter;
    return Write(section, name, RegValue{platform::kRegSz, value});
}

unsigned CQXRegistry::WriteBlock(const char* section, const char* name, const void* buffer, unsigned size) {
    return Write(section, name,
                 RegValue{platform::kRegBinary, std::string(static_cast<const char*>(buffer), size)});
}

#define RYX_DWORD(sec, val, fn)                                                   \
    unsigned CQXRegistry::Get##fn(DWORD& value) { return ReadDWord(sec, val, value); } \
    unsigned CQXRegistry::Set##fn(DWORD value) { return WriteDWord(sec, val, value); }
#define RYX_COUNT16(sec, val, fn)                                \
    unsigned CQXRegistry::Get##fn(WORD& value) {                 \
        DWORD d = 0;                                             \
        const unsigned e = ReadDWord(sec, val, d);               \
        value = static_cast<WORD>(d & 0xFFFF);                   \
        return e;                                                \
    }                                                            \
    unsigned CQXRegistry::Set##fn(WORD value) { return WriteDWord(sec, val, value); }
#define RYX_DOUBLE(sec, val, fn)                                                    \
    unsigned CQXRegistry::Get##fn(double& value) { return ReadDouble(sec, val, value); } \
    unsigned CQXRegistry::Set##fn(double value) { return WriteDouble(sec, val, value); }
#define RYX_DOUBLE_CUSTOM(sec, val, fn) \
    unsigned CQXRegistry::Set##fn(double value) { return WriteDouble(sec, val, value); }
#define RYX_DATE(sec, val, fn)                                                     \
    unsigned CQXRegistry::Get##fn(Time64& value) { return ReadDate(sec, val, value); } \
    unsigned CQXRegistry::Set##fn(Time64 value) { return WriteDate(sec, val, value); }
#define RYX_STRING(sec, val, fn, max)                                                         \
    unsigned CQXRegistry::Get##fn(std::string& value) { return ReadString(sec, val, max, value); } \
    unsigned CQXRegistry::Set##fn(const std::string& value) { return WriteString(sec, val, max, value); }
#define RYX_STRING_CUSTOM(sec, val, fn, max) \
    unsigned CQXRegistry::Set##fn(const std::string& value) { return WriteString(sec, val, max, value); }
#include "settings/RegistryValues.def"
#undef RYX_DWORD
#undef RYX_COUNT16
#undef RYX_DOUBLE
#undef RYX_DOUBLE_CUSTOM
#undef RYX_DATE
#undef RYX_STRING
#undef RYX_STRING_CUSTOM

unsigned CQXRegistry::GetTestDirectory(std::string& value) {
    std::string text;
    if (unsigned e = ReadString("Test", "Directory", 4096, text)) return e;
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    text = text.substr(b, e - b);
    if (text.empty()) return platform::kErrorCantRead;  // no folder to attach a separator to
    if (text.back() != '/') text += '/';
    value = std::move(text);
    return 0;
}

unsigned CQXRegistry::GetAutoThicknessDatum(double& value) {
    double d = 0;
    if (unsigned e = ReadDouble("Auto Thickness", "Datum", d)) return e;
    value = d;
    // FLT_MAX marks a datum that a calibration has invalidated.
    return d == static_cast<double>(FLT_MAX) ? platform::kErrorInvalidData : 0;
}

unsigned CQXRegistry::GetTemperatureOffsets(void* buffer, unsigned size) {
    return ReadBlock("Temperature", "Offsets", buffer, size, kOffsetsSize);
}

unsigned CQXRegistry::SetTemperatureOffsets(const void* buffer, unsigned size) {
    return WriteBlock("Temperature", "Offsets", buffer, size);
}

unsigned CQXRegistry::GetTemperatureOffsetDates(void* buffer, unsigned size) {
    return ReadBlock("Temperature", "OffsetDates", buffer, size, kOffsetDatesSize);
}

unsigned CQXRegistry::SetTemperatureOffsetDates(const void* buffer, unsigned size) {
    return WriteBlock("Temperature", "OffsetDates", buffer, size);
}

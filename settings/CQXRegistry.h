#pragma once
// The settings store: every setting of the station, one typed getter and one
// typed setter each, over the hive at
// HKEY_LOCAL_MACHINE\SOFTWARE\TarvokInstrument\<program>\3.1\<section>.
//
// Getters return 0 and write the out value on success, else an error code
// (1012 missing, of another type or too long; 232 an empty or missing block;
// 13 no datum) and leave it alone, except the 16-bit counts, whose out value
// is always written. The store gives no defaults: the caller decides.
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/Errors.h"
#include "platform/Hive.h"
#include "platform/RecursiveLock.h"
#include "platform/WinTypes.h"

class CQXRegistry {
public:
    // hivePath empty: the hive in the configuration folder, found at each
    // access, so that a test or the start-up may move the folder first.
    explicit CQXRegistry(std::string hivePath = {});
    ~CQXRegistry() = default;
    CQXRegistry(const CQXRegistry&) = delete;
    CQXRegistry& operator=(const CQXRegistry&) = delete;

    // Replaces the program key ("RYXw" by default), as "reg:" asks.
    void SetProgramKey(const std::string& name);
    std::string GetProgramKey();
    // Reads the settings file now, if it has changed, so that a file that
    // cannot be read in full is told (the hive's damage hook) at this point.
    void ReadFile();
    // The settings file, and why it could not be read at all at its last
    // read (error 0: it was read, or there is none). Every save is refused
    // while it cannot be read, so that nothing is saved over it.
    std::string FilePath();
    platform::Hive::ReadFailure FileReadFailure();

#define RYX_DWORD(sec, val, fn) \
    unsigned Get##fn(DWORD& value); \
    unsigned Set##fn(DWORD value);
#define RYX_COUNT16(sec, val, fn) \
    unsigned Get##fn(WORD& value); \
    unsigned Set##fn(WORD value);
#define RYX_DOUBLE(sec, val, fn) \
    unsigned Get##fn(double& value); \
    unsigned Set##fn(double value);
#define RYX_DOUBLE_CUSTOM RYX_DOUBLE
#define RYX_DATE(sec, val, fn) \
    unsigned Get##fn(Time64& value); \
    unsigned Set##fn(Time64 value);
#define RYX_STRING(sec, val, fn, max) \
    unsigned Get##fn(std::string& value); \
    unsigned Set##fn(const std::string& value);
#define RYX_STRING_CUSTOM RYX_STRING
#include "settings/RegistryValues.def"
#undef RYX_DWORD
#undef RYX_COUNT16
#undef RYX_DOUBLE
#undef RYX_DOUBLE_CUSTOM
#undef RYX_DATE
#undef RYX_STRING
#undef RYX_STRING_CUSTOM

    // The two blocks of the temperature offset table: 66 signed 16-bit
    // offsets (132 bytes) and 66 64-bit times (528 bytes). A block of any
    // other stored size is 1012; a missing or empty one 232.
    static constexpr unsigned kOffsetsSize = 132;
    static constexpr unsigned kOffsetDatesSize = 528;
    unsigned GetTemperatureOffsets(void* buffer, unsigned size);
    unsigned SetTemperatureOffsets(const void* buffer, unsigned size);
    unsigned GetTemperatureOffsetDates(void* buffer, unsigned size);
    unsigned SetTemperatureOffsetDates(const void* buffer, unsigned size);

    // Group write. Between BeginGroup and CommitGroup the setters called on
    // this store from the same thread check their value as usual and queue it
    // (returning 0 or their own refusal) instead of writing it. CommitGroup
    // writes every queued value under one lock in one save of the hive: all
    // of them or, on a failure, none, the file and memory staying as they
    // were; it returns 0 or the error. AbortGroup drops the queue. Reads
    // during a group see the stored values, not the queued ones. A group
    // begun inside another joins it: only the outermost commit writes.
    void BeginGroup();
    unsigned CommitGroup();
    void AbortGroup();

    // The registry key of a section (for messages and tests).
    std::string KeyPath(const char* section);

private:
    std::shared_ptr<platform::Hive> OpenPath(const char* section, std::string& key, unsigned& error);
    unsigned ReadDWord(const char* section, const char* name, DWORD& value);
    unsigned ReadDouble(const char* section, const char* name, double& value);
    unsigned ReadDate(const char* section, const char* name, Time64& value);
    unsigned ReadString(const char* section, const char* name, unsigned maxChars, std::string& value);
    unsigned ReadBlock(const char* section, const char* name, void* buffer, unsigned size, unsigned expected);
    unsigned WriteDWord(const char* section, const char* name, DWORD value);
    unsigned WriteDouble(const char* section, const char* name, double value);
    unsigned WriteDate(const char* section, const char* name, Time64 value);
    unsigned WriteString(const char* section, const char* name, unsigned maxChars, const std::string& value);
    unsigned WriteBlock(const char* section, const char* name, const void* buffer, unsigned size);
    unsigned Query(const char* section, const char* name, platform::RegValue& value);
    unsigned Write(const char* section, const char* name, const platform::RegValue& value);

    struct Group {
        int depth = 0;
        std::vector<platform::Hive::Write> writes;
    };
    Group* ThisThreadsGroup();

    std::map<std::thread::id, Group> m_groups;
    std::string m_hivePath;
    std::string m_programKey = "RYXw";
    platform::RecursiveLock m_lock;
};

// The station's one settings store.
extern CQXRegistry theRegistry;

// A group write on the stack: begun by the constructor, dropped by the
// destructor unless Commit was called.
//   CQXSettingsGroup group;
//   theRegistry.SetOperator(name); ...
//   if (unsigned e = group.Commit()) { report e; nothing was written }
class CQXSettingsGroup {
public:
    explicit CQXSettingsGroup(CQXRegistry& store = theRegistry) : m_store(store) { m_store.BeginGroup(); }
    ~CQXSettingsGroup() {
        if (!m_done) m_store.AbortGroup();
    }
    CQXSettingsGroup(const CQXSettingsGroup&) = delete;
    CQXSettingsGroup& operator=(const CQXSettingsGroup&) = delete;
    unsigned Commit() {
        m_done = true;
        return m_store.CommitGroup();
    }

private:
    CQXRegistry& m_store;
    bool m_done = false;
};

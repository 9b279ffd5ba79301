#pragma once
// The binary archive, byte for byte as the Windows station writes it:
// little-endian numbers, counted Windows-1252 strings, 12-byte times and the
// object protocol with class tags and a load map.
//
// A loading archive reads from the whole file held in memory, so every length
// is checked against the bytes really left before anything is read or
// allocated; any malformed item throws ArchiveException. A storing archive
// collects the bytes; the caller writes them out atomically.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Object.h"
#include "platform/WinTypes.h"

namespace fw {

class Archive {
public:
    // A storing archive.
    Archive();
    // A loading archive over data, which must outlive it.
    explicit Archive(std::string_view data);
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool IsStoring() const { return m_storing; }
    bool IsLoading() const { return !m_storing; }

    const std::string& Bytes() const { return m_out; }  // what was stored
    size_t Remaining() const { return m_in.size() - m_pos; }
    bool AtEnd() const { return Remaining() == 0; }

    void Write(const void* data, size_t size);
    // Reads exactly size bytes, or throws kEndOfFile and reads nothing.
    void Read(void* data, size_t size);

    Archive& operator<<(BYTE v);
    Archive& operator<<(WORD v);
    Archive& operator<<(int32_t v);
    Archive& operator<<(DWORD v);
    Archive& operator<<(int64_t v);
    Archive& operator<<(float v);
    Archive& operator<<(double v);
    Archive& operator<<(const std::string& utf8) {
        WriteString(utf8);
        return *this;
    }
    Archive& operator>>(BYTE& v);
    Archive& operator>>(WORD& v);
    Archive& operator>>(int32_t& v);
    Archive& operator>>(DWORD& v);
    Archive& operator>>(int64_t& v);
    Archive& operator>>(float& v);
    Archive& operator>>(double& v);
    Archive& operator>>(std::string& utf8) {
        utf8 = ReadString();
        return *this;
    }

    // Counted string: UTF-8 inside, Windows-1252 in the archive.
    void WriteString(std::string_view utf8);
    // Reads every length-prefix form, the UTF-16LE form included.
    std::string ReadString();

    // Seconds since 1970 UTC: written as the marker 0x8000000A and 8 bytes;
    // read in that form or the older 4-byte one.
    void WriteTime(Time64 t);
    Time64 ReadTime();

    // Element count of a collection: WORD, or WORD 0xFFFF and a DWORD.
    void WriteCount(DWORD n);
    DWORD ReadCount();

    // Writes obj (null allowed) with its class tag, then its body the first
    // time; an object stored before is written as a reference.
    void WriteObject(const Object* obj);
    // Reads an object record that creates a new object of class expected (or
    // derived). A null entry, a reference to an object read before, an
    // unregistered or unexpected class, or a second description of a class
    // already described all throw: an owner cannot take any of them.
    std::unique_ptr<Object> ReadNewObject(const RuntimeClass* expected);
    // The schema stored with the class of the object being read; asked once
    // per object, as later asks give kNoSchema.
    UINT GetObjectSchema();

private:
    void Need(size_t size) const;
    uint64_t ReadStringLength(bool& wide);
    void WriteStringLength(uint64_t n);
    void WriteTag(DWORD index, bool isClass);

    bool m_storing;
    std::string m_out;
    std::string_view m_in;
    size_t m_pos = 0;

    // Load map: entry 0 is the null object; classes and objects take the
    // following indexes in the order they appear.
    struct LoadEntry {
        const RuntimeClass* cls;
        bool isClass;
        UINT schema;
    };
    std::vector<LoadEntry> m_loadMap;
    UINT m_objectSchema = kNoSchema;

    std::map<const void*, DWORD> m_storeMap;  // object or class -> index
    DWORD m_nextStoreIndex = 1;
};

}  // namespace fw

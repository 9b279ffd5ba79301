#include "framework/core/Archive.h"

#include <cstring>

#include "platform/CodePage.h"

namespace fw {

namespace {
constexpr WORD kNullTag = 0;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr DWORD kBigClassTag = 0x80000000u;
constexpr DWORD kMaxMapIndex = 0x3FFFFFFE;
constexpr DWORD kTimeMarker = 0x8000000Au;
constexpr size_t kMaxClassName = 64;

template <class T>
void PutLE(std::string& out, T v) {
    for (size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
}
}  // namespace

Archive::Archive() : m_storing(true) {}

Archive::Archive(std::string_view data) : m_storing(false), m_in(data) {
    m_loadMap.push_back({nullptr, false, kNoSchema});
}

void Archive::Write(const void* data, size_t size) {
    m_out.append(static_cast<const char*>(data), size);
}

void Archive::Need(size_t size) const {
    if (size > Remaining()) throw ArchiveException(ArchiveException::kEndOfFile);
}

void Archive::Read(void* data, size_t size) {
    Need(size);
    if (size) std::memcpy(data, m_in.data() + m_pos, size);
    m_pos += size;
}

namespace {
template <class T>
T GetLE(const unsigned char* p) {
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return static_cast<T>(v);
}
}  // namespace

#define RYX_ARCHIVE_INT(T)               \
    Archive& Archive::operator<<(T v) {  \
        PutLE(m_out, v);                 \
        return *this;                    \
    }                                    \
    Archive& Archive::operator>>(T& v) { \
        unsigned char b[sizeof(T)];      \
        Read(b, sizeof b);               \
        v = GetLE<T>(b);                 \
        return *this;                    \
    }
RYX_ARCHIVE_INT(BYTE)
RYX_ARCHIVE_INT(WORD)
RYX_ARCHIVE_INT(int32_t)
RYX_ARCHIVE_INT(DWORD)
RYX_ARCHIVE_INT(int64_t)
#undef RYX_ARCHIVE_INT

Archive& Archive::operator<<(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return *this << static_cast<DWORD>(bits);
}

Archive& Archive::operator>>(float& v) {
    DWORD bits;
    *this >> bits;
    std::memcpy(&v, &bits, sizeof v);
    return *this;
}

Archive& Archive::operator<<(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutLE(m_out, bits);
    return *this;
}

Archive& Archive::operator>>(double& v) {
    int64_t bits;
    *this >> bits;
    std::memcpy(&v, &bits, sizeof v);
    return *this;
}

void Archive::WriteStringLength(uint64_t n) {
    if (n < 0xFF) {
        *this << static_cast<BYTE>(n);
        return;
    }
    *this << static_cast<BYTE>(0xFF);
    if (n < 0xFFFE) {
        *this << static_cast<WORD>(n);
        return;
    }
    *this << static_cast<WORD>(0xFFFF);
    if (n < 0xFFFFFFFFu) {
        *this << static_cast<DWORD>(n);
        return;
    }
    *this << static_cast<DWORD>(0xFFFFFFFFu) << static_cast<int64_t>(n);
}

uint64_t Archive::ReadStringLength(bool& wide) {
    wide = false;
    for (int pass = 0; pass < 2; ++pass) {
        BYTE b;
        *this >> b;
        if (b < 0xFF) return b;
        WORD w;
        *this >> w;
        if (w == 0xFFFE) {
            // The wide-text mark: the real length follows, in characters.
            if (wide) break;
            wide = true;
            continue;
        }
        if (w < 0xFFFF) return w;
        DWORD d;
        *this >> d;
        if (d < 0xFFFFFFFFu) return d;
        int64_t q;
        *this >> q;
        return static_cast<uint64_t>(q);
    }
    throw ArchiveException(ArchiveException::kBadData);  // the mark twice
}

void Archive::WriteString(std::string_view utf8) {
    std::string text = platform::Utf8ToCp1252(utf8);
    WriteStringLength(text.size());
    Write(text.data(), text.size());
}

std::string Archive::ReadString() {
    bool wide;
    uint64_t n = ReadStringLength(wide);
    if (!wide) {
        Need(n);
        std::string_view raw = m_in.substr(m_pos, static_cast<size_t>(n));
        m_pos += static_cast<size_t>(n);
        return platform::Cp1252ToUtf8(raw);
    }
    if (n > Remaining() / 2) throw ArchiveException(ArchiveException::kEndOfFile);
    const auto* p = reinterpret_cast<const unsigned char*>(m_in.data() + m_pos);
    m_pos += static_cast<size_t>(n) * 2;
    std::string utf8;
    for (size_t i = 0; i < n; ++i) {
        char32_t c = static_cast<char32_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
            char32_t lo = static_cast<char32_t>(p[2 * i + 2] | (p[2 * i + 3] << 8));
            if (lo >= 0xDC00 && lo < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = '?';  // a lone surrogate
        platform::AppendUtf8(utf8, c);
    }
    // Through the code page, as the station holds text: what cannot be
    // saved again does not appear to be there.
    return platform::Cp1252ToUtf8(platform::Utf8ToCp1252(utf8));
}

void Archive::WriteTime(Time64 t) {
    *this << kTimeMarker << static_cast<int64_t>(t);
}

Time64 Archive::ReadTime() {
    DWORD first;
    *this >> first;
    if (first != kTimeMarker) return static_cast<int32_t>(first);
    int64_t t;
    *this >> t;
    return t;
}

void Archive::WriteCount(DWORD n) {
    if (n < 0xFFFF) {
        *this << static_cast<WORD>(n);
        return;
    }
    *this << static_cast<WORD>(0xFFFF) << n;
}

DWORD Archive::ReadCount() {
    WORD w;
    *this >> w;
    if (w != 0xFFFF) return w;
    DWORD d;
    *this >> d;
    return d;
}

void Archive::WriteTag(DWORD index, bool isClass) {
    if (isClass) {
        if (index < kBigObjectTag)
            *this << static_cast<WORD>(kClassTag | index);
        else
            *this << kBigObjectTag << static_cast<DWORD>(kBigClassTag | index);
    } else {
        if (index < kBigObjectTag)
            *this << static_cast<WORD>(index);
        else
            *this << kBigObjectTag << index;
    }
}

void Archive::WriteObject(const Object* obj) {
    if (!obj) {
        *this << kNullTag;
        return;
    }
    auto seen = m_storeMap.find(obj);
    if (seen != m_storeMap.end()) {
        WriteTag(seen->second, false);
        return;
    }
    const RuntimeClass* cls = obj->GetRuntimeClass();
    auto known = m_storeMap.find(cls);
    if (known != m_storeMap.end()) {
        WriteTag(known->second, true);
    } else {
        size_t len = std::strlen(cls->name);
        *this << kNewClassTag << static_cast<WORD>(cls->schema & 0xFFFF) << static_cast<WORD>(len);
        Write(cls->name, len);
        m_storeMap[cls] = m_nextStoreIndex++;
    }
    m_storeMap[obj] = m_nextStoreIndex++;
    const_cast<Object*>(obj)->Serialize(*this);
}

std::unique_ptr<Object> Archive::ReadNewObject(const RuntimeClass* expected) {
    WORD tag;
    *this >> tag;
    DWORD index = 0;
    bool isClassRef = false;
    if (tag == kBigObjectTag) {
        DWORD big;
        *this >> big;
        isClassRef = (big & kBigClassTag) != 0;
        index = big & ~kBigClassTag;
    } else if (tag != kNewClassTag) {
        isClassRef = (tag & kClassTag) != 0;
        index = tag & ~kClassTag;
    }

    const RuntimeClass* cls = nullptr;
    UINT schema = kNoSchema;
    if (tag == kNewClassTag) {
        WORD storedSchema, len;
        *this >> storedSchema >> len;
        if (len == 0 || len > kMaxClassName) throw ArchiveException(ArchiveException::kBadClass);
        std::string name(len, '\0');
        Read(name.data(), len);
        cls = FindClass(name);
        if (!cls || cls->schema == kNoSchema || !cls->create)
            throw ArchiveException(ArchiveException::kBadClass);
        if (!(cls->schema & kVersionableSchema) && storedSchema != (cls->schema & 0xFFFF))
            throw ArchiveException(ArchiveException::kBadSchema);
        for (const LoadEntry& e : m_loadMap)
            if (e.isClass && e.cls == cls) throw ArchiveException(ArchiveException::kBadClass);
        if (m_loadMap.size() > kMaxMapIndex) throw ArchiveException(ArchiveException::kBadIndex);
        schema = storedSchema;
        m_loadMap.push_back({cls, true, schema});
    } else if (isClassRef) {
        if (index == 0 || index >= m_loadMap.size() || !m_loadMap[index].isClass)
            throw ArchiveException(ArchiveException::kBadIndex);
        cls = m_loadMap[index].cls;
        schema = m_loadMap[index].schema;
    } else {
        // A null entry or an object read before: nothing new to own.
        throw ArchiveException(ArchiveException::kBadIndex);
    }

    if (expected && !cls->IsDerivedFrom(expected)) throw ArchiveException(ArchiveException::kBadClass);
    std::unique_ptr<Object> obj = cls->CreateObject();
    if (!obj) throw MemoryException();
    if (m_loadMap.size() > kMaxMapIndex) throw ArchiveException(ArchiveException::kBadIndex);
    m_loadMap.push_back({cls, false, schema});
    m_objectSchema = schema;
    obj->Serialize(*this);
    m_objectSchema = kNoSchema;
    return obj;
}

UINT Archive::GetObjectSchema() {
    UINT s = m_objectSchema;
    m_objectSchema = kNoSchema;
    return s;
}

}  // namespace fw

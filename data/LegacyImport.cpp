#include "data/LegacyImport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Strings.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"

namespace legacy {

namespace {

struct Layout {
    size_t bath, target, thickness, width;
    size_t confidence, forceConstant, deflectionConstant, deflectionLength, soak;
    double confidenceScale;
};
constexpr Layout kLayout41 = {165, 172, 179, 186, 385, 395, 405, 14, 419, 1e8};
constexpr Layout kLayout42 = {147, 154, 161, 168, 319, 329, 339, 10, 349, 1e5};

// The field's text up to its first NUL, as the DOS program's strings end there.
std::string_view Field(std::string_view bytes, size_t offset, size_t length) {
    std::string_view f = bytes.substr(offset, length);
    size_t nul = f.find('\0');
    return nul == std::string_view::npos ? f : f.substr(0, nul);
}

std::string Text(std::string_view bytes, size_t offset, size_t length) {
    std::string_view f = Field(bytes, offset, length);
    const char* blanks = " \t\r\n\v\f";
    size_t first = f.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    size_t last = f.find_last_not_of(blanks);
    return platform::Cp1252ToUtf8(f.substr(first, last - first + 1));
}

// atoi: leading blanks, a sign, digits; anything else ends it, none is 0.
int Integer(std::string_view bytes, size_t offset) {
    std::string_view f = Field(bytes, offset, 2);
    size_t i = 0;
    while (i < f.size() && (f[i] == ' ' || f[i] == '\t')) ++i;
    bool negative = false;
    if (i < f.size() && (f[i] == '-' || f[i] == '+')) negative = f[i++] == '-';
    int v = 0;
    for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) v = v * 10 + (f[i] - '0');
    return negative ? -v : v;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// atof as the DOS program's C library had it: white space, a sign, digits
// with at most one decimal point, an exponent; the longest such beginning is
// the number, and a text without one is 0. Only decimal numbers: no "nan",
// "inf" or hexadecimal, which a modern strtod would accept.
double Number(std::string_view bytes, size_t offset, size_t length) {
    const std::string_view f = Field(bytes, offset, length);
    size_t i = 0;
    while (i < f.size() && (f[i] == ' ' || (f[i] >= '\t' && f[i] <= '\r'))) ++i;
    const size_t start = i;
    if (i < f.size() && (f[i] == '+' || f[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < f.size() && IsDigit(f[i]); ++i) ++digits;
    if (i < f.size() && f[i] == '.')
        for (++i; i < f.size() && IsDigit(f[i]); ++i) ++digits;
    if (digits == 0) return 0;
    size_t end = i;
    if (i < f.size() && (f[i] == 'e' || f[i] == 'E')) {
        size_t j = i + 1;
        if (j < f.size() && (f[j] == '+' || f[j] == '-')) ++j;
        const size_t exponentStart = j;
        while (j < f.size() && IsDigit(f[j])) ++j;
        if (j > exponentStart) end = j;
    }
    return platform::AtofC(f.substr(start, end - start));
}

int FullYear(int twoDigits) {
    int year = twoDigits < 38 ? 2000 + twoDigits : 1900 + twoDigits;
    return year < 1971 ? 1971 : year;
}

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// A local time from its fields; false when they name no real time.
bool MakeTime(int year, int month, int day, int hour, int minute, int second, Time64& out) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    if (day > kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0)) return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    out = static_cast<Time64>(t);
    return true;
}

bool DateAt(std::string_view bytes, size_t offset, int hour, int minute, int second, Time64& out) {
    return MakeTime(FullYear(Integer(bytes, offset + 6)), Integer(bytes, offset), Integer(bytes, offset + 3),
                    hour, minute, second, out);
}

float FloatAt(std::string_view bytes, size_t index) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 4 * index;
    const uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace

bool ReadVersionMark(std::string_view bytes, Version& version) {
    std::string_view mark = bytes.substr(0, 5);
    if (mark == "V 4.2") {
        version = Version::k42;
        return true;
    }
    if (mark == "V 4.1") {
        version = Version::k41;
        return true;
    }
    return false;
}

size_t HeaderSize(Version version) {
    return version == Version::k41 ? kHeaderSize41 : kHeaderSize42;
}

HeaderError ParseHeader(std::string_view bytes, Header& header) {
    Header h;
    if (!ReadVersionMark(bytes, h.version)) return HeaderError::kNoMark;
    if (bytes.size() != HeaderSize(h.version)) return HeaderError::kWrongSize;
    const Layout& l = h.version == Version::k41 ? kLayout41 : kLayout42;

    h.specimen = Text(bytes, 5, 22);
    h.project = Text(bytes, 27, 22);
    h.operatorName = Text(bytes, 49, 22);
    if (!MakeTime(FullYear(Integer(bytes, 77)), Integer(bytes, 71), Integer(bytes, 74), Integer(bytes, 79),
                  Integer(bytes, 82), Integer(bytes, 85), h.testTime) ||
        !DateAt(bytes, 87, 12, 1, 1, h.calibrationDate) || !DateAt(bytes, 95, 12, 1, 1, h.confidenceDate))
        return HeaderError::kBadDate;

    h.bathTemperature = static_cast<float>(Number(bytes, l.bath, 7));
    h.targetTemperature = static_cast<float>(Number(bytes, l.target, 7));
    h.beamThickness = static_cast<float>(Number(bytes, l.thickness, 7));
    h.beamWidth = static_cast<float>(Number(bytes, l.width, 7));
    h.confidenceResult = static_cast<float>(Number(bytes, l.confidence, 10) / l.confidenceScale);
    h.forceConstant = static_cast<float>(Number(bytes, l.forceConstant, 10) * 9.80665);
    h.deflectionConstant = static_cast<float>(Number(bytes, l.deflectionConstant, l.deflectionLength));
    h.soakTime = static_cast<float>(Number(bytes, l.soak, 5));
    header = std::move(h);
    return HeaderError::kNone;
}

bool ParseData(std::string_view bytes, Version version, std::vector<Point>& points) {
    if (bytes.size() != kDataSize) return false;
    std::vector<Point> out;
    out.reserve(kArrayLength);
    auto point = [&](int k) {
        const size_t i = static_cast<size_t>(k);
        return Point{FloatAt(bytes, i), FloatAt(bytes, kArrayLength + i) * kGramsToMilliNewtons,
                     FloatAt(bytes, 2 * kArrayLength + i)};
    };
    if (version == Version::k42) {
        for (int k = 0; k < kArrayLength; ++k) out.push_back(point(k));
    } else {
        // The DOS 4.1 program left element 0 unused.
        for (int k = 1; k < kArrayLength; ++k) out.push_back(point(k));
        out.push_back(out.back());
    }
    points = std::move(out);
    return true;
}

std::string SiblingPath(const std::string& path, std::string_view ext) {
    const std::string dir = platform::DirName(path);
    const std::string base = platform::BaseName(path);
    const std::string stem = base.substr(0, base.size() - platform::Extension(base).size());
    const std::string wanted = stem + std::string(ext);
    const std::string exact = dir.empty() ? wanted : platform::JoinPath(dir, wanted);
    if (platform::FileExists(exact)) return exact;
    // Files copied from DOS disks come with any case of extension.
    std::string found;
    if (DIR* d = opendir(dir.empty() ? "." : dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string_view name = e->d_name;
            if (name.size() == wanted.size() && name.substr(0, stem.size()) == stem &&
                platform::EqualsNoCase(name.substr(stem.size()), ext)) {
                found = std::string(name);
                break;
            }
        }
        closedir(d);
    }
    if (found.empty()) return exact;
    return dir.empty() ? found : platform::JoinPath(dir, found);
}

}  // namespace legacy

namespace {

constexpr UINT kIdsUnknown = 145;
constexpr UINT kIdsOldDataNotOpened = 408;
constexpr UINT kIdsNotCorrectFormat = 409;

enum class ReadResult { kOk, kCannotOpen, kWrongSize };

// Reads a regular file that must be exactly size bytes, without reading more
// than that from a file that is larger; the open never waits (a named pipe,
// a device are refused, see platform::OpenRegularFile), and why tells the
// cause of a file that cannot be opened.
ReadResult ReadExactly(const std::string& path, size_t size, std::string& out, platform::ReadRefusal& why) {
    int fd = -1;
    uint64_t actual = 0;
    if (platform::OpenRegularFile(path, size, fd, actual, &why) != 0)
        return why == platform::ReadRefusal::kTooLarge ? ReadResult::kWrongSize : ReadResult::kCannotOpen;
    ReadResult result = ReadResult::kOk;
    if (actual != size) {
        result = ReadResult::kWrongSize;
    } else {
        out.assign(size, '\0');
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, out.data() + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        if (done != size) result = ReadResult::kWrongSize;  // shrank while read
    }
    ::close(fd);
    return result;
}

// The version mark alone, from the first five bytes of the file (which is
// all that is read of it, whatever its size).
bool ReadMark(const std::string& path, std::string& mark, platform::ReadRefusal& why) {
    int fd = -1;
    uint64_t size = 0;
    if (platform::OpenRegularFile(path, UINT64_MAX, fd, size, &why) != 0) return false;
    char buf[5];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    mark.assign(buf, n > 0 ? static_cast<size_t>(n) : 0);
    ::close(fd);
    return true;
}

}  // namespace

BOOL CQXRYXTestDoc::ImportLegacy(const std::string& path) {
    const std::string datPath = legacy::SiblingPath(path, ".DAT");
    const std::string bdtPath = legacy::SiblingPath(path, ".BDT");
    auto refuse = [this](const std::string& file, UINT id) {
        ReportSaveLoadException(file, nullptr, false, id);
        return FALSE;
    };
    // A file of the pair that cannot be opened: 408 naming it, and why.
    platform::ReadRefusal why = platform::ReadRefusal::kNone;
    auto notOpened = [this, &why](const std::string& file) {
        const fw::FileException e(platform::kErrorAccessDenied, why);
        ReportSaveLoadException(file, &e, false, kIdsOldDataNotOpened);
        return FALSE;
    };
    try {
        std::string mark;
        if (!ReadMark(datPath, mark, why)) return notOpened(datPath);
        legacy::Version version;
        if (!legacy::ReadVersionMark(mark, version)) return refuse(datPath, kIdsNotCorrectFormat);
        std::string headerBytes;
        switch (ReadExactly(datPath, legacy::HeaderSize(version), headerBytes, why)) {
            case ReadResult::kCannotOpen:
                return notOpened(datPath);
            case ReadResult::kWrongSize:
                return refuse(datPath, kIdsNotCorrectFormat);
            case ReadResult::kOk:
                break;
        }

        std::string dataBytes;
        switch (ReadExactly(bdtPath, legacy::kDataSize, dataBytes, why)) {
            case ReadResult::kCannotOpen:
                return notOpened(bdtPath);
            case ReadResult::kWrongSize:
                return refuse(bdtPath, kIdsNotCorrectFormat);
            case ReadResult::kOk:
                break;
        }

        // A date the DOS program let through that names no real time refuses
        // the header, as any other malformed field would.
        legacy::Header h;
        if (legacy::ParseHeader(headerBytes, h) != legacy::HeaderError::kNone)
            return refuse(datPath, kIdsNotCorrectFormat);
        std::vector<legacy::Point> points;
        if (!legacy::ParseData(dataBytes, version, points)) return refuse(bdtPath, kIdsNotCorrectFormat);

        m_testName.m_data = platform::BaseName(datPath);
        m_softwareVersion.m_data = version == legacy::Version::k41 ? "RYX V4.1" : "RYX V4.2";
        m_apparatusId.m_data = fw::LoadString(kIdsUnknown);
        m_specimen.m_data = h.specimen;
        m_project.m_data = h.project;
        m_operator.m_data = h.operatorName;
        m_testTime = h.testTime;
        m_calibrationDate = h.calibrationDate;
        m_confidenceDate = h.confidenceDate;
        m_minTemperature.m_data = h.bathTemperature;
        m_maxTemperature.m_data = h.bathTemperature;
        m_targetTemperature.m_data = h.targetTemperature;
        m_beamThickness.m_data = h.beamThickness;
        m_beamWidth.m_data = h.beamWidth;
        m_confidenceResult.m_data = h.confidenceResult;
        m_forceConstant.m_data = h.forceConstant;
        m_deflectionConstant.m_data = h.deflectionConstant;
        m_soakTime.m_data = h.soakTime;
        // The DOS files store neither: the values a test file without them reads
        // with, which make the 500 points a complete test.
        m_sampleInterval = 30;
        m_totalSamples = 501;

        m_points.clear();
        for (const legacy::Point& p : points)
            AddPoint(CQXFloatData(p.deflection), CQXFloatData(p.force), CQXFloatData(p.temperature));
        m_bImported = TRUE;
    } catch (const std::bad_alloc&) {
        m_points.clear();
        return refuse(bdtPath, fw::kIdsOutOfMemory);
    } catch (const fw::MemoryException&) {
        m_points.clear();
        return refuse(bdtPath, fw::kIdsOutOfMemory);
    }
    CalculateResults();  // a failure is reported there and does not fail the import
    return TRUE;
}

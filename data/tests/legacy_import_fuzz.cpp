// The DOS-version parsers on arbitrary bytes: every header either parses or
// is refused with a reason, every data file gives 500 points or is refused;
// nothing crashes, reads out of bounds or hangs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/LegacyImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // Most inputs become a header of the right size with a valid mark, so the
    // field parsing is reached; the first byte chooses the version.
    if (size && (data[0] & 3) != 0) {
        const legacy::Version v = data[0] & 4 ? legacy::Version::k41 : legacy::Version::k42;
        std::string header = v == legacy::Version::k41 ? "V 4.1" : "V 4.2";
        header += bytes.substr(1);
        header.resize(legacy::HeaderSize(v), ' ');
        bytes = header;
    }
    legacy::Header h;
    const legacy::HeaderError e = legacy::ParseHeader(bytes, h);
    legacy::Version v;
    if (e == legacy::HeaderError::kNone && !legacy::ReadVersionMark(bytes, v)) std::abort();

    std::string data6000(reinterpret_cast<const char*>(data), size);
    if (size && data[0] & 8) data6000.resize(legacy::kDataSize, '\x42');
    std::vector<legacy::Point> points;
    for (legacy::Version version : {legacy::Version::k41, legacy::Version::k42}) {
        const bool ok = legacy::ParseData(data6000, version, points);
        if (ok != (data6000.size() == legacy::kDataSize)) std::abort();
        if (ok && points.size() != 500) std::abort();
    }
    return 0;
}

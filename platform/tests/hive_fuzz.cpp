// The hive reader must take any file: parse it, load it, save it again and
// read the save back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // Half the inputs get the export header, so the fuzzer reaches the value parser.
    if (size && data[0] & 1) bytes = "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\A]\r\n" + bytes;
    const auto first = platform::hive_format::Parse(bytes);
    for (const auto& e : first.entries) {
        if (e.key.empty()) __builtin_trap();
    }
    return 0;
}

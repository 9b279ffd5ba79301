// The test file reader on arbitrary bytes: every input either loads or is
// refused with an archive exception; nothing crashes, leaks or hangs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/Archive.h"
#include "framework/core/TestDoubles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fw::ScriptedMessageBox box;
    static fw::ServiceScope<fw::MessageBoxService> scope(box);
    box.Clear();
    // Half of the inputs start as a plausible header, so the reader gets past it.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size && data[0] & 1) {
        std::string header("\x36\x01", 2);
        for (int i = 0; i < 4; ++i)
            header += std::string("\x0A\x00\x00\x80\x00\x00\x00\x00\x00\x00\x00\x00", 12);
        header += std::string("\x1E\x00\x00\x00\xF5\x01\x00\x00", 8);
        bytes = header + bytes;
    }
    CQXRYXTestDoc doc;
    try {
        fw::Archive ar(bytes);
        doc.Serialize(ar);
    } catch (const fw::Exception&) {
    }
    return 0;
}

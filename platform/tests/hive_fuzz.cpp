// The hive reader must take any file: parse it, load it, save it again and
// read the save back unchanged.
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/CodePage.h"
#include "platform/Hive.h"
#include "platform/Paths.h"

namespace {

// One folder per process, in memory where the system has one (a save syncs
// the file to disk, which would make every input cost milliseconds).
const std::string& Folder() {
    // Never destroyed, so that the folder can still be removed at exit.
    static const std::string& folder = *new std::string([] {
        const char* base =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
        std::string pattern = std::string(base) + "/ryx-hive-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) __builtin_trap();
        platform::Hive::SetDiagnosticSink([](const std::string&) {});
        return pattern;
    }());
    return folder;
}

// The hive, its lock and any damaged file kept aside.
void Empty(const std::string& folder) {
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') unlink((folder + "/" + e->d_name).c_str());
        closedir(d);
    }
}

struct RemoveFolder {
    ~RemoveFolder() {
        Empty(Folder());
        rmdir(Folder().c_str());
    }
} g_removeFolder;

// A copy of the file as it was, beside it.
bool KeptAside(const std::string& bytes) {
    bool kept = false;
    if (DIR* d = opendir(Folder().c_str())) {
        while (dirent* e = readdir(d)) {
            std::string copy;
            if (std::string(e->d_name).rfind("registry.reg.bad-", 0) == 0 &&
                platform::ReadWholeFile(Folder() + "/" + e->d_name, copy) == 0 && copy == bytes)
                kept = true;
        }
        closedir(d);
    }
    return kept;
}

const std::string kSavedKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Fuzz";

// Text that the file's UTF-16 carries as it is: whole UTF-8 characters, no NUL.
bool Carried(const std::string& text) {
    std::string again;
    size_t pos = 0;
    while (pos < text.size()) platform::AppendUtf8(again, platform::DecodeUtf8(text, pos));
    return again == text && text.find('\0') == std::string::npos;
}

// The input read as one value to write: a type byte, the name up to a NUL,
// then the data.
bool AsValue(const uint8_t* data, size_t size, std::string& name, platform::RegValue& value) {
    if (size < 2) return false;
    static const uint32_t kTypes[] = {platform::kRegSz, platform::kRegBinary, platform::kRegDword,
                                      platform::kRegMultiSz, platform::kRegExpandSz};
    value.type = kTypes[data[0] % 5];
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t nul = rest.find('\0');
    name = rest.substr(0, nul);
    value.data = nul == std::string::npos ? "" : rest.substr(nul + 1);
    if (value.type == platform::kRegDword) value.data.resize(4, '\0');
    // A name is one line of the file; a text value is UTF-16 there.
    if (!Carried(name) || name.find_first_of("\r\n") != std::string::npos) return false;
    return value.type != platform::kRegSz || Carried(value.data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // Half the inputs get the export header, so the fuzzer reaches the value parser.
    if (size && data[0] & 1)
        bytes = "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\A]\r\n" + bytes;
    const auto first = platform::hive_format::Parse(bytes);
    for (const auto& e : first.entries) {
        if (e.key.empty()) __builtin_trap();
    }

    // Load: the file as a station finds it.
    const std::string path = Folder() + "/registry.reg";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) __builtin_trap();
        std::fclose(f);
    } else {
        __builtin_trap();
    }
    platform::Hive loaded(path);
    (void)loaded.Keys();
    // A file with lines that cannot be read is kept aside as it was, at once.
    if (!first.problems.empty() && !KeptAside(bytes)) __builtin_trap();
    // Every value the parser read is there to be asked for.
    for (const auto& e : first.entries) {
        platform::RegValue v;
        if (loaded.QueryValue(e.key, e.name, v) != 0) __builtin_trap();
    }

    // Save: one value written (the input's own, where it reads as one), the
    // whole hive saved with it.
    std::string name = "Value";
    platform::RegValue saved{platform::kRegSz, "saved"};
    std::string fuzzedName;
    platform::RegValue fuzzedValue;
    if (AsValue(data, size, fuzzedName, fuzzedValue)) {
        name = fuzzedName;
        saved = fuzzedValue;
    }
    if (loaded.SetValue(kSavedKey, name, saved) != 0) __builtin_trap();
    const std::string before = loaded.ExportText();

    // Re-read: a fresh reader finds the save whole, without a problem, and
    // holds what the first one held.
    std::string file;
    if (platform::ReadWholeFile(path, file) != 0) __builtin_trap();
    if (!platform::hive_format::Parse(file).problems.empty()) __builtin_trap();
    platform::Hive reread(path);
    platform::RegValue v;
    if (reread.QueryValue(kSavedKey, name, v) != 0 || !(v == saved)) __builtin_trap();
    if (reread.ExportText() != before) __builtin_trap();
    Empty(Folder());
    return 0;
}

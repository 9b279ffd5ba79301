// Whatever arrives on the single-instance socket: the request reader keeps
// within its bounds, reads the same however the bytes are split up, and a
// request it accepts carries its files back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/RaiseRequest.h"

namespace {

using raise_request::Parser;

struct Read {
    Parser::State state;
    std::vector<std::string> files;
    bool operator==(const Read&) const = default;
};

// Fed in pieces whose lengths come from the bytes themselves.
Read Feed(std::string_view bytes, size_t seed) {
    Parser p;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t n = 1 + (seed + static_cast<unsigned char>(bytes[at])) % 17;
        p.Feed(bytes.substr(at, n));
        at += n;
    }
    return {p.GetState(), p.Files()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Half the inputs start as a request does, so the fuzzer reaches the files.
    std::string withHeader;
    std::string_view input = bytes;
    if (size && data[0] & 1) {
        withHeader = "RAISE\n" + std::string(bytes.substr(1));
        input = withHeader;
    }

    Parser whole;
    whole.Feed(input);
    const Read read{whole.GetState(), whole.Files()};
    for (size_t seed : {0u, 5u, 11u})
        if (!(Feed(input, seed) == read)) __builtin_trap();

    if (read.state == Parser::State::More && input.size() > raise_request::kMaxRequestBytes) __builtin_trap();
    if (read.state == Parser::State::Complete) {
        size_t total = 6;  // "RAISE\n"
        for (const auto& f : read.files) {
            if (f.empty() || f.size() > raise_request::kMaxLineBytes) __builtin_trap();
            if (f.find('\n') != std::string::npos || f.find('\0') != std::string::npos) __builtin_trap();
            total += f.size() + 1;
        }
        if (total + 1 > raise_request::kMaxRequestBytes) __builtin_trap();
        // What the second start would send for these files reads back the same.
        size_t handed = 0;
        const std::string again = raise_request::Build(read.files, &handed);
        if (handed != read.files.size()) __builtin_trap();
        Parser back;
        if (back.Feed(again) != Parser::State::Complete || back.Files() != read.files) __builtin_trap();
    }

    // The bytes cut at NULs as a list of files: what Build carries reads back
    // as exactly those files, in order.
    std::vector<std::string> files;
    size_t from = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            files.emplace_back(bytes.substr(from, i - from));
            from = i + 1;
        }
    }
    size_t handed = 0;
    const std::string request = raise_request::Build(files, &handed);
    if (request.size() > raise_request::kMaxRequestBytes) __builtin_trap();
    Parser sent;
    if (sent.Feed(request) != Parser::State::Complete || sent.Files().size() != handed) __builtin_trap();
    size_t k = 0;
    for (const auto& f : files) {
        if (k < handed && f == sent.Files()[k]) ++k;
    }
    if (k != handed) __builtin_trap();
    return 0;
}

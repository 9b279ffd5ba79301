// Stand-in for libFuzzer's main: feeds a harness a fixed sequence of random
// inputs (a mix of short, long and structured-looking byte strings), so that
// every build runs the harness as a reproducible randomised test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    std::mt19937 rng(12345);
    std::vector<uint8_t> buf;
    std::vector<uint8_t> previous;
    for (long i = 0; i < runs; ++i) {
        size_t len = rng() % (i % 10 == 0 ? 4096 : 96);
        buf.resize(len);
        int mode = static_cast<int>(rng() % 4);
        for (size_t k = 0; k < len; ++k) {
            switch (mode) {
                case 0: buf[k] = static_cast<uint8_t>(rng()); break;
                case 1: buf[k] = static_cast<uint8_t>(rng() % 32 + (rng() % 2 ? 0 : 0x30)); break;
                case 2: buf[k] = static_cast<uint8_t>("0123456789ABCDEFabcdef\x01\x02\r\x03OKGLZV"[rng() % 29]); break;
                default:  // mutate the previous input
                    buf[k] = k < previous.size() && rng() % 8 ? previous[k] : static_cast<uint8_t>(rng());
            }
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
        previous = buf;
    }
    std::printf("%ld random inputs passed\n", runs);
    return 0;
}

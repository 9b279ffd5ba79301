// Stand-in for libFuzzer's main: feeds a harness the inputs kept in its
// corpus folders (every file, in name order), then a fixed sequence of random
// inputs (a mix of short, long and structured-looking byte strings), so that
// every build runs the harness as a reproducible randomised test and never
// forgets an input that once went wrong.
//
//     harness RUNS [CORPUS_DIR_OR_FILE ...]
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Every file of the corpus arguments, a folder's files in name order; false
// when an argument cannot be read.
bool CorpusFiles(int argc, char** argv, std::vector<std::filesystem::path>& files) {
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            std::vector<std::filesystem::path> inFolder;
            for (const auto& e : std::filesystem::directory_iterator(arg, ec))
                if (e.is_regular_file()) inFolder.push_back(e.path());
            if (ec) return false;
            std::sort(inFolder.begin(), inFolder.end());
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        } else if (std::filesystem::is_regular_file(arg, ec)) {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "corpus not found: %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    std::vector<std::filesystem::path> corpus;
    if (!CorpusFiles(argc, argv, corpus)) return 2;
    for (const auto& file : corpus) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        if (!in.eof() && in.fail()) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 2;
        }
        // Told first, so that a crash names the input.
        std::fprintf(stderr, "corpus: %s\n", file.c_str());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
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
    std::printf("%zu corpus inputs and %ld random inputs passed\n", corpus.size(), runs);
    return 0;
}

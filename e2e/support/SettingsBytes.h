#pragma once
// Places in a settings file as the station saves it (UTF-16LE with a
// byte-order mark), for cases that cut or damage it at a known line.
#include <gtest/gtest.h>

#include <string>

namespace e2e {

// Where a value line of the saved settings file begins, in bytes, after the
// key line key.
inline size_t ValueLineAt(const std::string& file, const std::string& key, const std::string& line) {
    std::string ascii;
    for (size_t i = 2; i + 1 < file.size(); i += 2) ascii += file[i];
    const size_t k = ascii.find("\\" + key + "]\r\n");
    EXPECT_NE(k, std::string::npos) << key;
    const size_t at = ascii.find(line, k);
    EXPECT_NE(at, std::string::npos) << line;
    return 2 + 2 * at;
}

}  // namespace e2e

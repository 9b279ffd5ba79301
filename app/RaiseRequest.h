#pragma once
// The request that a later start sends the first instance over the
// single-instance socket: "RAISE", one line per file to open, an empty line.
//
// Anything may connect to the socket, so the listener reads a request
// through RaiseRequestParser, which gives up on the first byte that no good
// request has and never keeps more than the largest good request. Plain C++,
// without Qt, so that the fuzz build takes it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace raise_request {

// One line: a path as long as the system allows (PATH_MAX with its NUL).
inline constexpr size_t kMaxLineBytes = 4095;
// The whole request with its line ends.
inline constexpr size_t kMaxRequestBytes = 65536;

// The request for files. A file that cannot travel on a line (empty, a line
// end or NUL in it, longer than a line) is left out, and so is every file
// once the request is full; handed, when given, counts the files carried.
std::string Build(const std::vector<std::string>& files, size_t* handed = nullptr);

class Parser {
public:
    enum class State { More, Complete, Bad };

    // Takes the next bytes received and returns the state after them. Once
    // the request is complete or bad, later bytes change nothing.
    State Feed(std::string_view bytes);
    State GetState() const { return m_state; }
    // The files of a complete request, in order.
    const std::vector<std::string>& Files() const { return m_files; }

private:
    State EndLine();

    State m_state = State::More;
    size_t m_total = 0;     // bytes taken so far
    bool m_header = false;  // the "RAISE" line has been read
    std::string m_line;
    std::vector<std::string> m_files;
};

}  // namespace raise_request

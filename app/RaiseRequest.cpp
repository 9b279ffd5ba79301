#include "app/RaiseRequest.h"

namespace raise_request {

namespace {

constexpr std::string_view kHeader = "RAISE";

bool Travels(const std::string& file) {
    return !file.empty() && file.size() <= kMaxLineBytes &&
           file.find_first_of(std::string_view("\n\0", 2)) == std::string::npos;
}

}  // namespace

std::string Build(const std::vector<std::string>& files, size_t* handed) {
    std::string request = std::string(kHeader) + '\n';
    size_t carried = 0;
    for (const auto& f : files) {
        if (!Travels(f)) continue;
        if (request.size() + f.size() + 2 > kMaxRequestBytes) break;  // its line end and the empty line
        request += f;
        request += '\n';
        ++carried;
    }
    request += '\n';
    if (handed) *handed = carried;
    return request;
}

Parser::State Parser::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (m_state != State::More) break;
        if (++m_total > kMaxRequestBytes) return m_state = State::Bad;
        if (c == '\n') {
            EndLine();
            continue;
        }
        if (c == '\0' || m_line.size() >= kMaxLineBytes) return m_state = State::Bad;
        m_line += c;
        // A stranger is turned away at its first wrong byte.
        if (!m_header && (m_line.size() > kHeader.size() || kHeader[m_line.size() - 1] != c))
            return m_state = State::Bad;
    }
    return m_state;
}

Parser::State Parser::EndLine() {
    if (!m_header) {
        if (m_line != kHeader) return m_state = State::Bad;
        m_header = true;
    } else if (m_line.empty()) {
        return m_state = State::Complete;
    } else {
        m_files.push_back(std::move(m_line));
    }
    m_line.clear();
    return m_state;
}

}  // namespace raise_request

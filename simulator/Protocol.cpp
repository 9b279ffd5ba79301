#include "simulator/Protocol.h"

#include <cstdlib>

#include "platform/Numbers.h"

namespace ryxsim {

namespace {

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

void AppendHex4(std::string& out, uint16_t v, bool lowerCase) {
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(digits[(v >> shift) & 0xF]);
}

}  // namespace

std::optional<Command> ParseCommand(std::string_view line) {
    if (line.size() == 1) {
        switch (line[0]) {
            case 'G':
                return Command{CommandKind::kData};
            case 'V':
                return Command{CommandKind::kVersion};
            case 'R':
                return Command{CommandKind::kReset};
            case 'D':
                return Command{CommandKind::kEndLoad};
            case 'H':
                return Command{CommandKind::kHeat};
            case 'C':
                return Command{CommandKind::kCool};
            case 'B':
                return Command{CommandKind::kHeatCool};
            case 'N':
                return Command{CommandKind::kControlOff};
            case 'Z':
                return Command{CommandKind::kZero};
            default:
                return std::nullopt;
        }
    }
    if (line.size() == 5 && (line[4] == 'L' || line[4] == 'T')) {
        // The station prints these with "%04hX": four upper-case digits.
        uint16_t value = 0;
        for (int i = 0; i < 4; ++i) {
            if (!IsUpperHex(line[i])) return std::nullopt;
            value = static_cast<uint16_t>(value << 4 | HexValue(line[i]));
        }
        return Command{line[4] == 'L' ? CommandKind::kLoad : CommandKind::kSetPoint, value};
    }
    return std::nullopt;
}

std::string EncodeAck() {
    return std::string{kSoh, 'O', 'K', kCr};
}

std::string EncodeDataFrame(const DataFrame& f, bool lowerCase) {
    std::string out;
    out.reserve(20);
    out.push_back(kStx);
    AppendHex4(out, f.deflection, lowerCase);
    out.push_back(' ');
    AppendHex4(out, f.force, lowerCase);
    out.push_back(' ');
    AppendHex4(out, f.temperature, lowerCase);
    out.push_back(' ');
    out.push_back(f.remote ? 'R' : 'L');
    out.push_back(f.loaded ? 'L' : 'Z');
    out.push_back(f.control);
    out.push_back(kCr);
    return out;
}

bool IsValidFirmware(std::string_view firmware) {
    if (firmware.size() != 5) return false;
    for (char c : firmware)
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    return true;
}

std::string EncodeVersion(std::string_view firmware) {
    std::string out;
    out.push_back('V');
    out.append(firmware.substr(0, 5));
    out.push_back(kCr);
    return out;
}

bool FirmwareSendsHundredths(std::string_view firmware) {
    return platform::AtofC(firmware) >= 2.0;
}

}  // namespace ryxsim

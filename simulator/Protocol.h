#pragma once
// The instrument's side of the serial protocol: the commands it understands
// and the three frames it sends. Written from the instrument's point of view,
// independently of the station's receiver, so that the two check each other.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ryxsim {

enum class CommandKind {
    kData,        // "G": one data frame
    kVersion,     // "V": the version frame
    kReset,       // "R"
    kEndLoad,     // "D": release the load, stop the automatic frames
    kHeat,        // "H": heating only
    kCool,        // "C": cooling only
    kHeatCool,    // "B": heating and cooling
    kControlOff,  // "N": temperature control off
    kZero,        // "Z": back to ZERO mode
    kLoad,        // "hhhhL": load for hhhh half-seconds
    kSetPoint,    // "hhhhT": bath set-point word
};

struct Command {
    CommandKind kind;
    uint16_t value = 0;  // kLoad and kSetPoint only
    bool operator==(const Command&) const = default;
};

// Parses one command line (the bytes before its CR). Anything that is not
// exactly a command of the protocol gives nothing.
std::optional<Command> ParseCommand(std::string_view line);

// Splits the incoming byte stream into command lines. A line that grows past
// any command's length without a CR is junk: it is dropped, and so is the
// rest of it up to the next CR, so that garbage cannot glue itself to the
// front of the next good command.
class CommandSplitter {
public:
    // Feeds bytes; calls sink(line) for each complete line, CR removed.
    template <class Sink>
    void Feed(std::string_view bytes, Sink&& sink) {
        for (char c : bytes) {
            if (c == '\r') {
                if (!m_overflow) sink(std::string_view(m_line));
                m_line.clear();
                m_overflow = false;
            } else if (c == '\n' && m_line.empty()) {
                // a stray LF after a CR (a terminal's CR LF): nothing
            } else if (!m_overflow) {
                if (m_line.size() >= kMaxLine) {
                    m_overflow = true;
                    m_line.clear();
                } else {
                    m_line.push_back(c);
                }
            }
        }
    }
    bool Overflowed() const { return m_overflow; }
    static constexpr size_t kMaxLine = 16;

private:
    std::string m_line;
    bool m_overflow = false;
};

enum class ZeroLetter : char { kZero = 'Z', kLoad = 'L' };

// The content of one data frame.
struct DataFrame {
    uint16_t deflection = 0;
    uint16_t force = 0;
    uint16_t temperature = 0;
    bool remote = false;  // 'R' else 'L'
    bool loaded = false;  // zero letter 'L' else 'Z'
    char control = 'N';   // 'B', 'C', 'H' or 'N'
};

constexpr char kSoh = 0x01;
constexpr char kStx = 0x02;
constexpr char kCr = 0x0D;

std::string EncodeAck();                                                  // SOH "OK" CR
std::string EncodeDataFrame(const DataFrame& f, bool lowerCase = false);  // 20 bytes
std::string EncodeVersion(std::string_view firmware);                     // 'V' + 5 chars + CR

// A firmware text as the version frame carries it: exactly five characters,
// each a digit or '.'.
bool IsValidFirmware(std::string_view firmware);

// Firmware 2 and later send temperatures in hundredths of a degree; older
// firmware sends the thermistor bridge's raw count.
bool FirmwareSendsHundredths(std::string_view firmware);

}  // namespace ryxsim

#pragma once
// Serial port names. The station names its port "COM1" to "COM4" (or
// "NONE"), as on its first platform. A COMn name resolves through the alias
// folder <config>/ports: com<n> there is a symbolic link to the real device
// (/dev/serial/by-id/..., /dev/ttyUSB0, a pseudo-terminal); without a link
// COMn means /dev/ttyS<n-1>. Any other name is a path, used as it is.
#include <optional>
#include <string>

namespace platform {

// <ConfigDir()>/ports
std::string PortAliasDir();
// <ConfigDir()>/ports/com<n>, the link that names port COMn.
std::string PortAliasPath(int n);
// n for "COMn" (any case, also "\\.\COMn"), 1 to 255; 0 for any other name.
int ComPortNumber(const std::string& name);
// The device path a port name opens.
std::string ResolvePortName(const std::string& name);

// A COMn alias that names something that is no serial line: the alias's
// path and what it names (the link's own text; the alias itself when it is
// not a link).
struct PortAliasTarget {
    std::string alias;
    std::string target;
};
// For a COMn name whose alias exists and names a regular file, a folder, a
// pipe or a device that is no terminal (/dev/null): the alias and its
// target. Nothing for any other name, a missing or dangling alias, a
// terminal, or a device that cannot be opened to tell.
std::optional<PortAliasTarget> AliasNotSerial(const std::string& name);

}  // namespace platform

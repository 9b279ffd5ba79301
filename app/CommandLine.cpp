#include "app/CommandLine.h"

std::string g_strProgramName = "RYXw";
std::string g_strWindowClass = "RYXwClass";

void ResetProgramNames() {
    g_strProgramName = "RYXw";
    g_strWindowClass = "RYXwClass";
}

void CQXRYXCommandLineInfo::ParseParam(const std::string& param, bool flag, bool /*last*/) {
    // Compared with case, as the station always has: "-REG:x" is not ours.
    if (flag && param.compare(0, 4, "reg:") == 0) {
        g_strProgramName = param.substr(4);
        g_strWindowClass = g_strProgramName + "Class";
        return;
    }
    if (flag) {
        m_unknown.push_back(param);
        return;
    }
    m_files.push_back(param);
    m_nShellCommand = FileOpen;
}

void CQXRYXCommandLineInfo::Parse(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool last = i + 1 == args.size();
        if (a.size() > 2 && a.compare(0, 2, "--") == 0)
            ParseParam(a.substr(2), true, last);
        else if (a.size() > 1 && a[0] == '-')
            ParseParam(a.substr(1), true, last);
        else
            ParseParam(a, false, last);
    }
}

#pragma once
// The station's command line. "-reg:NAME" (or "--reg:NAME") runs the station
// under another program key, so two set-ups of one machine keep separate
// settings and may run side by side. Only "-" and "--" begin a flag: a
// parameter that begins with "/" is a path, as everywhere on Linux.
#include <string>
#include <vector>

// The program/key name ("RYXw") and the main window's class name
// ("RYXwClass"), which the single-instance test looks for.
extern std::string g_strProgramName;
extern std::string g_strWindowClass;

class CQXRYXCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen, FileNothing };

    virtual ~CQXRYXCommandLineInfo() = default;

    // One parameter, with its flag marker already stripped when flag is set.
    virtual void ParseParam(const std::string& param, bool flag, bool last);
    // Every parameter after the program name, in order.
    void Parse(const std::vector<std::string>& args);

    ShellCommand m_nShellCommand = FileNew;
    std::vector<std::string> m_files;    // files to open, in the given order
    std::vector<std::string> m_unknown;  // flags nobody understood
};

// Puts the program and class names back to the built-in ones (tests).
void ResetProgramNames();

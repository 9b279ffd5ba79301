#pragma once
// What the Test Setup dialog decides, without a window: the values it starts
// from, the next free default test name of the day (data/DefaultTestName.h),
// and the checks and the settings write of OK. RYXTestSetup shows it.
#include <cerrno>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "data/DefaultTestName.h"
#include "platform/WinTypes.h"
#include "setup/NumEditRules.h"

// The texts of the dialog's fields and the states of its check boxes.
struct TestSetupFields {
    std::string bathTime;
    std::string specimen;
    std::string fileName;
    std::string project;
    std::string operatorName;
    std::string thickness;
    std::string width;
    bool autoThickness = false;
    bool saveLims = false;
    bool stopAt5mm = true;
};

class TestSetupLogic : public DefaultTestNameState {
public:
    // Field limits of the three numeric fields.
    static constexpr NumEditLimits kBathTimeLimits{3, 0, -1, 1000};
    static constexpr NumEditLimits kThicknessLimits{2, 2, -0.01, 100};
    static constexpr NumEditLimits kWidthLimits{2, 2, -0.01, 100};
    static constexpr unsigned kTextLimit = 25;  // specimen, file name, project, operator
    static constexpr double kDefaultThickness = 6.35;
    static constexpr double kSpan = 101.6;

    // The settings (or their defaults), the data directory made the current
    // one, and the first free default name of the day.
    void Load();
    // The texts the fields show, numbers with the given decimal separator.
    TestSetupFields Fields(std::string_view separator) const;
    // Whether automatic thickness may be ticked: a datum has been established.
    static bool DatumAvailable();

    // What a field that OK refuses is.
    enum class Field { None, BathTime, FileName, Thickness, Width };
    struct Outcome {
        bool ok = false;
        std::string message;  // the box to show when refused
        Field field = Field::None;
    };
    // OK: checks the fields (numbers read with the given separator), the
    // data directory and the file name, probes that the test file can be
    // created, and writes the nine settings in one group. Refused: nothing
    // is written and the dialog stays open on the field.
    Outcome Ok(const TestSetupFields& fields, std::string_view separator);

    // The values, in the dialog's order.
    double m_bathTime = 60.0;
    std::string m_specimen;
    std::string m_project;
    std::string m_operator;
    std::string m_fileName;
    bool m_autoThickness = false;
    double m_thickness = kDefaultThickness;
    double m_width = 12.7;
    bool m_saveLims = false;
    bool m_stopAt5mm = true;
    std::string m_directory;      // ends in '/'
    std::string m_path;           // the proposed (then the accepted) test file
    bool m_directorySet = false;  // Test\Directory was read
};

// Test hook: an error (an errno value) for the probe that creates the test file.
void SetTestFileProbeHook(std::function<int(const std::string& path)> hook);

// String ids of the dialog's messages.
inline constexpr UINT IDS_FILENAME_IN_USE = 405;
inline constexpr UINT IDS_REGISTRY_WRITE = 407;
inline constexpr UINT IDS_NO_DATUM = 733;
inline constexpr UINT IDS_WHOLE_NUMBER_RANGE = 930;
inline constexpr UINT IDS_NUMBER_RANGE = 931;
inline constexpr UINT IDS_DATA_DIRECTORY_UNUSABLE = 932;
inline constexpr UINT IDS_DATA_DIRECTORY_NOT_SET = 933;

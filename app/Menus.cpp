#include "app/Menus.h"

#include "framework/core/CommandIds.h"
#include "res/MenuIds.h"
#include "res/Resource.h"

namespace {

using fw::Menu;
using fw::MenuItem;

MenuItem Item(UINT id, const char* text) {
    return MenuItem{id, text, {}};
}
MenuItem Separator() {
    return MenuItem{};
}
MenuItem Popup(const char* text, std::vector<MenuItem> items) {
    return MenuItem{0, text, std::move(items)};
}

MenuItem CalibrateMenu() {
    return Popup("&Calibrate", {Item(ID_CALIBRATE_DEFLECTION, "Def&lection...\tCtrl+L"),
                                Item(ID_CALIBRATE_FORCE, "&Force and Compliance...\tCtrl+F"),
                                Item(ID_CONFIDENCE_TEST, "Run a Confidence Test...\tCtrl+K"), Separator(),
                                Item(ID_CALIBRATE_TEMPERATURE, "&Temperature...\tCtrl+T"),
                                Item(ID_CALIBRATE_DATUM, "&Auto-Thickness Datum...\tCtrl+D"), Separator(),
                                Item(ID_VERIFICATION, "&Verification...\tCtrl+V")});
}

MenuItem SetupMenu() {
    return Popup("&Setup", {Item(ID_SETUP_INSTRUMENT, "&Instrument Setup\tCtrl+I"),
                            Item(ID_TEMPERATURE_CONTROL, "&Enable Temperature Control")});
}

MenuItem HelpMenu() {
    return Popup("&Help", {Item(ID_HELP_FINDER, "&Help Topics\tF1"), Separator(),
                           Item(ID_APP_ABOUT, "&About RYXw...")});
}

// The Test menu: the window's own commands go between the file commands
// and the exports.
MenuItem TestMenu(std::vector<MenuItem> windowItems) {
    std::vector<MenuItem> items = {Item(ID_FILE_NEW, "Run a &New Test...\tCtrl+N"),
                                   Item(ID_FILE_OPEN, "&Open a Saved Test...\tCtrl+O")};
    if (!windowItems.empty()) {
        items.push_back(Separator());
        for (auto& i : windowItems) items.push_back(std::move(i));
    }
    items.push_back(Separator());
    items.push_back(Item(ID_BATCH_EXPORT_DATA, "&Batch Export Data...\tCtrl+B"));
    items.push_back(Item(ID_BATCH_EXPORT_RESULTS, "&Batch Export Results..."));
    items.push_back(Item(ID_CALCULATE_DELTA_TC, "&Calculate Delta Tc"));
    items.push_back(Separator());
    items.push_back(Item(ID_FILE_MRU_FILE1, "Recent File"));
    items.push_back(Separator());
    items.push_back(Item(ID_APP_EXIT, "E&xit"));
    return Popup("&Test", std::move(items));
}

std::vector<MenuItem> PrintItems() {
    return {Item(ID_FILE_PRINT, "&Print...\tCtrl+P"), Item(ID_FILE_PRINT_PREVIEW, "Print Pre&view...")};
}

MenuItem ViewMenu(std::vector<MenuItem> windowItems) {
    std::vector<MenuItem> items = {Item(ID_VIEW_INSTRUMENT_STATUS, "&Instrument Status")};
    if (!windowItems.empty()) items.push_back(Separator());
    for (auto& i : windowItems) items.push_back(std::move(i));
    return Popup("&View", std::move(items));
}

Menu MainMenu() {
    return {TestMenu({}), CalibrateMenu(), SetupMenu(), ViewMenu({}), HelpMenu()};
}

// The test window (new tests, and tests of the DOS versions).
Menu TestWindowMenu() {
    std::vector<MenuItem> test = {Item(ID_TEST_ABORT, "&Abort Test...\tCtrl+A"),
                                  Item(ID_EXPORT_DATA, "&Export Data...\tCtrl+E"),
                                  Item(ID_FILE_CLOSE, "&Close")};
    for (auto& p : PrintItems()) test.push_back(std::move(p));
    return {TestMenu(std::move(test)), CalibrateMenu(), SetupMenu(),
            ViewMenu({Item(ID_VIEW_REPORT, "&Report\tCtrl+R")}), HelpMenu()};
}

// The report window of a test file.
Menu ReportWindowMenu() {
    std::vector<MenuItem> test = {Item(ID_EXPORT_DATA, "&Export Data...\tCtrl+E"),
                                  Item(ID_FILE_CLOSE, "&Close")};
    for (auto& p : PrintItems()) test.push_back(std::move(p));
    return {TestMenu(std::move(test)), CalibrateMenu(), SetupMenu(),
            ViewMenu({Item(ID_VIEW_GRAPH, "&Graph\tCtrl+G")}), HelpMenu()};
}

// The Delta Tc report: printing and closing, no saving.
Menu DeltaTcWindowMenu() {
    std::vector<MenuItem> test = {Item(ID_FILE_CLOSE, "&Close")};
    for (auto& p : PrintItems()) test.push_back(std::move(p));
    return {TestMenu(std::move(test)), CalibrateMenu(), SetupMenu(), ViewMenu({}), HelpMenu()};
}

}  // namespace

const fw::Menu& StationMenu(UINT id) {
    static const Menu main = MainMenu();
    static const Menu test = TestWindowMenu();
    static const Menu report = ReportWindowMenu();
    static const Menu deltaTc = DeltaTcWindowMenu();
    switch (id) {
        case IDR_TEST_DATA:
        case IDR_OLD_TEST_DATA:
            return test;
        case IDR_TEST_REPORT:
        case IDR_OLD_TEST_REPORT:
            return report;
        case IDR_DELTA_TC:
            return deltaTc;
        default:
            return main;
    }
}

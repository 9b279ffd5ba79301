#include "app/Menus.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "framework/core/CommandIds.h"
#include "res/MenuIds.h"
#include "res/Resource.h"

namespace {

// id -> full text, over every popup of a menu.
std::map<UINT, std::string> Items(const fw::Menu& menu) {
    std::map<UINT, std::string> out;
    std::function<void(const std::vector<fw::MenuItem>&)> walk = [&](const std::vector<fw::MenuItem>& items) {
        for (const auto& i : items) {
            if (!i.items.empty())
                walk(i.items);
            else if (i.id)
                out[i.id] = i.text;
        }
    };
    walk(menu);
    return out;
}

// The commands every menu bar carries, with their texts and accelerators.
const std::map<UINT, std::string> kEverywhere = {
    {ID_FILE_NEW, "Run a &New Test...\tCtrl+N"},
    {ID_FILE_OPEN, "&Open a Saved Test...\tCtrl+O"},
    {ID_BATCH_EXPORT_DATA, "&Batch Export Data...\tCtrl+B"},
    {ID_BATCH_EXPORT_RESULTS, "&Batch Export Results..."},
    {ID_CALCULATE_DELTA_TC, "&Calculate Delta Tc"},
    {ID_CALIBRATE_DEFLECTION, "Def&lection...\tCtrl+L"},
    {ID_CALIBRATE_FORCE, "&Force and Compliance...\tCtrl+F"},
    {ID_CONFIDENCE_TEST, "Run a Confidence Test...\tCtrl+K"},
    {ID_CALIBRATE_TEMPERATURE, "&Temperature...\tCtrl+T"},
    {ID_CALIBRATE_DATUM, "&Auto-Thickness Datum...\tCtrl+D"},
    {ID_VERIFICATION, "&Verification...\tCtrl+V"},
    {ID_SETUP_INSTRUMENT, "&Instrument Setup\tCtrl+I"},
    {ID_TEMPERATURE_CONTROL, "&Enable Temperature Control"},
    {ID_VIEW_INSTRUMENT_STATUS, "&Instrument Status"},
    {ID_HELP_FINDER, "&Help Topics\tF1"},
    {ID_APP_ABOUT, "&About RYXw..."},
};

struct WindowCase {
    UINT menu;
    std::map<UINT, std::string> own;  // the window's own commands
};

class MenuTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(MenuTest, CarriesEveryCommandWithItsText) {
    const auto items = Items(StationMenu(GetParam().menu));
    for (const auto& [id, text] : kEverywhere) {
        ASSERT_TRUE(items.count(id)) << "missing command " << id;
        EXPECT_EQ(items.at(id), text);
    }
    for (const auto& [id, text] : GetParam().own) {
        ASSERT_TRUE(items.count(id)) << "missing command " << id;
        EXPECT_EQ(items.at(id), text);
    }
    // Nothing else but the framework's own commands.
    for (const auto& [id, text] : items) {
        const bool known = kEverywhere.count(id) || GetParam().own.count(id) || id == ID_APP_EXIT ||
                           id == ID_FILE_CLOSE || id == ID_FILE_PRINT || id == ID_FILE_PRINT_PREVIEW ||
                           id == ID_FILE_MRU_FILE1;
        EXPECT_TRUE(known) << "unexpected command " << id << " " << text;
    }
}

// The recent files go in the file menu (Test), between separators, right
// before Exit.
TEST_P(MenuTest, RecentFilesComeJustBeforeExit) {
    const fw::Menu& menu = StationMenu(GetParam().menu);
    ASSERT_FALSE(menu.empty());
    const auto& items = menu.front().items;
    ASSERT_GE(items.size(), 4u);
    const size_t n = items.size();
    EXPECT_EQ(items[n - 1].id, ID_APP_EXIT);
    EXPECT_EQ(items[n - 2].id, 0u);
    EXPECT_TRUE(items[n - 2].text.empty());
    EXPECT_EQ(items[n - 3].id, ID_FILE_MRU_FILE1);
    EXPECT_EQ(items[n - 4].id, 0u);
    EXPECT_TRUE(items[n - 4].text.empty());
}

INSTANTIATE_TEST_SUITE_P(Windows, MenuTest,
                         ::testing::Values(WindowCase{IDR_MAINFRAME, {}},
                                           WindowCase{IDR_TEST_DATA,
                                                      {{ID_TEST_ABORT, "&Abort Test...\tCtrl+A"},
                                                       {ID_EXPORT_DATA, "&Export Data...\tCtrl+E"},
                                                       {ID_VIEW_REPORT, "&Report\tCtrl+R"},
                                                       {ID_FILE_PRINT, "&Print...\tCtrl+P"},
                                                       {ID_FILE_PRINT_PREVIEW, "Print Pre&view..."}}},
                                           WindowCase{IDR_OLD_TEST_DATA,
                                                      {{ID_TEST_ABORT, "&Abort Test...\tCtrl+A"},
                                                       {ID_EXPORT_DATA, "&Export Data...\tCtrl+E"},
                                                       {ID_VIEW_REPORT, "&Report\tCtrl+R"}}},
                                           WindowCase{IDR_TEST_REPORT,
                                                      {{ID_EXPORT_DATA, "&Export Data...\tCtrl+E"},
                                                       {ID_VIEW_GRAPH, "&Graph\tCtrl+G"},
                                                       {ID_FILE_PRINT, "&Print...\tCtrl+P"}}},
                                           WindowCase{IDR_OLD_TEST_REPORT,
                                                      {{ID_EXPORT_DATA, "&Export Data...\tCtrl+E"},
                                                       {ID_VIEW_GRAPH, "&Graph\tCtrl+G"}}},
                                           WindowCase{IDR_DELTA_TC, {{ID_FILE_PRINT, "&Print...\tCtrl+P"}}}),
                         [](const ::testing::TestParamInfo<WindowCase>& info) {
                             return "menu" + std::to_string(info.param.menu);
                         });

TEST(Menus, NoAcceleratorIsGivenTwiceInOneMenuBar) {
    for (UINT menu : {IDR_MAINFRAME, IDR_TEST_DATA, IDR_TEST_REPORT, IDR_DELTA_TC}) {
        std::map<std::string, UINT> seen;
        for (const auto& [id, text] : Items(StationMenu(menu))) {
            std::string label, accel;
            fw::SplitMenuText(text, label, accel);
            if (accel.empty()) continue;
            EXPECT_FALSE(seen.count(accel)) << accel << " on " << id << " and " << seen[accel];
            seen[accel] = id;
        }
    }
}

// The Delta Tc window has nothing that saves.
TEST(Menus, DeltaTcWindowCannotSave) {
    const auto items = Items(StationMenu(IDR_DELTA_TC));
    EXPECT_FALSE(items.count(ID_FILE_SAVE));
    EXPECT_FALSE(items.count(ID_FILE_SAVE_AS));
}

}  // namespace

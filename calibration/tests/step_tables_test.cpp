// Each wizard's steps against the table it is built to: for every step, the
// prompt the operator reads (string and heading), the buttons, the beep, and
// where Next, Back and a new reading lead from it. A step is reached the way
// an operator reaches it, from the start along the wizard's road, with
// readings that each step takes; then each of the three inputs is tried on
// a wizard of its own.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CCheckWiz.h"
#include "calibration/CDatumWiz.h"
#include "calibration/CalibrationDeflectionWizard.h"
#include "calibration/CalibrationForceWizard.h"
#include "calibration/VerificationWizard.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

// A row names only the columns its step has; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace caltest {
namespace {

constexpr int kNone = -1;  // the input does nothing here
constexpr int kOk = -2;    // Next saves and ends the wizard with IDOK

struct Frame {
    WORD rawForce = 0;
    WORD rawDeflection = 0;
    float force = 0;       // mN
    float deflection = 0;  // mm
};

struct Row {
    int step = 0;
    UINT text = 0;     // the prompt's string
    UINT heading = 0;  // the part's heading above it (verification)
    bool result =
        false;  // a text built from the string (a format): the prompt begins with its text up to the first %
    bool ok = false;  // Next reads "&OK"
    bool beep = false;
    int next = kNone;
    int back = kNone;
    int reading = kNone;
    Frame frame;  // the reading that moves a reading step on; at a prompt, one it lets pass
};

enum class Style {
    kFrame,         // "\r\n" and the prompt; Next takes the focus when enabled
    kVerification,  // heading, "\r\n\r\n" and the prompt; Next takes the focus from nobody only
};

std::string UpToFormat(const std::string& text) {
    return text.substr(0, text.find('%'));
}

class StepTableTest : public WizardTest {
protected:
    using Make = std::function<std::unique_ptr<WizardEngine>()>;
    using Prepare = std::function<void(WizardEngine&, int step)>;

    // A new wizard, brought to step along the rows before it; beeped: whether
    // the move onto the step beeped.
    WizardEngine& Reach(int step, bool& beeped) {
        wizard = make();
        wizard->SetListener({}, {});
        size_t before = beeps.Count();
        wizard->Start(9);
        for (int i = 0; i < step; ++i) {
            const Row& r = rows[static_cast<size_t>(i)];
            before = beeps.Count();
            if (r.reading != kNone) {
                Deliver(r.frame);
            } else {
                if (prepare) prepare(*wizard, i);
                wizard->Next();
            }
            EXPECT_EQ(wizard->Step(), i + 1) << "on the way from step " << i;
        }
        beeped = beeps.Count() > before;
        return *wizard;
    }
    WizardEngine& Reach(int step) {
        bool beeped = false;
        return Reach(step, beeped);
    }
    void Deliver(const Frame& f) { Raw(*wizard, f.rawForce, f.rawDeflection, f.force, f.deflection); }

    void CheckView(const Row& r, bool beeped) {
        const WizardView& v = wizard->View();
        const std::string text = fw::LoadString(r.text);
        std::string expected;
        if (style == Style::kFrame)
            expected = "\r\n" + (r.result ? UpToFormat(text) : text);
        else if (r.result)
            expected = UpToFormat(text);
        else
            expected = (r.heading ? fw::LoadString(r.heading) : std::string()) + "\r\n\r\n" + text;
        if (r.result)
            EXPECT_EQ(v.prompt.substr(0, expected.size()), expected) << "step " << r.step;
        else
            EXPECT_EQ(v.prompt, expected) << "step " << r.step;
        EXPECT_EQ(v.nextEnabled, r.next != kNone) << "step " << r.step;
        EXPECT_EQ(v.backEnabled, r.back != kNone) << "step " << r.step;
        EXPECT_EQ(v.nextCaption, r.ok ? "&OK" : "&Next") << "step " << r.step;
        EXPECT_EQ(v.backCaption, "&Back") << "step " << r.step;
        EXPECT_EQ(v.nextIsDefault, v.nextEnabled) << "step " << r.step;
        EXPECT_EQ(v.nextTakesFocus, style == Style::kFrame && v.nextEnabled) << "step " << r.step;
        EXPECT_EQ(beeped, r.beep) << "step " << r.step;
    }

    void Check() {
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& r = rows[i];
            ASSERT_EQ(r.step, static_cast<int>(i)) << "the rows are the steps in order";
            bool beeped = false;
            Reach(r.step, beeped);
            ASSERT_EQ(wizard->Step(), r.step);
            CheckView(r, beeped);

            Reach(r.step).Back();
            EXPECT_EQ(wizard->Step(), r.back == kNone ? r.step : r.back) << "Back at step " << r.step;
            EXPECT_FALSE(wizard->Ended()) << "Back at step " << r.step;

            Reach(r.step);
            if (prepare) prepare(*wizard, r.step);
            wizard->Next();
            if (r.next == kOk) {
                EXPECT_TRUE(wizard->Ended()) << "Next at step " << r.step;
                EXPECT_EQ(wizard->Result(), IDOK) << "Next at step " << r.step;
            } else {
                EXPECT_EQ(wizard->Step(), r.next == kNone ? r.step : r.next) << "Next at step " << r.step;
                EXPECT_FALSE(wizard->Ended()) << "Next at step " << r.step;
            }

            Reach(r.step);
            Deliver(r.frame);
            EXPECT_EQ(wizard->Step(), r.reading == kNone ? r.step : r.reading)
                << "reading at step " << r.step;
            EXPECT_FALSE(wizard->Ended()) << "reading at step " << r.step;
        }
    }

    std::vector<Row> rows;
    Style style = Style::kFrame;
    Make make;
    Prepare prepare;
    platform::ManualClock clock{1000};
    std::unique_ptr<WizardEngine> wizard;
};

TEST_F(StepTableTest, ForceCalibration) {
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    rows = {
        {.step = 0, .text = 200, .reading = 1, .frame = {35000, 19100}},
        {.step = 1, .text = 202, .beep = true, .next = 2},
        {.step = 2, .text = 220, .beep = true, .next = 3, .back = 1},
        {.step = 3, .text = 224, .beep = true, .next = 4, .back = 2},
        {.step = 4, .text = 228, .beep = true, .next = 5, .back = 3},
        {.step = 5, .text = 230, .reading = 6, .frame = {36000, 19000}},
        {.step = 6, .text = 232, .beep = true, .next = 7, .back = 4},
        {.step = 7, .text = 230, .reading = 8, .frame = {42500, 19045}},
        {.step = 8, .text = 236, .beep = true, .next = 9, .back = 6},
        {.step = 9, .text = 230, .reading = 10, .frame = {48990, 19090}},
        {.step = 10, .text = 240, .beep = true, .next = 11, .back = 8},
        {.step = 11, .text = 230, .reading = 12, .frame = {55500, 19135}},
        {.step = 12, .text = 244, .beep = true, .next = 13, .back = 10},
        {.step = 13, .text = 249, .result = true, .ok = true, .next = kOk},
    };
    make = [this] { return std::make_unique<ForceCalibration>(instrument); };
    Check();
}

TEST_F(StepTableTest, DeflectionCalibration) {
    for (auto [set, v] : {std::pair{&CQXRegistry::SetGageBlockTop, 16.0},
                          {&CQXRegistry::SetGageBlockRed, 15.0},
                          {&CQXRegistry::SetGageBlockWhite, 13.0},
                          {&CQXRegistry::SetGageBlockBlue, 10.0}})
        ASSERT_EQ((theRegistry.*set)(v), 0u);
    rows = {
        {.step = 0, .text = 200, .reading = 1, .frame = {35800, 19000}},
        {.step = 1, .text = 202, .beep = true, .next = 2},
        {.step = 2, .text = 203, .beep = true, .next = 3, .back = 1},
        {.step = 3, .text = 206, .reading = 4, .frame = {35800, 19000}},
        {.step = 4, .text = 208, .beep = true, .next = 5, .back = 2},
        {.step = 5, .text = 206, .reading = 6, .frame = {35810, 19500}},
        {.step = 6, .text = 212, .beep = true, .next = 7, .back = 4},
        {.step = 7, .text = 206, .reading = 8, .frame = {35800, 20500}},
        {.step = 8, .text = 216, .beep = true, .next = 9, .back = 6},
        {.step = 9, .text = 206, .reading = 10, .frame = {35800, 22000}},
        {.step = 10, .text = 248, .result = true, .ok = true, .next = kOk},
    };
    make = [this] { return std::make_unique<DeflectionCalibration>(instrument); };
    Check();
}

TEST_F(StepTableTest, ConfidenceTest) {
    rows = {
        {.step = 0, .text = 200, .reading = 1},
        {.step = 1, .text = 350, .beep = true, .next = 2},
        {.step = 2, .text = 354, .beep = true, .next = 3, .back = 1},
        {.step = 3, .text = 358, .reading = 4, .frame = {0, 0, 980.7f, 0.120f}},
        {.step = 4, .text = 362, .beep = true, .next = 5, .back = 2},
        {.step = 5, .text = 358, .reading = 6, .frame = {0, 0, 3922.7f, 0.310f}},
        {.step = 6, .text = 366, .beep = true, .next = 7, .back = 4},
        // 200 GPa within the default limits: the passed text.
        {.step = 7, .text = 372, .result = true, .ok = true, .next = kOk},
    };
    make = [this] { return std::make_unique<::ConfidenceTest>(instrument); };
    Check();
}

TEST_F(StepTableTest, DatumCalibration) {
    rows = {
        {.step = 0, .text = 200, .reading = 1},
        {.step = 1, .text = 700, .beep = true, .next = 2},
        {.step = 2, .text = 704, .reading = 3, .frame = {0, 0, 35.0f, 0.5f}},
        {.step = 3, .text = 708, .beep = true, .next = 4, .back = 1},
        {.step = 4, .text = 704, .reading = 5, .frame = {0, 0, 35.0f, 0.52f}},
        {.step = 5, .text = 712, .beep = true, .next = 6, .back = 1},
        {.step = 6, .text = 716, .result = true, .ok = true, .next = kOk},
    };
    make = [this] { return std::make_unique<::DatumCalibration>(instrument); };
    Check();

    // Step 7, the error step: shown for a reading outside the window, with
    // its text, Retry and Ignore, and a beep; both lead back to the reading.
    for (const bool ignore : {false, true}) {
        Reach(2);
        const size_t before = beeps.Count();
        Deliver({0, 0, 70.0f, 0.5f});
        ASSERT_EQ(wizard->Step(), 7);
        const WizardView& v = wizard->View();
        EXPECT_EQ(v.prompt, "\r\n" + fw::LoadString(720));
        EXPECT_EQ(v.nextCaption, "&Retry");
        EXPECT_EQ(v.backCaption, "&Ignore");
        EXPECT_TRUE(v.nextEnabled && v.backEnabled);
        EXPECT_GT(beeps.Count(), before);
        Deliver({0, 0, 35.0f, 0.5f});  // the error step waits for the operator
        EXPECT_EQ(wizard->Step(), 7);
        if (ignore)
            wizard->Back();
        else
            wizard->Next();
        EXPECT_EQ(wizard->Step(), 2) << (ignore ? "Ignore" : "Retry");
        if (ignore) {
            EXPECT_EQ(wizard->Attempts(), 1000);
        }
    }
}

TEST_F(StepTableTest, Verification) {
    PrepareVerification("step-table-data");
    constexpr UINT d = 800, a = 801, l = 802;
    rows = {
        {.step = 0, .text = 200, .reading = 1},
        {.step = 1, .text = 851, .beep = true, .next = 2},
        {.step = 2, .text = 203, .heading = d, .beep = true, .next = 3, .back = 1},
        {.step = 3, .text = 206, .heading = d, .reading = 4, .frame = {0, 0, 0, -1.0f}},
        {.step = 4, .text = 208, .heading = d, .beep = true, .next = 5, .back = 2},
        {.step = 5, .text = 206, .heading = d, .reading = 6, .frame = {23456, 0, 0.4f, 0.0f}},
        {.step = 6, .text = 212, .heading = d, .beep = true, .next = 7, .back = 4},
        {.step = 7, .text = 206, .heading = d, .reading = 8, .frame = {0, 0, 0, 2.0f}},
        {.step = 8, .text = 216, .heading = d, .beep = true, .next = 9, .back = 6},
        {.step = 9, .text = 206, .heading = d, .reading = 10, .frame = {0, 0, 35.0f, 5.0f}},
        {.step = 10, .text = 850, .result = true, .beep = true, .next = 11, .back = 8},
        // The thin beam's force and deflection at Next: those of step 9's frame.
        {.step = 11, .text = 852, .heading = a, .beep = true, .next = 12, .back = 10},
        {.step = 12, .text = 853, .heading = a, .beep = true, .reading = 13, .frame = {0, 0, 0, -2.5f}},
        {.step = 13, .text = 854, .heading = a, .reading = 14, .frame = {0, 0, 35.0f, 5.0f}},
        {.step = 14, .text = 854, .heading = a, .reading = 15, .frame = {0, 0, 35.0f, 5.0f}},
        {.step = 15, .text = 855, .heading = a, .beep = true, .next = 16, .back = 11},
        {.step = 16, .text = 856, .heading = a, .beep = true, .next = 17, .back = 15},
        {.step = 17, .text = 857, .heading = a, .reading = 18, .frame = {0, 0, 19.6f, 6.5f}},
        {.step = 18, .text = 854, .heading = a, .reading = 19, .frame = {0, 0, 19.6f, 6.5f}},
        {.step = 19, .text = 858, .result = true, .beep = true, .next = 20, .back = 15},
        {.step = 20, .text = 859, .heading = l, .beep = true, .next = 21, .back = 19},
        {.step = 21, .text = 860, .heading = l, .beep = true, .next = 22, .back = 20},
        {.step = 22, .text = 704, .heading = l, .reading = 23, .frame = {0, 0, 40.0f, 6.0f}},
        {.step = 23, .text = 861, .heading = l, .beep = true, .next = 24, .back = 21},
        {.step = 24, .text = 704, .heading = l, .reading = 25, .frame = {0, 0, 60.0f, 6.0f}},
        {.step = 25, .text = 862, .heading = l, .beep = true, .next = 26, .back = 20},
        {.step = 26, .text = 863, .heading = l, .beep = true, .next = 27, .back = 25},
        {.step = 27, .text = 704, .heading = l, .reading = 28, .frame = {0, 0, 1001.0f, 6.2f}},
        {.step = 28, .text = 864, .heading = l, .beep = true, .next = 29, .back = 25},
        {.step = 29, .text = 704, .heading = l, .reading = 30, .frame = {0, 0, 0.0f, 0.0f}},
        {.step = 30, .text = 865, .result = true, .beep = true, .next = 31, .back = 20},
        {.step = 31, .text = 866, .beep = true, .next = 32, .back = 28},
        {.step = 32, .text = 867, .result = true, .beep = true, .next = 33, .back = 31},
        {.step = 33, .text = 868, .ok = true, .reading = 34},
        {.step = 34, .text = 869, .result = true, .ok = true, .beep = true, .next = kOk, .back = 32},
    };
    make = [this] { return std::make_unique<::Verification>(instrument, clock); };
    // The reference thermometer's reading is typed before Next at step 31.
    prepare = [](WizardEngine& w, int step) {
        if (step == Verification::kTemperatureStep)
            static_cast<::Verification&>(w).SetReferenceText("-12.08");
    };
    style = Style::kVerification;
    Check();
}

}  // namespace
}  // namespace caltest

// Whole tests on the simulated bench in virtual time, read the way the
// station reads them: the binder's creep at two temperatures, and the steel
// beams of the confidence test and the datum.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "simulator/tests/support/SimFixture.h"
#include "simulator/tests/support/StationView.h"

namespace ryxsim {
namespace {

using testing::Frame;
using testing::kAck;
using testing::ParseDataFrame;
using testing::Readings;

struct CreepResult {
    std::vector<Readings> points;  // 0.5 s apart from the start of the load
    std::string zeroLetters;
    double stiffness60 = 0;  // MPa
    double m60 = 0;
};

class CreepTest : public testing::SimFixture {
protected:
    Frame NextFrame() {
        Frame f;
        const std::string bytes = peer->ReadFrame();
        EXPECT_TRUE(ParseDataFrame(bytes, f)) << ::testing::PrintToString(bytes);
        return f;
    }

    // The station's sequence: seat, preload 1 s, release, 21 s from the
    // preload, 240 s load, 10 s recovery, end.
    CreepResult RunTest(double celsius, uint16_t setPointWord) {
        CreepResult result;
        EXPECT_EQ(Ask(std::string(platform_hex(setPointWord)) + "T\r"), kAck);
        sim->SetBathTemperature(celsius);
        sim->FlipBeam();  // seated afresh at this temperature
        for (int i = 0; i < 10; ++i) Advance(60000);

        EXPECT_EQ(Ask("0002L\r"), kAck);
        NextFrame();
        Advance(500);
        NextFrame();
        Advance(500);
        NextFrame();
        EXPECT_EQ(Ask("D\r"), kAck);
        Advance(20000);

        testing::StationView station(sim->GetCalibration());
        EXPECT_EQ(Ask("01E0L\r"), kAck);
        station.LoadAcknowledged();
        for (int k = 0; k <= 500; ++k) {
            if (k > 0) Advance(500);
            const Frame f = NextFrame();
            result.zeroLetters.push_back(f.zero);
            Readings reading = station.Convert(f);
            // The load has ended with its last half-second: the station takes
            // the 240 s point from the one before, as the instrument shows ZERO.
            if (k == 480 && f.zero == 'Z') reading = result.points[479];
            result.points.push_back(reading);
        }
        EXPECT_EQ(Ask("D\r"), kAck);

        // Stiffness at the six report times, the quadratic fit of log S on
        // log t, and the slope at 60 s.
        const int index[6] = {16, 30, 60, 120, 240, 480};
        double sx[5] = {}, sy = 0, sxy = 0, sx2y = 0;
        for (int i : index) {
            const double x = std::log10(i * 0.5);
            const double y =
                std::log10(testing::StiffnessMPa(result.points[i].force, result.points[i].deflection));
            for (int p = 0; p < 5; ++p) sx[p] += std::pow(x, p);
            sy += y;
            sxy += x * y;
            sx2y += x * x * y;
        }
        // Normal equations of y = a + b x + c x^2, by Cramer's rule.
        const double m[3][3] = {{sx[0], sx[1], sx[2]}, {sx[1], sx[2], sx[3]}, {sx[2], sx[3], sx[4]}};
        const double r[3] = {sy, sxy, sx2y};
        auto det = [](const double a[3][3]) {
            return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                   a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                   a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
        };
        double coef[3];
        for (int c = 0; c < 3; ++c) {
            double t[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) t[i][j] = j == c ? r[i] : m[i][j];
            coef[c] = det(t) / det(m);
        }
        result.stiffness60 = testing::StiffnessMPa(result.points[120].force, result.points[120].deflection);
        result.m60 = std::fabs(coef[1] + 2 * coef[2] * std::log10(60.0));
        return result;
    }

    static std::string platform_hex(uint16_t v) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", v);
        return buf;
    }
};

TEST_F(CreepTest, BinderAtTwoTemperaturesGivesItsStiffnessMValueAndDeltaTc) {
    struct Case {
        double celsius;
        uint16_t setPoint;
        double stiffness;
        double m;
    };
    const Case cases[] = {{-12.0, 0xFB50, 200.0, 0.35}, {-18.0, 0xF8F8, 400.0, 0.28}};
    double s[2], m[2];
    for (int i = 0; i < 2; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.celsius);
        const CreepResult r = RunTest(c.celsius, c.setPoint);
        ASSERT_EQ(r.points.size(), 501u);
        EXPECT_EQ(r.zeroLetters, std::string(480, 'L') + std::string(21, 'Z'));
        EXPECT_NEAR(r.points[0].deflection, 0.0, 0.0005) << "the tare is the first frame of the load";
        EXPECT_NEAR(r.points[120].force, 980.0, 2.0);
        EXPECT_NEAR(r.stiffness60, c.stiffness, 0.05 * c.stiffness);
        EXPECT_NEAR(r.m60, c.m, 0.02);
        // Recovery after the load comes off is real but partial.
        const double peak = r.points[479].deflection;
        const double after = r.points[500].deflection;
        EXPECT_LT(after, 0.9 * peak);
        EXPECT_GT(after, 0.2 * peak);
        s[i] = r.stiffness60;
        m[i] = r.m60;
        std::printf("creep at %.0f degC: S(60 s) = %.1f MPa, m(60 s) = %.3f, deflection at 60 s %.4f mm\n",
                    c.celsius, r.stiffness60, r.m60, r.points[120].deflection);
        RecordProperty(c.celsius < -15 ? "stiffness_minus18" : "stiffness_minus12",
                       std::to_string(r.stiffness60));
    }
    // Critical temperatures by interpolation between the two tests.
    const double tcS =
        -12.0 + (std::log10(300.0) - std::log10(s[0])) / (std::log10(s[1]) - std::log10(s[0])) * -6.0;
    const double tcM = -12.0 + (0.300 - m[0]) / (m[1] - m[0]) * -6.0;
    std::printf("Tc,S = %.2f degC, Tc,m = %.2f degC, Delta Tc = %+.2f degC\n", tcS, tcM, tcS - tcM);
    EXPECT_NEAR(tcS - tcM, 0.8, 0.3);
}

class SteelBeamTest : public testing::SimFixture {
protected:
    Readings Read() {
        testing::StationView station(sim->GetCalibration());
        return station.Convert(AskData());
    }
};

TEST_F(SteelBeamTest, ThinBeamGivesTheModulusOfSteel) {
    sim->InsertBeam(BeamKind::kThinSteel);
    sim->AddMass(100);
    const Readings one = Read();
    for (int i = 0; i < 3; ++i) sim->AddMass(100);
    const Readings two = Read();
    // The confidence test's modulus, in Pa.
    const double beam = 12.7 * 4 * 1.17 * 1.17 * 1.17 / 1048772.096 / 1000;
    const double modulus =
        ((two.force - one.force) / 1000) / (((two.deflection - one.deflection) / 1000) * beam);
    EXPECT_NEAR(modulus / 1e9, 200.0, 4.0);
    EXPECT_GT(one.deflection, 0.0);
    EXPECT_LT(two.deflection, 7.0);
}

TEST_F(SteelBeamTest, ThickBeamGivesADatumOnBothFaces) {
    sim->InsertBeam(BeamKind::kThickSteel);
    const Readings first = Read();
    sim->FlipBeam();
    const Readings second = Read();
    EXPECT_NEAR(first.deflection, second.deflection, 0.002);
    EXPECT_GE(first.deflection, -2.0);
    EXPECT_LE(first.deflection, 2.0);
    EXPECT_NEAR(first.force, 35.0, 1.0);
    // A binder beam of the same thickness measures the same thickness.
    sim->InsertBeam(BeamKind::kBinder);
    const double datum = (first.deflection + second.deflection) / 2;
    EXPECT_NEAR(6.35 - (Read().deflection - datum), 6.35, 0.02);
}

}  // namespace
}  // namespace ryxsim

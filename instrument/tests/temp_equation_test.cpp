#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "instrument/CQXRootFinder.h"
#include "instrument/RYXTempEquation.h"
#include "instrument/TempOffsetTable.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"

namespace {

// A table with these offsets (hundredths) for these degrees, the rest
// uncalibrated.
void StoreOffsets(const std::vector<std::pair<int, int16_t>>& entries) {
    std::vector<unsigned char> bytes(CQXRegistry::kOffsetsSize);
    for (int i = 0; i < TempOffsetTable::kEntries; ++i) {
        int16_t v = TempOffsetTable::kNotCalibrated;
        for (const auto& [degree, offset] : entries)
            if (degree - TempOffsetTable::kFirstDegree == i) v = offset;
        bytes[2 * i] = static_cast<unsigned char>(static_cast<uint16_t>(v) & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8);
    }
    ASSERT_EQ(theRegistry.SetTemperatureOffsets(bytes.data(), static_cast<unsigned>(bytes.size())), 0u);
}

class TempEquationTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("RYX_CONFIG_DIR"); }
    void Calibrated() {
        ASSERT_EQ(theRegistry.SetTemperatureA0(RYXTempEquation::kDefaultA0), 0u);
        ASSERT_EQ(theRegistry.SetTemperatureA1(RYXTempEquation::kDefaultA1), 0u);
        ASSERT_EQ(theRegistry.SetTemperatureA3(RYXTempEquation::kDefaultA3), 0u);
    }

    ryxtest::TempDir config;
    std::string firmware = "2.000";
    RYXTempEquation eq{[this] { return firmware; }};
};

TEST_F(TempEquationTest, TheFirmwareVersionChoosesThePathAtEveryCall) {
    struct Case {
        const char* version;
        bool thermistor;
    };
    for (const Case& c : {Case{"2.000", false}, Case{"2.100", false}, Case{"10.00", false},
                          Case{"1.900", true}, Case{"?", true}, Case{"", true}}) {
        firmware = c.version;
        EXPECT_EQ(eq.IsThermistorPath(), c.thermistor) << c.version;
    }
}

TEST_F(TempEquationTest, TheDirectPathReadsHundredthsOfADegree) {
    EXPECT_EQ(eq.RawToTemperature(0xF830, FALSE), -20.00);
    EXPECT_DOUBLE_EQ(eq.RawToTemperature(0xF82B, FALSE), -20.05);
    EXPECT_DOUBLE_EQ(eq.RawToTemperature(0x09C4, FALSE), 25.00);
    EXPECT_EQ(eq.RawToTemperature(0x0000, FALSE), 0.0);
    // No rounding on this path, the offset added as it is.
    StoreOffsets({{-20, -26}});
    ASSERT_EQ(theRegistry.SetTestBath(-20.0), 0u);
    ASSERT_TRUE(eq.LoadCoefficients());
    EXPECT_DOUBLE_EQ(eq.GetOffset(), -0.26);
    EXPECT_DOUBLE_EQ(eq.RawToTemperature(0xF830, TRUE), -20.26);
    EXPECT_EQ(eq.RawToTemperature(0xF830, FALSE), -20.00);
}

TEST_F(TempEquationTest, TheDirectInverseRoundsToTheNearestCount) {
    struct Case {
        double setPoint;
        int16_t offset;  // hundredths, for the set-point's degree
        WORD raw;
    };
    const Case cases[] = {
        {-18.0, -26, 0xF912},                       // -1774: truncation sent F913
        {-20.5, 0, 0xF7FE},                         // -2050
        {-12.0, 0, 0xFB50},   {-24.0, 13, 0xF693},  // -2413
        {0.0, 0, 0x0000},     {20.0, 7, 0x07C9},    // 1993
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setPoint);
        StoreOffsets({{static_cast<int>(std::lround(c.setPoint)), c.offset}});
        ASSERT_EQ(theRegistry.SetTestBath(c.setPoint), 0u);
        ASSERT_TRUE(eq.LoadCoefficients());
        EXPECT_EQ(eq.TemperatureToRaw(c.setPoint), c.raw);
    }
}

TEST_F(TempEquationTest, EveryWholeDegreeWithItsOffsetGoesOutExactly) {
    // The rounding fault hit set-points whose (t - offset) x 100 is not
    // exact in binary: check the lot.
    for (int degree = TempOffsetTable::kFirstDegree; degree <= TempOffsetTable::kLastDegree; ++degree) {
        for (int16_t offset : {-99, -26, -7, 0, 3, 41}) {
            StoreOffsets({{degree, offset}});
            ASSERT_EQ(theRegistry.SetTestBath(degree), 0u);
            ASSERT_TRUE(eq.LoadCoefficients());
            const int expected = degree * 100 - offset;
            ASSERT_EQ(static_cast<int16_t>(eq.TemperatureToRaw(degree)), expected) << degree << " " << offset;
        }
    }
}

TEST_F(TempEquationTest, TheThermistorPathRoundTripsToTheCount) {
    firmware = "?";
    Calibrated();
    ASSERT_TRUE(eq.LoadCoefficients());
    for (double t : {-45.0, -30.0, 0.0, 25.0}) {
        SCOPED_TRACE(t);
        const WORD raw = eq.TemperatureToRaw(t);
        const double back = eq.RawToTemperature(raw, FALSE);
        EXPECT_NEAR(back, t, 0.005);
        EXPECT_EQ(eq.TemperatureToRaw(back), raw);
        // Colder bath, higher count: the bridge's sense.
        EXPECT_GT(eq.TemperatureToRaw(t - 1), raw);
    }
    // The coefficients are back as stored after each search.
    EXPECT_DOUBLE_EQ(eq.GetCoefficient(0), RYXTempEquation::kDefaultA0);
}

TEST_F(TempEquationTest, ThermistorReadingsAreWholeHundredths) {
    firmware = "1.500";
    Calibrated();
    ASSERT_TRUE(eq.LoadCoefficients());
    for (unsigned raw = 0; raw <= 0xFFFF; raw += 257) {
        const double t = eq.RawToTemperature(static_cast<WORD>(raw), FALSE);
        ASSERT_TRUE(std::isfinite(t)) << raw;
        EXPECT_NEAR(t * 100, std::round(t * 100), 1e-6) << raw;
    }
    // A known point of the bridge: mid-scale (0 V) reads just below -16 degC.
    EXPECT_NEAR(eq.RawToTemperature(32768, FALSE), -15.98, 1e-9);
}

TEST_F(TempEquationTest, MissingCoefficientsUseTheDefaultsAndSaySo) {
    firmware = "?";
    EXPECT_FALSE(eq.LoadCoefficients());
    EXPECT_DOUBLE_EQ(eq.GetCoefficient(0), 1.315383);
    EXPECT_DOUBLE_EQ(eq.GetCoefficient(1), 0.229949);
    EXPECT_EQ(eq.GetCoefficient(2), 0.0);
    EXPECT_DOUBLE_EQ(eq.GetCoefficient(3), 2.17922e-4);
    Calibrated();
    ASSERT_EQ(theRegistry.SetTemperatureA0(1.3), 0u);
    EXPECT_TRUE(eq.LoadCoefficients());
    EXPECT_DOUBLE_EQ(eq.GetCoefficient(0), 1.3);
    // New firmware leaves the coefficients alone (and needs none).
    firmware = "2.000";
    ASSERT_EQ(theRegistry.SetTemperatureA0(9.9), 0u);
    EXPECT_TRUE(eq.LoadCoefficients());
    EXPECT_DOUBLE_EQ(eq.GetCoefficient(0), 1.3);
}

TEST_F(TempEquationTest, TheSetPointsDegreeDecidesTheOffset) {
    // No table, no set-point: no offset, and nothing to complain of.
    EXPECT_TRUE(eq.LoadCoefficients());
    EXPECT_EQ(eq.GetOffset(), 0.0);
    StoreOffsets({{-12, 15}});
    EXPECT_TRUE(eq.LoadCoefficients());
    EXPECT_EQ(eq.GetOffset(), 0.0);
    // A set-point whose degree is uncalibrated: no offset, FALSE.
    ASSERT_EQ(theRegistry.SetTestBath(-18.0), 0u);
    EXPECT_FALSE(eq.LoadCoefficients());
    EXPECT_EQ(eq.GetOffset(), 0.0);
    ASSERT_EQ(theRegistry.SetTestBath(-12.0), 0u);
    EXPECT_TRUE(eq.LoadCoefficients());
    EXPECT_DOUBLE_EQ(eq.GetOffset(), 0.15);
    // Outside the table's degrees: treated as uncalibrated, nothing thrown.
    for (double bath : {-45.0, 30.0, -40.5}) {
        ASSERT_EQ(theRegistry.SetTestBath(bath), 0u);
        EXPECT_NO_THROW(EXPECT_FALSE(eq.LoadCoefficients())) << bath;
        EXPECT_EQ(eq.GetOffset(), 0.0);
    }
}

TEST_F(TempEquationTest, AFailedSearchRestoresTheCoefficientsAndThrows) {
    firmware = "?";
    Calibrated();
    ASSERT_TRUE(eq.LoadCoefficients());
    // Far beyond the bridge's range: no root between 1 and 160 kOhm.
    try {
        eq.TemperatureToRaw(400.0);
        FAIL() << "no exception";
    } catch (const CQXRootErrorException& e) {
        EXPECT_EQ(e.GetCode(), CQXRootErrorException::kNotBracketed);
    }
    EXPECT_DOUBLE_EQ(eq.GetCoefficient(0), RYXTempEquation::kDefaultA0);
    // The equation still converts afterwards.
    EXPECT_NEAR(eq.RawToTemperature(eq.TemperatureToRaw(-20.0), FALSE), -20.0, 0.005);
}

TEST_F(TempEquationTest, ADirectSetPointNoWordCarriesIsRefused) {
    EXPECT_THROW(eq.TemperatureToRaw(400.0), fw::InvalidArgException);
    EXPECT_THROW(eq.TemperatureToRaw(std::nan("")), fw::InvalidArgException);
}

class Polynomial : public CQXEquation {
public:
    explicit Polynomial(std::vector<double> c) : m_c(std::move(c)) {}
    double Evaluate(double x) override {
        ++calls;
        double y = 0;
        for (size_t i = m_c.size(); i-- > 0;) y = y * x + m_c[i];
        return y;
    }
    int calls = 0;

private:
    std::vector<double> m_c;
};

TEST(CQXRootFinder, FindsABracketedRootWithinTheTolerance) {
    struct Case {
        std::vector<double> c;  // ascending powers
        double a, b, root, tolerance;
    };
    const Case cases[] = {
        {{-2, 0, 1}, 0, 2, std::sqrt(2.0), 1e-9},
        {{-2, 0, 1}, 2, 0, std::sqrt(2.0), 1e-9},  // ends either way round
        {{-6, 11, -6, 1}, 2.5, 10, 3.0, 1e-9},     // (x-1)(x-2)(x-3)
        {{1000, -1}, 1, 100000, 1000.0, 1.0},      // a line
        {{-0.5, 0, 0, 1e-12}, 1000, 160000, std::cbrt(0.5e12), 1.0},
    };
    for (const Case& c : cases) {
        Polynomial f(c.c);
        const double root = CQXRootFinder(f, c.a, c.b, 100, c.tolerance).FindRoot();
        EXPECT_NEAR(root, c.root, 2 * c.tolerance) << c.root;
        EXPECT_LT(f.calls, 204);
    }
}

TEST(CQXRootFinder, EndsThatAreRootsAreReturnedAtOnce) {
    Polynomial f({-1, 1});
    EXPECT_EQ(CQXRootFinder(f, 1, 5, 100, 1e-6).FindRoot(), 1.0);
    EXPECT_EQ(CQXRootFinder(f, -3, 1, 100, 1e-6).FindRoot(), 1.0);
}

TEST(CQXRootFinder, FailuresCarryTheirCodes) {
    Polynomial noRoot({1, 0, 1});
    try {
        CQXRootFinder(noRoot, -5, 5, 100, 1e-6).FindRoot();
        FAIL();
    } catch (const CQXRootErrorException& e) {
        EXPECT_EQ(e.GetCode(), 1);
    }
    Polynomial cubic({-2, 0, 0, 1});
    for (int iterations : {0, -1, 2}) {
        try {
            CQXRootFinder(cubic, 0, 1e6, iterations, 1e-12).FindRoot();
            FAIL() << iterations;
        } catch (const CQXRootErrorException& e) {
            EXPECT_EQ(e.GetCode(), 2);
        }
    }
}

}  // namespace

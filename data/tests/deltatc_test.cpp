#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cmath>
#include <ctime>
#include <string>

#include "data/CQXRYXDeltaTcDoc.h"
#include "data/CQXRYXTestDoc.h"
#include "data/DeltaTcCompute.h"
#include "data/DeltaTcData.h"
#include "framework/core/Archive.h"
#include "platform/tests/GermanLocale.h"

namespace {

std::string Bytes(const char* s, size_t n) {
    return std::string(s, n);
}

std::string Store(DeltaTcData& d) {
    fw::Archive ar;
    d.Serialize(ar);
    return ar.Bytes();
}

DeltaTcData Record(float target, float stiffness, float m) {
    DeltaTcData d;
    d.m_fTargetTemp.m_data = target;
    d.m_fStiffness60.m_data = stiffness;
    d.m_fMValue60.m_data = m;
    return d;
}

DeltaTcData Filled() {
    DeltaTcData d = Record(-12.0f, 200.0f, 0.35f);
    d.m_fMaxTemp.m_data = -11.9f;
    d.m_fMinTemp.m_data = -12.1f;
    d.m_strInstrumentId.m_data = "RYX-7";
    d.m_strFileName.m_data = "T1";
    d.m_strOperator.m_data = "Op";
    d.m_strProject.m_data = "Proj";
    d.m_strSpecimen.m_data = "B1";
    d.m_strTestTime.m_data = " 2:30:05 PM";
    d.m_strTestDate.m_data = " 3/5/2024";
    return d;
}

void ExpectSame(const DeltaTcData& a, const DeltaTcData& b) {
    EXPECT_EQ(a.m_fMaxTemp.m_data, b.m_fMaxTemp.m_data);
    EXPECT_EQ(a.m_fMinTemp.m_data, b.m_fMinTemp.m_data);
    EXPECT_EQ(a.m_strInstrumentId.m_data, b.m_strInstrumentId.m_data);
    EXPECT_EQ(a.m_strFileName.m_data, b.m_strFileName.m_data);
    EXPECT_EQ(a.m_strOperator.m_data, b.m_strOperator.m_data);
    EXPECT_EQ(a.m_strProject.m_data, b.m_strProject.m_data);
    EXPECT_EQ(a.m_fMValue60.m_data, b.m_fMValue60.m_data);
    EXPECT_EQ(a.m_strSpecimen.m_data, b.m_strSpecimen.m_data);
    EXPECT_EQ(a.m_fStiffness60.m_data, b.m_fStiffness60.m_data);
    EXPECT_EQ(a.m_fTargetTemp.m_data, b.m_fTargetTemp.m_data);
    EXPECT_EQ(a.m_strTestTime.m_data, b.m_strTestTime.m_data);
    EXPECT_EQ(a.m_strTestDate.m_data, b.m_strTestDate.m_data);
}

TEST(DeltaTcCompute, ExampleGivesTheReportTexts) {
    DeltaTcData t1 = Record(-12.0f, 200.0f, 0.350f);
    DeltaTcData t2 = Record(-18.0f, 400.0f, 0.280f);
    DeltaTcResults r = ComputeDeltaTc(t1, t2);

    // The stiffness quotient in double, then float; the m-value all in float.
    const float q =
        static_cast<float>((std::log10(300.0) - std::log10(200.0)) / (std::log10(200.0) - std::log10(400.0)));
    EXPECT_EQ(r.tcStiffness.m_data, q * 6.0f + -12.0f - 10.0f);
    EXPECT_EQ(r.tcMValue.m_data, (0.3f - 0.35f) / (0.35f - 0.28f) * 6.0f + -12.0f - 10.0f);
    EXPECT_EQ(r.deltaTc.m_data, r.tcStiffness.m_data - r.tcMValue.m_data);
    EXPECT_NEAR(r.tcStiffness.m_data, -25.51, 0.01);
    EXPECT_NEAR(r.tcMValue.m_data, -26.29, 0.01);

    DeltaTcResultTexts texts = FormatDeltaTc(r);
    EXPECT_EQ(texts.tcStiffness, " -25.5");
    EXPECT_EQ(texts.tcMValue, " -26.3");
    EXPECT_EQ(texts.deltaTc, " 0.8");
}

TEST(DeltaTcCompute, SwappedPairAndExtrapolation) {
    DeltaTcData t1 = Record(-12.0f, 200.0f, 0.350f);
    DeltaTcData t2 = Record(-18.0f, 400.0f, 0.280f);
    DeltaTcResults ab = ComputeDeltaTc(t1, t2);
    DeltaTcResults ba = ComputeDeltaTc(t2, t1);
    EXPECT_NEAR(ab.tcStiffness.m_data, ba.tcStiffness.m_data, 1e-4);
    EXPECT_NEAR(ab.tcMValue.m_data, ba.tcMValue.m_data, 1e-4);

    // Neither criterion bracketed: the line is extended, still a number.
    DeltaTcData u1 = Record(-12.0f, 100.0f, 0.45f);
    DeltaTcData u2 = Record(-18.0f, 200.0f, 0.40f);
    DeltaTcResults out = ComputeDeltaTc(u1, u2);
    EXPECT_TRUE(std::isfinite(out.tcStiffness.m_data));
    EXPECT_LT(out.tcStiffness.m_data, -18.0f - 10.0f);
    EXPECT_LT(out.tcMValue.m_data, -18.0f - 10.0f);

    // Equal values are left to the pair check: the division's result, drawn as such.
    DeltaTcResults same = ComputeDeltaTc(Record(-12, 200, 0.3f), Record(-18, 200, 0.3f));
    EXPECT_FALSE(std::isfinite(same.tcStiffness.m_data));
    EXPECT_FALSE(std::isfinite(same.tcMValue.m_data));
}

TEST(DeltaTcCompute, RowTextsInReportOrder) {
    DeltaTcData d = Filled();
    d.m_fStiffness60.m_data = 273.6f;
    const std::array<std::string, 11> expected = {"Op",     "B1",     " 2:30:05 PM", " 3/5/2024",
                                                  "Proj",   "RYX-7",  " -12.0",      " -12.1",
                                                  " -11.9", " 0.350", "274   "};
    EXPECT_EQ(FormatDeltaTcRows(d), expected);
}

TEST(DeltaTcData, EmptyRecordIs29Bytes) {
    DeltaTcData d;
    const std::string expected = Bytes(
        "\x36\x01"
        "\0\0\0\0\0\0\0\0"  // max, min temperature
        "\0\0\0\0"          // instrument id, file name, operator, project
        "\0\0\0\0"          // m-value
        "\0"                // specimen
        "\0\0\0\0\0\0\0\0"  // stiffness, target temperature
        "\0\0",             // date, time
        29);
    EXPECT_EQ(Store(d), expected);
}

TEST(DeltaTcData, StoresDateBeforeTimeAndLoadsEachIntoItsOwnMember) {
    DeltaTcData d = Filled();
    const std::string bytes = Store(d);
    const std::string tail = Bytes("\x09 3/5/2024\x0B 2:30:05 PM", 22);
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    EXPECT_EQ(bytes.substr(0, 2), Bytes("\x36\x01", 2));

    DeltaTcData back;
    fw::Archive in(bytes);
    back.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    ExpectSame(back, d);
}

TEST(DeltaTcData, LoadingIgnoresTheSchemaWordAndRefusesShortData) {
    DeltaTcData d = Filled();
    std::string bytes = Store(d);
    for (WORD schema : {0, 1, 310, 0xFFFF}) {
        bytes[0] = static_cast<char>(schema & 0xFF);
        bytes[1] = static_cast<char>(schema >> 8);
        DeltaTcData back;
        fw::Archive in(bytes);
        back.Serialize(in);
        ExpectSame(back, d);
    }
    DeltaTcData back;
    fw::Archive in(std::string_view(bytes).substr(0, bytes.size() - 1));
    EXPECT_THROW(back.Serialize(in), fw::ArchiveException);
}

TEST(DeltaTcData, CopyAndSelfAssignment) {
    DeltaTcData d = Filled();
    DeltaTcData& alias = d;
    d = alias;
    ExpectSame(d, Filled());
    DeltaTcData copy(d);
    ExpectSame(copy, d);
    DeltaTcData assigned;
    assigned = d;
    ExpectSame(assigned, d);
}

TEST(DeltaTcDoc, OpensWithAnyPathAndCarriesTwoRecords) {
    CQXRYXDeltaTcDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument("Delta Tc"));
    EXPECT_TRUE(doc.OnOpenDocument("/no/such/folder/file"));
    ExpectSame(doc.m_data1, DeltaTcData());
    ExpectSame(doc.m_data2, DeltaTcData());

    DeltaTcData first = Filled();
    DeltaTcData second = Record(-18.0f, 400.0f, 0.28f);
    doc.SetData(first, second);
    EXPECT_FALSE(doc.IsModified());
    ExpectSame(doc.m_data1, first);
    ExpectSame(doc.m_data2, second);

    // The archive is the two records back to back, with no header of its own.
    fw::Archive out;
    doc.Serialize(out);
    EXPECT_EQ(out.Bytes(), Store(first) + Store(second));

    CQXRYXDeltaTcDoc back;
    fw::Archive in(out.Bytes());
    back.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    ExpectSame(back.m_data1, first);
    ExpectSame(back.m_data2, second);
    EXPECT_STREQ(doc.GetRuntimeClass()->name, "CQXRYXDeltaTcDoc");
}

TEST(DeltaTcData, MadeFromATestDocument) {
    setenv("TZ", "UTC", 1);
    tzset();
    CQXRYXTestDoc doc;
    doc.m_maxTemperature.m_data = -17.9f;
    doc.m_minTemperature.m_data = -18.1f;
    doc.m_apparatusId.m_data = "RYX-7";
    doc.m_testName.m_data = "T1";
    doc.m_operator.m_data = "Op";
    doc.m_project.m_data = "Proj";
    doc.m_specimen.m_data = "B1";
    doc.m_targetTemperature.m_data = -18.0f;
    for (int k = 0; k < 6; ++k) {
        doc.m_mValue[k].m_data = 0.1f * k;
        doc.m_measuredStiffness[k].m_data = 100.0f * k;
    }
    doc.m_testTime = 1709649005;  // 2024-03-05 14:30:05 UTC
    DeltaTcData d = MakeDeltaTcData(doc);
    EXPECT_EQ(d.m_fMaxTemp.m_data, -17.9f);
    EXPECT_EQ(d.m_fMinTemp.m_data, -18.1f);
    EXPECT_EQ(d.m_strInstrumentId.m_data, "RYX-7");
    EXPECT_EQ(d.m_strFileName.m_data, "T1");
    EXPECT_EQ(d.m_fMValue60.m_data, 0.3f);
    EXPECT_EQ(d.m_fStiffness60.m_data, 300.0f);
    EXPECT_EQ(d.m_fTargetTemp.m_data, -18.0f);
    // The time and the date in the locale in force: the C locale's here.
    EXPECT_EQ(d.m_strTestTime.m_data, " 14:30:05");
    EXPECT_EQ(d.m_strTestDate.m_data, " 03/05/24");

    doc.m_testTime = 0;  // never set
    EXPECT_EQ(MakeDeltaTcData(doc).m_strTestDate.m_data, " Unknown");
}

// The user's locale, which the station sets at start-up, gives the record's
// texts their form; its numbers stay the same floats.
TEST(DeltaTcData, TimeAndDateInTheUsersLocale) {
    setenv("TZ", "UTC", 1);
    tzset();
    CQXRYXTestDoc doc;
    doc.m_testTime = 1709649005;  // 2024-03-05 14:30:05 UTC
    doc.m_mValue[3].m_data = 0.3f;
    ASSERT_TRUE(ryxtest::UseGermanLocale());
    const DeltaTcData d = MakeDeltaTcData(doc);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(d.m_strTestTime.m_data, " 14:30:05");
    EXPECT_EQ(d.m_strTestDate.m_data, " 05.03.2024");
    EXPECT_EQ(d.m_fMValue60.m_data, 0.3f);

    // A DOS-version test may be dated 1971.
    doc.m_testTime = 31536000 + 86400 * 40 + 3600;  // 1971-02-10 01:00:00 UTC
    const DeltaTcData old = MakeDeltaTcData(doc);
    EXPECT_EQ(old.m_strTestTime.m_data, " 01:00:00");
    EXPECT_EQ(old.m_strTestDate.m_data, " 02/10/71");
}

}  // namespace

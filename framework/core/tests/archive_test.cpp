#include "framework/core/Archive.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::string;

class Sample : public fw::Object {
public:
    static const fw::RuntimeClass kClass;
    const fw::RuntimeClass* GetRuntimeClass() const override { return &kClass; }
    void Serialize(fw::Archive& ar) override {
        if (ar.IsStoring()) {
            ar << value;
        } else {
            schemaSeen = ar.GetObjectSchema();
            ar >> value;
        }
    }
    WORD value = 0;
    UINT schemaSeen = 0;
};
const fw::RuntimeClass Sample::kClass = {"Sample", 7 | fw::kVersionableSchema, &fw::CreateInstance<Sample>,
                                         &fw::Object::kClass};
fw::ClassRegistration sampleRegistration(&Sample::kClass);

class Fixed : public Sample {
public:
    static const fw::RuntimeClass kClass;
    const fw::RuntimeClass* GetRuntimeClass() const override { return &kClass; }
};
const fw::RuntimeClass Fixed::kClass = {"Fixed", 3, &fw::CreateInstance<Fixed>, &Sample::kClass};
fw::ClassRegistration fixedRegistration(&Fixed::kClass);

TEST(ArchiveTest, PrimitivesAreLittleEndian) {
    fw::Archive ar;
    ar << static_cast<WORD>(310) << static_cast<int32_t>(-2) << 1.5f << 1.0 << static_cast<BYTE>(9);
    EXPECT_EQ(ar.Bytes(), Bytes("\x36\x01\xFE\xFF\xFF\xFF\x00\x00\xC0\x3F"
                                "\x00\x00\x00\x00\x00\x00\xF0\x3F\x09",
                                19));
    fw::Archive in(ar.Bytes());
    WORD w;
    int32_t i;
    float f;
    double d;
    BYTE b;
    in >> w >> i >> f >> d >> b;
    EXPECT_EQ(w, 310);
    EXPECT_EQ(i, -2);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, 1.0);
    EXPECT_EQ(b, 9);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_THROW(in >> b, fw::ArchiveException);
}

TEST(ArchiveTest, StringLengthPrefixForms) {
    struct Case {
        size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, Bytes("\x00", 1)},
        {254, Bytes("\xFE", 1)},
        {255, Bytes("\xFF\xFF\x00", 3)},
        {300, Bytes("\xFF\x2C\x01", 3)},
        {0xFFFD, Bytes("\xFF\xFD\xFF", 3)},
        {0xFFFE, Bytes("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, Bytes("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Case& c : cases) {
        fw::Archive ar;
        std::string text(c.length, 'x');
        ar.WriteString(text);
        ASSERT_EQ(ar.Bytes().size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(ar.Bytes().substr(0, c.prefix.size()), c.prefix) << c.length;
        fw::Archive in(ar.Bytes());
        EXPECT_EQ(in.ReadString(), text) << c.length;
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(ArchiveTest, ReadsEveryLongerPrefixFormIncluding64Bit) {
    Bytes file(
        "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x03\x00\x00\x00\x00\x00\x00\x00"
        "abc",
        18);
    fw::Archive in(file);
    EXPECT_EQ(in.ReadString(), "abc");
}

TEST(ArchiveTest, ConvertsWindows1252AtTheBoundary) {
    fw::Archive ar;
    ar.WriteString("\xC2\xB1\xC2\xB5\xE2\x82\xAC");  // plus-minus, micro, euro
    EXPECT_EQ(ar.Bytes(), Bytes("\x03\xB1\xB5\x80", 4));
    fw::Archive in(ar.Bytes());
    EXPECT_EQ(in.ReadString(), "\xC2\xB1\xC2\xB5\xE2\x82\xAC");
}

TEST(ArchiveTest, ReadsWideStrings) {
    // Mark, then 4 characters: 'A', e-acute, euro, and a Greek letter the code page lacks.
    Bytes file(
        "\xFF\xFE\xFF\x04"
        "A\x00\xE9\x00\xAC\x20\xA3\x03",
        12);
    fw::Archive in(file);
    EXPECT_EQ(in.ReadString(), "A\xC3\xA9\xE2\x82\xAC?");
    EXPECT_TRUE(in.AtEnd());
    Bytes longer("\xFF\xFE\xFF\xFF\x00\x01", 6);  // 256 characters follow
    longer += std::string(512, 'z').replace(1, 1, 1, '\0');
    fw::Archive in2(longer);
    EXPECT_EQ(in2.ReadString().size(), 256u);
}

TEST(ArchiveTest, MalformedStringsThrowWithoutReading) {
    const Bytes cases[] = {
        Bytes("\x05"
              "abc",
              4),                                                                   // shorter than its prefix
        Bytes("\xFF\x2C", 2),                                                       // prefix cut short
        Bytes("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7),                                   // 2 GB announced
        Bytes("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 15),  // 2^64-1
        Bytes("\xFF\xFE\xFF\x03"
              "A\x00",
              6),                                  // wide, too few characters
        Bytes("\xFF\xFE\xFF\xFF\xFE\xFF\x01", 7),  // the wide mark twice
    };
    for (const Bytes& c : cases) {
        fw::Archive in(c);
        EXPECT_THROW(in.ReadString(), fw::ArchiveException) << testing::PrintToString(c);
    }
}

TEST(ArchiveTest, TimesInBothForms) {
    fw::Archive ar;
    ar.WriteTime(1700000000123LL);
    EXPECT_EQ(ar.Bytes().substr(0, 4), Bytes("\x0A\x00\x00\x80", 4));
    EXPECT_EQ(ar.Bytes().size(), 12u);
    fw::Archive in(ar.Bytes());
    EXPECT_EQ(in.ReadTime(), 1700000000123LL);
    Bytes old("\x00\x5E\xD0\xB2\xFF\xFF\xFF\xFF", 8);  // 0xB2D05E00 read as signed, then -1
    fw::Archive in2(old);
    EXPECT_EQ(in2.ReadTime(), static_cast<int32_t>(0xB2D05E00u));
    EXPECT_EQ(in2.ReadTime(), -1);
}

TEST(ArchiveTest, CountsInBothForms) {
    fw::Archive ar;
    ar.WriteCount(501);
    ar.WriteCount(0xFFFF);
    EXPECT_EQ(ar.Bytes(), Bytes("\xF5\x01\xFF\xFF\xFF\xFF\x00\x00", 8));
    fw::Archive in(ar.Bytes());
    EXPECT_EQ(in.ReadCount(), 501u);
    EXPECT_EQ(in.ReadCount(), 0xFFFFu);
}

TEST(ArchiveTest, ObjectProtocolRoundTrip) {
    Sample a, b;
    a.value = 1;
    b.value = 2;
    fw::Archive ar;
    ar.WriteObject(&a);
    ar.WriteObject(&b);
    ar.WriteObject(nullptr);
    ar.WriteObject(&a);  // already stored: a reference to object index 2
    EXPECT_EQ(ar.Bytes(), Bytes("\xFF\xFF\x07\x00\x06\x00Sample\x01\x00"
                                "\x01\x80\x02\x00"
                                "\x00\x00"
                                "\x02\x00",
                                22));
    fw::Archive in(ar.Bytes());
    auto first = in.ReadNewObject(&Sample::kClass);
    auto second = in.ReadNewObject(&Sample::kClass);
    EXPECT_EQ(static_cast<Sample&>(*first).value, 1);
    EXPECT_EQ(static_cast<Sample&>(*second).value, 2);
    EXPECT_EQ(static_cast<Sample&>(*second).schemaSeen, 7u);
    // Neither a null entry nor a reference can give a new object to own.
    EXPECT_THROW(in.ReadNewObject(&Sample::kClass), fw::ArchiveException);
}

TEST(ArchiveTest, BigClassTagAndAnyVersionableSchema) {
    Bytes file(
        "\xFF\xFF\x63\x00\x06\x00Sample\x05\x00"
        "\xFF\x7F\x01\x00\x00\x80\x06\x00",
        22);
    fw::Archive in(file);
    auto a = in.ReadNewObject(&Sample::kClass);
    auto b = in.ReadNewObject(&Sample::kClass);
    EXPECT_EQ(static_cast<Sample&>(*a).schemaSeen, 99u);
    EXPECT_EQ(static_cast<Sample&>(*b).value, 6);
}

TEST(ArchiveTest, MalformedObjectRecordsThrow) {
    const Bytes cases[] = {
        Bytes("\x00\x00", 2),                                  // null entry
        Bytes("\x01\x80\x01\x00", 4),                          // class index not yet defined
        Bytes("\xFF\xFF\x07\x00\x07\x00Unknown\x01\x00", 15),  // unregistered class
        Bytes("\xFF\xFF\x07\x00\x00\x00", 6),                  // empty name
        Bytes("\xFF\xFF\x07\x00\x41\x00", 6),                  // name longer than any class
        Bytes("\xFF\xFF\x07\x00\x06\x00Sampl", 11),            // name cut short
        Bytes("\xFF\xFF\x04\x00\x05\x00"
              "Fixed\x01\x00",
              13),  // fixed schema 3, stored 4
        Bytes("\xFF\xFF\x07\x00\x07\x00"
              "CObject",
              13),                                        // not creatable
        Bytes("\xFF\xFF\x07\x00\x06\x00Sample\x01", 13),  // body cut short
        Bytes("\xFF\x7F\x05\x00\x00\x80", 6),             // big class tag out of range
    };
    for (const Bytes& c : cases) {
        fw::Archive in(c);
        EXPECT_THROW(in.ReadNewObject(&Sample::kClass), fw::ArchiveException) << testing::PrintToString(c);
    }
}

TEST(ArchiveTest, SecondDescriptionOfAClassOrWrongClassIsRefused) {
    Bytes twice(
        "\xFF\xFF\x07\x00\x06\x00Sample\x01\x00"
        "\xFF\xFF\x07\x00\x06\x00Sample\x02\x00",
        24);
    fw::Archive in(twice);
    EXPECT_NO_THROW(in.ReadNewObject(&Sample::kClass));
    EXPECT_THROW(in.ReadNewObject(&Sample::kClass), fw::ArchiveException);
    Bytes sample("\xFF\xFF\x07\x00\x06\x00Sample\x01\x00", 12);
    fw::Archive in2(sample);
    EXPECT_THROW(in2.ReadNewObject(&Fixed::kClass), fw::ArchiveException);  // a base is not a Fixed
}

TEST(ArchiveExceptionTest, MessageIsUnexpectedFileFormat) {
    EXPECT_EQ(fw::ArchiveException(fw::ArchiveException::kEndOfFile).Message(), "Unexpected file format.");
    EXPECT_EQ(fw::FileException(2).Message(), "");
    EXPECT_EQ(fw::MemoryException().Message(), "Out of memory.");
}

}  // namespace

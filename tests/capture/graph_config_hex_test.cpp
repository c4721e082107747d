#include "capture/guid.h"

#include <gtest/gtest.h>

namespace quelm {
namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

TEST(GraphConfigHex, BytesToHexWritesUpperCaseHighHalfFirst) {
    EXPECT_EQ(BytesToHex(QByteArray()), QString());
    EXPECT_EQ(BytesToHex(Bytes({0x00, 0x0F, 0xA5, 0xFF, 0x10})), QStringLiteral("000FA5FF10"));
}

TEST(GraphConfigHex, HexToBytesCases) {
    struct Case {
        const char* text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"", QByteArray()},
        {"00", Bytes({0x00})},
        {"abCD", Bytes({0xAB, 0xCD})},
        {"1", Bytes({0x01})}, // odd length: a leading "0" is assumed
        {"ABC", Bytes({0x0A, 0xBC})},
        {"12G4", Bytes({0x12})}, // stops at the first bad pair
        {"G1", QByteArray()},
        {"1Z3", Bytes({0x01})},          // "01Z3": the padded first pair decodes, then damage
        {"0102 3", Bytes({0x01, 0x02})}, // a blank ends decoding
        {"FF-FF", Bytes({0x0F})},        // odd: "0FF-FF" -> 0F, then "F-" stops
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexToBytes(QString::fromLatin1(c.text)), c.bytes) << c.text;
    // Digits outside ASCII (full-width, Arabic-Indic) are not hex digits.
    EXPECT_EQ(HexToBytes(QString::fromUtf16(u"12\uFF13\uFF14")), Bytes({0x12}));
    EXPECT_EQ(HexToBytes(QString::fromUtf16(u"\u0661\u0662")), QByteArray());
}

TEST(GraphConfigHex, EveryByteValueSurvivesARoundTrip) {
    QByteArray all;
    for (int v = 0; v < 256; ++v)
        all.append(static_cast<char>(v));
    const QString hex = BytesToHex(all);
    EXPECT_EQ(hex.size(), 512);
    EXPECT_EQ(HexToBytes(hex), all);
    EXPECT_EQ(HexToBytes(hex.toLower()), all);
}

TEST(GraphConfigHex, GuidToHexUsesMemoryByteOrder) {
    struct Case {
        const char* name;
        TGuid guid;
        const char* hex;
    };
    const Case cases[] = {
        {"YUY2", MEDIASUBTYPE_YUY2, "5955593200001000800000AA00389B71"},
        {"RGB24", MEDIASUBTYPE_RGB24, "7DEB36E44F52CE119F530020AF0BA770"},
        {"ARGB32", MEDIASUBTYPE_ARGB32, "C09A3C777432D011B72400AA006C1A01"},
        {"PCM", MEDIASUBTYPE_PCM, "0100000000001000800000AA00389B71"},
        {"Interleaved", MEDIATYPE_Interleaved, "6961767300001000800000AA00389B71"},
        {"null", TGuid{}, "00000000000000000000000000000000"},
        {"groups", TGuid{0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}},
         "0403020106050807090A0B0C0D0E0F10"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuidToHex(c.guid), QString::fromLatin1(c.hex)) << c.name;
        EXPECT_EQ(HexToGuid(QString::fromLatin1(c.hex)), c.guid) << c.name;
    }
}

TEST(GraphConfigHex, HexToGuidPadsShortAndDamagedTextWithZeros) {
    EXPECT_TRUE(HexToGuid(QString()).IsNull());
    EXPECT_EQ(HexToGuid(QStringLiteral("59555932")), (TGuid{0x32595559, 0, 0, {}}));

    // Damage in the last pair: the first 15 bytes count, the 16th is zero.
    TGuid damaged = MEDIASUBTYPE_YUY2;
    damaged.D4[7] = 0;
    EXPECT_EQ(HexToGuid(QStringLiteral("5955593200001000800000AA00389BZZ")), damaged);

    // Bytes past the 16th are ignored.
    EXPECT_EQ(HexToGuid(QStringLiteral("5955593200001000800000AA00389B71FFFF")), MEDIASUBTYPE_YUY2);
}

TEST(GraphConfigHex, FourCCIdentifiersAndConstants) {
    EXPECT_EQ(MEDIASUBTYPE_YUY2.D1, 0x32595559u);
    EXPECT_EQ(MEDIASUBTYPE_UYVY,
              (TGuid{0x59565955, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}));
    EXPECT_EQ(MEDIASUBTYPE_MJPG.D1, 0x47504A4Du);
    EXPECT_NE(MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32);
    EXPECT_FALSE(MEDIASUBTYPE_RGB24.IsNull());
}

} // namespace
} // namespace quelm

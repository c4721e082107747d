#include "detector/control_zone_list.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using namespace quelm;

TEST(ControlZoneValue, AcceptsSignedDecimalIntegersAndKeepsTheLow8Bits) {
    const struct {
        const char* piece;
        bool ok;
        int value;
    } cases[] = {
        {"0", true, 0},
        {"1", true, 1},
        {"255", true, 255},
        {"256", true, 0},
        {"-1", true, 255},
        {"+5", true, 5},
        {" 7\t", true, 7},
        {"", true, 0},
        {"  ", true, 0},
        {"2147483647", true, 255},
        {"-2147483648", true, 0},
        {"007", true, 7},
        {"2147483648", false, 0},
        {"99999999999999999999", false, 0},
        {"0x1", false, 0},
        {"$1", false, 0},
        {"1 0", false, 0},
        {"1.0", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
        {"abc", false, 0},
        {"1a", false, 0},
        {"\xd9\xa1", false, 0} /* Arabic-Indic one */,
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.piece);
        std::uint8_t value = 99;
        EXPECT_EQ(ParseControlZoneValue(QString::fromUtf8(c.piece), value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

ControlZoneGrid Filled(std::uint8_t v) {
    ControlZoneGrid g;
    for (auto& column : g)
        column.fill(v);
    return g;
}

TEST(ControlZoneList, ReadsColumnByColumnAndMissingValuesAsZero) {
    const struct {
        const char* text;
        int q;
        std::vector<int> block; // column 1 rows 1..q, column 2 rows 1..q, ...
    } cases[] = {
        {"1,0,0,0,", 2, {1, 0, 0, 0}},
        {"0,1,0,0,", 2, {0, 1, 0, 0}}, // column 1, row 2
        {"1,1", 2, {1, 0, 0, 0}},      // the value after the last comma reads as 0
        {"1,1,", 2, {1, 1, 0, 0}},
        {"256,-1,,1,", 2, {0, 255, 0, 1}},
        {"", 2, {0, 0, 0, 0}},
        {"1,1,1,1,1,1,1,", 2, {1, 1, 1, 1}}, // extra values are ignored
        {"5,", 1, {5}},
        {"1,1,1,1,x,y", 2, {1, 1, 1, 1}}, // never reached
        {"1,1,1x", 2, {1, 1, 0, 0}},      // no comma left: the tail is dropped a character at a time
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ControlZoneGrid zone = Filled(7);
        ParseControlZoneList(QString::fromUtf8(c.text), c.q, zone);
        for (int i = 0; i < MaxZones; ++i)
            for (int j = 0; j < MaxZones; ++j) {
                const int expected = (i < c.q && j < c.q) ? c.block[i * c.q + j] : 7; // outside: untouched
                EXPECT_EQ(zone[i][j], expected) << "column " << i + 1 << " row " << j + 1;
            }
    }
}

TEST(ControlZoneList, NonNumberStopsTheReadingAfterTheEntriesBeforeIt) {
    ControlZoneGrid zone = Filled(7);
    try {
        ParseControlZoneList(u"1,0,zwei,1,", 2, zone);
        FAIL() << "no error";
    } catch (const ControlZoneError& e) {
        EXPECT_EQ(e.index(), 3);
        EXPECT_EQ(e.piece(), QStringLiteral("zwei"));
        EXPECT_NE(std::string(e.what()).find("ControlZone"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("zwei"), std::string::npos) << e.what();
    }
    EXPECT_EQ(zone[0][0], 1);
    EXPECT_EQ(zone[0][1], 0);
    EXPECT_EQ(zone[1][0], 7);
    EXPECT_EQ(zone[1][1], 7);
}

TEST(ControlZoneList, FormatsTheBlockAndReadsItBack) {
    ControlZoneGrid one{};
    one[0][0] = 1;
    EXPECT_EQ(FormatControlZoneList(one, 2), QStringLiteral("1,0,0,0,"));

    std::mt19937 random(7);
    for (int q : {1, 2, 7, 15, 20}) {
        ControlZoneGrid zone{};
        for (int i = 0; i < q; ++i)
            for (int j = 0; j < q; ++j)
                zone[i][j] = static_cast<std::uint8_t>(random() % 256);
        const QString text = FormatControlZoneList(zone, q);
        EXPECT_EQ(text.count(u','), q * q);
        EXPECT_TRUE(text.endsWith(u','));
        ControlZoneGrid back{};
        ParseControlZoneList(text, q, back);
        EXPECT_EQ(back, zone) << "q " << q;
    }
}

} // namespace

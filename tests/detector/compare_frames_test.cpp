#include "detector/alg_thread.h"
#include "frames.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using quelm::AlgThread;
using quelm::test::BlankFrame;
using quelm::test::SetBytes;

struct Rect {
    int x0, x1, y0, y1;
    unsigned char value;
};

struct Zone {
    int column, row; // 1-based
};

struct Case {
    const char* name;
    int width, height;
    QImage::Format format;
    int q;
    bool fullFrame;
    std::vector<Zone> marked;  // control zone (control-zone mode)
    std::vector<Rect> changes; // bytes changed in slot 1; slot 0 stays blank
    double level;              // expected alg_result
    Zone maxZone{0, 0};        // the most-changed zone, when the case names it
    long long maxSum = 0;
};

double Measure(AlgThread& alg, const Case& c) {
    QImage a = BlankFrame(c.width, c.height, c.format);
    QImage b = a.copy();
    for (const Rect& r : c.changes)
        SetBytes(b, r.x0, r.x1, r.y0, r.y1, r.value);
    alg.Image[0] = a;
    alg.Image[1] = b;
    alg.qzones = static_cast<std::uint8_t>(c.q);
    alg.FullFrame = c.fullFrame;
    alg.ControlZone = {};
    for (const Zone& z : c.marked)
        alg.ControlZone[z.column - 1][z.row - 1] = 1;
    alg.CompareFrames();
    return alg.alg_result;
}

constexpr auto BGR = QImage::Format_BGR888;

// 320 x 240 at q = 15: ZW 64 bytes, ZH 16 rows, ZWp 21. At q = 12: ZW 80, ZH 20, ZWp 26.
// At q = 16: ZW 60, ZH 14, ZWp 20. 352 x 288 at q = 20: ZW 52, ZH 14, ZWp 17.
const Case kCases[] = {
    {"identical frames", 320, 240, BGR, 15, true, {}, {}, 0.0},
    {"one 8-bit pixel by 255, q 2",
     4,
     4,
     QImage::Format_Grayscale8,
     2,
     true,
     {},
     {{0, 1, 0, 1, 255}},
     25.0,
     {1, 1},
     255},
    {"zone [3,5] by 51, full frame",
     320,
     240,
     BGR,
     15,
     true,
     {},
     {{128, 192, 64, 80, 51}},
     20.317,
     {3, 5},
     52224},
    {"zone [3,5] by 51, control zone",
     320,
     240,
     BGR,
     15,
     false,
     {{3, 5}},
     {{128, 192, 64, 80, 51}},
     20.317,
     {3, 5},
     52224},
    {"rightmost zone by 255, control zone",
     320,
     240,
     BGR,
     15,
     false,
     {{15, 1}},
     {{896, 960, 0, 16, 255}},
     101.587,
     {15, 1},
     255 * 64 * 16},
    {"rightmost zone by 255, full frame: 62 of 64 bytes",
     320,
     240,
     BGR,
     15,
     true,
     {},
     {{896, 960, 0, 16, 255}},
     98.413,
     {15, 1},
     255 * 62 * 16},
    {"whole zone by 255 at q 12",
     320,
     240,
     BGR,
     12,
     true,
     {},
     {{80, 160, 20, 40, 255}},
     102.564,
     {2, 2},
     255 * 80 * 20},
    {"q 16: rows 224 to 239 in no zone", 320, 240, BGR, 16, true, {}, {{0, 960, 224, 240, 255}}, 0.0},
    {"q 16: row 223 in zone row 16",
     320,
     240,
     BGR,
     16,
     true,
     {},
     {{0, 60, 223, 224, 255}},
     7.143,
     {1, 16},
     255 * 60},
    {"q 20: bytes 1040 to 1055 in no zone", 352, 288, BGR, 20, true, {}, {{1040, 1056, 0, 288, 255}}, 0.0},
    {"q 20: byte 1039 in zone column 20",
     352,
     288,
     BGR,
     20,
     true,
     {},
     {{1039, 1040, 0, 288, 255}},
     1.961,
     {20, 1},
     255 * 14},
    {"q 20: rows 280 to 287 in no zone", 352, 288, BGR, 20, true, {}, {{0, 1056, 280, 288, 255}}, 0.0},
    {"control zone with no zone marked", 320, 240, BGR, 15, false, {}, {{0, 960, 0, 240, 255}}, 0.0},
    {"changes outside the control zone", 320, 240, BGR, 15, false, {{1, 1}}, {{64, 960, 0, 240, 255}}, 0.0},
    {"32-bit frames, q 2",
     8,
     8,
     QImage::Format_RGB32,
     2,
     true,
     {},
     {{0, 16, 0, 4, 255}},
     100.0,
     {1, 1},
     255 * 16 * 4},
    {"frame no wider than q", 12, 100, BGR, 12, true, {}, {{0, 36, 0, 100, 255}}, 0.0},
    {"frame no taller than q", 100, 12, BGR, 12, true, {}, {{0, 300, 0, 12, 255}}, 0.0},
    {"unknown pixel format", 64, 64, QImage::Format_RGBA64, 2, true, {}, {{0, 512, 0, 64, 255}}, 0.0},
};

TEST(CompareFrames, GivesTheLevelOfTheMostChangedZone) {
    AlgThread alg;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(Measure(alg, c), c.level, 0.0005);
        if (c.maxZone.column > 0) {
            EXPECT_EQ(alg.FrameZone(c.maxZone.column, c.maxZone.row), c.maxSum);
        }
    }
}

TEST(CompareFrames, LevelIsTheZoneMeanInPercentOf255) {
    // The normalisation exactly: M * 100 / 255 / B / ZH / ZWp.
    AlgThread alg;
    EXPECT_DOUBLE_EQ(Measure(alg, kCases[2]), 52224.0 * 100 / 255 / 3 / 16 / 21);
    EXPECT_DOUBLE_EQ(Measure(alg, kCases[4]), 261120.0 * 100 / 255 / 3 / 16 / 21);
}

TEST(CompareFrames, ComparesTheCommonTopLeftArea) {
    AlgThread alg;
    alg.qzones = 15;
    alg.FullFrame = true;
    alg.Image[0] = BlankFrame(320, 240);
    QImage big = BlankFrame(640, 480);
    SetBytes(big, 960, 1920, 0, 480, 255); // right of the common area
    SetBytes(big, 0, 1920, 240, 480, 255); // below it
    alg.Image[1] = big;
    alg.CompareFrames();
    EXPECT_EQ(alg.alg_result, 0.0);

    SetBytes(big, 128, 192, 64, 80, 51); // zone [3,5] of the common 320 x 240 grid
    alg.Image[1] = big;
    alg.CompareFrames();
    EXPECT_NEAR(alg.alg_result, 20.317, 0.0005);
    // The same with the larger frame in the other slot.
    std::swap(alg.Image[0], alg.Image[1]);
    alg.CompareFrames();
    EXPECT_NEAR(alg.alg_result, 20.317, 0.0005);
}

TEST(CompareFrames, UnusablePairsGiveZeroAndLeaveTheDetectorUsable) {
    AlgThread alg;
    alg.qzones = 2;
    alg.FullFrame = true;
    QImage changed = BlankFrame(8, 8, QImage::Format_RGB32);
    SetBytes(changed, 0, 32, 0, 8, 255);

    alg.alg_result = 50;
    alg.CompareFrames(); // both slots empty
    EXPECT_EQ(alg.alg_result, 0.0);

    alg.Image[0] = BlankFrame(8, 8, QImage::Format_ARGB32); // same depth, other format
    alg.Image[1] = changed;
    alg.CompareFrames();
    EXPECT_EQ(alg.alg_result, 0.0);

    alg.Image[1] = BlankFrame(0, 0);
    alg.CompareFrames(); // one slot empty
    EXPECT_EQ(alg.alg_result, 0.0);

    alg.Image[0] = BlankFrame(8, 8, QImage::Format_RGB32);
    alg.Image[1] = changed;
    alg.CompareFrames();
    EXPECT_DOUBLE_EQ(alg.alg_result, 100.0);
}

TEST(CompareFrames, OutOfRangeZoneCountsAreClamped) {
    AlgThread alg;
    alg.FullFrame = true;
    alg.Image[0] = BlankFrame(40, 40, QImage::Format_Grayscale8);
    QImage b = BlankFrame(40, 40, QImage::Format_Grayscale8);
    SetBytes(b, 0, 2, 0, 2, 255); // one zone of 2 x 2 at q = 20
    alg.Image[1] = b;
    alg.qzones = 200; // used as 20
    alg.CompareFrames();
    EXPECT_DOUBLE_EQ(alg.alg_result, 100.0);
    alg.qzones = 0; // used as 1: ZW, ZH and ZWp are 40 (39.5 rounds to even)
    alg.CompareFrames();
    EXPECT_DOUBLE_EQ(alg.alg_result, 4.0 * 255 * 100 / 255 / 40 / 40);
}

TEST(CompareFrames, MonochromeFramesCountEightPixelsPerByte) {
    AlgThread alg;
    alg.FullFrame = true;
    alg.qzones = 2;
    alg.Image[0] = BlankFrame(64, 16, QImage::Format_Mono);
    QImage b = BlankFrame(64, 16, QImage::Format_Mono);
    SetBytes(b, 0, 4, 0, 8, 255); // zone [1,1]: 4 bytes (32 pixels) of 8 rows
    alg.Image[1] = b;
    alg.CompareFrames();
    // B 0.125, ZH 8, ZWp 32: 4 * 8 * 255 * 100 / 255 / 0.125 / 8 / 32 = 100.
    EXPECT_DOUBLE_EQ(alg.alg_result, 100.0);
}

} // namespace

#include "ui/rled.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

using quelm::TRLed;
using quelm::TRLedOrientation;
namespace rled = quelm::rled;

const QColor kGreen(0, 255, 0), kRed(255, 0, 0), kDimGreen(0, 127, 0), kDimRed(127, 0, 0), kBlack(0, 0, 0);

// The main window's bar: 26 x 475, BarSize 5, break at 100 minus the threshold.
void MakeMainWindowBar(TRLed& led, int threshold) {
    led.resize(26, 475);
    led.SetBreakPos(100 - threshold);
    led.SetPosition(0);
}

struct Tally {
    int lit = 0, hi = 0, litHi = 0;
};

Tally Count(const std::vector<rled::Segment>& segments, QColor low, QColor hi) {
    Tally t;
    for (const auto& s : segments) {
        const bool isHi = s.color == hi || s.color == rled::DimColor(hi);
        const bool isLit = s.color == hi || s.color == low;
        t.hi += isHi;
        t.lit += isLit;
        t.litHi += isHi && isLit;
    }
    return t;
}

rled::Look MainBarLook(int position, int breakPos) {
    return rled::Look{QSize(26, 475), TRLedOrientation::Vertical, 5, 100, position, breakPos, kGreen, kRed};
}

TEST(LedBar, ValuesAfterConstruction) {
    TRLed led;
    EXPECT_EQ(led.size(), QSize(25, 152));
    EXPECT_EQ(led.MaxValue(), 100);
    EXPECT_EQ(led.BackColor(), kBlack);
    EXPECT_EQ(led.ColorLow(), kGreen);
    EXPECT_EQ(led.ColorHi(), kRed);
    EXPECT_EQ(led.BarSize(), 5);
    EXPECT_EQ(led.Orientation(), TRLedOrientation::Vertical);
    EXPECT_EQ(led.Position(), 0);
    EXPECT_EQ(led.BreakPos(), 35);
    EXPECT_EQ(led.BarCount(), 30); // (152 - 2) div 5
    EXPECT_EQ(led.focusPolicy(), Qt::NoFocus);
}

TEST(LedBar, MainWindowBarHas94SegmentsEndingAtRow470) {
    EXPECT_EQ(rled::CalcBarCount(QSize(26, 475), 5, TRLedOrientation::Vertical), 94);
    const QRect last = rled::SegmentRect(94, QSize(26, 475), 5, TRLedOrientation::Vertical);
    EXPECT_EQ(last, QRect(QPoint(2, 467), QPoint(23, 469))); // 3 rows long, x from 2 to 24 exclusive
    const QRect first = rled::SegmentRect(1, QSize(26, 475), 5, TRLedOrientation::Vertical);
    EXPECT_EQ(first, QRect(2, 2, 22, 3));
}

TEST(LedBar, Threshold32SplitsTheBar63RedOver31Green) {
    const struct {
        int position;
        int lit;
        int litHi;
    } cases[] = {{0, 0, 0}, {33, 31, 0}, {34, 32, 1}, {50, 47, 16}, {100, 94, 63}};
    for (const auto& c : cases) {
        const auto segments = rled::Segments(MainBarLook(c.position, 68));
        ASSERT_EQ(segments.size(), 94u);
        const Tally t = Count(segments, kGreen, kRed);
        EXPECT_EQ(t.hi, 63) << c.position;
        EXPECT_EQ(t.lit, c.lit) << c.position;
        EXPECT_EQ(t.litHi, c.litHi) << c.position;
        // The top 63 are the upper zone, the bottom 31 the low one; the bar fills from the bottom.
        for (int k = 1; k <= 94; ++k) {
            const bool hi = k <= 63, lit = k > 94 - c.lit;
            const QColor want = hi ? (lit ? kRed : kDimRed) : (lit ? kGreen : kDimGreen);
            ASSERT_EQ(segments[static_cast<std::size_t>(k - 1)].color, want)
                << c.position << " segment " << k;
        }
    }
}

TEST(LedBar, UpperZoneSizeAtTheEdgesOfBreakPos) {
    // R = Round(BarCount x BreakPos / 100): a horizontal bar has R upper segments, a vertical one R - 1.
    const struct {
        int breakPos;
        TRLedOrientation orientation;
        int hi;
    } cases[] = {{0, TRLedOrientation::Vertical, 0},     {0, TRLedOrientation::Horizontal, 0},
                 {100, TRLedOrientation::Vertical, 93},  {100, TRLedOrientation::Horizontal, 94},
                 {68, TRLedOrientation::Horizontal, 64}, {154, TRLedOrientation::Vertical, 94}};
    for (const auto& c : cases) {
        auto look = MainBarLook(0, c.breakPos);
        look.orientation = c.orientation;
        if (c.orientation == TRLedOrientation::Horizontal)
            look.size = QSize(475, 26);
        const Tally t = Count(rled::Segments(look), kGreen, kRed);
        EXPECT_EQ(t.hi, c.hi) << c.breakPos << " " << int(c.orientation);
    }
}

TEST(LedBar, HorizontalBarFillsFromTheLeftWithTheUpperZoneAtTheRight) {
    auto look = MainBarLook(34, 68);
    look.orientation = TRLedOrientation::Horizontal;
    look.size = QSize(475, 26);
    const auto segments = rled::Segments(look);
    ASSERT_EQ(segments.size(), 94u);
    EXPECT_EQ(segments[0].rect, QRect(2, 2, 3, 22));
    for (int k = 1; k <= 94; ++k) {
        const bool hi = k > 94 - 64, lit = k <= 32;
        const QColor want = hi ? (lit ? kRed : kDimRed) : (lit ? kGreen : kDimGreen);
        ASSERT_EQ(segments[static_cast<std::size_t>(k - 1)].color, want) << "segment " << k;
    }
}

TEST(LedBar, InPosAndLitCount) {
    TRLed led;
    MakeMainWindowBar(led, 32);
    led.SetPosition(34);
    ASSERT_EQ(led.BarCount(), 94);
    EXPECT_FALSE(led.InPos(62));
    EXPECT_TRUE(led.InPos(63));
    EXPECT_TRUE(led.InPos(94));
    // Negative positions show an empty bar; MaxValue below 1 lights nothing.
    EXPECT_EQ(rled::LitCount(94, -5, 100), 0);
    EXPECT_EQ(rled::LitCount(94, 5, 0), 0);
    EXPECT_EQ(rled::LitCount(0, 50, 100), 0);
    // P is Round(100 x Position / MaxValue) before the segment count is taken.
    EXPECT_EQ(rled::LitCount(94, 1, 3), 31);   // P = 33
    EXPECT_EQ(rled::LitCount(94, 80, 80), 94); // full
}

TEST(LedBar, DimColorHalvesEachComponent) {
    EXPECT_EQ(rled::DimColor(QColor(255, 255, 255)), QColor(127, 127, 127));
    EXPECT_EQ(rled::DimColor(QColor(1, 130, 64)), QColor(0, 65, 32));
}

TEST(LedBar, PositionAboveMaxValueIsIgnored) {
    TRLed led;
    MakeMainWindowBar(led, 32);
    led.SetPosition(40);
    led.SetPosition(101);
    EXPECT_EQ(led.Position(), 40);
    led.SetPosition(100);
    EXPECT_EQ(led.Position(), 100);
    led.SetPosition(-3); // no lower bound
    EXPECT_EQ(led.Position(), -3);
}

TEST(LedBar, SettersIgnoreValuesOutsideTheirRange) {
    TRLed led; // 25 x 152, vertical
    const struct {
        const char* what;
        int value;
        bool taken;
    } breakPos[] = {{"0", 0, true},      {"101", 101, true}, {"154", 154, true}, {"155", 155, false},
                    {"255", 255, false}, {"-1", -1, false},  {"300", 300, false}};
    for (const auto& c : breakPos) {
        led.SetBreakPos(20);
        led.SetBreakPos(c.value);
        EXPECT_EQ(led.BreakPos(), c.taken ? c.value : 20) << "BreakPos " << c.what;
    }

    const struct {
        int value;
        bool taken;
    } barSize[] = {{147, true}, {148, false}, {1, true}, {0, false}, {-4, false}, {70000, false}};
    for (const auto& c : barSize) {
        led.SetBarSize(5);
        led.SetBarSize(c.value);
        EXPECT_EQ(led.BarSize(), c.taken ? c.value : 5) << "BarSize " << c.value;
    }
    led.SetBarSize(10);
    EXPECT_EQ(led.BarCount(), 15);

    led.SetMaxValue(0);
    EXPECT_EQ(led.MaxValue(), 100);
    led.SetMaxValue(-20);
    EXPECT_EQ(led.MaxValue(), 100);
    led.SetMaxValue(50);
    EXPECT_EQ(led.MaxValue(), 50);
}

TEST(LedBar, HorizontalBarSizeIsBoundByItsWidth) {
    TRLed led;
    led.SetOrientation(TRLedOrientation::Horizontal); // now 152 x 25
    led.SetBarSize(21);                               // would not fit a vertical bar 25 high either way
    EXPECT_EQ(led.BarSize(), 21);
    led.SetBarSize(148);
    EXPECT_EQ(led.BarSize(), 21);
    led.SetBarSize(147);
    EXPECT_EQ(led.BarSize(), 147);
    EXPECT_EQ(led.BarCount(), 1);
}

TEST(LedBar, ChangingOrientationSwapsWidthAndHeight) {
    TRLed led;
    led.move(7, 9);
    led.SetOrientation(TRLedOrientation::Horizontal);
    EXPECT_EQ(led.geometry(), QRect(7, 9, 152, 25));
    led.SetOrientation(TRLedOrientation::Horizontal); // same value: nothing happens
    EXPECT_EQ(led.size(), QSize(152, 25));
    led.SetOrientation(TRLedOrientation::Vertical);
    EXPECT_EQ(led.size(), QSize(25, 152));
}

TEST(LedBar, ColourSetters) {
    TRLed led;
    led.SetColorLow(QColor(10, 20, 30, 40)); // stored as 24-bit RGB
    EXPECT_EQ(led.ColorLow(), QColor(10, 20, 30));
    led.SetColorHi(QColor(1, 2, 3));
    EXPECT_EQ(led.ColorHi(), QColor(1, 2, 3));
    led.SetBackColor(QColor(9, 9, 9));
    EXPECT_EQ(led.BackColor(), QColor(9, 9, 9));
}

TEST(LedBar, PaintShowsSegmentsGapsAndBackground) {
    TRLed led;
    MakeMainWindowBar(led, 32);
    led.SetPosition(34);
    const QImage img = led.grab().toImage();
    ASSERT_EQ(img.size(), QSize(26, 475));
    auto at = [&](int x, int y) { return QColor(img.pixel(x, y)); };
    auto mid = [](int k) { return (k - 1) * 5 + 3; }; // middle row of segment k
    EXPECT_EQ(at(12, mid(94)), kGreen);               // lowest segment, lit
    EXPECT_EQ(at(12, mid(64)), kGreen);               // highest low-zone segment, lit
    EXPECT_EQ(at(12, mid(63)), kRed);                 // lowest upper-zone segment, lit
    EXPECT_EQ(at(12, mid(62)), kDimRed);              // unlit upper zone
    EXPECT_EQ(at(2, mid(1)), kDimRed);                // left edge of the top segment
    EXPECT_EQ(at(23, mid(1)), kDimRed);               // right edge of the top segment
    EXPECT_EQ(at(1, mid(50)), kBlack);                // side margin
    EXPECT_EQ(at(24, mid(50)), kBlack);
    EXPECT_EQ(at(12, 0), kBlack);   // margin before the first segment
    EXPECT_EQ(at(12, 5), kBlack);   // gap between segments 1 and 2
    EXPECT_EQ(at(12, 469), kGreen); // last row of the last segment
    for (int y = 470; y < 475; ++y)
        EXPECT_EQ(at(12, y), kBlack) << y; // after the last segment

    led.SetPosition(0); // every segment dimmed
    const QImage dark = led.grab().toImage();
    EXPECT_EQ(QColor(dark.pixel(12, mid(94))), kDimGreen);
    EXPECT_EQ(QColor(dark.pixel(12, mid(63))), kDimRed);
}

TEST(LedBar, ResizeRecountsSegments) {
    TRLed led;
    led.resize(25, 52);
    EXPECT_EQ(led.BarCount(), 10);
    led.setGeometry(0, 0, 25, 477);
    EXPECT_EQ(led.BarCount(), 95);
}

} // namespace

#include "detector/alg_thread.h"
#include "fake_ports.h"
#include "frames.h"

#include <gtest/gtest.h>

namespace {

using namespace quelm;
using namespace quelm::test;

TEST(AlgThread, ConstructionValues) {
    AlgThread alg;
    EXPECT_EQ(alg.tempNo, 0);
    EXPECT_EQ(alg.qzones, 15);
    EXPECT_EQ(alg.threshold1, 32);
    EXPECT_FALSE(alg.FullFrame);
    EXPECT_EQ(alg.alg_result, 0.0);
    EXPECT_TRUE(alg.Image[0].isNull());
    EXPECT_TRUE(alg.Image[1].isNull());
    for (int i = 1; i <= MaxZones; ++i)
        for (int j = 1; j <= MaxZones; ++j) {
            EXPECT_EQ(alg.ControlZone[i - 1][j - 1], 0);
            EXPECT_EQ(alg.FrameZone(i, j), 0);
        }
    EXPECT_TRUE(alg.Suspended());
    EXPECT_FALSE(alg.isRunning());
}

TEST(AlgThread, GetFrameTogglesTheSlotAndAsksForAFrame) {
    AlgThread alg;
    FakeFrameSource source;
    alg.GetFrame(); // not wired: only toggles
    EXPECT_EQ(alg.tempNo, 1);
    alg.alg_VideoCapture = &source;
    alg.GetFrame();
    EXPECT_EQ(alg.tempNo, 0);
    alg.GetFrame();
    EXPECT_EQ(alg.tempNo, 1);
    EXPECT_EQ(source.requests, 2);
}

TEST(AlgThread, DeliveredFrameLandsInTheSelectedSlotAsACopy) {
    AlgThread alg;
    alg.GetFrame(); // slot 1
    QImage frame = BlankFrame(16, 16);
    alg.SetFrame(frame);
    SetBytes(frame, 0, 48, 0, 16, 9); // the capture's buffer changes after delivery
    EXPECT_TRUE(alg.Image[0].isNull());
    ASSERT_EQ(alg.Image[1].size(), QSize(16, 16));
    EXPECT_EQ(alg.Image[1].constScanLine(0)[0], 0);
}

// A detector wired to a recording bar and alerter.
class ShowResult : public testing::Test {
protected:
    void SetUp() override {
        alg.alg_RLed = &bar;
        alg.alg_alerter = &alerter;
    }
    AlgThread alg;
    FakePositionSink bar;
    FakeAlertSink alerter;
};

TEST_F(ShowResult, RoundsForTheBarAndAlertsStrictlyAboveTheThreshold) {
    const struct {
        double level;
        int position;
        bool alert;
    } cases[] = {
        {0.0, 0, false},  {31.9, 32, false},   {32.0, 32, false}, {32.5, 32, true},
        {33.5, 34, true}, {101.59, 102, true}, {2.5, 2, false},
    };
    alg.threshold1 = 32;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        alg.alg_result = c.level;
        alg.ShowResult();
        ASSERT_FALSE(bar.positions.empty());
        EXPECT_EQ(bar.positions.back(), c.position);
        ASSERT_FALSE(alerter.reports.empty());
        EXPECT_EQ(alerter.reports.back(), c.alert);
    }
}

TEST_F(ShowResult, MeasuredFullChangeRaisesTheAlert) {
    // A whole zone changed by 255 at q 15 in control-zone mode: level about 101.59, bar asked for 102.
    alg.qzones = 15;
    alg.FullFrame = false;
    alg.ControlZone[0][0] = 1;
    alg.Image[0] = BlankFrame(320, 240);
    QImage b = BlankFrame(320, 240);
    SetBytes(b, 0, 64, 0, 16, 255);
    alg.Image[1] = b;
    alg.CompareFrames();
    alg.ShowResult();
    EXPECT_EQ(bar.positions, std::vector<int>{102});
    EXPECT_EQ(alerter.reports, std::vector<bool>{true});

    alg.Image[1] = alg.Image[0];
    alg.CompareFrames();
    alg.ShowResult();
    EXPECT_EQ(bar.positions.back(), 0);
    EXPECT_FALSE(alerter.reports.back());
}

} // namespace

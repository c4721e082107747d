#include "detector/alg_thread.h"
#include "fake_ports.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace quelm;
using namespace quelm::test;

// Runs the GUI thread's event loop until done() holds or ms milliseconds pass; true when it held.
bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

// The calls of a cycle come in the order frame request, bar position, alert report, with none lost or
// repeated, whatever the suspensions did.
bool IsCyclePrefix(const std::string& calls) {
    const std::string cycle = "GPA";
    for (std::size_t k = 0; k < calls.size(); ++k)
        if (calls[k] != cycle[k % 3])
            return false;
    return true;
}

struct Channel {
    CallLog log;
    FakeFrameSource source{&log};
    FakePositionSink bar{&log};
    FakeAlertSink alerter{&log};

    void Wire(AlgThread& alg) {
        alg.alg_VideoCapture = &source;
        alg.alg_RLed = &bar;
        alg.alg_alerter = &alerter;
    }
};

TEST(AlgThreadLoop, CreatedSuspendedItDoesNothingUntilResumed) {
    Channel channel;
    AlgThread alg(true);
    channel.Wire(alg);
    PumpFor(150);
    EXPECT_EQ(channel.log.Calls(), "");
    EXPECT_FALSE(alg.isRunning());
}

TEST(AlgThreadLoop, StepsRunOnTheGuiThreadInCycleOrder) {
    Channel channel;
    AlgThread alg(true);
    channel.Wire(alg);
    alg.Resume();
    ASSERT_TRUE(PumpUntil([&] { return channel.log.Calls().size() >= 6; }));
    alg.Stop();
    const std::string calls = channel.log.Calls();
    EXPECT_TRUE(IsCyclePrefix(calls)) << calls;
    for (QThread* thread : channel.log.Threads())
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    EXPECT_EQ(alg.tempNo, channel.source.requests % 2);
}

TEST(AlgThreadLoop, CreatedRunningItStartsAtOnce) {
    Channel channel;
    AlgThread alg(false);
    channel.Wire(alg); // the first hand-over waits for the event loop, which runs only below
    EXPECT_FALSE(alg.Suspended());
    EXPECT_TRUE(PumpUntil([&] { return channel.log.Calls().size() >= 3; }));
}

TEST(AlgThreadLoop, SuspendAndResumeAtAnyPointOfTheCycle) {
    Channel channel;
    AlgThread alg(true);
    channel.Wire(alg);
    alg.Resume();
    // Suspend after each kind of step in turn, so that the pause falls at different points of the cycle.
    for (std::size_t target : {1u, 5u, 9u, 12u}) {
        ASSERT_TRUE(PumpUntil([&] { return channel.log.Calls().size() >= target; }));
        alg.Suspend();
        PumpFor(120); // a hand-over already on its way may still run
        const std::size_t held = channel.log.Calls().size();
        PumpFor(200);
        EXPECT_EQ(channel.log.Calls().size(), held) << "steps ran while suspended";
        alg.Resume();
        ASSERT_TRUE(PumpUntil([&] { return channel.log.Calls().size() > held; }));
    }
    alg.Stop();
    EXPECT_TRUE(IsCyclePrefix(channel.log.Calls())) << channel.log.Calls();
}

TEST(AlgThreadLoop, StopEndsTheLoopInEveryState) {
    const struct {
        const char* name;
        std::function<void(AlgThread&)> before;
    } cases[] = {
        {"never started", [](AlgThread&) {}},
        {"running",
         [](AlgThread& alg) {
             alg.Resume();
             PumpFor(100);
         }},
        {"suspended",
         [](AlgThread& alg) {
             alg.Resume();
             PumpFor(100);
             alg.Suspend();
             PumpFor(150);
         }},
        // The worker waits in a hand-over while the GUI thread runs no event loop.
        {"waiting for the GUI thread",
         [](AlgThread& alg) {
             alg.Resume();
             QThread::msleep(120);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Channel channel;
        AlgThread alg(true);
        channel.Wire(alg);
        alg.Image[0] = QImage(8, 8, QImage::Format_BGR888);
        c.before(alg);
        QElapsedTimer timer;
        timer.start();
        alg.Stop();
        EXPECT_LT(timer.elapsed(), 1000);
        EXPECT_FALSE(alg.isRunning());
        EXPECT_TRUE(alg.Image[0].isNull()) << "frame slots freed";
        const std::size_t calls = channel.log.Calls().size();
        alg.Resume(); // no restart once stopped
        PumpFor(100);
        EXPECT_EQ(channel.log.Calls().size(), calls);
        EXPECT_TRUE(IsCyclePrefix(channel.log.Calls()));
    }
}

TEST(AlgThreadLoop, DestroyingARunningDetectorStopsIt) {
    Channel channel;
    {
        AlgThread alg(true);
        channel.Wire(alg);
        alg.Resume();
        ASSERT_TRUE(PumpUntil([&] { return channel.log.Calls().size() >= 2; }));
        QThread::msleep(100);
    }
    const std::size_t calls = channel.log.Calls().size();
    PumpFor(100);
    EXPECT_EQ(channel.log.Calls().size(), calls);
}

TEST(AlgThreadLoop, RequestedStopFreesTheSlotsOnTheGuiThread) {
    AlgThread alg(true);
    alg.Image[1] = QImage(8, 8, QImage::Format_BGR888);
    alg.Resume();
    PumpFor(50);
    alg.RequestStop();
    EXPECT_TRUE(PumpUntil([&] { return alg.isFinished() && alg.Image[1].isNull(); }));
}

} // namespace

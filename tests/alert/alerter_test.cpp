#include "alert/alerter.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using quelm::TAlerter;

// Runs the event loop for ms milliseconds.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds or ms milliseconds have passed; true when done() holds.
bool RunUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        RunFor(2);
    return done();
}

QTimer* CountdownOf(const TAlerter& alerter) {
    return alerter.findChild<QTimer*>(QStringLiteral("FAlertTimer"), Qt::FindDirectChildrenOnly);
}

// Records every event with the time it came, the sender and what Alerted() said then.
struct Recorder {
    struct Event {
        bool start;
        qint64 at;
        TAlerter* sender;
        bool alerted;
    };
    QElapsedTimer clock;
    std::vector<Event> events;

    TAlerter& alerter;

    // The alerter outlives the recorder and ends its alert when destroyed: the handlers go with the recorder.
    explicit Recorder(TAlerter& a)
        : alerter(a) {
        clock.start();
        alerter.OnStartAlert = [this](TAlerter* s) {
            events.push_back({true, clock.elapsed(), s, s->Alerted()});
        };
        alerter.OnStopAlert = [this](TAlerter* s) {
            events.push_back({false, clock.elapsed(), s, s->Alerted()});
        };
    }
    ~Recorder() {
        alerter.OnStartAlert = nullptr;
        alerter.OnStopAlert = nullptr;
    }
    int count(bool start) const {
        int n = 0;
        for (const Event& e : events)
            n += e.start == start;
        return n;
    }
};

TEST(Alerter, ConstructionAndLengthRange) {
    QObject owner;
    auto* alerter = new TAlerter(&owner);
    EXPECT_EQ(alerter->parent(), &owner);
    EXPECT_EQ(alerter->AlertLength(), 10);
    EXPECT_FALSE(alerter->Alerted());
    EXPECT_EQ(CountdownOf(*alerter), nullptr);

    alerter->SetAlertLength(15);
    EXPECT_EQ(alerter->AlertLength(), 15);
    alerter->SetAlertLength(-1);
    alerter->SetAlertLength(2147484); // its milliseconds do not fit an int
    EXPECT_EQ(alerter->AlertLength(), 15) << "out-of-range lengths are ignored";
    alerter->SetAlertLength(0);
    EXPECT_EQ(alerter->AlertLength(), 0);
}

TEST(Alerter, FirstTrueReportStartsAnAlertWithItsOwnCountdown) {
    TAlerter alerter;
    Recorder rec(alerter);
    alerter.SetAlertLength(15);
    alerter.DoAlert(false);
    EXPECT_TRUE(rec.events.empty()) << "a false report starts nothing";
    EXPECT_EQ(CountdownOf(alerter), nullptr);

    quelm::AlertSink& sink = alerter;
    sink.DoAlert(true);
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_TRUE(rec.events[0].start);
    EXPECT_EQ(rec.events[0].sender, &alerter);
    EXPECT_TRUE(rec.events[0].alerted) << "Alerted is already true in OnStartAlert";
    QTimer* timer = CountdownOf(alerter);
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 15000);
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);

    alerter.DoAlert(true);
    alerter.DoAlert(false);
    EXPECT_EQ(rec.events.size(), 1u) << "further reports raise no event";
}

TEST(Alerter, OneReportEndsAlertLengthLater) {
    TAlerter alerter;
    alerter.SetSecondLength(10);
    alerter.SetAlertLength(15); // 150 ms
    Recorder rec(alerter);
    const qint64 reported = rec.clock.elapsed(); // times are taken before the call they bound
    alerter.DoAlert(true);
    ASSERT_TRUE(RunUntil([&] { return rec.events.size() == 2; }, 5000));
    EXPECT_FALSE(rec.events[1].start);
    EXPECT_EQ(rec.events[1].sender, &alerter);
    EXPECT_FALSE(rec.events[1].alerted) << "Alerted is already false in OnStopAlert";
    EXPECT_GE(rec.events[1].at - reported, 150);
    EXPECT_FALSE(alerter.Alerted());
    EXPECT_TRUE(alerter.findChildren<QTimer*>().isEmpty()) << "the ended alert's timer is destroyed";
}

// Reports every 16 ms keep the alert on; false reports afterwards do not shorten it. Every end comes a
// full length after the true report before it; only when the loop never stalled for a whole length (a
// loaded machine can stall it) must the reports have made one single alert.
TEST(Alerter, RepeatedReportsProlongTheAlertFromTheLastOne) {
    TAlerter alerter;
    alerter.SetSecondLength(50);
    alerter.SetAlertLength(5); // 250 ms
    Recorder rec(alerter);
    std::vector<qint64> reports;
    auto report = [&] {
        reports.push_back(rec.clock.elapsed());
        alerter.DoAlert(true);
    };
    while (rec.clock.elapsed() < 600) {
        report();
        RunFor(16);
    }
    report();
    ASSERT_TRUE(RunUntil(
        [&] {
            alerter.DoAlert(false);
            return !alerter.Alerted();
        },
        5000));

    qint64 longestGap = 0;
    for (std::size_t i = 1; i < reports.size(); ++i)
        longestGap = std::max(longestGap, reports[i] - reports[i - 1]);
    for (const Recorder::Event& e : rec.events) {
        if (e.start)
            continue;
        qint64 lastBefore = -1;
        for (qint64 r : reports)
            if (r <= e.at)
                lastBefore = r;
        EXPECT_GE(e.at - lastBefore, 250) << "an alert ended early";
    }
    if (longestGap < 200) {
        EXPECT_EQ(rec.count(true), 1);
        EXPECT_EQ(rec.count(false), 1);
    }
    EXPECT_GE(rec.events.back().at - reports.back(), 250);
}

// A 15 s alert that has been on for 60 ms, read through its countdown's remaining time.
class RunningAlert : public testing::Test {
protected:
    void SetUp() override {
        alerter.SetAlertLength(15);
        alerter.DoAlert(true);
        timer = CountdownOf(alerter);
        ASSERT_NE(timer, nullptr);
        RunFor(60);
    }
    TAlerter alerter;
    QTimer* timer = nullptr;
};

TEST_F(RunningAlert, ALateReportRestartsTheFullCountdown) {
    const int before = timer->remainingTime();
    EXPECT_LE(before, 14950);
    alerter.DoAlert(true);
    EXPECT_GT(timer->remainingTime(), before);
    EXPECT_GE(timer->remainingTime(), 14900);
}

TEST_F(RunningAlert, SetAlertLengthTakesEffectAtOnce) {
    alerter.SetAlertLength(30); // takes effect at once, counted from now
    EXPECT_EQ(timer->interval(), 30000);
    EXPECT_GE(timer->remainingTime(), 29900);
    RunFor(60);
    const int running = timer->remainingTime();
    alerter.SetAlertLength(30); // unchanged: the countdown runs on
    EXPECT_LE(timer->remainingTime(), running);

    alerter.SetAlertLength(0);
    EXPECT_FALSE(timer->isActive()) << "a zero length never ends the alert";
    EXPECT_TRUE(alerter.Alerted());
}

TEST(Alerter, LengthSetWhileIdleServesTheNextAlert) {
    TAlerter alerter;
    alerter.SetAlertLength(30);
    alerter.DoAlert(true);
    ASSERT_NE(CountdownOf(alerter), nullptr);
    EXPECT_EQ(CountdownOf(alerter)->interval(), 30000);
}

TEST(Alerter, ZeroLengthAlertNeverEndsByItself) {
    TAlerter alerter;
    alerter.SetSecondLength(10);
    alerter.SetAlertLength(0);
    Recorder rec(alerter);
    alerter.DoAlert(true);
    RunFor(100);
    alerter.DoAlert(true);
    RunFor(50);
    EXPECT_TRUE(alerter.Alerted());
    EXPECT_EQ(rec.count(false), 0);

    const qint64 set = rec.clock.elapsed();
    alerter.SetAlertLength(3); // from now on it counts down
    ASSERT_TRUE(RunUntil([&] { return !alerter.Alerted(); }, 5000));
    EXPECT_GE(rec.events.back().at - set, 30);
}

TEST(Alerter, DestructionDuringAnAlertEndsIt) {
    int stops = 0;
    int starts = 0;
    {
        auto alerter = std::make_unique<TAlerter>();
        alerter->OnStopAlert = [&](TAlerter* s) {
            ++stops;
            EXPECT_FALSE(s->Alerted());
            s->DoAlert(true); // too late: the alerter is going away
        };
        alerter->OnStartAlert = [&](TAlerter*) { ++starts; };
        alerter->DoAlert(true);
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);

    // Idle, and owned by a parent that goes first: no event.
    stops = 0;
    {
        QObject owner;
        auto* alerter = new TAlerter(&owner);
        alerter->OnStopAlert = [&](TAlerter*) { ++stops; };
    }
    EXPECT_EQ(stops, 0);

    // The owner's destruction ends its alerter's alert too.
    {
        QObject owner;
        auto* alerter = new TAlerter(&owner);
        alerter->OnStopAlert = [&](TAlerter*) { ++stops; };
        alerter->DoAlert(true);
    }
    EXPECT_EQ(stops, 1);
}

// OnStopAlert starts the next alert: it gets a countdown of its own, which is not the ended alert's timer
// being released, and it ends by itself in turn.
TEST(Alerter, AnAlertStartedInsideOnStopAlertKeepsItsOwnTimer) {
    TAlerter alerter;
    alerter.SetSecondLength(10);
    alerter.SetAlertLength(4); // 40 ms
    Recorder rec(alerter);
    QTimer* first = nullptr;
    QTimer* second = nullptr;
    int stops = 0;
    alerter.OnStopAlert = [&](TAlerter* s) {
        if (++stops == 1) {
            s->DoAlert(true);
            second = CountdownOf(*s);
        }
    };
    alerter.DoAlert(true);
    first = CountdownOf(alerter);
    ASSERT_TRUE(RunUntil([&] { return stops == 1; }, 5000));
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(alerter.Alerted());
    EXPECT_EQ(alerter.findChildren<QTimer*>().size(), 1) << "the ended alert's timer is gone";
    EXPECT_EQ(CountdownOf(alerter), second);
    EXPECT_TRUE(second->isActive());

    ASSERT_TRUE(RunUntil([&] { return stops == 2; }, 5000));
    EXPECT_FALSE(alerter.Alerted());
    EXPECT_TRUE(alerter.findChildren<QTimer*>().isEmpty());
    EXPECT_EQ(rec.count(true), 2);
}

} // namespace

#include "records/event_log.h"

#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace quelm;

QStringList Texts(const EventLog& log) {
    QStringList texts;
    const LogGrid& grid = log.Grid();
    if (grid.IsEmpty())
        return texts;
    for (int row = 0; row < grid.RowCount(); ++row)
        texts << grid.Cell(LogGrid::TextCol, row);
    return texts;
}

void ProcessUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

TEST(EventLog, EntryOnTheOwnThreadIsThereAtOnceWithDateAndTime) {
    EventLog log;
    int changes = 0;
    log.OnChange = [&] { ++changes; };
    const QDate before = QDate::currentDate();
    log.AddToLog("Watch enabled.", LogWarning);
    const QDate after = QDate::currentDate();
    ASSERT_EQ(Texts(log), QStringList{"Watch enabled."});
    EXPECT_EQ(changes, 1);
    const LogGrid& grid = log.Grid();
    EXPECT_EQ(grid.Cell(LogGrid::KindCol, 0), "1");
    const QString date = grid.Cell(LogGrid::DateCol, 0);
    EXPECT_TRUE(date == LogDateText(before) || date == LogDateText(after)) << date.toStdString();
    EXPECT_TRUE(
        QTime::fromString(grid.Cell(LogGrid::TimeCol, 0), LogTimeFormat(QLocale::system())).isValid());
}

TEST(EventLog, EntriesFromOtherThreadsLandInArrivalOrder) {
    EventLog log;
    constexpr int kThreads = 4, kEach = 200;
    std::mutex order; // whoever holds it posts the next number, so arrival order is the number order
    int next = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                std::lock_guard<std::mutex> guard(order);
                log.AddToLog(QString::number(next++), LogError);
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_TRUE(Texts(log).isEmpty()); // nothing touched the grid from those threads
    ProcessUntil([&] { return Texts(log).size() == kThreads * kEach; });
    const QStringList texts = Texts(log);
    ASSERT_EQ(texts.size(), kThreads * kEach);
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_EQ(texts[i], QString::number(i)) << "row " << i;
}

TEST(EventLog, OwnThreadEntryComesAfterEntriesThatArrivedBefore) {
    EventLog log;
    log.AddToLog("first", LogInfo);
    std::thread([&] { log.AddToLog("from the mail thread", LogError); }).join();
    log.AddToLog("after it", LogWarning); // no event processed in between
    EXPECT_EQ(Texts(log), (QStringList{"first", "from the mail thread", "after it"}));
    QCoreApplication::processEvents(); // the queued drain finds nothing more to add
    EXPECT_EQ(Texts(log).size(), 3);
}

TEST(EventLog, SaveIncludesQueuedEntries) {
    test::TempDir dir;
    EventLog log;
    log.AddToLog("Quelm logged off.", LogInfo);
    std::thread([&] { log.AddToLog("Unable to connect", LogError); }).join();
    log.Save(dir.file("log.log"));
    QFile f(dir.file("log.log"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 2 + 5 * 2 + 1);
    EXPECT_EQ(lines[1], "2\r");
    EXPECT_EQ(lines[11], "Unable to connect\r");
}

TEST(EventLog, ClearLeavesOneWarningEntry) {
    EventLog log;
    log.AddToLog("a", LogInfo);
    log.AddToLog("b", LogError);
    log.Clear("Log clear.");
    EXPECT_EQ(Texts(log), QStringList{"Log clear."});
    EXPECT_EQ(log.Grid().Cell(LogGrid::KindCol, 0), "1");
    EXPECT_FALSE(log.Grid().Cell(LogGrid::DateCol, 0).isEmpty());
}

} // namespace

#include "records/log_grid.h"

#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace quelm;

using test::ReadAll;
using test::WriteAll;

LogGrid TwoEntries() {
    LogGrid grid;
    grid.Append(0, "10.12.2026", "11:59:01", "Quelm logged on.");
    grid.Append(1, "10.12.2026", "12:00:30", "Überwachung – an ✓");
    return grid;
}

const QByteArray kTwoEntriesFile = "5\r\n2\r\n"
                                   "\r\n\r\n"
                                   "0\r\n1\r\n"
                                   "10.12.2026\r\n10.12.2026\r\n"
                                   "11:59:01\r\n12:00:30\r\n"
                                   "Quelm logged on.\r\n"
                                   "\xC3\x9C"
                                   "berwachung \xE2\x80\x93 an \xE2\x9C\x93\r\n";

TEST(LogGrid, FirstEntryFillsRowZeroAndTheNextOneAppends) {
    LogGrid grid;
    EXPECT_TRUE(grid.IsEmpty());
    EXPECT_EQ(grid.RowCount(), 1);
    grid.Append(2, "d", "t", "first");
    EXPECT_FALSE(grid.IsEmpty());
    EXPECT_EQ(grid.RowCount(), 1);
    grid.Append(1, "d2", "t2", "second");
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(LogGrid::IconCol, 1), "");
    EXPECT_EQ(grid.Cell(LogGrid::KindCol, 1), "1");
    EXPECT_EQ(grid.Cell(LogGrid::DateCol, 1), "d2");
    EXPECT_EQ(grid.Cell(LogGrid::TimeCol, 1), "t2");
    EXPECT_EQ(grid.Cell(LogGrid::TextCol, 1), "second");
    EXPECT_EQ(grid.Kind(0), 2);
}

TEST(LogGrid, LineBreaksInAMessageCannotSplitTheEntry) {
    LogGrid grid;
    grid.Append(2, "d", "t", "550 mailbox unavailable\r\nsecond line\nthird\rfourth");
    EXPECT_EQ(grid.Cell(LogGrid::TextCol, 0), "550 mailbox unavailable second line third fourth");
    EXPECT_EQ(LogGrid::FromFileBytes(grid.ToFileBytes()).ToFileBytes(), grid.ToFileBytes());
    EXPECT_EQ(grid.ToFileBytes().count("\r\n"), 7);
}

TEST(LogGrid, FileIsColumnByColumnWithCrLf) {
    EXPECT_EQ(TwoEntries().ToFileBytes(), kTwoEntriesFile);
}

TEST(LogGrid, FileRoundTripIsByteForByte) {
    test::TempDir dir;
    const QString first = dir.file("log.log"), second = dir.file("again.log");
    WriteAll(first, kTwoEntriesFile);
    LogGrid grid;
    ASSERT_TRUE(LoadGrid(grid, first));
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(LogGrid::TextCol, 1), QString::fromUtf8("Überwachung – an ✓"));
    SaveGrid(grid, second);
    EXPECT_EQ(ReadAll(second), kTwoEntriesFile);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary file left behind
}

TEST(LogGrid, MissingFileChangesNothing) {
    test::TempDir dir;
    LogGrid grid = TwoEntries();
    EXPECT_FALSE(LoadGrid(grid, dir.file("log.log")));
    EXPECT_EQ(grid.ToFileBytes(), kTwoEntriesFile);
}

TEST(LogGrid, ReadableVariantsAreAccepted) {
    const struct {
        const char* what;
        QByteArray bytes;
        const char* text; // of row 0
    } cases[] = {
        {"LF line ends", "5\n1\n\n1\nd\nt\nx\n", "x"},
        {"no end on the last line", "5\r\n1\r\n\r\n1\r\nd\r\nt\r\nx", "x"},
        {"empty lines after the cells", "5\r\n1\r\n\r\n1\r\nd\r\nt\r\nx\r\n\r\n\r\n", "x"},
        {"no rows: the empty log", "5\r\n0\r\n", ""},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "5\r\n1\r\n\r\n1\r\nd\r\nt\r\nx\r\n",
         "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LogGrid grid = LogGrid::FromFileBytes(c.bytes);
        EXPECT_EQ(grid.RowCount(), 1);
        EXPECT_EQ(grid.Cell(LogGrid::TextCol, 0), c.text);
    }
}

TEST(LogGrid, DamagedFilesAreRefusedAndTheGridKept) {
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty file", ""},
        {"column count not a number", "five\r\n1\r\n\r\n1\r\nd\r\nt\r\nx\r\n"},
        {"row count not a number", "5\r\nx\r\n"},
        {"no row count", "5\r\n"},
        {"negative row count", "5\r\n-1\r\n"},
        {"other column count", "4\r\n1\r\n1\r\nd\r\nt\r\nx\r\n"},
        {"fewer cell lines", "5\r\n2\r\n\r\n\r\n0\r\n1\r\nd\r\nd\r\nt\r\nt\r\nonly one text\r\n"},
        {"huge row count", "5\r\n2000000000\r\n\r\n"},
        {"content after the cells", "5\r\n1\r\n\r\n1\r\nd\r\nt\r\nx\r\nstray\r\n"},
        {"not UTF-8", "5\r\n1\r\n\r\n1\r\nd\r\nt\r\nM\xFC"
                      "ller\r\n"},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(LogGrid::FromFileBytes(c.bytes), LogFileDamaged);
        const QString path = dir.file("log.log");
        WriteAll(path, c.bytes);
        LogGrid grid = TwoEntries();
        try {
            LoadGrid(grid, path);
            ADD_FAILURE() << "accepted";
        } catch (const LogFileDamaged& e) {
            EXPECT_NE(std::string(e.what()).find("log.log"), std::string::npos) << e.what();
        }
        EXPECT_EQ(grid.ToFileBytes(), kTwoEntriesFile);
    }
}

TEST(LogGrid, ResetLeavesOneRowAndSavesSevenLines) {
    test::TempDir dir;
    LogGrid grid = TwoEntries();
    grid.ResetTo(1, "d", "t", "Log clear.");
    ASSERT_EQ(grid.RowCount(), 1);
    SaveGrid(grid, dir.file("log.log"));
    const QByteArray bytes = ReadAll(dir.file("log.log"));
    EXPECT_EQ(bytes, QByteArray("5\r\n1\r\n\r\n1\r\nd\r\nt\r\nLog clear.\r\n"));
}

TEST(LogGrid, SaveIntoAMissingFolderFailsWithTheFileName) {
    test::TempDir dir;
    const QString path = dir.file("no/such/folder/log.log");
    try {
        SaveGrid(TwoEntries(), path);
        FAIL() << "saved";
    } catch (const LogFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path.toStdString()), std::string::npos) << e.what();
    }
}

TEST(LogGrid, KeepAsideMovesTheFileWholeUnderANewName) {
    test::TempDir dir;
    const QString path = dir.file("log.log");
    QStringList names;
    for (int i = 0; i < 2; ++i) {
        WriteAll(path, QByteArray("damaged ") + QByteArray::number(i));
        const QString aside = KeepLogAside(path);
        EXPECT_TRUE(aside.startsWith(path + ".bad-")) << aside.toStdString();
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(ReadAll(aside), QByteArray("damaged ") + QByteArray::number(i));
        names << aside;
    }
    EXPECT_NE(names[0], names[1]);
    EXPECT_THROW(KeepLogAside(path), LogFileError); // nothing to move
}

TEST(LogReport, RowsColoursAndTextsAsTheyAre) {
    LogGrid grid;
    grid.Append(0, "10.12.26", "09:00:00", "start");
    grid.Append(2, "10.12.26", "09:00:05", "a < b & c");
    grid.Append(1, "10.12.26", "09:01:00", "<i>watch</i>");
    const LogReportTexts texts{"Quelm Log", "Date", "Time", "Record"};
    const QByteArray expected = "<html><head><title>Quelm Log</title></head><body bgcolor=\"#DDFFEE\">\r\n"
                                "<h2 align=center>Quelm Log  10.12.26 09:30:00</h2>\r\n"
                                "<table align=center border=1 width=80%>\r\n"
                                "<tr bgcolor=#C0C0CC align=center>\r\n"
                                "<td><b>Date</b></td>\r\n"
                                "<td><b>Time</b></td>\r\n"
                                "<td><b>Record</b></td></tr>\r\n"
                                "<tr bgcolor=#CCFFCC align=center>\r\n"
                                "<td>10.12.26</td>\r\n"
                                "<td>09:00:00</td>\r\n"
                                "<td>start</td></tr>\r\n"
                                "<tr bgcolor=#FF7777 align=center>\r\n"
                                "<td>10.12.26</td>\r\n"
                                "<td>09:00:05</td>\r\n"
                                "<td>a < b & c</td></tr>\r\n"
                                "<tr bgcolor=#FFFF99 align=center>\r\n"
                                "<td>10.12.26</td>\r\n"
                                "<td>09:01:00</td>\r\n"
                                "<td><i>watch</i></td></tr>\r\n"
                                "</table><hr></body></html>\r\n";
    EXPECT_EQ(LogReportHtml(grid, texts, "10.12.26", "09:30:00"), expected);
}

TEST(LogReport, KindsOutsideTheTableGetAPlainRow) {
    LogGrid grid = LogGrid::FromFileBytes("5\r\n4\r\n\r\n\r\n\r\n\r\n3\r\n7\r\n-1\r\nx\r\n"
                                          "d\r\nd\r\nd\r\nd\r\nt\r\nt\r\nt\r\nt\r\na\r\nb\r\nc\r\nd\r\n");
    const QString html = QString::fromUtf8(LogReportHtml(grid, {"H", "D", "T", "R"}, "d", "t"));
    EXPECT_EQ(html.count("<tr bgcolor=#FFFFFF align=center>"), 3); // 3, 7 and -1
    EXPECT_EQ(html.count("<tr bgcolor=#CCFFCC align=center>"), 1); // "x" counts as 0
    EXPECT_EQ(html.count("<tr bgcolor=#C0C0CC align=center>"), 1); // the header row only
}

TEST(LogReport, ProposedFileNameHoldsNoForbiddenCharacters) {
    const struct {
        const char* date;
        const char* name;
    } cases[] = {{"12/10/26", "Quelm_Log_12-10-26.html"},
                 {"10.12.2026", "Quelm_Log_10.12.2026.html"},
                 {"2026-12-10", "Quelm_Log_2026-12-10.html"},
                 {"a\\b:c*d?e\"f<g>h|i\tj", "Quelm_Log_a-b-c-d-e-f-g-h-i-j.html"},
                 {"10 déc. 2026", "Quelm_Log_10 déc. 2026.html"}};
    for (const auto& c : cases)
        EXPECT_EQ(LogReportFileName(QString::fromUtf8(c.date)), QString::fromUtf8(c.name)) << c.date;
}

TEST(LogDateTime, TimeHasHoursMinutesSecondsAndNoZone) {
    const QTime time(13, 5, 9);
    const struct {
        QLocale locale;
        const char* text;
    } cases[] = {{QLocale(QLocale::German, QLocale::Germany), "13:05:09"},
                 {QLocale(QLocale::English, QLocale::UnitedStates), "1:05:09"},
                 {QLocale(QLocale::English, QLocale::UnitedKingdom), "13:05:09"},
                 {QLocale::c(), "13:05:09"}};
    for (const auto& c : cases) {
        const QString text = LogTimeText(time, c.locale);
        SCOPED_TRACE(c.locale.name().toStdString() + " " +
                     c.locale.timeFormat(QLocale::LongFormat).toStdString());
        EXPECT_FALSE(LogTimeFormat(c.locale).contains('t'));
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.text))) << text.toStdString();
    }
    EXPECT_TRUE(LogTimeText(time, QLocale(QLocale::English, QLocale::UnitedStates)).endsWith("PM"));
    EXPECT_EQ(LogDateText(QDate(2026, 12, 10), QLocale(QLocale::German, QLocale::Germany)), "10.12.26");
}

} // namespace

#include "ui/log_form.h"

#include "core/lang_strings.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "ui/log_icons.h"
#include "ui/log_lang.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace quelm;

using test::ReadAll;
using test::WriteAll;

// A log window on a temporary program folder, with the user's answers scripted.
struct LogFixture {
    test::TempDir dir;
    QStringList messages;
    std::unique_ptr<TLogForm> form;

    void Create() {
        form = std::make_unique<TLogForm>(dir.file("log.log"), [this](const QString& m) { messages << m; });
    }
    QString Cell(int col, int row) const {
        return form->LogStringGrid->model()->index(row, col).data().toString();
    }
    int Rows() const { return form->LogStringGrid->model()->rowCount(); }
};

enum class Hue { Green, Yellow, Red, White, Other };

Hue HueOf(QColor c) {
    if (c.red() > 200 && c.green() > 200 && c.blue() > 200)
        return Hue::White;
    if (c.green() > c.red() + 60 && c.green() > c.blue() + 60)
        return Hue::Green;
    if (c.red() > 200 && c.green() > 150 && c.blue() < 90)
        return Hue::Yellow;
    if (c.red() > c.green() + 100 && c.red() > c.blue() + 100)
        return Hue::Red;
    return Hue::Other;
}

// The colour of a kind icon as the grid draws it in column 0 of a row: left edge + 1, top edge.
Hue GridIconHue(TLogForm& form, int row, QPoint inIcon) {
    QTableView* grid = form.LogStringGrid;
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    const QImage image = grid->viewport()->grab().toImage();
    return HueOf(image.pixelColor(cell.topLeft() + QPoint(1, 0) + inIcon));
}

TEST(LogIcons, DrawnInTheirKindsColours) {
    const struct {
        int kind;
        QPoint at;
        Hue hue;
    } cases[] = {{0, {8, 8}, Hue::Green}, {1, {4, 12}, Hue::Yellow}, {1, {7, 7}, Hue::Other},
                 {2, {8, 3}, Hue::Red},   {2, {8, 8}, Hue::White},   {2, {3, 8}, Hue::Red}};
    for (const auto& c : cases) {
        const QImage icon = LogKindIcon(c.kind).toImage();
        ASSERT_EQ(icon.size(), QSize(16, 16));
        EXPECT_EQ(HueOf(icon.pixelColor(c.at)), c.hue) << c.kind << " at " << c.at.x() << "," << c.at.y();
    }
    EXPECT_TRUE(LogKindIcon(3).isNull());
    EXPECT_TRUE(LogKindIcon(-1).isNull());
}

TEST(LogForm, FreshStartShowsOnlyTheStartEntryWithTheGreenIcon) {
    LogFixture f;
    f.Create();
    ASSERT_EQ(f.Rows(), 1);
    EXPECT_EQ(f.Cell(LogGrid::KindCol, 0), "0");
    EXPECT_EQ(f.Cell(LogGrid::TextCol, 0), "Quelm logged on.");
    EXPECT_TRUE(f.form->LogStringGrid->isColumnHidden(LogGrid::KindCol));
    EXPECT_EQ(f.form->LogStringGrid->columnWidth(LogGrid::IconCol), 20);
    EXPECT_EQ(f.form->LogStringGrid->rowHeight(0), 18);
    EXPECT_EQ(GridIconHue(*f.form, 0, {7, 7}), Hue::Green);
    EXPECT_TRUE(f.messages.isEmpty());
    EXPECT_FALSE(QFile::exists(f.dir.file("log.log"))); // written at close, not at start
    EXPECT_FALSE(f.form->isVisible());
}

TEST(LogForm, SavedLogIsLoadedAndTheStartEntryAppended) {
    LogFixture f;
    WriteAll(f.dir.file("log.log"), "5\r\n2\r\n\r\n\r\n0\r\n2\r\nd1\r\nd2\r\nt1\r\nt2\r\nQuelm logged on.\r\n"
                                    "Unable to send SMS.\r\n");
    f.Create();
    ASSERT_EQ(f.Rows(), 3);
    EXPECT_EQ(f.Cell(LogGrid::TextCol, 1), "Unable to send SMS.");
    EXPECT_EQ(f.Cell(LogGrid::TextCol, 2), "Quelm logged on.");
    EXPECT_EQ(GridIconHue(*f.form, 1, {8, 3}), Hue::Red);
    f.form->SaveGrid(f.form->LogFileName());
    const QByteArray saved = ReadAll(f.dir.file("log.log"));
    EXPECT_TRUE(saved.startsWith("5\r\n3\r\n\r\n\r\n\r\n0\r\n2\r\n0\r\nd1\r\nd2\r\n")) << saved.constData();
    EXPECT_EQ(saved.count("\r\n"), 2 + 5 * 3);
}

TEST(LogForm, DamagedLogIsKeptAsideAndTheLogStartsAfresh) {
    LogFixture f;
    const QByteArray damaged = "5\r\n3\r\n\r\n0\r\nonly part of it\r\n";
    WriteAll(f.dir.file("log.log"), damaged);
    f.Create();
    ASSERT_EQ(f.messages.size(), 1);
    const QStringList aside = QDir(f.dir.path()).entryList({"log.log.bad-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadAll(f.dir.file(aside[0])), damaged);
    EXPECT_TRUE(f.messages[0].contains(aside[0])) << f.messages[0].toStdString();
    EXPECT_FALSE(QFile::exists(f.dir.file("log.log")));
    ASSERT_EQ(f.Rows(), 1);
    EXPECT_EQ(f.Cell(LogGrid::TextCol, 0), "Quelm logged on.");

    f.form->AddToLog("Watch enabled.", LogWarning);
    f.form->SaveGrid(f.form->LogFileName());
    EXPECT_EQ(ReadAll(f.dir.file("log.log")).count("\r\n"), 2 + 5 * 2);
    EXPECT_EQ(f.messages.size(), 1); // told once
}

TEST(LogForm, ClearAsksFirstAndSavesTheSingleClearEntry) {
    LogFixture f;
    f.Create();
    f.form->AddToLog("Watch enabled.", LogWarning);
    QStringList asked;
    bool answer = false;
    f.form->OnAskQuestion = [&](const QString& caption, const QString& text) {
        asked << caption << text;
        return answer;
    };

    f.form->ClearBtn->click(); // No
    EXPECT_EQ(asked, (QStringList{"Question", "Do you really want to clear log?"}));
    EXPECT_EQ(f.Rows(), 2);
    EXPECT_FALSE(QFile::exists(f.dir.file("log.log")));

    answer = true;
    f.form->ClearBtn->click();
    ASSERT_EQ(f.Rows(), 1);
    EXPECT_EQ(f.Cell(LogGrid::KindCol, 0), "1");
    EXPECT_EQ(f.Cell(LogGrid::TextCol, 0), "Log clear.");
    EXPECT_EQ(GridIconHue(*f.form, 0, {4, 12}), Hue::Yellow);
    const QList<QByteArray> lines = ReadAll(f.dir.file("log.log")).split('\n');
    ASSERT_EQ(lines.size(), 8); // 7 lines, each ended by CR LF
    EXPECT_EQ(lines[1], "1\r");
    EXPECT_EQ(lines[6], "Log clear.\r");
    EXPECT_TRUE(f.messages.isEmpty());
}

TEST(LogForm, ReportGoesToTheChosenFileWithTextsAsTheyAre) {
    LogFixture f;
    f.Create();
    f.form->AddToLog("<b> & </b> kept", LogError);
    QString title, proposed;
    QString target = f.dir.file("report.html");
    f.form->OnChooseReportFile = [&](const QString& t, const QString& p) {
        title = t;
        proposed = p;
        return target;
    };
    f.form->SaveBtn->click();
    EXPECT_EQ(title, "Save");
    EXPECT_EQ(proposed, LogReportFileName(LogDateText(QDate::currentDate())));
    EXPECT_FALSE(proposed.contains('/'));
    const QString html = QString::fromUtf8(ReadAll(target));
    const QStringList lines = html.split("\r\n");
    ASSERT_EQ(lines.size(), 7 + 2 * 4 + 1 + 1);
    EXPECT_EQ(lines[0], "<html><head><title>Quelm Log</title></head><body bgcolor=\"#DDFFEE\">");
    EXPECT_TRUE(lines[1].startsWith("<h2 align=center>Quelm Log  ")) << lines[1].toStdString();
    EXPECT_EQ(lines[3], "<tr bgcolor=#C0C0CC align=center>");
    EXPECT_EQ(lines[7], "<tr bgcolor=#CCFFCC align=center>");
    EXPECT_EQ(lines[10], "<td>Quelm logged on.</td></tr>");
    EXPECT_EQ(lines[11], "<tr bgcolor=#FF7777 align=center>");
    EXPECT_EQ(lines[14], "<td><b> & </b> kept</td></tr>");
    EXPECT_EQ(lines[15], "</table><hr></body></html>");

    target = f.dir.file("cancelled.html");
    f.form->OnChooseReportFile = [](const QString&, const QString&) { return QString(); };
    f.form->SaveBtn->click();
    EXPECT_FALSE(QFile::exists(target));
}

TEST(LogForm, ReportFailureIsToldAndLeavesNoFile) {
    LogFixture f;
    f.Create();
    const QString target = f.dir.file("missing/folder/report.html");
    f.form->OnChooseReportFile = [&](const QString&, const QString&) { return target; };
    f.form->SaveBtn->click();
    ASSERT_EQ(f.messages.size(), 1);
    EXPECT_TRUE(f.messages[0].contains(target)) << f.messages[0].toStdString();
}

TEST(LogForm, LanguageStringsComeFromTheSourceButTheHtmlTitleStays) {
    struct Restore {
        ~Restore() { SetLogLangSource({}); }
    } restore;
    const QMap<QString, QString> german = {{"LogOn", "Quelm angemeldet."},
                                           {"QuestionClearLog", "Protokoll wirklich leeren?"},
                                           {"QuelmLogHeader", "Quelm-Protokoll"},
                                           {"Date", "Datum"},
                                           {"Time", "Zeit"},
                                           {"LogRecord", "Eintrag"}};
    SetLogLangSource([&](const QString& key, const QString& english) { return german.value(key, english); });
    LogFixture f;
    f.Create();
    EXPECT_EQ(f.Cell(LogGrid::TextCol, 0), "Quelm angemeldet.");
    QString question;
    f.form->OnAskQuestion = [&](const QString&, const QString& text) {
        question = text;
        return true;
    };
    f.form->ClearBtn->click();
    EXPECT_EQ(question, "Protokoll wirklich leeren?");
    EXPECT_EQ(f.Cell(LogGrid::TextCol, 0), "Log clear."); // not translated by this source
    f.form->OnChooseReportFile = [&](const QString&, const QString&) { return f.dir.file("r.html"); };
    f.form->SaveBtn->click();
    const QString html = QString::fromUtf8(ReadAll(f.dir.file("r.html")));
    EXPECT_TRUE(html.startsWith("<html><head><title>Quelm Log</title>"));
    EXPECT_TRUE(html.contains("<h2 align=center>Quelm-Protokoll  "));
    EXPECT_TRUE(
        html.contains("<td><b>Datum</b></td>\r\n<td><b>Zeit</b></td>\r\n<td><b>Eintrag</b></td></tr>"));
}

TEST(LogForm, EntriesFromAnotherThreadReachTheGridInOrder) {
    LogFixture f;
    f.Create();
    std::thread([&] {
        for (int i = 0; i < 50; ++i)
            f.form->AddToLog(QString("mail error %1").arg(i), LogError);
    }).join();
    QDeadlineTimer deadline(10000);
    while (f.Rows() < 51 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(f.Rows(), 51);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(f.Cell(LogGrid::TextCol, i + 1), QString("mail error %1").arg(i));
}

TEST(LogForm, CloseHidesAndKeepsTheEntries) {
    LogFixture f;
    f.Create();
    f.form->show();
    EXPECT_TRUE(f.form->isVisible());
    EXPECT_EQ(f.form->size(), QSize(375, 295));
    f.form->CloseBtn->click();
    EXPECT_FALSE(f.form->isVisible());
    EXPECT_EQ(f.Rows(), 1);
}

TEST(LogLang, TextsComeFromTheProgramsLanguageTable) {
    EXPECT_EQ(LogLangString("QuestionClearLog"), "Do you really want to clear log?");
    SetLang(LangKey::LogOn, "Station an.");
    EXPECT_EQ(LogLangString("LogOn"), "Station an.");
    EXPECT_EQ(LogLangDefault("LogOn"), "Quelm logged on.");
    ResetLangStrings();
    EXPECT_EQ(LogLangString("LogOn"), "Quelm logged on.");
    EXPECT_EQ(LogLangDefault("NoSuchKey"), "");
}

} // namespace

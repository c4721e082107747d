#pragma once
// The event log's cells and its file "log.log". An entry is one row of five cells: an empty icon cell,
// the kind as decimal text ("0" information, "1" warning, "2" error), the date, the time and the
// message. The file holds the column count, the row count and then every cell, column by column and
// within a column row by row, one UTF-8 line each, every line ended by CR LF: 2 + 5 x R lines.
#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace quelm {

enum LogKind : std::uint8_t { LogInfo = 0, LogWarning = 1, LogError = 2 };

// A log or report file that could not be read or written; what() names the file and the reason.
class LogFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A log file whose content is not in the log format; what() says where it departs from it.
class LogFileDamaged : public LogFileError {
public:
    using LogFileError::LogFileError;
};

class LogGrid {
public:
    static constexpr int kColumns = 5;
    enum Column { IconCol = 0, KindCol = 1, DateCol = 2, TimeCol = 3, TextCol = 4 };

    // One empty row: the empty log.
    LogGrid();

    int ColCount() const { return kColumns; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const QString& Cell(int col, int row) const;

    // No entry yet: row 0 has no kind.
    bool IsEmpty() const { return rows_.front()[KindCol].isEmpty(); }

    // The row's kind cell as a number; text that is not a number counts as 0.
    int Kind(int row) const;

    // Fills row 0 of an empty log, else appends a row. Line breaks in the text become spaces, so that
    // one entry always stays one line of the file.
    void Append(int kind, const QString& date, const QString& time, const QString& text);

    // Leaves exactly one row, this entry.
    void ResetTo(int kind, const QString& date, const QString& time, const QString& text);

    // The file's bytes.
    QByteArray ToFileBytes() const;
    // Parses a file's bytes; throws LogFileDamaged when they are not in the log format (a count line
    // that is not a number, a column count other than 5, fewer cell lines than announced, content after
    // the last cell other than empty lines, text that is not UTF-8).
    static LogGrid FromFileBytes(const QByteArray& bytes);

private:
    using Row = std::array<QString, kColumns>;
    std::vector<Row> rows_;
};

// Writes the grid through a temporary file and a rename; throws LogFileError.
void SaveGrid(const LogGrid& grid, const QString& fileName);
// Replaces the grid by the file's content. A missing file changes nothing and gives false. Throws
// LogFileDamaged for content not in the log format and LogFileError when the file cannot be read; the
// grid is unchanged then.
bool LoadGrid(LogGrid& grid, const QString& fileName);

// Moves a log file that could not be read out of the way, to "<name>.bad-<yyyyMMdd-HHmmss>" (with a
// number added when that exists). Returns the new name; throws LogFileError when the rename fails.
QString KeepLogAside(const QString& fileName);

// The date and time texts of an entry: the system's short date format, and hours, minutes and seconds
// in its time format.
QString LogDateText(const QDate& date, const QLocale& locale = QLocale::system());
QString LogTimeText(const QTime& time, const QLocale& locale = QLocale::system());
// The locale's long time format without its time-zone part, e.g. "h:mm:ss AP" or "HH:mm:ss".
QString LogTimeFormat(const QLocale& locale);

// The HTML report.
struct LogReportTexts {
    QString header; // heading before the date and time
    QString date;   // column titles
    QString time;
    QString record;
};
// The row colour of a kind, with the header colour at index 3; a kind outside 0..2 gets a plain white.
QString LogRowColor(int kind);
inline constexpr int kLogHeaderColorIndex = 3;
// The report's bytes: UTF-8, CR LF, cell texts as they are (no escaping).
QByteArray LogReportHtml(const LogGrid& grid, const LogReportTexts& texts, const QString& nowDate,
                         const QString& nowTime);
// Writes the report through a temporary file and a rename; throws LogFileError.
void SaveLogReport(const QByteArray& html, const QString& fileName);
// The proposed report name, "Quelm_Log_" + the date text + ".html", with characters that file names
// cannot hold on common file systems (/ \ : * ? " < > | and control characters) replaced by "-".
QString LogReportFileName(const QString& dateText);

} // namespace quelm

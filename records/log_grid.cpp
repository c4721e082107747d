#include "records/log_grid.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace quelm {

namespace {

const QByteArray kEol = "\r\n";

QString OneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// Splits into lines ended by CR LF, LF or CR; a last line without an end counts too.
QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

void WriteThroughRename(const QByteArray& bytes, const QString& fileName, const char* what) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw LogFileError(QStringLiteral("Cannot write the %1 \"%2\": %3")
                               .arg(QLatin1String(what), fileName, file.errorString())
                               .toStdString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw LogFileError(QStringLiteral("Cannot write the %1 \"%2\": %3")
                               .arg(QLatin1String(what), fileName, file.errorString())
                               .toStdString());
}

[[noreturn]] void Damaged(const QString& why) {
    throw LogFileDamaged(why.toStdString());
}

} // namespace

LogGrid::LogGrid()
    : rows_(1) {}

const QString& LogGrid::Cell(int col, int row) const {
    return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col));
}

int LogGrid::Kind(int row) const {
    bool ok = false;
    const int kind = Cell(KindCol, row).trimmed().toInt(&ok);
    return ok ? kind : 0;
}

void LogGrid::Append(int kind, const QString& date, const QString& time, const QString& text) {
    if (!IsEmpty())
        rows_.emplace_back();
    Row& row = rows_.back();
    row[KindCol] = QString::number(kind);
    row[DateCol] = date;
    row[TimeCol] = time;
    row[TextCol] = OneLine(text);
}

void LogGrid::ResetTo(int kind, const QString& date, const QString& time, const QString& text) {
    rows_.assign(1, Row{});
    Append(kind, date, time, text);
}

QByteArray LogGrid::ToFileBytes() const {
    QByteArray out;
    out += QByteArray::number(ColCount()) + kEol;
    out += QByteArray::number(RowCount()) + kEol;
    for (int col = 0; col < ColCount(); ++col)
        for (const Row& row : rows_)
            out += row[static_cast<std::size_t>(col)].toUtf8() + kEol;
    return out;
}

LogGrid LogGrid::FromFileBytes(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        Damaged(QStringLiteral("it is not UTF-8 text"));
    const QStringList lines = SplitLines(text);

    auto count = [&](int index, const char* what) {
        if (index >= lines.size())
            Damaged(QStringLiteral("it has no %1 line").arg(QLatin1String(what)));
        bool ok = false;
        const int value = lines[index].trimmed().toInt(&ok);
        if (!ok || value < 0)
            Damaged(QStringLiteral("line %1 (%2) is not a count: \"%3\"")
                        .arg(index + 1)
                        .arg(QLatin1String(what), lines[index].left(40)));
        return value;
    };
    const int cols = count(0, "column count");
    if (cols != kColumns)
        Damaged(QStringLiteral("it announces %1 columns instead of %2").arg(cols).arg(kColumns));
    const int rows = count(1, "row count");
    const qint64 cells = qint64(cols) * rows;
    if (lines.size() - 2 < cells)
        Damaged(QStringLiteral("it announces %1 rows but holds only %2 of the %3 cell lines")
                    .arg(rows)
                    .arg(lines.size() - 2)
                    .arg(cells));
    for (qsizetype i = 2 + cells; i < lines.size(); ++i)
        if (!lines[i].isEmpty())
            Damaged(QStringLiteral("line %1 follows the last cell").arg(i + 1));

    LogGrid grid;
    if (rows > 0)
        grid.rows_.assign(static_cast<std::size_t>(rows), Row{});
    for (int col = 0; col < cols; ++col)
        for (int row = 0; row < rows; ++row)
            grid.rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] =
                lines[2 + qsizetype(col) * rows + row];
    return grid;
}

void SaveGrid(const LogGrid& grid, const QString& fileName) {
    WriteThroughRename(grid.ToFileBytes(), fileName, "log file");
}

bool LoadGrid(LogGrid& grid, const QString& fileName) {
    QFile file(fileName);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly))
        throw LogFileError(QStringLiteral("Cannot read the log file \"%1\": %2")
                               .arg(fileName, file.errorString())
                               .toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw LogFileError(QStringLiteral("Cannot read the log file \"%1\": %2")
                               .arg(fileName, file.errorString())
                               .toStdString());
    file.close();
    try {
        grid = LogGrid::FromFileBytes(bytes);
    } catch (const LogFileDamaged& e) {
        throw LogFileDamaged(QStringLiteral("The log file \"%1\" is damaged: %2")
                                 .arg(fileName, QString::fromStdString(e.what()))
                                 .toStdString());
    }
    return true;
}

QString KeepLogAside(const QString& fileName) {
    const QString base = fileName + QStringLiteral(".bad-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    QFile file(fileName);
    if (!file.rename(target))
        throw LogFileError(QStringLiteral("Cannot rename the log file \"%1\" to \"%2\": %3")
                               .arg(fileName, target, file.errorString())
                               .toStdString());
    return target;
}

QString LogDateText(const QDate& date, const QLocale& locale) {
    return locale.toString(date, QLocale::ShortFormat);
}

QString LogTimeFormat(const QLocale& locale) {
    // Drop the unquoted time-zone letters ("t"), keep everything else including quoted literals.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.simplified();
}

QString LogTimeText(const QTime& time, const QLocale& locale) {
    return locale.toString(time, LogTimeFormat(locale));
}

QString LogRowColor(int kind) {
    static const std::array<const char*, 4> colors = {"#CCFFCC", "#FFFF99", "#FF7777", "#C0C0CC"};
    if (kind < 0 || kind > kLogHeaderColorIndex)
        return QStringLiteral("#FFFFFF");
    return QLatin1String(colors[static_cast<std::size_t>(kind)]);
}

QByteArray LogReportHtml(const LogGrid& grid, const LogReportTexts& texts, const QString& nowDate,
                         const QString& nowTime) {
    QStringList lines;
    lines << QStringLiteral("<html><head><title>Quelm Log</title></head><body bgcolor=\"#DDFFEE\">")
          << QStringLiteral("<h2 align=center>") + texts.header + QStringLiteral("  ") + nowDate +
                 QLatin1Char(' ') + nowTime + QStringLiteral("</h2>")
          << QStringLiteral("<table align=center border=1 width=80%>")
          << QStringLiteral("<tr bgcolor=") + LogRowColor(kLogHeaderColorIndex) +
                 QStringLiteral(" align=center>")
          << QStringLiteral("<td><b>") + texts.date + QStringLiteral("</b></td>")
          << QStringLiteral("<td><b>") + texts.time + QStringLiteral("</b></td>")
          << QStringLiteral("<td><b>") + texts.record + QStringLiteral("</b></td></tr>");
    for (int row = 0; row < grid.RowCount(); ++row) {
        // Only the three entry colours index the table; the header colour is no entry kind.
        const int kind = grid.Kind(row);
        const QString color = kind >= 0 && kind < kLogHeaderColorIndex ? LogRowColor(kind) : LogRowColor(-1);
        lines << QStringLiteral("<tr bgcolor=") + color + QStringLiteral(" align=center>")
              << QStringLiteral("<td>") + grid.Cell(LogGrid::DateCol, row) + QStringLiteral("</td>")
              << QStringLiteral("<td>") + grid.Cell(LogGrid::TimeCol, row) + QStringLiteral("</td>")
              << QStringLiteral("<td>") + grid.Cell(LogGrid::TextCol, row) + QStringLiteral("</td></tr>");
    }
    lines << QStringLiteral("</table><hr></body></html>");
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + kEol;
    return out;
}

void SaveLogReport(const QByteArray& html, const QString& fileName) {
    WriteThroughRename(html, fileName, "report");
}

QString LogReportFileName(const QString& dateText) {
    QString name = dateText;
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    return QStringLiteral("Quelm_Log_") + name + QStringLiteral(".html");
}

} // namespace quelm

#include "core/ini_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdint>
#include <utility>
#include <vector>

namespace quelm {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A byte range [begin, end) of the text.
struct Span {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype size() const { return end - begin; }
};

Span Trim(const QByteArray& text, Span s) {
    while (s.begin < s.end && IsBlank(text[s.begin]))
        ++s.begin;
    while (s.end > s.begin && IsBlank(text[s.end - 1]))
        --s.end;
    return s;
}

// The first c in s, or s.end when there is none.
qsizetype IndexIn(const QByteArray& text, char c, Span s) {
    for (qsizetype i = s.begin; i < s.end; ++i)
        if (text[i] == c)
            return i;
    return s.end;
}

enum class LineKind { Blank, Section, Comment, Entry, Other };

struct Line {
    qsizetype begin = 0;      // first byte of the line
    qsizetype contentEnd = 0; // end of the line without its line end
    qsizetype end = 0;        // after the line end ("\n" or "\r\n"), or the end of the text
    LineKind kind = LineKind::Other;
    Span name;               // section or key name, trimmed
    Span value;              // value, trimmed (still quoted); for a blank value an empty span after the '='
    bool terminated = false; // ends with "\n"
    bool hasLineEnd() const { return terminated; }
    // What completes the line end of a last line that has none: a lone "\r" at the end of the text only
    // needs its "\n", so that what is appended starts a line of its own.
    QByteArray LineEndCompletion(const QByteArray& eol) const {
        return terminated ? QByteArray() : end > contentEnd ? QByteArray("\n") : eol;
    }
};

qsizetype BodyStart(const QByteArray& text) {
    return text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

Line ParseLine(const QByteArray& text, qsizetype begin) {
    Line line;
    line.begin = begin;
    qsizetype newline = text.indexOf('\n', begin);
    line.end = newline < 0 ? text.size() : newline + 1;
    line.contentEnd = newline < 0 ? text.size() : newline;
    line.terminated = newline >= 0;
    if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r')
        --line.contentEnd;

    const Span content = Trim(text, {begin, line.contentEnd});
    if (content.size() == 0) {
        line.kind = LineKind::Blank;
        return line;
    }
    const char first = text[content.begin];
    if (first == '[') {
        line.kind = LineKind::Section;
        const qsizetype close = IndexIn(text, ']', {content.begin + 1, content.end});
        line.name = Trim(text, {content.begin + 1, close});
        return line;
    }
    if (first == ';' || first == '#') {
        line.kind = LineKind::Comment;
        return line;
    }
    const qsizetype eq = IndexIn(text, '=', content);
    if (eq == content.end) {
        line.kind = LineKind::Other;
        return line;
    }
    line.kind = LineKind::Entry;
    line.name = Trim(text, {content.begin, eq});
    line.value = Trim(text, {eq + 1, content.end});
    return line;
}

std::vector<Line> ParseLines(const QByteArray& text) {
    std::vector<Line> lines;
    for (qsizetype pos = BodyStart(text); pos < text.size();) {
        lines.push_back(ParseLine(text, pos));
        pos = lines.back().end;
    }
    return lines;
}

bool NameIs(const QByteArray& text, Span name, const QString& wanted) {
    return QString::fromUtf8(text.constData() + name.begin, name.size())
               .compare(wanted, Qt::CaseInsensitive) == 0;
}

// Where a section's lines are: the header's index and one past its last line (the next header or the end).
struct SectionRange {
    std::size_t header = 0;
    std::size_t end = 0;
};

std::optional<SectionRange> FindSection(const QByteArray& text, const std::vector<Line>& lines,
                                        const QString& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Section || !NameIs(text, lines[i].name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != LineKind::Section)
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const QByteArray& text, const std::vector<Line>& lines, SectionRange range,
                                   const QString& key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i)
        if (lines[i].kind == LineKind::Entry && NameIs(text, lines[i].name, key))
            return i;
    return std::nullopt;
}

bool NeedsQuotes(const QString& value) {
    if (value.isEmpty())
        return false;
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    if (blank(value.front()) || blank(value.back()))
        return true;
    return value.size() >= 2 && value.front() == u'"' && value.back() == u'"';
}

QByteArray EncodedValue(const QString& value) {
    const QByteArray bytes = value.toUtf8();
    return NeedsQuotes(value) ? '"' + bytes + '"' : bytes;
}

QByteArray LineEndOf(const QByteArray& text) {
    const qsizetype newline = text.indexOf('\n');
    if (newline < 0)
        return "\n";
    return newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

QString FileMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot write the settings file \"%1\": %2").arg(fileName, reason);
}

} // namespace

namespace ini {

std::optional<QString> FindValue(const QByteArray& text, const QString& section, const QString& key) {
    const QString wantedSection = section.trimmed();
    const QString wantedKey = key.trimmed();
    const std::vector<Line> lines = ParseLines(text);
    const auto range = FindSection(text, lines, wantedSection);
    if (!range)
        return std::nullopt;
    const auto index = FindKey(text, lines, *range, wantedKey);
    if (!index)
        return std::nullopt;
    Span value = lines[*index].value;
    if (value.size() >= 2 && text[value.begin] == '"' && text[value.end - 1] == '"') {
        ++value.begin;
        --value.end;
    }
    return QString::fromUtf8(text.constData() + value.begin, value.size());
}

QString Truncated(const QString& value) {
    if (value.size() <= MaxValueLength)
        return value;
    qsizetype n = MaxValueLength;
    if (value[n - 1].isHighSurrogate() && value[n].isLowSurrogate())
        --n;
    return value.left(n);
}

std::optional<int> ParseInteger(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    const bool hex = text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
    if (hex)
        text = text.mid(2);
    if (text.isEmpty())
        return std::nullopt;

    const std::uint64_t base = hex ? 16 : 10;
    const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 2147483648u : 2147483647u);
    std::uint64_t magnitude = 0;
    for (QChar c : text) {
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c.unicode() - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c.unicode() - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + static_cast<std::uint64_t>(digit);
        if (magnitude > limit)
            return std::nullopt;
    }
    // Modular 32-bit arithmetic: a hexadecimal value is a bit pattern, and -2147483648 comes out exact.
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<int>(negative ? 0u - bits : bits);
}

QString EntryError(const QString& section, const QString& key, const QString& value) {
    auto hasLineBreak = [](const QString& s) { return s.contains(u'\n') || s.contains(u'\r'); };
    const QString s = section.trimmed();
    const QString k = key.trimmed();
    if (s.isEmpty())
        return QStringLiteral("the section name is empty");
    if (hasLineBreak(s) || s.contains(u']'))
        return QStringLiteral("the section name \"%1\" holds a line break or ']'").arg(s);
    if (k.isEmpty())
        return QStringLiteral("the key name in section [%1] is empty").arg(s);
    if (hasLineBreak(k) || k.contains(u'=') || k.front() == u'[' || k.front() == u';' || k.front() == u'#')
        return QStringLiteral("the key name \"%1\" in section [%2] holds a line break or '=', or starts with "
                              "'[', ';' or '#'")
            .arg(k, s);
    if (hasLineBreak(value))
        return QStringLiteral("the value of \"%1\" in section [%2] holds a line break").arg(k, s);
    return {};
}

QByteArray WithValue(const QByteArray& text, const QString& section, const QString& key,
                     const QString& value) {
    if (const QString error = EntryError(section, key, value); !error.isEmpty())
        throw std::invalid_argument(error.toStdString());
    const QString wantedSection = section.trimmed();
    const QString wantedKey = key.trimmed();
    const QByteArray encoded = EncodedValue(value);
    const QByteArray eol = LineEndOf(text);
    const QByteArray entry = wantedKey.toUtf8() + '=' + encoded;
    const std::vector<Line> lines = ParseLines(text);

    QByteArray result = text;
    const auto range = FindSection(text, lines, wantedSection);
    if (!range) {
        QByteArray added;
        if (!lines.empty()) {
            added += lines.back().LineEndCompletion(eol);
            if (lines.back().kind != LineKind::Blank)
                added += eol;
        }
        added += '[' + wantedSection.toUtf8() + ']' + eol + entry + eol;
        return result + added;
    }
    if (const auto index = FindKey(text, lines, *range, wantedKey)) {
        const Span old = lines[*index].value;
        return result.replace(old.begin, old.size(), encoded);
    }
    // A new key goes after the section's last entry, so comments and blank lines before the next section stay
    // with it.
    std::size_t after = range->header;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (lines[i].kind == LineKind::Entry)
            after = i;
    const Line& line = lines[after];
    if (line.hasLineEnd())
        return result.insert(line.end, entry + eol);
    return result.insert(line.end, line.LineEndCompletion(eol) + entry);
}

} // namespace ini

IniFile::IniFile(QString fileName)
    : fileName_(std::move(fileName)) {}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return defaultValue;
    const auto value = ini::FindValue(text, section, key);
    return value ? ini::Truncated(*value) : defaultValue;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    const QString text = ReadString(section, key, QString());
    return ini::ParseInteger(text).value_or(defaultValue);
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    if (const QString error = ini::EntryError(section, key, value); !error.isEmpty())
        throw IniError(FileMessage(fileName_, error).toStdString());

    QByteArray old;
    const bool exists = QFileInfo::exists(fileName_);
    if (exists) {
        QFile file(fileName_);
        if (!file.open(QIODevice::ReadOnly))
            throw IniError(FileMessage(fileName_, file.errorString()).toStdString());
        old = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw IniError(FileMessage(fileName_, file.errorString()).toStdString());
    }
    const QByteArray text = ini::WithValue(old, section, key, value);
    if (exists && text == old)
        return;

    // The new text goes to a temporary file beside the old one and replaces it by a rename, so a crash
    // leaves either the old file or the new one, never half of either.
    // Unbuffered, so that a short write (a full disk) shows in write()'s count instead of being lost in a
    // buffer flush that commit() does not check.
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw IniError(FileMessage(fileName_, file.errorString()).toStdString());
    if (file.write(text) != text.size()) {
        const QString reason = file.error() == QFileDevice::NoError
                                   ? QStringLiteral("only part of it could be written (is the disk full?)")
                                   : file.errorString();
        file.cancelWriting();
        throw IniError(FileMessage(fileName_, reason).toStdString());
    }
    if (!file.commit())
        throw IniError(FileMessage(fileName_, file.errorString()).toStdString());
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace quelm

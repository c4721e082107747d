#pragma once
// The settings file: an INI text of [sections] and key=value lines, read and written one value at a time.
// Section and key names match without regard to case; a missing file, section or key reads as the
// caller's default. Every write reaches disk through a temporary file and a rename.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <stdexcept>

namespace quelm {

// A write that could not reach the disk; what() names the file and the reason.
class IniError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniFile {
public:
    explicit IniFile(QString fileName);

    const QString& FileName() const { return fileName_; }

    // Up to 2047 characters of the value.
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal, or hexadecimal after "0x"/"0X"; anything else reads as the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // Read as an integer, nonzero meaning true.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    // Create the file, section or key when missing and replace that one value only; every other line
    // stays as it was. Throws IniError when the file cannot be written.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value); // "1" or "0"

private:
    QString fileName_;
};

// The text rules of the settings file, on the file's bytes (UTF-8, an optional byte-order mark), so that
// they can be checked without touching the disk.
//
// A line whose first non-blank character is '[' opens a section named by the text up to ']'; a line whose
// first non-blank character is ';' or '#' is a comment; any other line with '=' is key=value; the rest are
// kept but mean nothing. Names and values lose their surrounding spaces and tabs; a value wrapped in one
// pair of double quotes loses the quotes, which is how values with surrounding blanks are stored. Lines
// before the first section belong to none. The first matching section and the first matching key win.
namespace ini {

inline constexpr qsizetype MaxValueLength = 2047;

// The value of key in the first section named section; nullopt when the section or the key is missing.
std::optional<QString> FindValue(const QByteArray& text, const QString& section, const QString& key);

// The first MaxValueLength characters of value, never splitting a surrogate pair.
QString Truncated(const QString& value);

// Decimal with an optional sign, or hexadecimal after "0x"/"0X" (optionally signed) taken as a 32-bit
// pattern, so "0xFFFFFFFF" is -1; surrounding blanks are ignored. Anything else, and any value that does
// not fit 32 bits, is nullopt: "", "0x", "12abc", "1.5", "2147483648", "0x100000000".
std::optional<int> ParseInteger(QStringView text);

// Why this section, key and value cannot be stored in the file (a line break anywhere, an empty name, ']'
// in a section name, '=' in a key or a key that would read as a section or a comment); empty when they can.
QString EntryError(const QString& section, const QString& key, const QString& value);

// text with that one value replaced, or with the key (and its section when missing) added; every other
// byte stays as it was. New lines use the text's own line end (LF when it has none). Throws
// std::invalid_argument when EntryError is not empty.
QByteArray WithValue(const QByteArray& text, const QString& section, const QString& key,
                     const QString& value);

} // namespace ini

} // namespace quelm

#pragma once
// The settings file: an INI text of [sections] and key=value lines, read and written one value at a time.
// Section and key names match without regard to case; a missing file, section or key reads as the
// caller's default. Every write reaches disk through a temporary file and a rename.
#include <QString>
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

} // namespace quelm

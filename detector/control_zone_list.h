#pragma once
// The text form of a detector's control zone: q x q decimal values, each followed by a comma, column by
// column (column 1 rows 1..q, then column 2 rows 1..q, ...). For q = 2 with only the top-left zone marked
// the list reads "1,0,0,0,".
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <stdexcept>

namespace quelm {

// The largest grid: q zones per row and per column, 1 <= q <= MaxZones.
constexpr int MaxZones = 20;

// Control-zone mask indexed [column - 1][row - 1]; nonzero marks a zone of the control zone.
using ControlZoneGrid = std::array<std::array<std::uint8_t, MaxZones>, MaxZones>;

// A piece of the list that is not a decimal integer. what() names the settings file, section and key
// when the list came from one (see AlgThread::LoadFromIni).
class ControlZoneError : public std::runtime_error {
public:
    ControlZoneError(int index, QString piece, QString fileName = {}, QString section = {});

    int index() const { return index_; } // 1-based position of the piece in the list
    const QString& piece() const { return piece_; }
    const QString& fileName() const { return fileName_; }
    const QString& section() const { return section_; }
    static QString key() { return QStringLiteral("ControlZone"); }

private:
    int index_;
    QString piece_;
    QString fileName_;
    QString section_;
};

// Reads one piece as a decimal integer and gives its low 8 bits (two's complement, so -1 gives 255).
// Accepted: optional spaces or tabs around it, an optional '+' or '-', then one or more ASCII digits,
// within the 32-bit signed range. A piece of only spaces and tabs, or none at all, counts as 0.
// Everything else (hexadecimal, inner spaces, other characters, out of range) is rejected.
bool ParseControlZoneValue(QStringView piece, std::uint8_t& value);

// Fills entries [i][j] for columns i and rows j in 0..q-1 from the list, in list order. Each piece is
// the text before the next comma; once no comma is left the pieces are empty (one character of what
// is left is dropped per entry), so entries missing at the end or standing after the last comma read
// as 0. Entries outside the q x q block are not touched. A piece that is not a decimal integer throws
// ControlZoneError; the entries before it keep their new values, the ones after it their old.
// q is clamped to 1..MaxZones.
void ParseControlZoneList(QStringView text, int q, ControlZoneGrid& zone);

// The list of the q x q block, each value followed by a comma.
QString FormatControlZoneList(const ControlZoneGrid& zone, int q);

} // namespace quelm

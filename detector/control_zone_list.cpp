#include "detector/control_zone_list.h"

#include <algorithm>
#include <limits>

namespace quelm {

namespace {

std::string ErrorText(int index, const QString& piece, const QString& fileName, const QString& section) {
    QString where;
    if (!fileName.isEmpty() || !section.isEmpty())
        where = QStringLiteral("Settings file \"%1\", section [%2], key \"%3\": ")
                    .arg(fileName, section, ControlZoneError::key());
    else
        where = QStringLiteral("Key \"%1\": ").arg(ControlZoneError::key());
    return (where +
            QStringLiteral("value %1 of the list, \"%2\", is not a decimal integer").arg(index).arg(piece))
        .toStdString();
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

} // namespace

ControlZoneError::ControlZoneError(int index, QString piece, QString fileName, QString section)
    : std::runtime_error(ErrorText(index, piece, fileName, section))
    , index_(index)
    , piece_(std::move(piece))
    , fileName_(std::move(fileName))
    , section_(std::move(section)) {}

bool ParseControlZoneValue(QStringView piece, std::uint8_t& value) {
    qsizetype begin = 0;
    qsizetype end = piece.size();
    while (begin < end && IsBlank(piece[begin]))
        ++begin;
    while (end > begin && IsBlank(piece[end - 1]))
        --end;
    if (begin == end) {
        value = 0;
        return true;
    }
    bool negative = false;
    if (piece[begin] == u'+' || piece[begin] == u'-') {
        negative = piece[begin] == u'-';
        ++begin;
    }
    if (begin == end)
        return false;
    // Accumulated as a magnitude; the limit allows -2147483648 but not +2147483648.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (qsizetype k = begin; k < end; ++k) {
        const char16_t c = piece[k].unicode();
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > limit)
            return false;
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<std::uint8_t>(static_cast<std::uint64_t>(signedValue) & 0xFF);
    return true;
}

void ParseControlZoneList(QStringView text, int q, ControlZoneGrid& zone) {
    q = std::clamp(q, 1, MaxZones);
    QStringView rest = text;
    int index = 0;
    for (int i = 0; i < q; ++i) {
        for (int j = 0; j < q; ++j) {
            ++index;
            QStringView piece;
            const qsizetype comma = rest.indexOf(u',');
            if (comma >= 0) {
                piece = rest.first(comma);
                rest = rest.sliced(comma + 1);
            } else if (!rest.isEmpty()) {
                rest = rest.sliced(1);
            }
            std::uint8_t value = 0;
            if (!ParseControlZoneValue(piece, value))
                throw ControlZoneError(index, piece.toString());
            zone[i][j] = value;
        }
    }
}

QString FormatControlZoneList(const ControlZoneGrid& zone, int q) {
    q = std::clamp(q, 1, MaxZones);
    QString text;
    text.reserve(q * q * 2);
    for (int i = 0; i < q; ++i)
        for (int j = 0; j < q; ++j) {
            text += QString::number(zone[i][j]);
            text += u',';
        }
    return text;
}

} // namespace quelm

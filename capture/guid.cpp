#include "capture/guid.h"

namespace quelm {

std::array<std::uint8_t, 16> TGuid::ToBytes() const {
    std::array<std::uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<std::uint8_t>(D1 >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        b[4 + i] = static_cast<std::uint8_t>(D2 >> (8 * i));
        b[6 + i] = static_cast<std::uint8_t>(D3 >> (8 * i));
    }
    for (int i = 0; i < 8; ++i)
        b[8 + i] = D4[i];
    return b;
}

TGuid TGuid::FromBytes(const std::array<std::uint8_t, 16>& b) {
    TGuid g;
    for (int i = 0; i < 4; ++i)
        g.D1 |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    for (int i = 0; i < 2; ++i) {
        g.D2 = static_cast<std::uint16_t>(g.D2 | b[4 + i] << (8 * i));
        g.D3 = static_cast<std::uint16_t>(g.D3 | b[6 + i] << (8 * i));
    }
    for (int i = 0; i < 8; ++i)
        g.D4[i] = b[8 + i];
    return g;
}

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

QString BytesToHex(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        text.append(QLatin1Char(kHexDigits[b >> 4]));
        text.append(QLatin1Char(kHexDigits[b & 0x0F]));
    }
    return text;
}

QByteArray HexToBytes(const QString& text) {
    const QString even = text.size() % 2 != 0 ? QStringLiteral("0") + text : text;
    QByteArray bytes;
    bytes.reserve(even.size() / 2);
    for (qsizetype i = 0; i + 1 < even.size(); i += 2) {
        const int high = HexValue(even[i]);
        const int low = HexValue(even[i + 1]);
        if (high < 0 || low < 0)
            break;
        bytes.append(static_cast<char>(high << 4 | low));
    }
    return bytes;
}

QString GuidToHex(const TGuid& guid) {
    const auto b = guid.ToBytes();
    return BytesToHex(QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())));
}

TGuid HexToGuid(const QString& text) {
    const QByteArray bytes = HexToBytes(text);
    std::array<std::uint8_t, 16> b{};
    for (qsizetype i = 0; i < bytes.size() && i < 16; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes[i]);
    return TGuid::FromBytes(b);
}

} // namespace quelm

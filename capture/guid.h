#pragma once
// 16-byte identifiers of media types and subtypes, and the hex texts that store them and other byte blocks
// in configuration values.
#include <QByteArray>
#include <QString>
#include <array>
#include <compare>
#include <cstdint>

namespace quelm {

// A 16-byte identifier laid out as a 32-bit group, two 16-bit groups and eight bytes. The in-memory byte
// order of the stored text is fixed by ToBytes/FromBytes, independent of the host's byte order.
struct TGuid {
    std::uint32_t D1 = 0;
    std::uint16_t D2 = 0;
    std::uint16_t D3 = 0;
    std::array<std::uint8_t, 8> D4{};

    constexpr bool IsNull() const { return *this == TGuid{}; }
    constexpr bool operator==(const TGuid&) const = default;
    constexpr auto operator<=>(const TGuid&) const = default;

    // The 16 bytes in memory order: each group least significant byte first, then D4 as it stands.
    std::array<std::uint8_t, 16> ToBytes() const;
    static TGuid FromBytes(const std::array<std::uint8_t, 16>& bytes);
};

// The identifier XXXXXXXX-0000-0010-8000-00AA00389B71 of a four-character code: the first character is
// the least significant byte of the first group.
constexpr TGuid FourCCGuid(const char (&code)[5]) {
    return TGuid{static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) |
                     static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 8 |
                     static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 16 |
                     static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3])) << 24,
                 0x0000,
                 0x0010,
                 {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

// The same base identifier with a 32-bit number (an audio format tag) as its first group.
constexpr TGuid TagGuid(std::uint32_t tag) {
    return TGuid{tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

// Major types.
inline constexpr TGuid MEDIATYPE_Video = FourCCGuid("vids");
inline constexpr TGuid MEDIATYPE_Audio = FourCCGuid("auds");
inline constexpr TGuid MEDIATYPE_Interleaved = FourCCGuid("iavs");

// YUV, compressed and DV video subtypes (four-character codes).
inline constexpr TGuid MEDIASUBTYPE_YVU9 = FourCCGuid("YVU9");
inline constexpr TGuid MEDIASUBTYPE_Y411 = FourCCGuid("Y411");
inline constexpr TGuid MEDIASUBTYPE_Y41P = FourCCGuid("Y41P");
inline constexpr TGuid MEDIASUBTYPE_YUY2 = FourCCGuid("YUY2");
inline constexpr TGuid MEDIASUBTYPE_YVYU = FourCCGuid("YVYU");
inline constexpr TGuid MEDIASUBTYPE_UYVY = FourCCGuid("UYVY");
inline constexpr TGuid MEDIASUBTYPE_Y211 = FourCCGuid("Y211");
inline constexpr TGuid MEDIASUBTYPE_I420 = FourCCGuid("I420");
inline constexpr TGuid MEDIASUBTYPE_IYUV = FourCCGuid("IYUV");
inline constexpr TGuid MEDIASUBTYPE_YV12 = FourCCGuid("YV12");
inline constexpr TGuid MEDIASUBTYPE_NV12 = FourCCGuid("NV12");
inline constexpr TGuid MEDIASUBTYPE_MJPG = FourCCGuid("MJPG");
inline constexpr TGuid MEDIASUBTYPE_dvsd = FourCCGuid("dvsd");

// RGB video subtypes: one family of identifiers that differ in the last byte of the first group.
constexpr TGuid RgbGuid(std::uint8_t last) {
    return TGuid{0xE436EB00u | last, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
}
inline constexpr TGuid MEDIASUBTYPE_RGB1 = RgbGuid(0x78);
inline constexpr TGuid MEDIASUBTYPE_RGB4 = RgbGuid(0x79);
inline constexpr TGuid MEDIASUBTYPE_RGB8 = RgbGuid(0x7A);
inline constexpr TGuid MEDIASUBTYPE_RGB565 = RgbGuid(0x7B);
inline constexpr TGuid MEDIASUBTYPE_RGB555 = RgbGuid(0x7C);
inline constexpr TGuid MEDIASUBTYPE_RGB24 = RgbGuid(0x7D);
inline constexpr TGuid MEDIASUBTYPE_RGB32 = RgbGuid(0x7E);
inline constexpr TGuid MEDIASUBTYPE_ARGB32 = {
    0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};

// Audio subtypes (format tags).
inline constexpr TGuid MEDIASUBTYPE_PCM = TagGuid(0x0001);
inline constexpr TGuid MEDIASUBTYPE_IEEE_FLOAT = TagGuid(0x0003);
inline constexpr TGuid MEDIASUBTYPE_MPEG_LAYER3 = TagGuid(0x0055); // MPEG-1 Layer III audio

// Two upper-case hex digits per byte, high half first; empty for no bytes.
QString BytesToHex(const QByteArray& bytes);
// Pairs of hex digits (either case) to bytes; an odd-length text counts as if it had a leading "0".
// Decoding stops at the first pair holding anything else, and the bytes decoded so far are returned.
QByteArray HexToBytes(const QString& text);
// The identifier's 16 bytes in memory order as 32 hex digits.
QString GuidToHex(const TGuid& guid);
// The first 16 bytes of HexToBytes(text); missing bytes are zero, so an empty text gives the null identifier.
TGuid HexToGuid(const QString& text);

} // namespace quelm

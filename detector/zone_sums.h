#pragma once
// The arithmetic of one comparison: the zone grid of a pair of frames and the per-zone sums of absolute
// byte differences. Rows are read as plain bytes; colour channels are not interpreted.
#include "detector/control_zone_list.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace quelm {

// Bytes per pixel of a frame format: 0.125 for 1-bit, 1 for 8-bit, 2 for 15- and 16-bit, 3 for 24-bit and
// 4 for 32-bit formats. 0 for a format the detector cannot compare (invalid, 64-bit, floating point).
double BytesPerPixel(QImage::Format format);

// Per-zone sums indexed [column - 1][row - 1]; 64-bit so that no frame size can overflow them.
using ZoneSums = std::int64_t[MaxZones][MaxZones];

// The grid over the common area of two frames.
struct ZoneGeometry {
    int q = 0;                // zones per row and per column, 1..MaxZones
    int rows = 0;             // H, the common height
    int zoneRows = 0;         // ZH, rows per zone
    int zoneBytes = 0;        // ZW, bytes per zone row
    int zonePixels = 0;       // ZWp, whole pixels per zone row (normalisation only)
    int lastByte = 0;         // N, the last byte offset of a row that full-frame mode examines
    double bytesPerPixel = 0; // B

    // The grid of W x H pixels of B bytes each in q x q zones. valid() is false when a zone would be
    // empty: q outside 1..MaxZones, B unknown, or a frame no wider or taller than q.
    static ZoneGeometry Of(int width, int height, double bytesPerPixel, int q);
    bool valid() const { return q >= 1 && q <= MaxZones && zoneRows > 0 && zoneBytes > 0 && zonePixels > 0; }
};

// Two frames' rows as bytes: row r of a frame starts at data + r * stride.
struct FramePair {
    const std::uint8_t* a = nullptr;
    std::ptrdiff_t strideA = 0;
    const std::uint8_t* b = nullptr;
    std::ptrdiff_t strideB = 0;
};

// Sets sums to the per-zone sums of |a[x] - b[x]|. Full-frame mode (mask null): every byte 0..N of a
// row counts in zone [x / ZW][r / ZH]. Control-zone mode: the row is walked in runs of ZW bytes starting
// below N, and a run counts whole when its zone is marked in mask and is skipped unread otherwise. Bytes
// of zone columns or rows beyond q (the strips left at the right and bottom edges) count in no zone.
void SumZones(const FramePair& frames, const ZoneGeometry& grid, const ControlZoneGrid* mask, ZoneSums& sums);

// The same sums computed byte by byte, one zone lookup per byte; kept as the reference that the fast
// path is checked against.
void SumZonesPlain(const FramePair& frames, const ZoneGeometry& grid, const ControlZoneGrid* mask,
                   ZoneSums& sums);

// Sum of |a[k] - b[k]| for k < n: vectorised where the processor allows, and plainly.
std::uint64_t SumAbsDiff(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);
std::uint64_t SumAbsDiffPlain(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);

// True when SumAbsDiff uses vector instructions in this build.
bool SumAbsDiffIsVectorised();

} // namespace quelm

#include "detector/zone_sums.h"

#include "core/round.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quelm {

double BytesPerPixel(QImage::Format format) {
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 0.125;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
        return 1;
    case QImage::Format_RGB555:
    case QImage::Format_RGB16:
    case QImage::Format_RGB444:
    case QImage::Format_ARGB4444_Premultiplied:
    case QImage::Format_Grayscale16:
        return 2;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
    case QImage::Format_RGB666:
    case QImage::Format_ARGB6666_Premultiplied:
    case QImage::Format_ARGB8555_Premultiplied:
    case QImage::Format_ARGB8565_Premultiplied:
        return 3;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_BGR30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGB30:
    case QImage::Format_A2RGB30_Premultiplied:
        return 4;
    default:
        return 0;
    }
}

ZoneGeometry ZoneGeometry::Of(int width, int height, double bytesPerPixel, int q) {
    ZoneGeometry g;
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0 || q < 1 || q > MaxZones)
        return g;
    // Round(x - 0.5) with ties to even: the integer part of x, except that an odd whole x gives x - 1.
    g.q = q;
    g.rows = height;
    g.bytesPerPixel = bytesPerPixel;
    g.zoneBytes = static_cast<int>(Round(width * bytesPerPixel / q - 0.5));
    g.zoneRows = static_cast<int>(Round(static_cast<double>(height) / q - 0.5));
    g.zonePixels = static_cast<int>(Round(static_cast<double>(width) / q - 0.5));
    g.lastByte = static_cast<int>(Round((width - 1) * bytesPerPixel));
    return g;
}

std::uint64_t SumAbsDiffPlain(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    std::uint64_t sum = 0;
    for (std::size_t k = 0; k < n; ++k)
        sum += static_cast<std::uint64_t>(std::abs(int{a[k]} - int{b[k]}));
    return sum;
}

#ifdef __SSE2__

namespace {

// Loading 16 bytes at offset r gives lanes 16 - r .. 15 set: the r last bytes of a 16-byte block.
alignas(16) const std::uint8_t kTailMask[32] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

inline __m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Adds the sums of |a[k] - b[k]|, k < n, to the two 64-bit lanes of acc; n >= 16.
inline void AddAbsDiff(__m128i& acc, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    __m128i acc1 = _mm_setzero_si128();
    std::size_t k = 0;
    for (; k + 32 <= n; k += 32) {
        acc = _mm_add_epi64(acc, _mm_sad_epu8(Load(a + k), Load(b + k)));
        acc1 = _mm_add_epi64(acc1, _mm_sad_epu8(Load(a + k + 16), Load(b + k + 16)));
    }
    if (k + 16 <= n) {
        acc = _mm_add_epi64(acc, _mm_sad_epu8(Load(a + k), Load(b + k)));
        k += 16;
    }
    if (const std::size_t rest = n - k; rest > 0) {
        // The last 16 bytes of the range with the lanes already counted masked off: never reads past n,
        // so a zone boundary inside a 16-byte block is exact.
        const __m128i va = Load(a + n - 16);
        const __m128i vb = Load(b + n - 16);
        const __m128i diff = _mm_or_si128(_mm_subs_epu8(va, vb), _mm_subs_epu8(vb, va));
        acc1 = _mm_add_epi64(acc1,
                             _mm_sad_epu8(_mm_and_si128(diff, Load(kTailMask + rest)), _mm_setzero_si128()));
    }
    acc = _mm_add_epi64(acc, acc1);
}

inline std::uint64_t Lanes(__m128i acc) {
    std::uint64_t lanes[2];
    std::memcpy(lanes, &acc, sizeof lanes);
    return lanes[0] + lanes[1];
}

// One running sum per zone column of a band of zone rows, reduced once per band.
class ZoneAccumulators {
public:
    void Reset() {
        for (int i = 0; i < MaxZones; ++i) {
            vector_[i] = _mm_setzero_si128();
            plain_[i] = 0;
        }
    }
    void Add(int i, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
        if (n >= 16)
            AddAbsDiff(vector_[i], a, b, n);
        else
            plain_[i] += SumAbsDiffPlain(a, b, n);
    }
    std::uint64_t Sum(int i) const { return Lanes(vector_[i]) + plain_[i]; }

private:
    __m128i vector_[MaxZones];
    std::uint64_t plain_[MaxZones];
};

} // namespace

std::uint64_t SumAbsDiff(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    if (n < 16)
        return SumAbsDiffPlain(a, b, n);
    __m128i acc = _mm_setzero_si128();
    AddAbsDiff(acc, a, b, n);
    return Lanes(acc);
}

bool SumAbsDiffIsVectorised() {
    return true;
}

#else

namespace {

class ZoneAccumulators {
public:
    void Reset() {
        for (auto& sum : sums_)
            sum = 0;
    }
    void Add(int i, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
        sums_[i] += SumAbsDiffPlain(a, b, n);
    }
    std::uint64_t Sum(int i) const { return sums_[i]; }

private:
    std::uint64_t sums_[MaxZones];
};

} // namespace

std::uint64_t SumAbsDiff(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    return SumAbsDiffPlain(a, b, n);
}

bool SumAbsDiffIsVectorised() {
    return false;
}

#endif

namespace {

void Clear(ZoneSums& sums) {
    std::memset(sums, 0, sizeof(ZoneSums));
}

} // namespace

void SumZones(const FramePair& f, const ZoneGeometry& g, const ControlZoneGrid* mask, ZoneSums& sums) {
    Clear(sums);
    if (!g.valid())
        return;
    const int zw = g.zoneBytes;
    // Full-frame mode reads bytes 0..N of a row, cut at the end of the last zone column. Control-zone mode
    // reads whole runs of ZW bytes that start below N, and only those of marked zones.
    const int limit = std::min(g.lastByte + 1, g.q * zw);
    ZoneAccumulators acc;
    // Row by row through each band of ZH rows (zone row j); rows below the last band count in no zone.
    for (int j = 0; j < g.q; ++j) {
        acc.Reset();
        for (int r = j * g.zoneRows; r < (j + 1) * g.zoneRows; ++r) {
            const std::uint8_t* a = f.a + r * f.strideA;
            const std::uint8_t* b = f.b + r * f.strideB;
            if (mask == nullptr) {
                for (int i = 0, start = 0; i < g.q && start < limit; ++i, start += zw)
                    acc.Add(i, a + start, b + start, static_cast<std::size_t>(std::min(zw, limit - start)));
            } else {
                for (int i = 0, start = 0; i < g.q && start < g.lastByte; ++i, start += zw)
                    if ((*mask)[i][j] != 0)
                        acc.Add(i, a + start, b + start, static_cast<std::size_t>(zw));
            }
        }
        for (int i = 0; i < g.q; ++i)
            sums[i][j] = static_cast<std::int64_t>(acc.Sum(i));
    }
}

void SumZonesPlain(const FramePair& f, const ZoneGeometry& g, const ControlZoneGrid* mask, ZoneSums& sums) {
    Clear(sums);
    if (!g.valid())
        return;
    for (int r = 0; r < g.rows; ++r) {
        const int j = r / g.zoneRows;
        if (j >= g.q)
            continue;
        const std::uint8_t* a = f.a + r * f.strideA;
        const std::uint8_t* b = f.b + r * f.strideB;
        if (mask == nullptr) {
            for (int x = 0; x <= g.lastByte; ++x) {
                const int i = x / g.zoneBytes;
                if (i < g.q)
                    sums[i][j] += std::abs(int{a[x]} - int{b[x]});
            }
        } else {
            for (int x = 0; x < g.lastByte; x += g.zoneBytes) {
                const int i = x / g.zoneBytes;
                if (i >= g.q || (*mask)[i][j] == 0)
                    continue;
                for (int k = 0; k < g.zoneBytes; ++k)
                    sums[i][j] += std::abs(int{a[x + k]} - int{b[x + k]});
            }
        }
    }
}

} // namespace quelm

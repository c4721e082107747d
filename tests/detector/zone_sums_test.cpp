#include "detector/zone_sums.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using namespace quelm;

TEST(SumAbsDiff, VectorAndPlainAgreeForEveryLengthAndOffset) {
    std::mt19937 random(1);
    std::vector<std::uint8_t> a(300), b(300);
    for (auto& v : a)
        v = static_cast<std::uint8_t>(random());
    for (auto& v : b)
        v = static_cast<std::uint8_t>(random());
    b[17] = 255; // extremes in both directions
    a[17] = 0;
    a[18] = 255;
    b[18] = 0;
    for (std::size_t offset = 0; offset < 17; ++offset)
        for (std::size_t n = 0; offset + n <= a.size(); ++n)
            ASSERT_EQ(SumAbsDiff(a.data() + offset, b.data() + offset, n),
                      SumAbsDiffPlain(a.data() + offset, b.data() + offset, n))
                << "offset " << offset << " length " << n;
}

TEST(ZoneGeometry, RoundsDownExceptOddWholeQuotients) {
    const struct {
        int width, height;
        double bytesPerPixel;
        int q;
        int zoneBytes, zoneRows, zonePixels, lastByte;
    } cases[] = {
        {320, 240, 3, 15, 64, 16, 21, 957}, {320, 240, 3, 12, 80, 20, 26, 957},
        {320, 240, 3, 16, 60, 14, 20, 957}, {352, 288, 3, 20, 52, 14, 17, 1053},
        {4, 4, 1, 2, 2, 2, 2, 3},           {64, 16, 0.125, 2, 4, 8, 32, 8},
    };
    for (const auto& c : cases) {
        const ZoneGeometry g = ZoneGeometry::Of(c.width, c.height, c.bytesPerPixel, c.q);
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " q " << c.q);
        EXPECT_TRUE(g.valid());
        EXPECT_EQ(g.zoneBytes, c.zoneBytes);
        EXPECT_EQ(g.zoneRows, c.zoneRows);
        EXPECT_EQ(g.zonePixels, c.zonePixels);
        EXPECT_EQ(g.lastByte, c.lastByte);
    }
}

// The fast zone walk against the byte-by-byte reference, on random frames of odd sizes, strides and
// masks, in both modes: every zone sum must be identical.
TEST(SumZones, FastAndPlainGiveIdenticalSums) {
    std::mt19937 random(42);
    const double formats[] = {0.125, 1, 2, 3, 4};
    for (int round = 0; round < 300; ++round) {
        const double bpp = formats[random() % 5];
        const int q = 1 + static_cast<int>(random() % MaxZones);
        const int width = q + 1 + static_cast<int>(random() % (bpp < 1 ? 400 : 150));
        const int height = q + 1 + static_cast<int>(random() % 60);
        const int rowBytes = static_cast<int>((width * bpp) + 0.999);
        const std::ptrdiff_t strideA = rowBytes + static_cast<int>(random() % 5);
        const std::ptrdiff_t strideB = rowBytes + static_cast<int>(random() % 5);
        std::vector<std::uint8_t> a(static_cast<std::size_t>(strideA * height));
        std::vector<std::uint8_t> b(static_cast<std::size_t>(strideB * height));
        for (auto& v : a)
            v = static_cast<std::uint8_t>(random());
        for (auto& v : b)
            v = static_cast<std::uint8_t>(random());
        ControlZoneGrid mask{};
        for (auto& column : mask)
            for (auto& entry : column)
                entry = static_cast<std::uint8_t>(random() % 2);
        const ZoneGeometry grid = ZoneGeometry::Of(width, height, bpp, q);
        if (!grid.valid())
            continue;
        const FramePair frames{a.data(), strideA, b.data(), strideB};
        const ControlZoneGrid* modes[] = {nullptr, &mask};
        for (const ControlZoneGrid* m : modes) {
            ZoneSums fast, plain;
            SumZones(frames, grid, m, fast);
            SumZonesPlain(frames, grid, m, plain);
            for (int i = 0; i < MaxZones; ++i)
                for (int j = 0; j < MaxZones; ++j)
                    ASSERT_EQ(fast[i][j], plain[i][j])
                        << width << "x" << height << " B " << bpp << " q " << q << (m ? " control" : " full")
                        << " zone " << i + 1 << "," << j + 1;
        }
    }
}

TEST(SumZones, LargeZonesDoNotOverflow) {
    // One zone of 3000 x 3000 bytes, all changed by 255: 2.3e9, beyond a 32-bit sum.
    const int side = 3000;
    std::vector<std::uint8_t> a(static_cast<std::size_t>(side) * side, 0), b(a.size(), 255);
    const ZoneGeometry grid = ZoneGeometry::Of(side, side, 1, 1);
    ZoneSums sums;
    SumZones({a.data(), side, b.data(), side}, grid, nullptr, sums);
    // Full-frame mode reads bytes 0..N = 2999 of each row: the whole row.
    EXPECT_EQ(sums[0][0], std::int64_t{255} * side * side);
}

} // namespace

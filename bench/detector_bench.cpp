// The cost of one comparison of two frames on the GUI thread, beside the memory-bound floor: a plain
// sum of absolute differences over the two whole buffers. Bytes processed count both frames.
#include "detector/alg_thread.h"
#include "detector/zone_sums.h"

#include <QImage>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

using quelm::AlgThread;

// Two 24-bit frames of camera-like content: noise, with the second one changed in places.
struct FramePairFixture {
    QImage a, b;
    FramePairFixture(int width, int height) {
        a = QImage(width, height, QImage::Format_BGR888);
        b = QImage(width, height, QImage::Format_BGR888);
        std::mt19937 random(5);
        for (int r = 0; r < height; ++r) {
            std::uint8_t* pa = a.scanLine(r);
            std::uint8_t* pb = b.scanLine(r);
            for (int x = 0; x < a.bytesPerLine(); ++x) {
                pa[x] = static_cast<std::uint8_t>(random());
                pb[x] = static_cast<std::uint8_t>(pa[x] + (random() % 8 == 0 ? random() : 0));
            }
        }
    }
    std::int64_t Bytes() const { return 2 * a.sizeInBytes(); }
};

const FramePairFixture& Frames(int width) {
    static const FramePairFixture vga(640, 480), hd(1280, 720), fullHd(1920, 1080);
    return width == 640 ? vga : width == 1280 ? hd : fullHd;
}

void Compare(benchmark::State& state, bool fullFrame) {
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    AlgThread alg;
    alg.Image[0] = frames.a;
    alg.Image[1] = frames.b;
    alg.qzones = static_cast<std::uint8_t>(state.range(2));
    alg.FullFrame = fullFrame;
    for (int i = 0; i < alg.qzones; ++i) // half the zones, as a checkerboard
        for (int j = 0; j < alg.qzones; ++j)
            alg.ControlZone[i][j] = (i + j) % 2;
    for (auto _ : state) {
        alg.CompareFrames();
        benchmark::DoNotOptimize(alg.alg_result);
    }
    state.SetBytesProcessed(state.iterations() * frames.Bytes());
}

void BM_CompareFullFrame(benchmark::State& state) {
    Compare(state, true);
}
void BM_CompareControlZoneHalf(benchmark::State& state) {
    Compare(state, false);
}

void BM_WholeBufferSad(benchmark::State& state) {
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(quelm::SumAbsDiff(frames.a.constBits(), frames.b.constBits(),
                                                   static_cast<std::size_t>(frames.a.sizeInBytes())));
    state.SetBytesProcessed(state.iterations() * frames.Bytes());
}

// The byte-by-byte zone walk, for comparison with the fast one.
void BM_ComparePlainFullFrame(benchmark::State& state) {
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    const auto grid =
        quelm::ZoneGeometry::Of(frames.a.width(), frames.a.height(), 3, static_cast<int>(state.range(2)));
    const quelm::FramePair pair{frames.a.constBits(), frames.a.bytesPerLine(), frames.b.constBits(),
                                frames.b.bytesPerLine()};
    quelm::ZoneSums sums;
    for (auto _ : state) {
        quelm::SumZonesPlain(pair, grid, nullptr, sums);
        benchmark::DoNotOptimize(sums);
    }
    state.SetBytesProcessed(state.iterations() * frames.Bytes());
}

// The fastest repetition is the least disturbed by other work on the machine.
double Fastest(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (auto [w, h] : {std::pair{640, 480}, {1280, 720}, {1920, 1080}})
        for (int q : {12, 20})
            b->Args({w, h, q});
    b->ArgNames({"w", "h", "q"})->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);
}

void FloorSizes(benchmark::internal::Benchmark* b) {
    for (auto [w, h] : {std::pair{640, 480}, {1280, 720}, {1920, 1080}})
        b->Args({w, h});
    b->ArgNames({"w", "h"})->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);
}

BENCHMARK(BM_WholeBufferSad)->Apply(FloorSizes);
BENCHMARK(BM_CompareFullFrame)->Apply(Sizes);
BENCHMARK(BM_CompareControlZoneHalf)->Apply(Sizes);
BENCHMARK(BM_ComparePlainFullFrame)
    ->Args({1920, 1080, 12})
    ->ArgNames({"w", "h", "q"})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

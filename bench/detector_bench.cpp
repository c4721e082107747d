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

// Which half of the zones the control zone holds: the top rows of zones (whole rows skipped), the left
// columns (the right half of every row skipped) or every other zone.
enum class Marked { All, TopHalf, LeftHalf, Checkerboard };

void Compare(benchmark::State& state, Marked marked) {
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    AlgThread alg;
    alg.Image[0] = frames.a;
    alg.Image[1] = frames.b;
    alg.qzones = static_cast<std::uint8_t>(state.range(2));
    alg.FullFrame = marked == Marked::All;
    for (int i = 0; i < alg.qzones; ++i)
        for (int j = 0; j < alg.qzones; ++j)
            alg.ControlZone[i][j] = marked == Marked::TopHalf    ? 2 * j < alg.qzones
                                    : marked == Marked::LeftHalf ? 2 * i < alg.qzones
                                                                 : (i + j) % 2;
    for (auto _ : state) {
        alg.CompareFrames();
        benchmark::DoNotOptimize(alg.alg_result);
    }
    state.SetBytesProcessed(state.iterations() * frames.Bytes());
    state.SetLabel(quelm::SumAbsDiffIsVectorised() ? "sse2" : "plain");
}

void BM_CompareFullFrame(benchmark::State& state) {
    Compare(state, Marked::All);
}
void BM_CompareControlZoneHalfTop(benchmark::State& state) {
    Compare(state, Marked::TopHalf);
}
void BM_CompareControlZoneHalfCheckerboard(benchmark::State& state) {
    Compare(state, Marked::Checkerboard);
}
void BM_CompareControlZoneHalfLeft(benchmark::State& state) {
    Compare(state, Marked::LeftHalf);
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
BENCHMARK(BM_CompareControlZoneHalfTop)->Apply(Sizes);
BENCHMARK(BM_CompareControlZoneHalfCheckerboard)->Apply(Sizes);
BENCHMARK(BM_CompareControlZoneHalfLeft)->Apply(Sizes);
BENCHMARK(BM_ComparePlainFullFrame)
    ->Args({1920, 1080, 12})
    ->ArgNames({"w", "h", "q"})
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

} // namespace

BENCHMARK_MAIN();

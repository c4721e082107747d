// Cost of an alert snapshot: encoding a 640 x 480 camera picture as a quality-80 JPEG, and encoding it
// and writing it safely (temporary file, sync, rename) into a records folder, and the part of that an alert
// start does on the GUI thread. Goal: under 5 ms.
#include "alert/snapshot.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

// A camera-like picture: smooth shading with a few edges and sensor noise, 24-bit BGR as grabbed.
QImage CameraPicture() {
    QImage image(640, 480, QImage::Format_BGR888);
    QRandomGenerator noise(42);
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int n = static_cast<int>(noise.bounded(9)) - 4;
            const int edge = ((x / 80 + y / 60) % 2) * 40;
            row[3 * x + 0] = static_cast<uchar>(std::clamp(60 + x / 5 + edge + n, 0, 255));
            row[3 * x + 1] = static_cast<uchar>(std::clamp(80 + y / 4 + edge + n, 0, 255));
            row[3 * x + 2] = static_cast<uchar>(std::clamp(100 + (x + y) / 8 + n, 0, 255));
        }
    }
    return image;
}

// The records folder is QUELM_BENCH_RECORDS when set (to measure a real disk), else a temporary folder.
QString BenchRecordPath(const QTemporaryDir& temp) {
    const char* chosen = std::getenv("QUELM_BENCH_RECORDS");
    const QString folder = chosen ? QString::fromLocal8Bit(chosen) : temp.path();
    return quelm::RecordPath(folder, "Warning_cam1_bench", ".jpg");
}

void BM_EncodeSnapshot(benchmark::State& state) {
    const QImage picture = CameraPicture();
    QByteArray jpeg;
    QString error;
    for (auto _ : state) {
        if (!quelm::EncodeJpeg(picture, quelm::SnapshotQuality, jpeg, error))
            state.SkipWithError(error.toUtf8().constData());
        benchmark::DoNotOptimize(jpeg.data());
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}
BENCHMARK(BM_EncodeSnapshot)->Unit(benchmark::kMillisecond);

void BM_WriteSnapshot(benchmark::State& state) {
    const QImage picture = CameraPicture();
    QTemporaryDir temp;
    const QString path = BenchRecordPath(temp);
    for (auto _ : state) {
        const quelm::SnapshotResult r = quelm::WriteSnapshot(picture, path);
        if (!r.Written())
            state.SkipWithError(r.reason.toUtf8().constData());
    }
    QFile::remove(path);
}
BENCHMARK(BM_WriteSnapshot)->Unit(benchmark::kMillisecond);

// The half an alert start runs on the GUI thread: encoding and writing into a temporary file beside the
// record; the sync and the rename run on a worker and are not timed here.
void BM_StageSnapshot(benchmark::State& state) {
    const QImage picture = CameraPicture();
    QTemporaryDir temp;
    const QString path = BenchRecordPath(temp);
    for (auto _ : state) {
        quelm::StagedSnapshot staged;
        const quelm::SnapshotResult r = quelm::StageSnapshot(picture, path, staged);
        if (!r.Written())
            state.SkipWithError(r.reason.toUtf8().constData());
        state.PauseTiming();
        staged = quelm::StagedSnapshot(); // dropped: the temporary file goes
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StageSnapshot)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

#include "alert/snapshot.h"

#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <csignal>
#include <cstdint>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vector>

namespace {

using quelm::RecordPath;
using quelm::RecordStem;
using quelm::SnapshotResult;
using quelm::WriteSnapshot;
using quelm::test::TempDir;

// ---- names ----

TEST(SnapshotNames, StemHasCameraDateAndTimeWithLeadingZeros) {
    const struct {
        int camera;
        QDateTime at;
        const char* stem;
    } cases[] = {
        {1, QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3)), "Warning_cam1_2026.12.10_090503"},
        {2, QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3)), "Warning_cam2_2026.12.10_090503"},
        {1, QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0)), "Warning_cam1_2027.01.01_000000"},
        {2, QDateTime(QDate(999, 3, 4), QTime(23, 59, 59)), "Warning_cam2_0999.03.04_235959"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordStem(c.camera, c.at), QString::fromLatin1(c.stem));
}

TEST(SnapshotNames, StemUsesLocalTimeWhateverTheClockReadingsZone) {
    const QDateTime local(QDate(2026, 6, 30), QTime(23, 59, 58));
    EXPECT_EQ(RecordStem(1, local.toUTC()), RecordStem(1, local));
}

TEST(SnapshotNames, PathJoinsFolderStemAndExtension) {
    const struct {
        const char* folder;
        const char* path;
    } cases[] = {
        {"/srv/records/", "/srv/records/Warning_cam1_2026.12.10_090503.jpg"},
        {"/srv/records", "/srv/records/Warning_cam1_2026.12.10_090503.jpg"},
        {"", "Warning_cam1_2026.12.10_090503.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordPath(QString::fromLatin1(c.folder), "Warning_cam1_2026.12.10_090503", ".jpg"),
                  QString::fromLatin1(c.path));
}

// ---- the JPEG file ----

// Quantisation tables of the JPEG standard's example (Annex K), in natural order, and the order in
// which a DQT segment stores the 64 values.
constexpr std::array<int, 64> kLuminance = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};
constexpr std::array<int, 64> kChrominance = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                              24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                              99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                              99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
constexpr std::array<int, 64> kZigzag = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                         12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                         35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                         58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The standard tables scaled to a quality, as every libjpeg-compatible encoder scales them.
std::array<int, 64> ScaledZigzag(const std::array<int, 64>& table, int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    std::array<int, 64> out{};
    for (int k = 0; k < 64; ++k)
        out[k] = std::clamp((table[kZigzag[k]] * scale + 50) / 100, 1, 255);
    return out;
}

struct JpegHeader {
    std::vector<int> frameMarkers; // every SOFn found
    int width = 0, height = 0, components = 0;
    std::vector<std::array<int, 64>> tables; // DQT tables by destination id
    bool eightBitTables = true;
    bool complete = false; // SOI at the start and EOI at the end
};

JpegHeader ParseHeader(const QByteArray& file) {
    JpegHeader h;
    const auto byte = [&](qsizetype i) { return static_cast<int>(static_cast<unsigned char>(file[i])); };
    if (file.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return h;
    h.complete = byte(file.size() - 2) == 0xFF && byte(file.size() - 1) == 0xD9;
    qsizetype i = 2;
    while (i + 4 <= file.size() && byte(i) == 0xFF) {
        const int marker = byte(i + 1);
        const int length = byte(i + 2) << 8 | byte(i + 3);
        const qsizetype body = i + 4;
        if (marker == 0xDA || body + length - 2 > file.size())
            break; // entropy-coded data follows
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            h.frameMarkers.push_back(marker);
            h.height = byte(body + 1) << 8 | byte(body + 2);
            h.width = byte(body + 3) << 8 | byte(body + 4);
            h.components = byte(body + 5);
        }
        if (marker == 0xDB) {
            for (qsizetype p = body; p < body + length - 2;) {
                const int precision = byte(p) >> 4, id = byte(p) & 15;
                ++p;
                if (static_cast<int>(h.tables.size()) <= id)
                    h.tables.resize(id + 1);
                for (int k = 0; k < 64; ++k)
                    h.tables[id][k] = precision ? byte(p + 2 * k) << 8 | byte(p + 2 * k + 1) : byte(p + k);
                h.eightBitTables = h.eightBitTables && precision == 0;
                p += precision ? 128 : 64;
            }
        }
        i = body + length - 2;
    }
    return h;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Four quadrants of distinct colours, so a swap of channels or rows shows in the decoded picture.
QImage Quadrants(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGB888);
    const QRgb colours[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(20, 40, 210), qRgb(240, 240, 240)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y >= height / 2) * 2 + (x >= width / 2)]);
    return image.convertToFormat(format);
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

TEST(SnapshotFile, IsBaselineJpegOfQuality80AtThePicturesSize) {
    const struct {
        QImage::Format format;
        int width, height;
    } cases[] = {
        {QImage::Format_BGR888, 640, 480}, // what the capture component grabs
        {QImage::Format_RGB888, 33, 17},   {QImage::Format_RGB32, 641, 32},
        {QImage::Format_ARGB32, 48, 48},   {QImage::Format_Grayscale8, 100, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " " << c.width << "x" << c.height);
        TempDir dir;
        const QString path = dir.file("Warning_cam1_2026.12.10_090503.jpg");
        const QImage picture = Quadrants(c.width, c.height, c.format);

        const SnapshotResult r = WriteSnapshot(picture, path);
        ASSERT_TRUE(r.Written()) << r.reason.toStdString();
        EXPECT_EQ(r.path, path);
        EXPECT_TRUE(r.reason.isEmpty());
        EXPECT_EQ(Entries(dir.path()),
                  QStringList{"Warning_cam1_2026.12.10_090503.jpg"}); // no temporary left

        const QByteArray file = ReadAll(path);
        const JpegHeader h = ParseHeader(file);
        EXPECT_TRUE(h.complete);
        EXPECT_EQ(h.frameMarkers, std::vector<int>{0xC0}); // baseline only: not progressive, not extended
        EXPECT_EQ(h.width, c.width);
        EXPECT_EQ(h.height, c.height);
        EXPECT_EQ(h.components, 3);
        ASSERT_EQ(h.tables.size(), 2u);
        EXPECT_TRUE(h.eightBitTables);
        EXPECT_EQ(h.tables[0], ScaledZigzag(kLuminance, 80));
        EXPECT_EQ(h.tables[1], ScaledZigzag(kChrominance, 80));

        const QImage decoded = QImage::fromData(file, "JPEG");
        ASSERT_FALSE(decoded.isNull());
        ASSERT_EQ(decoded.size(), picture.size());
        for (const QPoint p :
             {QPoint(c.width / 4, c.height / 4), QPoint(3 * c.width / 4, c.height / 4),
              QPoint(c.width / 4, 3 * c.height / 4), QPoint(3 * c.width / 4, 3 * c.height / 4)}) {
            const QRgb want = picture.pixel(p), got = decoded.pixel(p);
            EXPECT_NEAR(qRed(got), qRed(want), 16) << p.x() << "," << p.y();
            EXPECT_NEAR(qGreen(got), qGreen(want), 16) << p.x() << "," << p.y();
            EXPECT_NEAR(qBlue(got), qBlue(want), 16) << p.x() << "," << p.y();
        }
    }
}

TEST(SnapshotFile, ReplacesAnEarlierFileOfTheSameName) {
    TempDir dir;
    const QString path = dir.file("Warning_cam2_2026.12.10_090503.jpg");
    ASSERT_TRUE(WriteSnapshot(Quadrants(64, 48, QImage::Format_BGR888), path).Written());
    ASSERT_TRUE(WriteSnapshot(Quadrants(32, 24, QImage::Format_BGR888), path).Written());
    EXPECT_EQ(QImage::fromData(ReadAll(path), "JPEG").size(), QSize(32, 24));
    EXPECT_EQ(Entries(dir.path()).size(), 1);
}

TEST(SnapshotFile, EmptyPictureWritesNothingAndSaysSo) {
    TempDir dir;
    const QString path = dir.file("Warning_cam1_2026.12.10_090503.jpg");
    const SnapshotResult r = WriteSnapshot(QImage(), path);
    EXPECT_EQ(r.status, SnapshotResult::Status::NoPicture);
    EXPECT_FALSE(r.Written());
    EXPECT_TRUE(r.reason.contains("no picture")) << r.reason.toStdString();
    EXPECT_TRUE(Entries(dir.path()).isEmpty());
}

// ---- failures ----

TEST(SnapshotFailure, UnwritablePlaceFailsWithThePathAndLeavesNoFile) {
    TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.jpg"));
    QFile plain(dir.file("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QStringList before = Entries(dir.path());

    const struct {
        const char* name;
        const char* cause;
    } cases[] = {
        {"missing/Warning_cam1_2026.12.10_090503.jpg", "does not exist"}, // records folder missing
        {"taken.jpg", "folder of that name"},                             // a folder holds the name
        {"plain/Warning_cam1_2026.12.10_090503.jpg", "is not a folder"},  // the "folder" is a file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(c.name);
        const SnapshotResult r = WriteSnapshot(Quadrants(64, 48, QImage::Format_BGR888), path);
        EXPECT_EQ(r.status, SnapshotResult::Status::Failed);
        EXPECT_EQ(r.path, path);
        EXPECT_TRUE(r.reason.contains(path)) << r.reason.toStdString();
        EXPECT_TRUE(r.reason.contains(c.cause)) << r.reason.toStdString();
        EXPECT_EQ(Entries(dir.path()), before);
        EXPECT_TRUE(Entries(dir.file("taken.jpg")).isEmpty());
    }
}

// A write that stops part-way, as on a full disk. The process's file-size limit makes write() fail
// with EFBIG after the first bytes, for root too, on any file system.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN); // else the signal ends the process
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

TEST(SnapshotFailure, WriteThatStopsPartWayKeepsTheOldFileWhole) {
    TempDir dir;
    const QString path = dir.file("Warning_cam1_2026.12.10_090503.jpg");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier record");
    }
    QImage noise(640, 480, QImage::Format_BGR888); // does not compress below the limit
    for (int y = 0; y < noise.height(); ++y)
        QRandomGenerator(7 + y).fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), 640 * 3 / 4);

    SnapshotResult r;
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.ok());
        r = WriteSnapshot(noise, path);
    }
    EXPECT_EQ(r.status, SnapshotResult::Status::Failed);
    EXPECT_TRUE(r.reason.contains(path)) << r.reason.toStdString();
    EXPECT_TRUE(r.reason.contains(qt_error_string(EFBIG))) << r.reason.toStdString();
    EXPECT_EQ(ReadAll(path), QByteArray("earlier record"));
    EXPECT_EQ(Entries(dir.path()), QStringList{"Warning_cam1_2026.12.10_090503.jpg"});
}

TEST(SnapshotFailure, EncoderErrorIsReportedNotFatal) {
    // Wider than any JPEG frame may be: the encoder refuses it from inside the library.
    TempDir dir;
    const QString path = dir.file("Warning_cam1_2026.12.10_090503.jpg");
    QImage wide(70000, 1, QImage::Format_BGR888);
    wide.fill(Qt::gray);
    const SnapshotResult r = WriteSnapshot(wide, path);
    EXPECT_EQ(r.status, SnapshotResult::Status::Failed);
    EXPECT_TRUE(r.reason.contains(path)) << r.reason.toStdString();
    EXPECT_TRUE(r.reason.contains("encoder")) << r.reason.toStdString();
    EXPECT_TRUE(Entries(dir.path()).isEmpty());
}

// ---- written in two halves ----

TEST(SnapshotStaged, TheRecordNameAppearsOnlyWithTheCommitAndADroppedStageLeavesNothing) {
    TempDir dir;
    const QString path = dir.file("Warning_cam1_2026.12.10_090503.jpg");
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier record");
    }
    const QImage picture = Quadrants(64, 48, QImage::Format_BGR888);

    quelm::StagedSnapshot dropped;
    ASSERT_TRUE(quelm::StageSnapshot(picture, path, dropped).Written());
    EXPECT_TRUE(dropped.IsStaged());
    EXPECT_EQ(ReadAll(path), QByteArray("earlier record")) << "staging touched the record";
    dropped = quelm::StagedSnapshot();
    EXPECT_EQ(Entries(dir.path()), QStringList{"Warning_cam1_2026.12.10_090503.jpg"});

    quelm::StagedSnapshot staged;
    ASSERT_TRUE(quelm::StageSnapshot(picture, path, staged).Written());
    quelm::StagedSnapshot moved = std::move(staged); // handed to another thread this way
    EXPECT_FALSE(staged.IsStaged());
    const SnapshotResult done = quelm::CommitSnapshot(std::move(moved));
    ASSERT_TRUE(done.Written()) << done.reason.toStdString();
    EXPECT_EQ(QImage::fromData(ReadAll(path), "JPEG").size(), QSize(64, 48));
    EXPECT_EQ(Entries(dir.path()), QStringList{"Warning_cam1_2026.12.10_090503.jpg"});

    // Staging fails where a plain write fails, and nothing is left to commit.
    quelm::StagedSnapshot none;
    const SnapshotResult missing = quelm::StageSnapshot(picture, dir.file("gone/x.jpg"), none);
    EXPECT_EQ(missing.status, SnapshotResult::Status::Failed);
    EXPECT_TRUE(missing.reason.contains("does not exist")) << missing.reason.toStdString();
    EXPECT_FALSE(quelm::CommitSnapshot(std::move(none)).Written());
}

} // namespace

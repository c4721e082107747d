// Alerts end to end, on the offscreen platform with cameras fed frame by frame: the start reactions
// (status icon, alert window, log, JPEG snapshot, clip, sound), the stop reactions (log, watch off, clip
// closed, window hidden, restore), their timing, and what happens when the records cannot be written.
#include "alerts_feed.h"
#include "capture/capture_fixture.h"
#include "mainwin_station.h"

#include "alert/alerter.h"
#include "detector/alg_thread.h"
#include "platform/sound_player.h"
#include "ui/stretched_image.h"
#include "ui/warning_form.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

using namespace quelm;
using quelm::test::CameraFeed;
using quelm::test::Click;
using quelm::test::Spin;
using quelm::test::Station;
using quelm::test::WaitFor;

const QString kWatchOn = QStringLiteral("Watch enabled.");
const QString kWatchOff = QStringLiteral("Watch disabled.");
const QString kStartRec = QStringLiteral("Warning! Start record.");
const QString kStopRec = QStringLiteral("Stop record.");

struct Entry {
    QString text;
    int kind;
    qint64 at; // the feed's clock
};

// A station whose cameras are fed by the test, with an alert window and a records folder.
class AlertStation {
public:
    explicit AlertStation(bool secondCamera = false)
        : st(nullptr) {
        qputenv("QUELM_VIRTUAL_CAMERAS", quelm::test::FedCameras());
        records = st.File("records");
        QDir().mkpath(records);
        st.Set("quelm", "manual", "0");
        st.Set("quelm", "savefolder", records);
        st.Set("quelm", "minvidlength", "1");
        st.SetCameraConfig(1, "cam1");
        if (secondCamera)
            st.SetCameraConfig(2, "cam2");
    }

    void Start() {
        st.Create();
        TQuelmForm& f = *st.form;
        warning = std::make_unique<TWarningForm>();
        f.SetWarningForm(warning.get());
        warning->installEventFilter(&showCounter);
        feed = std::make_unique<CameraFeed>(std::array<TVideoCapture*, 2>{f.VideoCapture1, f.VideoCapture2});
        const auto recorded = f.OnLogEntry;
        f.OnLogEntry = [this, recorded](const QString& text, std::uint8_t kind) {
            recorded(text, kind);
            log.push_back({text, kind, feed->Clock()});
        };
        st.Show();
    }

    // Waits for the n-th log entry with this text; its instant on the feed's clock, or -1.
    qint64 WaitForEntry(const QString& text, int n, int timeoutMs) {
        qint64 at = -1;
        WaitFor(
            [&] {
                int seen = 0;
                for (const Entry& e : log)
                    if (e.text == text && ++seen == n) {
                        at = e.at;
                        return true;
                    }
                return false;
            },
            timeoutMs);
        return at;
    }

    // The watch and alert entries in order, as "text/kind".
    QStringList Story() const {
        QStringList out;
        for (const Entry& e : log)
            if (e.text == kWatchOn || e.text == kWatchOff || e.text == kStartRec || e.text == kStopRec)
                out << e.text + QStringLiteral("/") + QString::number(e.kind);
        return out;
    }

    std::vector<Entry> Errors() const {
        std::vector<Entry> out;
        std::copy_if(log.begin(), log.end(), std::back_inserter(out),
                     [](const Entry& e) { return e.kind == 2; });
        return out;
    }

    QStringList RecordFiles() const {
        return QDir(records).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // Counts the alert window's show events.
    class ShowCounter : public QObject {
    public:
        int shows = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            shows += event->type() == QEvent::Show;
            return false;
        }
    } showCounter;

    // Declared before the station, so that they outlive the close sequence its end runs.
    std::vector<Entry> log;
    quelm::test::RecordedMessages captureBoxes;
    std::unique_ptr<TWarningForm> warning;
    std::unique_ptr<CameraFeed> feed;
    Station st;
    QString records;
};

#define REQUIRE_CAMERAS()                                                                                    \
    if (!Station::CamerasAvailable())                                                                        \
    GTEST_SKIP() << "the capture component lists no virtual camera here"

// ---- the JPEG file

constexpr std::array<int, 64> kLuminance = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};

struct JpegFacts {
    bool complete = false;
    std::vector<int> frameMarkers;
    int width = 0, height = 0;
    std::vector<int> luminance; // table 0 in natural order
};

JpegFacts ReadJpeg(const QString& path) {
    QFile f(path);
    JpegFacts j;
    if (!f.open(QIODevice::ReadOnly))
        return j;
    const QByteArray b = f.readAll();
    const auto at = [&](qsizetype i) { return static_cast<int>(static_cast<unsigned char>(b[i])); };
    if (b.size() < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return j;
    j.complete = at(b.size() - 2) == 0xFF && at(b.size() - 1) == 0xD9;
    static constexpr int zigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                       12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                       35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                       58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    for (qsizetype i = 2; i + 4 <= b.size() && at(i) == 0xFF;) {
        const int marker = at(i + 1), length = at(i + 2) << 8 | at(i + 3);
        const qsizetype body = i + 4;
        if (marker == 0xDA)
            break;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            j.frameMarkers.push_back(marker);
            j.height = at(body + 1) << 8 | at(body + 2);
            j.width = at(body + 3) << 8 | at(body + 4);
        }
        if (marker == 0xDB && (at(body) & 15) == 0 && (at(body) >> 4) == 0) {
            j.luminance.assign(64, 0);
            for (int k = 0; k < 64; ++k)
                j.luminance[zigzag[k]] = at(body + 1 + k);
        }
        i = body + length - 2;
    }
    return j;
}

std::vector<int> LuminanceAtQuality(int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    std::vector<int> out;
    for (int v : kLuminance)
        out.push_back(std::clamp((v * scale + 50) / 100, 1, 255));
    return out;
}

// Two seconds of silence as a PCM WAV file.
void WriteWav(const QString& path) {
    const int rate = 8000, samples = rate * 2;
    QByteArray b;
    const auto u32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const auto u16 = [&](quint16 v) {
        b.append(static_cast<char>(v & 0xFF));
        b.append(static_cast<char>(v >> 8));
    };
    b.append("RIFF");
    u32(36 + samples * 2);
    b.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    b.append("data");
    u32(samples * 2);
    b.append(QByteArray(samples * 2, '\0'));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

TEST(AlertsEndToEnd, MotionRaisesAnAlertWithSnapshotClipAndSoundAndTheRestoreWatchesAgain) {
    AlertStation a;
    REQUIRE_CAMERAS();
    const QString wav = a.st.File("alarm.wav");
    WriteWav(wav);
    a.st.Set("quelm", "minvidlength", "2");
    a.st.Set("quelm", "PlayWAV", "1");
    a.st.Set("quelm", "PlayWAVFileName", wav);
    a.Start();
    TQuelmForm& f = *a.st.form;
    ASSERT_GE(a.WaitForEntry(kWatchOn, 1, 6000), 0);

    // A still scene raises nothing.
    Spin(700);
    EXPECT_EQ(a.st.Count(kStartRec), 0);

    a.feed->SetMoving(1, true);
    const qint64 startAt = a.WaitForEntry(kStartRec, 1, 3000);
    ASSERT_GE(startAt, 0) << "no alert from the motion";
    const qint64 latency = startAt - a.feed->FirstMovingFrameAt(1);
    EXPECT_LT(latency, 1000) << "a loose bound; the benchmark measures the real figure";
    EXPECT_TRUE(f.AlerterOf(1)->Alerted());
    EXPECT_EQ(f.StatusIcon(), 3);
    EXPECT_TRUE(a.warning->isVisible());
    EXPECT_TRUE(f.AlertSound()->IsPlaying());
    const QString jpg = f.LastSnapshotPath;
    EXPECT_TRUE(QFileInfo(jpg).fileName().startsWith("Warning_cam1_")) << jpg.toStdString();
    EXPECT_EQ(QFileInfo(jpg).absolutePath(), QFileInfo(a.records).absoluteFilePath());
    QString avi = jpg;
    avi.replace(".jpg", ".avi");
    EXPECT_TRUE(f.VideoCapture1->Capturing());
    EXPECT_EQ(f.VideoCapture1->CaptureFileName(), avi);

    // Motion goes on for 1.5 s and every report prolongs the alert; then the scene is still again.
    Spin(1500);
    a.feed->SetMoving(1, false);
    EXPECT_EQ(a.st.Count(kStopRec), 0);
    const qint64 stopAt = a.WaitForEntry(kStopRec, 1, 5000);
    ASSERT_GE(stopAt, 0);
    const qint64 lastMotion = a.feed->LastMovingFrameAt(1);
    EXPECT_GE(stopAt - lastMotion, 2000 - 50);
    EXPECT_LE(stopAt - lastMotion, 2000 + 700) << "ends AlertLength after the last changed frames were seen";
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_FALSE(f.VideoCapture1->Capturing());
    EXPECT_EQ(f.VideoCapture1->CaptureFileName(), "def_capture1.avi");
    EXPECT_FALSE(a.warning->isVisible());
    EXPECT_TRUE(f.RestoreTimer1->isActive());
    EXPECT_EQ(f.RestoreTimer1->interval(), 1500);

    const qint64 againAt = a.WaitForEntry(kWatchOn, 2, 6000);
    ASSERT_GE(againAt, 0) << "the restore did not watch again";
    EXPECT_GE(againAt - stopAt, 3600 - 50);
    EXPECT_LE(againAt - stopAt, 3600 + 700);
    EXPECT_TRUE(f.WatchOn(1));
    EXPECT_EQ(a.Story(), QStringList({kWatchOn + "/1", kStartRec + "/1", kStopRec + "/1", kWatchOff + "/1",
                                      kWatchOn + "/1"}));

    // The snapshot: a complete baseline JPEG of quality 80 at the picture's size, nothing left beside it.
    f.WaitForSnapshots();
    const JpegFacts j = ReadJpeg(jpg);
    EXPECT_TRUE(j.complete);
    EXPECT_EQ(j.frameMarkers, std::vector<int>{0xC0});
    EXPECT_EQ(j.width, quelm::test::kFeedWidth);
    EXPECT_EQ(j.height, quelm::test::kFeedHeight);
    EXPECT_EQ(j.luminance, LuminanceAtQuality(80));
    EXPECT_EQ(a.RecordFiles(), QStringList({QFileInfo(avi).fileName(), QFileInfo(jpg).fileName()}));

    // The clip: a valid AVI at the camera's size that lasts as long as the alert.
    const quelm::test::ClipFacts clip = quelm::test::ReadClip(avi);
    ASSERT_TRUE(clip.ok) << clip.error.toStdString();
    EXPECT_EQ(clip.width, quelm::test::kFeedWidth);
    EXPECT_EQ(clip.height, quelm::test::kFeedHeight);
    EXPECT_GE(clip.durationSeconds, (stopAt - startAt) / 1000.0 - 0.4);
    EXPECT_LE(clip.durationSeconds, (stopAt - startAt) / 1000.0 + 1.0);
    EXPECT_TRUE(a.Errors().empty()) << a.Errors().front().text.toStdString();
    EXPECT_TRUE(a.captureBoxes.messages.empty()) << a.captureBoxes.Texts().join("\n").toStdString();
}

TEST(AlertsEndToEnd, APressOnTheWatchButtonDuringAnAlertLeavesTheWatchOffAfterTheRestore) {
    AlertStation a;
    REQUIRE_CAMERAS();
    a.Start();
    TQuelmForm& f = *a.st.form;
    ASSERT_GE(a.WaitForEntry(kWatchOn, 1, 6000), 0);
    Spin(300);
    f.Alerter1->DoAlert(true);
    ASSERT_EQ(a.st.Count(kStartRec), 1);
    Click(f.AlgButton1);
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_TRUE(f.AlerterOf(1)->Alerted()) << "the alert runs out by itself";
    ASSERT_GE(a.WaitForEntry(kStopRec, 1, 3000), 0);
    EXPECT_FALSE(f.VideoCapture1->Capturing());
    EXPECT_TRUE(f.RestoreTimer1->isActive());
    Spin(4300);
    EXPECT_FALSE(f.RestoreTimer1->isActive());
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_EQ(a.st.Count(kWatchOn), 1);
    EXPECT_EQ(a.Story(), QStringList({kWatchOn + "/1", kStartRec + "/1", kWatchOff + "/1", kStopRec + "/1"}));
    EXPECT_EQ(a.RecordFiles().size(), 2) << a.RecordFiles().join(" ").toStdString();
}

TEST(AlertsEndToEnd, BothCamerasAlertingInOneSecondGiveTwoStemsAndEitherEndHidesTheWindow) {
    AlertStation a(true);
    REQUIRE_CAMERAS();
    a.Start();
    TQuelmForm& f = *a.st.form;
    f.OnReadClock = [] { return QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3)); };
    f.Alerter2->SetAlertLength(3);
    ASSERT_GE(a.WaitForEntry(kWatchOn, 2, 6000), 0);
    Spin(300);
    f.Alerter1->DoAlert(true);
    f.Alerter2->DoAlert(true);
    EXPECT_EQ(QFileInfo(f.LastSnapshotPath).fileName(), "Warning_cam2_2026.12.10_090503.jpg");
    EXPECT_TRUE(a.warning->isVisible());
    ASSERT_GE(a.WaitForEntry(kStopRec, 1, 3000), 0);
    EXPECT_FALSE(a.warning->isVisible()) << "camera 1's end hides the window camera 2's alert showed";
    EXPECT_TRUE(f.AlerterOf(2)->Alerted());
    ASSERT_GE(a.WaitForEntry(kStopRec, 2, 4000), 0);
    f.WaitForSnapshots();
    EXPECT_EQ(a.RecordFiles(),
              QStringList({"Warning_cam1_2026.12.10_090503.avi", "Warning_cam1_2026.12.10_090503.jpg",
                           "Warning_cam2_2026.12.10_090503.avi", "Warning_cam2_2026.12.10_090503.jpg"}));
    EXPECT_EQ(a.showCounter.shows, 1); // camera 2 found it already shown
}

TEST(AlertsEndToEnd, ClosingDuringAnAlertRunsTheStopReactionsBeforeTheConfigurationIsSaved) {
    AlertStation a;
    REQUIRE_CAMERAS();
    a.Start();
    TQuelmForm& f = *a.st.form;
    f.Alerter1->SetAlertLength(60);
    ASSERT_GE(a.WaitForEntry(kWatchOn, 1, 6000), 0);
    Spin(300);
    f.Alerter1->DoAlert(true);
    const QString avi = f.VideoCapture1->CaptureFileName();
    ASSERT_TRUE(f.VideoCapture1->Capturing());
    Spin(700);
    f.close();
    ASSERT_TRUE(WaitFor([&] { return f.CloseSequenceDone(); }, 6000));
    const QStringList story = a.Story();
    ASSERT_FALSE(a.log.empty());
    EXPECT_EQ(a.log.back().text, "Quelm logged off.");
    EXPECT_EQ(story.mid(1), QStringList({kStartRec + "/1", kStopRec + "/1", kWatchOff + "/1"}));
    // The configuration was saved after the stop reactions gave the component its idle clip name back.
    TGraphConfig saved;
    saved.RestoreGraph(a.st.Get("cam1", "config"));
    EXPECT_EQ(saved.CaptureFileName, "def_capture1.avi");
    const quelm::test::ClipFacts clip = quelm::test::ReadClip(avi);
    EXPECT_TRUE(clip.ok) << clip.error.toStdString();
    EXPECT_GE(clip.durationSeconds, 0.5);
}

TEST(AlertsEndToEnd, WithShowAlertsOffTheWindowNeverShowsButTheEndStillHidesIt) {
    AlertStation a;
    REQUIRE_CAMERAS();
    a.st.Set("quelm", "showalerts", "0");
    a.Start();
    TQuelmForm& f = *a.st.form;
    ASSERT_GE(a.WaitForEntry(kWatchOn, 1, 6000), 0);
    Spin(300);
    f.Alerter1->DoAlert(true);
    EXPECT_EQ(a.st.Count(kStartRec), 1);
    EXPECT_FALSE(a.warning->isVisible());
    EXPECT_EQ(a.showCounter.shows, 0);
    a.warning->Show(); // shown by other means: the end of the alert hides it all the same
    ASSERT_GE(a.WaitForEntry(kStopRec, 1, 3000), 0);
    EXPECT_FALSE(a.warning->isVisible());
}

// Records that cannot be written: an error entry of kind 2 names the path and the cause, the reactions
// after the failing step do not run, and the alert stays on until it runs out.
TEST(AlertsFailures, RecordsThatCannotBeWrittenAreLoggedAsErrorsAndTheAlertGoesOn) {
    struct Case {
        const char* name;
        const char* folder; // the records folder inside the test's folder
        bool makeFile;      // a file stands where the folder should be
        const char* cause;
    };
    const Case cases[] = {
        {"missing folder", "gone/records", false, "does not exist"},
        {"a file in the way", "taken", true, "is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlertStation a;
        REQUIRE_CAMERAS();
        const QString folder = a.st.File(QString::fromLatin1(c.folder));
        if (c.makeFile) {
            QFile file(folder);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        a.st.Set("quelm", "savefolder", folder);
        const QString wav = a.st.File("alarm.wav");
        WriteWav(wav);
        a.st.Set("quelm", "PlayWAV", "1");
        a.st.Set("quelm", "PlayWAVFileName", wav);
        a.Start();
        TQuelmForm& f = *a.st.form;
        ASSERT_GE(a.WaitForEntry(kWatchOn, 1, 6000), 0);
        Spin(300);
        f.Alerter1->DoAlert(true);
        const auto errors = a.Errors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(errors[0].text.contains(f.LastSnapshotPath)) << errors[0].text.toStdString();
        EXPECT_TRUE(errors[0].text.contains(QString::fromLatin1(c.cause))) << errors[0].text.toStdString();
        EXPECT_FALSE(f.VideoCapture1->Capturing()) << "the clip step ran after the failed snapshot";
        EXPECT_FALSE(f.AlertSound()->IsPlaying());
        EXPECT_TRUE(f.AlerterOf(1)->Alerted());
        EXPECT_EQ(f.StatusIcon(), 3);
        ASSERT_GE(a.WaitForEntry(kStopRec, 1, 3000), 0);
        EXPECT_TRUE(f.RestoreTimer1->isActive());
        EXPECT_FALSE(QFileInfo::exists(f.LastSnapshotPath));
    }
}

TEST(AlertsFailures, WithoutAShownPictureNoSnapshotIsWrittenAndTheClipStillRecords) {
    AlertStation a;
    REQUIRE_CAMERAS();
    a.st.Set("quelm", "rtvideo", "0"); // frames are never copied to the screen
    a.Start();
    TQuelmForm& f = *a.st.form;
    ASSERT_GE(a.WaitForEntry(kWatchOn, 1, 6000), 0);
    Spin(300);
    f.Alerter1->DoAlert(true);
    EXPECT_TRUE(f.VideoCapture1->Capturing());
    const auto why = std::find_if(a.log.begin(), a.log.end(),
                                  [&](const Entry& e) { return e.text.contains(f.LastSnapshotPath); });
    ASSERT_NE(why, a.log.end());
    EXPECT_TRUE(why->text.contains("no picture")) << why->text.toStdString();
    EXPECT_EQ(why->kind, 1);
    ASSERT_GE(a.WaitForEntry(kStopRec, 1, 3000), 0);
    f.WaitForSnapshots();
    QString avi = QFileInfo(f.LastSnapshotPath).fileName();
    avi.replace(".jpg", ".avi");
    EXPECT_EQ(a.RecordFiles(), QStringList({avi}));
    EXPECT_TRUE(a.Errors().empty());
}

} // namespace

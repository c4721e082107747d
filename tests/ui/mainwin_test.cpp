// The main window end to end, on the offscreen platform with virtual cameras: start-up and show, the
// restore timers, the watch buttons, the failed start and the close sequence.
#include "mainwin_station.h"

#include "alert/alerter.h"
#include "detector/alg_thread.h"
#include "platform/termination_signals.h"
#include "ui/rled.h"
#include "ui/stretched_image.h"

#include <QStackedWidget>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace quelm;
using quelm::test::Click;
using quelm::test::Spin;
using quelm::test::Station;
using quelm::test::WaitFor;

const QString kWatchOn = QStringLiteral("Watch enabled.");
const QString kWatchOff = QStringLiteral("Watch disabled.");

// The entries of a saved log file as (kind, text), read by its format: the column count, the row count
// R, then the cells column by column, so kinds are lines 3 + R .. 2 + 2R and texts the last R lines.
std::vector<std::pair<QString, QString>> SavedLog(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (lines.size() < 2)
        return {};
    const int rows = lines[1].toInt();
    std::vector<std::pair<QString, QString>> out;
    for (int r = 0; r < rows && 2 + 4 * rows + r < lines.size(); ++r)
        out.emplace_back(lines[2 + rows + r], lines[2 + 4 * rows + r]);
    return out;
}

bool Contains(const std::vector<std::pair<QString, QString>>& log, const QString& kind, const QString& text) {
    for (const auto& e : log)
        if (e.first == kind && e.second == text)
            return true;
    return false;
}

QString CameraConfigTextFor(const char* device) {
    return quelm::test::CameraConfigText(QString::fromLatin1(device));
}

#define REQUIRE_CAMERAS()                                                                                    \
    if (!Station::CamerasAvailable())                                                                        \
    GTEST_SKIP() << "the capture component lists no virtual camera here"

TEST(MainWindowStartUp, CreationSetsUpTheChannelsBeforeTheWindowIsShown) {
    Station st;
    st.Set("quelm", "minvidlength", "30");
    st.Set("MoveDAlg1", "threshold1", "40");
    st.SetCameraConfig(1, "cam1");
    st.Create();
    TQuelmForm& f = *st.form;

    EXPECT_EQ(f.windowTitle(), "Quelm Parrin");
    EXPECT_EQ(f.size(), QSize(700, 240));
    EXPECT_EQ(f.CamPanel1->width(), 323); // (700 - 54) / 2
    EXPECT_EQ(f.CamPanel2->width(), 323);
    EXPECT_EQ(f.StatusIcon(), 1);
    ASSERT_NE(f.Alg1, nullptr);
    ASSERT_NE(f.Alg2, nullptr);
    EXPECT_TRUE(f.Alg1->Suspended());
    EXPECT_TRUE(f.Alg2->Suspended());
    EXPECT_EQ(f.Alg1->threshold1, 40);
    EXPECT_EQ(f.WarningRLed1->BreakPos(), 60);
    EXPECT_EQ(f.WarningRLed2->BreakPos(), 68); // default threshold 32
    EXPECT_EQ(f.WarningRLed1->Position(), 0);
    EXPECT_EQ(f.Alerter1->AlertLength(), 30); // "minvidlength" reaches camera 1 only
    EXPECT_EQ(f.Alerter2->AlertLength(), 15);
    // The detectors are wired to the channel's components, found by their built names.
    EXPECT_EQ(f.Alg1->alg_VideoCapture, static_cast<FrameSource*>(f.VideoCaptureOf(1)));
    EXPECT_EQ(f.Alg2->alg_RLed, static_cast<PositionSink*>(f.WarningRLedOf(2)));
    EXPECT_EQ(f.Alg1->alg_alerter, static_cast<AlertSink*>(f.AlerterOf(1)));
    EXPECT_EQ(f.VideoCapture1->Tag(), 1);
    EXPECT_EQ(f.VideoCapture2->Tag(), 2);
    EXPECT_TRUE(f.VideoCapture1->UseTempFile());
    EXPECT_FALSE(f.VideoCapture1->DoPreallocFile());
    // Nothing is initialised or restored before the window is shown.
    EXPECT_FALSE(f.RestoreTimer1->isActive());
    EXPECT_EQ(f.config1->VCapSource, "");
    EXPECT_TRUE(st.log.empty());
    EXPECT_FALSE(f.ShowDone());
}

TEST(MainWindowStartUp, ShowRestoresOnlyCamerasWithASavedSource) {
    Station st;
    REQUIRE_CAMERAS();
    st.SetCameraConfig(1, "cam1");
    // Camera 2's text names no video source: no restore, no picture.
    TGraphConfig noSource;
    noSource.WantAudio = false;
    st.Set("cam2", "config", noSource.SaveGraph());
    st.Start();
    TQuelmForm& f = *st.form;

    ASSERT_TRUE(WaitFor([&] { return f.RestoreTimer1->isActive() || f.RestoreTimer1->Tag > 0; }, 2000));
    EXPECT_EQ(f.config1->VCapSource, "cam1");
    EXPECT_EQ(f.config1->TempCaptureFileName, st.File("temp1.avi"));
    EXPECT_EQ(f.config2->TempCaptureFileName, st.File("temp2.avi"));
    EXPECT_TRUE(f.config1->VCompState.isEmpty());
    EXPECT_FALSE(f.RestoreTimer2->isActive());
    EXPECT_EQ(f.RestoreTimer1->interval(), 200);

    // Manual mode (the default): the restore rebuilds camera 1's graph and leaves both watches off.
    Spin(2800);
    EXPECT_EQ(f.RestoreTimer1->Tag, 1);
    EXPECT_EQ(f.RestoreTimer2->Tag, 0);
    EXPECT_FALSE(f.RestoreTimer2->isActive());
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_FALSE(f.WatchOn(2));
    EXPECT_EQ(st.Count(kWatchOn), 0);
    EXPECT_TRUE(f.CamImage2->Picture().isNull());
    EXPECT_TRUE(f.WatchOffRequested[0]);
    EXPECT_TRUE(st.boxes.empty());
}

TEST(MainWindowWatch, AutomaticModeSwitchesEachWatchOnAbout2300msAfterShow) {
    Station st;
    REQUIRE_CAMERAS();
    st.Set("quelm", "manual", "0");
    st.SetCameraConfig(1, "cam1");
    st.SetCameraConfig(2, "cam2");
    st.Start();
    TQuelmForm& f = *st.form;

    ASSERT_TRUE(WaitFor([&] { return st.Count(kWatchOn) == 2; }, 6000));
    for (const auto& l : st.log) {
        if (l.text != kWatchOn)
            continue;
        EXPECT_EQ(l.kind, 1);
        EXPECT_GE(l.atMs, 2300); // 200 + 2000 + 100 ms
        EXPECT_LT(l.atMs, 4300);
    }
    EXPECT_TRUE(f.WatchOn(1));
    EXPECT_TRUE(f.WatchOn(2));
    EXPECT_FALSE(f.WatchOffRequested[0]);
    EXPECT_FALSE(f.WatchOffRequested[1]);
    EXPECT_EQ(f.StatusIcon(), 2);
    EXPECT_TRUE(f.LPTScanTimer->isActive()); // "UseExtDets" defaults to on
    EXPECT_EQ(f.Notebook1->currentWidget()->objectName(), "ImagePage");
    EXPECT_TRUE(f.AlgButton1->isChecked());
    // Watched frames reach the pictures.
    EXPECT_TRUE(
        WaitFor([&] { return !f.CamImage1->Picture().isNull() && !f.CamImage2->Picture().isNull(); }, 3000));
}

TEST(MainWindowWatch, ManualModeWaitsForTheButton) {
    Station st;
    REQUIRE_CAMERAS();
    st.SetCameraConfig(1, "cam1");
    st.SetCameraConfig(2, "cam2");
    st.Start();
    TQuelmForm& f = *st.form;

    Spin(3000);
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_FALSE(f.WatchOn(2));
    EXPECT_EQ(st.Count(kWatchOn), 0);
    EXPECT_EQ(f.Notebook1->currentWidget()->objectName(), "VideoPage");

    Click(f.AlgButton1);
    EXPECT_TRUE(f.WatchOn(1));
    EXPECT_FALSE(f.WatchOffRequested[0]);
    EXPECT_EQ(st.Count(kWatchOn), 1);
    EXPECT_EQ(f.StatusIcon(), 2);
    EXPECT_EQ(f.Notebook1->currentWidget()->objectName(), "ImagePage");
    EXPECT_FALSE(f.WatchOn(2));
}

TEST(MainWindowWatch, APressDuringTheWatchSwitchesItOffAndTheRestoreLeavesItOff) {
    Station st;
    REQUIRE_CAMERAS();
    st.Set("quelm", "manual", "0");
    st.SetCameraConfig(1, "cam1");
    st.Start();
    TQuelmForm& f = *st.form;
    ASSERT_TRUE(WaitFor([&] { return f.WatchOn(1); }, 6000));

    Click(f.AlgButton1);
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_TRUE(f.WatchOffRequested[0]);
    EXPECT_EQ(st.Count(kWatchOff), 1);
    EXPECT_EQ(f.StatusIcon(), 1);
    EXPECT_FALSE(f.LPTScanTimer->isActive());

    // The restore after an alert, armed as the alert stop arms it.
    f.RestoreTimer1->setInterval(1500);
    f.RestoreTimer1->start();
    Spin(4200);
    EXPECT_FALSE(f.RestoreTimer1->isActive());
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_EQ(st.Count(kWatchOn), 1);
    EXPECT_TRUE(f.WatchOffRequested[0]);
}

TEST(MainWindowWatch, RestoreAfterAnAlertSwitchesTheWatchBackOnInManualModeToo) {
    Station st;
    REQUIRE_CAMERAS();
    st.SetCameraConfig(1, "cam1");
    st.Start();
    TQuelmForm& f = *st.form;
    ASSERT_TRUE(WaitFor([&] { return f.RestoreTimer1->Tag == 1; }, 3000));
    Click(f.AlgButton1); // on
    Click(f.AlgButton1); // off again, the wish inverted twice
    Click(f.AlgButton1); // on
    ASSERT_TRUE(f.WatchOn(1));
    f.StartStopAlg1(); // the alert stop switches the watch off without a press
    ASSERT_FALSE(f.WatchOn(1));
    f.RestoreTimer1->setInterval(1500);
    f.RestoreTimer1->start();
    ASSERT_TRUE(WaitFor([&] { return f.WatchOn(1); }, 5000));
    EXPECT_EQ(st.Count(kWatchOn), 3);
}

TEST(MainWindowWatch, CameraOneOffWhileCameraTwoWatchesLogsNothing) {
    Station st;
    REQUIRE_CAMERAS();
    st.SetCameraConfig(1, "cam1");
    st.SetCameraConfig(2, "cam2");
    st.Start();
    TQuelmForm& f = *st.form;
    ASSERT_TRUE(WaitFor([&] { return f.RestoreTimer2->Tag == 1; }, 3000));

    Click(f.AlgButton1);
    Click(f.AlgButton2);
    ASSERT_TRUE(f.WatchOn(1) && f.WatchOn(2));
    const size_t entries = st.log.size();
    f.SetStatusIcon(3); // as an alert would have left it

    Click(f.AlgButton1);
    EXPECT_FALSE(f.WatchOn(1));
    EXPECT_EQ(st.log.size(), entries);
    EXPECT_EQ(f.StatusIcon(), 3);
    EXPECT_TRUE(f.LPTScanTimer->isActive());

    Click(f.AlgButton2);
    EXPECT_EQ(st.Count(kWatchOff), 1);
    EXPECT_EQ(f.StatusIcon(), 1);
    EXPECT_FALSE(f.LPTScanTimer->isActive());
}

TEST(MainWindowWatch, WithoutASavedConfigurationTheButtonStillSwitchesTheDetectorOn) {
    Station st;
    REQUIRE_CAMERAS();
    st.Start();
    TQuelmForm& f = *st.form;
    Spin(500);
    EXPECT_FALSE(f.RestoreTimer1->isActive());
    Click(f.AlgButton1);
    EXPECT_TRUE(f.WatchOn(1));
    Spin(300);
    EXPECT_TRUE(f.CamImage1->Picture().isNull()); // no graph, so no frame
    EXPECT_EQ(f.Alg1->alg_result, 0);
}

TEST(MainWindowLayout, RealTimeVideoOffShowsOnlyTheControlStripAndCopiesNoFrame) {
    Station st;
    REQUIRE_CAMERAS();
    st.Set("quelm", "rtvideo", "0");
    st.Set("quelm", "manual", "0");
    st.SetCameraConfig(1, "cam1");
    st.Start();
    TQuelmForm& f = *st.form;
    EXPECT_EQ(f.height(), 54);
    EXPECT_FALSE(f.Notebook1->isVisible());
    EXPECT_FALSE(f.Notebook2->isVisible());
    ASSERT_TRUE(WaitFor([&] { return f.WatchOn(1); }, 6000));
    Spin(500);
    EXPECT_FALSE(f.Notebook1->isVisible());
    EXPECT_TRUE(f.CamImage1->Picture().isNull());
}

TEST(MainWindowFailedStart, InitFailingForCameraOneEndsTheProgramWithoutTryingCameraTwo) {
    Station st(nullptr); // no virtual camera
    if (Station::CamerasAvailable())
        GTEST_SKIP() << "a video device is attached";
    st.SetCameraConfig(1, "cam1");
    st.Start();
    TQuelmForm& f = *st.form;
    ASSERT_TRUE(WaitFor([&] { return st.terminated; }, 3000));

    ASSERT_EQ(st.boxes.size(), 1u);
    EXPECT_EQ(st.boxes[0].title, "Warning");
    EXPECT_EQ(st.boxes[0].text, "Can't init video device.\rPlease, check device connection and try again.");
    EXPECT_EQ(st.boxes[0].type, TMsgDlgType::mtWarning);
    ASSERT_EQ(st.log.size(), 2u);
    EXPECT_EQ(st.log[0].text, "Can't init video device.");
    EXPECT_EQ(st.log[0].kind, 2);
    EXPECT_EQ(st.log[1].text, "Program terminated.");
    EXPECT_EQ(st.log[1].kind, 2);
    const auto saved = SavedLog(st.File("log.log"));
    EXPECT_TRUE(Contains(saved, "2", "Can't init video device."));
    EXPECT_TRUE(Contains(saved, "2", "Program terminated."));
    EXPECT_NE(st.exitCode, 0);
    // Init creates the component's pipeline even without a device: camera 2 was never asked.
    if (f.VideoCapture1->CaptureGraph() != nullptr) {
        EXPECT_EQ(f.VideoCapture2->CaptureGraph(), nullptr);
    }
    EXPECT_FALSE(f.RestoreTimer1->isActive());
    EXPECT_EQ(f.config1->VCapSource, ""); // nothing restored
    // The close sequence does not run afterwards: the saved configuration stays as it was.
    const QString before = st.Get("cam1", "config");
    f.close();
    Spin(100);
    EXPECT_EQ(st.Get("cam1", "config"), before);
    EXPECT_EQ(st.Count("Quelm logged off."), 0);
}

TEST(MainWindowClose, CloseSavesBothConfigurationsAndTheLog) {
    Station st;
    REQUIRE_CAMERAS();
    st.Set("quelm", "manual", "0");
    st.SetCameraConfig(1, "cam1");
    st.Start();
    TQuelmForm& f = *st.form;
    ASSERT_TRUE(WaitFor([&] { return f.WatchOn(1); }, 6000));

    bool done = false;
    f.OnCloseSequenceDone = [&] { done = true; };
    QPointer<TAlerter> alerter = f.Alerter1;
    f.close();
    ASSERT_TRUE(WaitFor([&] { return done && !f.isVisible(); }, 5000));
    EXPECT_TRUE(f.CloseSequenceDone());
    EXPECT_TRUE(alerter.isNull());
    EXPECT_EQ(f.config1, nullptr);
    EXPECT_EQ(f.config2, nullptr);

    TGraphConfig saved1, saved2;
    saved1.RestoreGraph(st.Get("cam1", "config"));
    saved2.RestoreGraph(st.Get("cam2", "config"));
    EXPECT_EQ(saved1.VCapSource, "cam1"); // device names come from the configuration, not the component
    EXPECT_EQ(saved1.TempCaptureFileName, st.File("temp1.avi")); // set at show, kept by the component
    EXPECT_FALSE(saved1.WantAudio);
    EXPECT_TRUE(saved1.UseTempFile);
    EXPECT_FALSE(st.Get("cam2", "config").isEmpty()); // written even without a source
    EXPECT_EQ(saved2.VCapSource, "");

    ASSERT_FALSE(st.log.empty());
    EXPECT_EQ(st.log.back().text, "Quelm logged off.");
    EXPECT_EQ(st.log.back().kind, 0);
    const auto log = SavedLog(st.File("log.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), std::make_pair(QStringLiteral("0"), QStringLiteral("Quelm logged off.")));
    EXPECT_TRUE(Contains(log, "1", kWatchOn));
}

TEST(MainWindowClose, ARecordingIsStoppedAndGivenOneSecondBeforeItsConfigurationIsSaved) {
    Station st;
    REQUIRE_CAMERAS();
    st.SetCameraConfig(1, "cam1");
    st.Start();
    TQuelmForm& f = *st.form;
    ASSERT_TRUE(WaitFor([&] { return f.VideoCapture1->Previewing(); }, 3000));
    f.VideoCapture1->SetCaptureFileName(st.File("clip.avi"));
    ASSERT_TRUE(f.VideoCapture1->StartCapture());
    Spin(600);
    ASSERT_TRUE(f.VideoCapture1->Capturing());

    QElapsedTimer t;
    t.start();
    f.close();
    // The window keeps running its events during the wait; camera 1's configuration comes after it.
    Spin(500);
    EXPECT_FALSE(f.VideoCapture1->Capturing());
    EXPECT_FALSE(f.CloseSequenceDone());
    EXPECT_TRUE(st.Get("cam1", "config") == CameraConfigTextFor("cam1"));
    ASSERT_TRUE(WaitFor([&] { return f.CloseSequenceDone(); }, 5000));
    EXPECT_GE(t.elapsed(), 1000);
    TGraphConfig saved;
    saved.RestoreGraph(st.Get("cam1", "config"));
    EXPECT_EQ(saved.VCapSource, "cam1");
    EXPECT_EQ(saved.CaptureFileName, st.File("clip.avi"));
    EXPECT_TRUE(QFileInfo(st.File("clip.avi")).size() > 0);
}

TEST(MainWindowClose, TerminationSignalRunsTheCloseSequence) {
    Station st;
    REQUIRE_CAMERAS();
    st.Start();
    TQuelmForm& f = *st.form;
    Spin(100);
    TerminationSignals signals_;
    signals_.OnTerminate = [&](int) { f.close(); };
    std::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return f.CloseSequenceDone(); }, 5000));
    EXPECT_FALSE(st.Get("cam1", "config").isEmpty());
    EXPECT_EQ(st.log.back().text, "Quelm logged off.");
}

} // namespace

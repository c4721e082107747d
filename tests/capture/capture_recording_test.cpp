// Recording clips while the preview runs: every clip must be a complete, indexed AVI with the frames
// that were recorded, whatever the compressor and with or without audio, several clips in one run.
#include "capture_fixture.h"

#include <QFileInfo>

namespace quelm::test {
namespace {

struct RecordingCase {
    const char* name;
    const char* compressor; // list name of the video compressor, "" for raw video
    bool audio;
};

class CaptureRecording : public testing::TestWithParam<RecordingCase> {};

TEST_P(CaptureRecording, EveryClipIsCompleteAndEndsUnderItsFinalName) {
    const RecordingCase& param = GetParam();
    VirtualDevices devices(QString("Test Camera=%1").arg(LiveCamera),
                           param.audio ? QString("Test Microphone=%1").arg(LiveMicrophone) : QString());
    RecordedMessages boxes;
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    TVideoCapture vc;
    Configure(vc, param.audio);
    vc.SetUseTempFile(true);
    vc.SetTempCaptureFileName(dir.file("temp1.avi"));
    vc.SetCaptureFileName(dir.file("def_capture1.avi"));
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Test Camera", param.audio ? "Test Microphone" : "", true);
    vc.ChooseCompressors(param.compressor, "", false);
    ASSERT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    EXPECT_EQ(vc.VCompName(), QString(param.compressor));

    int stopEvents = 0;
    vc.OnStopCapture = [&](TVideoCapture* sender) {
        EXPECT_EQ(sender, &vc);
        ++stopEvents;
    };
    for (int clip = 0; clip < 3; ++clip) {
        const QString name = dir.file(QString("Warning_cam1_%1.avi").arg(clip));
        // The final name counts at the stop, not at the start.
        vc.SetCaptureFileName(dir.file("early.avi"));
        ASSERT_TRUE(vc.StartCapture(false));
        EXPECT_TRUE(vc.Capturing());
        EXPECT_FALSE(vc.Previewing());
        EXPECT_TRUE(vc.StartCapture(false)) << "a second start while recording changes nothing";
        Pump(1000 + 400 * clip);
        vc.SetCaptureFileName(name);
        ASSERT_TRUE(vc.StopCapture());
        EXPECT_FALSE(vc.Capturing());
        EXPECT_TRUE(vc.Previewing()) << "the preview runs on after the clip";
        EXPECT_FALSE(QFileInfo::exists(dir.file("temp1.avi")));
        EXPECT_FALSE(QFileInfo::exists(dir.file("early.avi")));

        const double recorded = (vc.CapStopTime() - vc.CapStartTime()) / 1000.0;
        const ClipFacts facts = ReadClip(name);
        ASSERT_TRUE(facts.ok) << "clip " << clip << ": " << facts.error.toStdString();
        EXPECT_EQ(facts.width, 640);
        EXPECT_EQ(facts.height, 480);
        EXPECT_EQ(facts.hasAudio, param.audio);
        // Every frame that entered the recording is in the clip; about 30 per second of recording (loose:
        // a loaded machine delivers a live source's frames in bursts).
        EXPECT_NEAR(facts.videoFrames, vc.NotDropped(), 1) << "clip " << clip;
        EXPECT_NEAR(facts.videoFrames, recorded * 30, 10 + recorded * 15) << "clip " << clip;
        EXPECT_NEAR(facts.durationSeconds, facts.videoFrames / 30.0, 0.15) << "clip " << clip;
        EXPECT_GE(vc.NotDropped(), 1);
        EXPECT_EQ(vc.FramesDropped(), 0);
    }
    EXPECT_EQ(stopEvents, 3);
    EXPECT_TRUE(boxes.messages.empty()) << boxes.Texts().join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Branches, CaptureRecording,
                         testing::Values(RecordingCase{"Raw", "", false},
                                         RecordingCase{"Jpeg", "JPEG image encoder", false},
                                         RecordingCase{"RawWithAudio", "", true},
                                         RecordingCase{"JpegWithAudio", "JPEG image encoder", true}),
                         [](const testing::TestParamInfo<RecordingCase>& info) { return info.param.name; });

} // namespace
} // namespace quelm::test

namespace quelm::test {
namespace {

TEST(CaptureRecordingFile, PreallocatedAndDeletedAtBuildAndTeardown) {
    VirtualDevices devices(QString("Test Camera=%1").arg(LiveCamera));
    RecordedMessages boxes;
    TempDir dir;
    const QString temp = dir.file("temp1.avi");
    {
        QFile stale(temp);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("left over from a crash");
    }
    TVideoCapture vc;
    vc.SetWantAudio(false);
    vc.SetUseTempFile(true);
    vc.SetTempCaptureFileName(temp);
    vc.SetCaptureFileName(dir.file("clip.avi"));
    vc.SetDoPreallocFile(true);
    vc.SetPreallocFileSize(2);
    int progress = 0;
    vc.OnCaptureProgress = [&](TVideoCapture*) { ++progress; };
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Test Camera", "", true);
    ASSERT_TRUE(vc.Previewing());
    EXPECT_EQ(QFileInfo(temp).size(), 2 * 1048576) << "the stale file was replaced by the preallocated one";
    ASSERT_TRUE(vc.StartCapture(false));
    Pump(700);
    EXPECT_GE(progress, 4) << "one progress event per 100 ms tick";
    ASSERT_TRUE(vc.StopCapture());
    const ClipFacts facts = ReadClip(dir.file("clip.avi"));
    EXPECT_TRUE(facts.ok) << facts.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_TRUE(boxes.messages.empty()) << boxes.Texts().join("\n").toStdString();
}

} // namespace
} // namespace quelm::test

// Device lists, lookups, modes and the saved configuration of the capture component.
#include "capture_fixture.h"

#include <QDialog>

namespace quelm::test {
namespace {

TEST(CaptureDeviceNames, RepeatsAreNumberedAndBlankNamesSkipped) {
    struct Case {
        QStringList friendly;
        QStringList listed;
    };
    const Case cases[] = {
        {{"USB Camera", "USB Camera", "USB Camera"}, {"USB Camera", "USB Camera (2)", "USB Camera (3)"}},
        {{"", "   ", "\t", "Cam"}, {"Cam"}},
        {{"  Cam  ", "Cam", "Other", "Cam"}, {"Cam", "Cam", "Other", "Cam (2)"}},
    };
    for (const Case& c : cases) {
        TCapDeviceList list;
        for (const QString& name : c.friendly)
            AddDeviceEntry(list, name, TMoniker());
        EXPECT_EQ(DeviceNames(list), c.listed) << c.friendly.join("|").toStdString();
    }
    TCapDeviceList list;
    AddDeviceEntry(list, "  Cam  ", TMoniker());
    EXPECT_EQ(list[0].DeviceName, "  Cam  ") << "the friendly name is kept as read";
}

TEST(CaptureDeviceLists, VirtualDevicesFollowTheRealOnesUnderTheirNames) {
    VirtualDevices devices(QString("Desk=%1;Desk=%1; =%1;Door=%1").arg(LiveCamera),
                           QString("Mic=%1").arg(LiveMicrophone));
    RefreshDeviceLists();
    const QStringList names = DeviceNames(VCapDeviceList);
    ASSERT_GE(names.size(), 3);
    EXPECT_EQ(names.mid(names.size() - 3), (QStringList{"Desk", "Desk (2)", "Door"}));
    EXPECT_EQ(DeviceNames(ACapDeviceList).last(), "Mic");
    EXPECT_FALSE(VCapDeviceList.back().Moniker == VCapDeviceList[VCapDeviceList.size() - 2].Moniker);
}

TEST(CaptureDeviceLists, CompressorsAreEncodersTheMultiplexerTakesUnderTheirLongNames) {
    RefreshDeviceLists();
    const QStringList video = DeviceNames(VCompDeviceList);
    const QStringList audio = DeviceNames(ACompDeviceList);
    EXPECT_TRUE(video.contains("JPEG image encoder")) << video.join(", ").toStdString();
    EXPECT_TRUE(audio.contains("A Law audio encoder")) << audio.join(", ").toStdString();
    for (const char* broken :
         {"libav MPEG-1 video encoder", "libav MPEG-2 video encoder", "OpenH264 video encoder"})
        EXPECT_FALSE(video.contains(broken)) << broken;
}

TEST(CaptureDeviceLists, ASelectionOutlivesAReEnumerationButLosesItsName) {
    VirtualDevices devices(QString("Desk=%1").arg(LiveCamera));
    RecordedMessages boxes;
    TVideoCapture vc;
    vc.SetWantAudio(false);
    vc.SetWantCapture(false);
    ASSERT_TRUE(vc.Init());
    EXPECT_TRUE(vc.GetVCapDeviceNames(false).contains("Desk"));
    vc.ChooseDevices("Desk", "", false);
    ASSERT_TRUE(vc.Previewing());
    EXPECT_EQ(vc.VCapName(), "Desk");
    EXPECT_EQ(vc.VCapIndex(), vc.GetVCapDeviceNames(false).indexOf("Desk"));
    EXPECT_EQ(vc.VCapFriendlyName(), "Desk");
    EXPECT_EQ(vc.ACapIndex(), -1);
    // Another component's refresh enumerates anew: the old identity is no longer listed.
    vc.GetVCapDeviceNames(true);
    EXPECT_EQ(vc.VCapName(), "");
    EXPECT_EQ(vc.VCapIndex(), -1);
    EXPECT_TRUE(vc.Previewing()) << "the device keeps working";
}

TEST(CaptureDeviceLists, InitIsFalseWithoutAnyCamera) {
    VirtualDevices devices("");
    TVideoCapture vc;
    const bool ok = vc.Init();
    if (!VCapDeviceList.empty())
        GTEST_SKIP() << "this machine has a camera";
    EXPECT_FALSE(ok);
    EXPECT_NE(vc.CaptureGraph(), nullptr) << "the pipeline exists nevertheless";
}

TEST(CaptureModes, TextsOfVideoAndAudioModes) {
    const TVCapMode yuy2{MEDIATYPE_Video, MEDIASUBTYPE_YUY2, 640, 480, 16, 30, 30, 30};
    const TVCapMode mjpg{MEDIATYPE_Video, MEDIASUBTYPE_MJPG, 1280, 720, 24, 0, 0, 0};
    const TVCapMode rgb{MEDIATYPE_Video, MEDIASUBTYPE_RGB24, 320, 240, 24, 0, 0, 0};
    EXPECT_EQ(VCapModeToString(yuy2), "640x480x16b (YUY2)");
    EXPECT_EQ(VCapModeToString(mjpg), "1280x720x24b");
    EXPECT_EQ(VCapModeToString(rgb), "320x240x24b (RGB24)");
    EXPECT_EQ(VCapModeToString(TVCapMode{}), "0x0x0b");
    const TACapMode cd{MEDIATYPE_Audio, MEDIASUBTYPE_PCM, 44100, 16, 2, 176400};
    const TACapMode mp3{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG_LAYER3, 44100, 0, 2, 16000};
    EXPECT_EQ(ACapModeToString(cd), "44100Hzx16bx2");
    EXPECT_EQ(ACapModeToString(mp3), "128kBits/s, 44100Hz, 2");
    EXPECT_EQ(ACapModeToString(TACapMode{}), "0kBits/s, 0Hz, 0");
}

TEST(CaptureModes, EqualityComparesWhatTheComponentCaresAbout) {
    const TVCapMode a{MEDIATYPE_Video, MEDIASUBTYPE_YUY2, 640, 480, 24, 30, 1, 30};
    TVCapMode b{MEDIATYPE_Video, MEDIASUBTYPE_RGB24, 640, 480, 24, 15, 15, 15};
    EXPECT_TRUE(SameVCapMode(a, b)) << "subtype and rates do not count";
    b.Height = 481;
    EXPECT_FALSE(SameVCapMode(a, b));

    const TACapMode pcm{MEDIATYPE_Audio, MEDIASUBTYPE_PCM, 44100, 16, 2, 176400};
    TACapMode other = pcm;
    other.AvgSampleRate = 1;
    EXPECT_TRUE(SameACapMode(pcm, other)) << "PCM compares rate and sample size, not the byte rate";
    other.SampleSize = 8;
    EXPECT_FALSE(SameACapMode(pcm, other));
    const TACapMode mp3{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG_LAYER3, 44100, 0, 2, 16000};
    TACapMode mp3b = mp3;
    mp3b.SampleSize = 16;
    EXPECT_TRUE(SameACapMode(mp3, mp3b)) << "other subtypes compare the byte rate, not the sample size";
    mp3b.AvgSampleRate = 8000;
    EXPECT_FALSE(SameACapMode(mp3, mp3b));
    EXPECT_FALSE(SameACapMode(pcm, mp3));
}

TEST(CaptureModes, FrameRateKeepsOneToFiftyAndOtherwiseStoresTwentyFive) {
    TVideoCapture vc;
    for (const auto& [in, out] : std::vector<std::pair<double, double>>{
             {0.5, 25.0}, {0, 25.0}, {60, 25.0}, {1.0, 1.0}, {50.0, 50.0}, {29.97, 29.97}, {-3, 25.0}}) {
        vc.SetFrameRate(in);
        EXPECT_DOUBLE_EQ(vc.FrameRate(), out) << in;
    }
}

class CaptureDeviceModes : public testing::Test {
protected:
    CaptureDeviceModes()
        : devices(QString("Desk=%1").arg(LiveCamera), QString("Mic=%1").arg(LiveMicrophone)) {
        vc.SetWantCapture(false);
        vc.OnChangeVCapMode = [this](TVideoCapture*) { ++vchanges; };
        vc.OnChangeACapMode = [this](TVideoCapture*) { ++achanges; };
        vc.OnBitmapGrabbed = [this](const TCapturedBitmap& image) { lastSize = image.size(); };
    }
    VirtualDevices devices;
    RecordedMessages boxes;
    TVideoCapture vc;
    int vchanges = 0, achanges = 0;
    QSize lastSize;
};

TEST_F(CaptureDeviceModes, ModesComeFromTheDeviceAndApplyOnTheNextStart) {
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Desk", "Mic", false);
    ASSERT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    ASSERT_EQ(vc.VCapModeCount(), 5);
    EXPECT_EQ(VCapModeToString(vc.GetVCapModeByIndex(0)), "640x480x16b (YUY2)");
    EXPECT_EQ(VCapModeToString(vc.GetVCapModeByIndex(1)), "640x480x24b (RGB24)");
    EXPECT_EQ(VCapModeToString(vc.GetVCapModeByIndex(2)), "640x480x12b");
    EXPECT_DOUBLE_EQ(vc.GetVCapModeByIndex(0).FrameRate, 30.0);
    EXPECT_EQ(vc.GetVCapModeByIndex(5), TVCapMode{});
    EXPECT_EQ(vc.VCapModeIdx(), 0);
    EXPECT_EQ(vc.ACapModeCount(), 3);
    EXPECT_EQ(ACapModeToString(vc.ACapMode()), "44100Hzx16bx2");

    // Same size and depth as the current mode: nothing to do, no event, the graph keeps running.
    EXPECT_TRUE(vc.SetVCapMode(TVCapMode{{}, MEDIASUBTYPE_RGB24, 640, 480, 16}));
    EXPECT_EQ(vchanges, 0);
    EXPECT_TRUE(vc.Previewing());

    EXPECT_TRUE(vc.SetVCapMode(3));
    EXPECT_EQ(vchanges, 1);
    EXPECT_FALSE(vc.Previewing()) << "the graph is left torn down";
    EXPECT_EQ(VCapModeToString(vc.VCapMode()), "320x240x16b (YUY2)");
    ASSERT_TRUE(vc.StartPreview());
    ASSERT_TRUE(vc.CaptureFrame());
    ASSERT_TRUE(WaitUntil([&] { return lastSize.isValid(); }));
    EXPECT_EQ(lastSize, QSize(320, 240));

    EXPECT_FALSE(vc.SetVCapMode(17));
    EXPECT_FALSE(vc.Previewing()) << "an invalid index still tears the graph down";
    EXPECT_FALSE(vc.SetVCapMode(TVCapMode{{}, {}, 800, 600, 24}));

    ASSERT_TRUE(vc.StartPreview());
    EXPECT_TRUE(vc.SetACapMode(2));
    EXPECT_EQ(achanges, 1);
    EXPECT_TRUE(vc.Previewing()) << "the preview starts again after an audio mode";
    EXPECT_EQ(ACapModeToString(vc.ACapMode()), "8000Hzx16bx1");
}

TEST_F(CaptureDeviceModes, AModeCannotChangeDuringARecording) {
    TempDir dir;
    vc.SetWantCapture(true);
    vc.SetCaptureFileName(dir.file("clip.avi"));
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Desk", "Mic", false);
    ASSERT_TRUE(vc.StartCapture(false));
    EXPECT_FALSE(vc.SetVCapMode(3));
    EXPECT_FALSE(vc.SetACapMode(1));
    EXPECT_TRUE(vc.Capturing()) << "the recording runs on";
    EXPECT_FALSE(vc.ShowDialog(TCaptureDialog::cdVCAPTURE)) << "no dialog during a recording";
    EXPECT_TRUE(vc.StopCapture());
}

TEST_F(CaptureDeviceModes, DialogsOfferedAreThoseTheGraphHas) {
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Desk", "Mic", false);
    const TCaptureDialogs dialogs = vc.Dialogs();
    EXPECT_TRUE(dialogs.Contains(TCaptureDialog::cdVCAPTURE));
    EXPECT_TRUE(dialogs.Contains(TCaptureDialog::cdVCAPTURE_PIN));
    EXPECT_TRUE(dialogs.Contains(TCaptureDialog::cdACAPTURE));
    EXPECT_TRUE(dialogs.Contains(TCaptureDialog::cdACAPTURE_PIN));
    for (auto d : {TCaptureDialog::cdVFORMAT, TCaptureDialog::cdVSOURCE, TCaptureDialog::cdVDISPLAY,
                   TCaptureDialog::cdVCROSSBAR, TCaptureDialog::cdACROSSBAR, TCaptureDialog::cdTVTUNER,
                   TCaptureDialog::cdVCOMPRESSION}) {
        EXPECT_FALSE(dialogs.Contains(d)) << CaptureDialogNames[static_cast<std::size_t>(d)];
        EXPECT_FALSE(vc.ShowDialog(d));
    }
    // A property page edits the source's own properties.
    QStringList titles;
    auto previous = SetCaptureDialogRunner([&](QDialog& dialog) {
        titles << dialog.windowTitle();
        return int(QDialog::Rejected);
    });
    EXPECT_TRUE(vc.ShowDialog(TCaptureDialog::cdVCAPTURE));
    EXPECT_TRUE(vc.ShowDialog(TCaptureDialog::cdVCAPTURE_PIN));
    SetCaptureDialogRunner(previous);
    EXPECT_EQ(titles, (QStringList{"Video Capture Filter", "Video Capture Pin"}));
    EXPECT_TRUE(vc.Previewing()) << "the preview starts again after the pin dialog";
}

TEST_F(CaptureDeviceModes, SaveAndRestoreCarryDevicesModesAndSettings) {
    TempDir dir;
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Desk", "Mic", false);
    vc.ChooseCompressors("JPEG image encoder", "", false);
    ASSERT_TRUE(vc.SetVCapMode(3));
    vc.SetUseTempFile(true);
    vc.SetTempCaptureFileName(dir.file("temp1.avi"));
    vc.SetCaptureFileName(dir.file("def_capture1.avi"));
    vc.SetWantCapture(true);
    vc.SetWantAudioPreview(false);
    TGraphConfig config;
    vc.SaveGraph(&config);
    EXPECT_EQ(config.VCapSource, "Desk");
    EXPECT_EQ(config.ACapSource, "Mic");
    EXPECT_EQ(config.VComp, "JPEG image encoder");
    EXPECT_EQ(config.VCapMode.Width, 320);
    EXPECT_EQ(config.VCapMode.MediaSubType, MEDIASUBTYPE_YUY2);
    EXPECT_FALSE(config.WantAudioPreview);

    TGraphConfig stored;
    stored.RestoreGraph(config.SaveGraph());
    TVideoCapture other;
    int changes = 0, compressorChanges = 0;
    other.OnChangeDevice = [&](TVideoCapture*) {
        EXPECT_EQ(compressorChanges, 0) << "devices first, then compressors";
        ++changes;
    };
    other.OnChangeCompressor = [&](TVideoCapture*) { ++compressorChanges; };
    other.RestoreGraph(&stored);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(compressorChanges, 1);
    EXPECT_TRUE(other.Previewing()) << boxes.Texts().join("\n").toStdString();
    EXPECT_EQ(other.VCapName(), "Desk");
    EXPECT_EQ(other.VCompName(), "JPEG image encoder");
    EXPECT_EQ(VCapModeToString(other.VCapMode()), "320x240x16b (YUY2)");
    EXPECT_TRUE(other.UseTempFile());
    EXPECT_EQ(other.TempCaptureFileName(), dir.file("temp1.avi"));
    EXPECT_FALSE(other.WantAudioPreview());
    other.RestoreGraph(nullptr); // nothing happens
    EXPECT_TRUE(other.Previewing());
}

TEST(CaptureVirtualDevices, ADescriptionEndingInACapsFilterGivesThatFormat) {
    VirtualDevices devices(
        "Small=videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");
    RecordedMessages boxes;
    TVideoCapture vc;
    vc.SetWantCapture(false);
    vc.SetWantAudio(false);
    QSize lastSize;
    vc.OnBitmapGrabbed = [&](const TCapturedBitmap& image) { lastSize = image.size(); };
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Small", "", false);
    ASSERT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    EXPECT_EQ(VCapModeToString(vc.VCapMode()).left(7), "320x240");
    ASSERT_TRUE(vc.CaptureFrame());
    ASSERT_TRUE(WaitUntil([&] { return lastSize.isValid(); }));
    EXPECT_EQ(lastSize, QSize(320, 240));
}

TEST(CaptureVirtualDevices, ARebuiltGraphFreesThePipelineItReplaced) {
    VirtualDevices devices(QString("Desk=%1").arg(LiveCamera));
    RecordedMessages boxes;
    TVideoCapture vc;
    vc.SetWantCapture(false);
    vc.SetWantAudio(false);
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Desk", "", false);
    ASSERT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    bool freed = false;
    g_object_weak_ref(
        G_OBJECT(vc.CaptureGraph()), [](gpointer flag, GObject*) { *static_cast<bool*>(flag) = true; },
        &freed);
    int rendered = 0;
    vc.OnFrameRendered = [&](TVideoCapture*) { ++rendered; };
    ASSERT_TRUE(WaitUntil([&] { return rendered > 0; }));
    vc.ChooseDevices("Desk", "", true);
    ASSERT_TRUE(vc.Previewing());
    EXPECT_TRUE(WaitUntil([&] { return freed; }, 3000)) << "the old pipeline is still referenced";
}

} // namespace
} // namespace quelm::test

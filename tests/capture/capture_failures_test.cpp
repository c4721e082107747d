// Failures: boxes with their caption and code, a source that fails mid-run (device lost, restart), a
// pipeline error (abort), and the presenter that never blocks an unattended run.
#include "capture/capture_graph.h"
#include "capture_fixture.h"

#include <QFileInfo>

namespace quelm::test {
namespace {

GstElement* Innermost(GstElement* element) {
    return InnermostSource(element);
}

// Makes the camera's source post one error from its streaming thread, as a camera does when it is
// unplugged (a resource read error) or when its stream breaks (a stream error).
struct FailOnce {
    GstElement* source;
    bool resource;
    std::atomic<bool> armed{true};

    static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo*, gpointer data) {
        auto* self = static_cast<FailOnce*>(data);
        if (!self->armed.exchange(false))
            return GST_PAD_PROBE_OK;
        if (self->resource)
            GST_ELEMENT_ERROR(self->source, RESOURCE, READ, ("Could not read from resource."), (nullptr));
        else
            GST_ELEMENT_ERROR(self->source, STREAM, FAILED, ("Internal data stream error."), (nullptr));
        return GST_PAD_PROBE_DROP;
    }

    FailOnce(GstElement* vcap, bool resourceError)
        : source(Innermost(vcap))
        , resource(resourceError) {
        GstPad* pad = gst_element_get_static_pad(source, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, Probe, this, nullptr);
        gst_object_unref(pad);
    }
};

class CaptureFailures : public testing::Test {
protected:
    CaptureFailures()
        : devices(QString("Test Camera=%1").arg(LiveCamera)) {
        vc.SetWantAudio(false);
        vc.SetUseTempFile(true);
        vc.SetTempCaptureFileName(dir.file("temp1.avi"));
        vc.SetCaptureFileName(dir.file("def_capture1.avi"));
        vc.OnStartPreview = [this](TVideoCapture*) { ++previewStarts; };
        vc.OnDeviceLost = [this](TVideoCapture*) { ++lost; };
        vc.OnAborted = [this](TVideoCapture*) { ++aborted; };
        vc.OnBitmapGrabbed = [this](const TCapturedBitmap&) { ++grabbed; };
    }
    void Start() {
        ASSERT_TRUE(vc.Init());
        vc.ChooseDevices("Test Camera", "", true);
        ASSERT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    }
    bool FrameArrives() {
        const int before = grabbed;
        return vc.CaptureFrame() && WaitUntil([&] { return grabbed > before; }, 3000);
    }

    VirtualDevices devices;
    RecordedMessages boxes;
    TempDir dir;
    TVideoCapture vc;
    int previewStarts = 0, lost = 0, aborted = 0, grabbed = 0;
};

TEST_F(CaptureFailures, ALostCameraIsReportedAndThePreviewStartsAgain) {
    Start();
    ASSERT_TRUE(FrameArrives());
    const int startsBefore = previewStarts;
    FailOnce fail(vc.VCapFilter(), true);
    ASSERT_TRUE(WaitUntil([&] { return lost == 1; }));
    EXPECT_EQ(aborted, 0);
    EXPECT_GT(previewStarts, startsBefore) << "the preview was started again";
    EXPECT_TRUE(vc.Previewing());
    EXPECT_TRUE(FrameArrives()) << "frames flow after the restart";
    Pump(200);
    EXPECT_EQ(lost, 1) << "one failure is one loss";
}

TEST_F(CaptureFailures, ACameraLostWhileRecordingStillLeavesACompleteClip) {
    Start();
    const QString clip = dir.file("Warning_cam1.avi");
    vc.SetCaptureFileName(clip);
    int stops = 0;
    vc.OnStopCapture = [&](TVideoCapture*) { ++stops; };
    ASSERT_TRUE(vc.StartCapture(false));
    Pump(800);
    FailOnce fail(vc.VCapFilter(), true);
    ASSERT_TRUE(WaitUntil([&] { return lost == 1 && stops == 1; }));
    EXPECT_FALSE(vc.Capturing());
    EXPECT_TRUE(WaitUntil([&] { return vc.Previewing(); }));
    const ClipFacts facts = ReadClip(clip);
    ASSERT_TRUE(facts.ok) << facts.error.toStdString();
    EXPECT_GE(facts.videoFrames, 15);
    EXPECT_FALSE(QFileInfo::exists(dir.file("temp1.avi")));
}

TEST_F(CaptureFailures, AStreamErrorWhileRecordingAbortsTheClipAndThePreviewGoesOn) {
    Start();
    const QString clip = dir.file("Warning_cam1.avi");
    vc.SetCaptureFileName(clip);
    ASSERT_TRUE(vc.StartCapture(false));
    Pump(800);
    FailOnce fail(vc.VCapFilter(), false);
    ASSERT_TRUE(WaitUntil([&] { return aborted == 1; }));
    EXPECT_EQ(lost, 0);
    EXPECT_FALSE(vc.Capturing());
    EXPECT_TRUE(vc.Previewing());
    EXPECT_TRUE(FrameArrives()) << "the pipeline was started afresh";
    const ClipFacts facts = ReadClip(clip);
    ASSERT_TRUE(facts.ok) << facts.error.toStdString();
    EXPECT_GE(facts.videoFrames, 15);
}

TEST_F(CaptureFailures, AStreamErrorDuringAPlainPreviewEndsThePreview) {
    Start();
    FailOnce fail(vc.VCapFilter(), false);
    ASSERT_TRUE(WaitUntil([&] { return aborted == 1; }));
    EXPECT_FALSE(vc.Previewing()) << "nothing runs any more";
    EXPECT_FALSE(vc.CaptureFrame());
    EXPECT_TRUE(vc.StartPreview()) << "the next start runs the pipeline afresh";
    EXPECT_TRUE(FrameArrives());
}

TEST_F(CaptureFailures, AFailingFileWriterEndsTheClipButNotThePreview) {
    Start();
    ASSERT_TRUE(vc.StartCapture(false));
    Pump(300);
    GstElement* writer = gst_bin_get_by_name(GST_BIN(vc.CaptureGraph()), "MyFileWriter");
    ASSERT_NE(writer, nullptr);
    GST_ELEMENT_ERROR(writer, RESOURCE, NO_SPACE_LEFT, ("No space left on the resource."), (nullptr));
    gst_object_unref(writer);
    ASSERT_TRUE(WaitUntil([&] { return aborted == 1; }, 3000)) << "the broken branch is not waited for";
    EXPECT_FALSE(vc.Capturing());
    EXPECT_TRUE(vc.Previewing());
    EXPECT_TRUE(FrameArrives());
    Pump(200);
    EXPECT_EQ(aborted, 1);
    EXPECT_EQ(lost, 0);
}

TEST_F(CaptureFailures, AnUnwritableRecordingFileRefusesTheRecording) {
    vc.SetUseTempFile(false);
    vc.SetCaptureFileName(dir.file("no-such-folder/clip.avi"));
    Start();
    EXPECT_FALSE(vc.StartCapture(false));
    EXPECT_TRUE(boxes.Texts().contains("Error 80004005: Cannot run graph!"))
        << boxes.Texts().join("\n").toStdString();
    EXPECT_FALSE(vc.Capturing());
}

TEST_F(CaptureFailures, AnUnknownCameraNameShowsTheBoxWithCodeZeroAndLeavesNoGraph) {
    ASSERT_TRUE(vc.Init());
    int changes = 0;
    vc.OnChangeDevice = [&](TVideoCapture*) { ++changes; };
    TGraphConfig config;
    config.RestoreGraph("VCapSource=\"Unplugged Camera\",WantAudio=0");
    vc.RestoreGraph(&config);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].Caption, "DirectShow - Capture");
    EXPECT_EQ(boxes.messages[0].Text,
              "Error 0.\r\nCan't create video capture filter - propably you havn't video capture device!");
    EXPECT_EQ(vc.CaptureGraph(), nullptr);
    EXPECT_FALSE(vc.Previewing());
    EXPECT_EQ(changes, 1) << "the restore still reports the change";
}

TEST_F(CaptureFailures, BuildRefusalsAndTheirBoxes) {
    struct Case {
        const char* name;
        std::function<void(TVideoCapture&)> setup;
        const char* box; // nullptr: no box
        bool previews;
    };
    const Case cases[] = {
        {"no recording file", [](TVideoCapture& v) { v.SetUseTempFile(false), v.SetCaptureFileName(""); },
         "Capture filename required!", false},
        {"audio wanted, none chosen", [](TVideoCapture& v) { v.SetWantAudio(true), v.SetWantDVAudio(true); },
         "Can't find ACapture:IAMStreamConfig!", false},
        {"forced rate the camera lacks",
         [](TVideoCapture& v) {
             v.SetUseFrameRate(true);
             v.SetFrameRate(12.5);
         },
         "Cannot set frame rate for capture!", true},
        {"nothing to record", [](TVideoCapture& v) { v.SetWantCapture(false), v.SetCaptureFileName(""); },
         nullptr, true},
    };
    ASSERT_TRUE(vc.Init());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TVideoCapture v;
        v.SetWantAudio(false);
        v.SetUseTempFile(true);
        v.SetTempCaptureFileName(dir.file("temp2.avi"));
        c.setup(v);
        boxes.messages.clear();
        v.ChooseDevices("Test Camera", "", true);
        EXPECT_EQ(v.Previewing(), c.previews);
        if (c.box)
            EXPECT_TRUE(boxes.Texts().contains(c.box)) << boxes.Texts().join("\n").toStdString();
        else
            EXPECT_TRUE(boxes.messages.empty()) << boxes.Texts().join("\n").toStdString();
        for (const auto& m : boxes.messages)
            EXPECT_EQ(m.Caption, "DirectShow - Capture");
    }
}

TEST_F(CaptureFailures, ACancelledConfirmationLeavesThePreviewRunning) {
    Start();
    boxes.answer = TMessageAnswer::Cancel;
    EXPECT_FALSE(vc.StartCapture(true));
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].Text, "Starting capture!");
    EXPECT_EQ(boxes.messages[0].Buttons, TMessageButtons::YesCancel);
    EXPECT_FALSE(vc.Capturing());
    EXPECT_TRUE(vc.Previewing());
    EXPECT_TRUE(FrameArrives());
    boxes.answer = TMessageAnswer::Yes;
    EXPECT_TRUE(vc.StartCapture(true));
    EXPECT_TRUE(vc.StopCapture());
}

TEST_F(CaptureFailures, ATimeLimitOfZeroStopsAtTheFirstTick) {
    Start();
    vc.SetUseTimeLimit(true);
    vc.SetTimeLimit(0);
    ASSERT_TRUE(vc.StartCapture(false));
    EXPECT_TRUE(WaitUntil([&] { return !vc.Capturing(); }, 1000));
    EXPECT_TRUE(vc.Previewing());
    EXPECT_TRUE(QFileInfo::exists(dir.file("def_capture1.avi")));
}

TEST_F(CaptureFailures, WithoutCaptureWantedARecordingIsRefusedSilently) {
    vc.SetWantCapture(false);
    Start();
    EXPECT_FALSE(vc.StartCapture(false));
    EXPECT_FALSE(vc.StopCapture());
    EXPECT_TRUE(boxes.messages.empty());
}

TEST(CaptureMessages, TheDefaultPresenterWritesToStandardErrorAndNeverBlocksHere) {
    ASSERT_TRUE(ModalBoxesDisabled()) << "tests run on the offscreen platform";
    testing::internal::CaptureStderr();
    const TMessageAnswer answer =
        PresentCaptureMessage({CaptureCaption, "Starting capture!", TMessageButtons::YesCancel});
    ShowCaptureError("Error %x: Cannot run preview graph!", CaptureGeneralFailure);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, TMessageAnswer::Cancel);
    EXPECT_NE(err.find("DirectShow - Capture: Starting capture!"), std::string::npos);
    EXPECT_NE(err.find("Error 80004005: Cannot run preview graph!"), std::string::npos);
}

} // namespace
} // namespace quelm::test

// Single-frame grabbing: one delivery per request, cancellation, and frames that are upright 24-bit BGR
// with padded rows at the source's size.
#include "capture/capture_graph.h"
#include "capture_fixture.h"

#include <gst/app/gstappsrc.h>

namespace quelm::test {
namespace {

GstElement* Innermost(GstElement* element) {
    return InnermostSource(element);
}

// A camera driven frame by frame: each pushed frame is red in its top half and blue in its bottom half.
class FedCamera : public testing::Test {
protected:
    static constexpr int W = 643; // 643 x 3 bytes: rows padded to 1932
    static constexpr int H = 241;

    FedCamera()
        : devices(QString("Fed Camera=appsrc name=feed format=time caps=\"video/x-raw,format=BGR,width=%1,"
                          "height=%2,framerate=30/1\"")
                      .arg(W)
                      .arg(H)) {
        vc.SetWantAudio(false);
        vc.SetWantCapture(false);
        vc.OnBitmapGrabbed = [this](const TCapturedBitmap& image) {
            ++deliveries;
            last = image.copy();
        };
    }

    void Start() {
        ASSERT_TRUE(vc.Init());
        vc.ChooseDevices("Fed Camera", "", true);
        ASSERT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    }

    void Push() {
        GstElement* src = Innermost(vc.VCapFilter());
        ASSERT_TRUE(GST_IS_APP_SRC(src));
        const int stride = (W * 3 + 3) & ~3;
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, static_cast<gsize>(stride) * H, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                guint8* p = map.data + y * stride + x * 3;
                const bool top = y < H / 2;
                p[0] = top ? 0 : 255; // blue
                p[1] = 0;
                p[2] = top ? 255 : 0; // red
            }
        gst_buffer_unmap(buffer, &map);
        GST_BUFFER_PTS(buffer) = pts;
        GST_BUFFER_DURATION(buffer) = GST_SECOND / 30;
        pts += GST_SECOND / 30;
        ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(src), buffer), GST_FLOW_OK);
    }

    VirtualDevices devices;
    RecordedMessages boxes;
    TVideoCapture vc;
    int deliveries = 0;
    QImage last;
    GstClockTime pts = 0;
};

TEST_F(FedCamera, AFrameIsUprightBgrWithPaddedRowsAtTheSourceSize) {
    Start();
    ASSERT_TRUE(vc.CaptureFrame());
    Push();
    ASSERT_TRUE(WaitUntil([&] { return deliveries == 1; }));
    EXPECT_EQ(last.format(), QImage::Format_BGR888);
    EXPECT_EQ(last.size(), QSize(W, H));
    EXPECT_EQ(last.bytesPerLine(), 1932);
    EXPECT_EQ(last.pixelColor(0, 0), QColor(255, 0, 0)) << "row 0 is the top row";
    EXPECT_EQ(last.pixelColor(W - 1, H - 1), QColor(0, 0, 255));
    const uchar* top = last.constScanLine(0);
    EXPECT_EQ(top[0], 0); // blue, green, red in memory
    EXPECT_EQ(top[2], 255);
}

TEST_F(FedCamera, TwoRequestsBeforeTheNextFrameGiveOneDelivery) {
    Start();
    ASSERT_TRUE(vc.CaptureFrame());
    ASSERT_TRUE(vc.CaptureFrame());
    Push();
    ASSERT_TRUE(WaitUntil([&] { return deliveries >= 1; }));
    Push();
    Push();
    Pump(200);
    EXPECT_EQ(deliveries, 1) << "only a requested frame is delivered";
}

TEST_F(FedCamera, ARequestWithoutARunningGraphIsRefusedAndCancelsThePendingOne) {
    Start();
    ASSERT_TRUE(vc.CaptureFrame());
    ASSERT_TRUE(vc.StopPreview());
    EXPECT_FALSE(vc.CaptureFrame());
    ASSERT_TRUE(vc.StartPreview());
    Push();
    Pump(200);
    EXPECT_EQ(deliveries, 0) << "the cancelled request delivered a frame";
    ASSERT_TRUE(vc.CaptureFrame());
    Push();
    EXPECT_TRUE(WaitUntil([&] { return deliveries == 1; }));
}

TEST_F(FedCamera, WithoutBitmapsNoFrameIsRequested) {
    vc.SetWantBitmaps(false);
    Start();
    EXPECT_FALSE(vc.CaptureFrame());
}

TEST_F(FedCamera, APaletteFormatLeavesThePreviewWithoutAnsweredRequests) {
    vc.SetBitmapPixelFormat(TPixelFormat::pf8bit);
    Start();
    EXPECT_TRUE(boxes.Texts().contains("Can't install SampleGrabber. Probably wrong color depth used?"));
    EXPECT_TRUE(vc.CaptureFrame()) << "the grabber stays in the graph";
    Push();
    Pump(200);
    EXPECT_EQ(deliveries, 0);
}

TEST(CaptureFrames, FramesComeDuringARecordingAndEveryPreviewFrameIsAnnounced) {
    VirtualDevices devices(QString("Test Camera=%1").arg(LiveCamera));
    RecordedMessages boxes;
    TempDir dir;
    TVideoCapture vc;
    vc.SetWantAudio(false);
    vc.SetCaptureFileName(dir.file("clip.avi"));
    int rendered = 0;
    int grabbed = 0;
    vc.OnFrameRendered = [&](TVideoCapture* sender) {
        EXPECT_EQ(sender, &vc);
        ++rendered;
    };
    vc.OnBitmapGrabbed = [&](const TCapturedBitmap& image) {
        EXPECT_EQ(image.size(), QSize(640, 480));
        ++grabbed;
    };
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Test Camera", "", true);
    ASSERT_TRUE(vc.Previewing());
    Pump(500);
    EXPECT_GE(rendered, 8) << "about 15 frames in half a second";
    ASSERT_TRUE(vc.StartCapture(false));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(vc.CaptureFrame());
        ASSERT_TRUE(WaitUntil([&] { return grabbed == i + 1; }));
    }
    ASSERT_TRUE(vc.StopCapture());
    EXPECT_TRUE(boxes.messages.empty()) << boxes.Texts().join("\n").toStdString();
}

} // namespace
} // namespace quelm::test

namespace quelm::test {
namespace {

TEST(CaptureFrames, AJpegCameraIsDecodedForPreviewGrabbingAndRecording) {
    VirtualDevices devices(
        "Jpeg Camera=videotestsrc is-live=true ! capsfilter "
        "caps=video/x-raw,format=I420,width=320,height=240,framerate=15/1 ! jpegenc ! capsfilter "
        "caps=image/jpeg,width=320,height=240,framerate=15/1");
    RecordedMessages boxes;
    TempDir dir;
    TVideoCapture vc;
    vc.SetWantAudio(false);
    vc.SetCaptureFileName(dir.file("clip.avi"));
    QSize size;
    vc.OnBitmapGrabbed = [&](const TCapturedBitmap& image) { size = image.size(); };
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("Jpeg Camera", "", true);
    ASSERT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    EXPECT_EQ(VCapModeToString(vc.VCapMode()), "320x240x24b");
    EXPECT_DOUBLE_EQ(vc.GetVCapModeByIndex(0).FrameRate, 15.0);
    ASSERT_TRUE(vc.CaptureFrame());
    ASSERT_TRUE(WaitUntil([&] { return size.isValid(); }));
    EXPECT_EQ(size, QSize(320, 240));
    ASSERT_TRUE(vc.StartCapture(false));
    Pump(700);
    ASSERT_TRUE(vc.StopCapture());
    const ClipFacts facts = ReadClip(dir.file("clip.avi"));
    ASSERT_TRUE(facts.ok) << facts.error.toStdString();
    EXPECT_EQ(facts.width, 320);
    EXPECT_GE(facts.videoFrames, 5);
    EXPECT_TRUE(boxes.messages.empty()) << boxes.Texts().join("\n").toStdString();
}

} // namespace
} // namespace quelm::test

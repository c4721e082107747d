// A DV camera: interleaved DV caps mark the source, its four decoding sizes are its modes, and the
// chosen size is what the preview and the grabbed frames show.
#include "capture_fixture.h"

namespace quelm::test {
namespace {

class DVCamera : public testing::Test {
protected:
    DVCamera()
        : devices(
              "DV Camera=videotestsrc is-live=true ! capsfilter "
              "caps=video/x-raw,format=I420,width=720,height=576,framerate=25/1 ! avenc_dvvideo ! avmux_dv") {
        vc.SetWantCapture(false);
        vc.OnChangeVCapMode = [this](TVideoCapture*) { ++changes; };
        vc.OnBitmapGrabbed = [this](const TCapturedBitmap& image) { size = image.size(); };
    }
    VirtualDevices devices;
    RecordedMessages boxes;
    TVideoCapture vc;
    int changes = 0;
    QSize size;
};

TEST_F(DVCamera, ItsModesAreTheFourDecodingSizes) {
    ASSERT_TRUE(vc.Init());
    vc.ChooseDevices("DV Camera", "", false);
    ASSERT_TRUE(vc.IsDVSource());
    EXPECT_TRUE(vc.Previewing()) << boxes.Texts().join("\n").toStdString();
    ASSERT_TRUE(vc.CaptureFrame());
    ASSERT_TRUE(WaitUntil([&] { return size.isValid(); }, 8000));
    EXPECT_EQ(size, QSize(720, 576));
    size = QSize();
    ASSERT_EQ(vc.VCapModeCount(), 4);
    EXPECT_EQ(VCapModeToString(vc.GetVCapModeByIndex(0)), "720x576x24b");
    EXPECT_EQ(VCapModeToString(vc.GetVCapModeByIndex(3)), "88x72x24b");
    EXPECT_EQ(vc.GetVCapModeByIndex(4), TVCapMode{});

    // Choosing a size only stores it: false, no event, and it takes effect when the graph is built.
    EXPECT_FALSE(vc.SetVCapMode(1));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(vc.DVResolution(), TDVResolution::dvrHalf);
    ASSERT_TRUE(vc.StartPreview()) << boxes.Texts().join("\n").toStdString();
    EXPECT_EQ(VCapModeToString(vc.VCapMode()), "360x288x24b");
    ASSERT_TRUE(vc.CaptureFrame());
    ASSERT_TRUE(WaitUntil([&] { return size.isValid(); }, 8000));
    EXPECT_EQ(size, QSize(360, 288));
}

} // namespace
} // namespace quelm::test

#pragma once
// Virtual cameras fed frame by frame: each camera is an appsrc that a timer on the GUI thread fills at
// 30 frames/s with a still scene or, while asked, with a square that jumps across it. The feed follows
// the camera's graph through every rebuild. Shared by the alert tests and the alert benchmark.
#include "capture/capture_graph.h"
#include "capture/video_capture.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>

namespace quelm::test {

inline constexpr int kFeedWidth = 320;
inline constexpr int kFeedHeight = 240;

// The device description of fed camera n ("feed1", "feed2").
inline QString FedCameraDescription(int n, int width = kFeedWidth, int height = kFeedHeight) {
    return QStringLiteral("appsrc name=feed%1 format=time "
                          "caps=\"video/x-raw,format=BGR,width=%2,height=%3,framerate=30/1\"")
        .arg(n)
        .arg(width)
        .arg(height);
}

// QUELM_VIRTUAL_CAMERAS for two fed cameras named cam1 and cam2.
inline QByteArray FedCameras(int width = kFeedWidth, int height = kFeedHeight) {
    return (QStringLiteral("cam1=") + FedCameraDescription(1, width, height) + QStringLiteral(";cam2=") +
            FedCameraDescription(2, width, height))
        .toUtf8();
}

class CameraFeed : public QObject {
public:
    // cameras[n - 1] is camera n's component (null for a camera that is not fed).
    CameraFeed(std::array<TVideoCapture*, 2> cameras, int width = kFeedWidth, int height = kFeedHeight)
        : cameras_(cameras)
        , width_(width)
        , height_(height)
        , stride_((width * 3 + 3) & ~3) {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(33);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start();
    }

    // Motion of camera n from the next frame on, or a still scene again. Returns the instant (ms of
    // Clock()) of the first frame of the change, taken when that frame enters the pipeline.
    void SetMoving(int n, bool moving) { moving_[n - 1] = moving; }
    bool Moving(int n) const { return moving_[n - 1]; }
    // The instant the first moving frame after the last SetMoving(n, true) was pushed; -1 before.
    qint64 FirstMovingFrameAt(int n) const { return firstMoving_[n - 1]; }
    // The instant the last moving frame was pushed.
    qint64 LastMovingFrameAt(int n) const { return lastMoving_[n - 1]; }
    qint64 Clock() const { return clock_.elapsed(); }
    int Pushed(int n) const { return pushed_[n - 1]; }
    // Called right after a frame entered camera n's pipeline, with whether it was a moving one.
    std::function<void(int n, bool moving)> OnPushed;

private:
    void Tick() {
        ++frame_;
        for (int n = 1; n <= 2; ++n)
            Push(n);
    }

    void Push(int n) {
        TVideoCapture* vc = cameras_[n - 1];
        if (!vc || !vc->CaptureGraph() || !vc->VCapFilter())
            return;
        // A graph on its way to playing takes frames too: it waits for the first one to finish starting.
        GstState state = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
        gst_element_get_state(GST_ELEMENT(vc->CaptureGraph()), &state, &pending, 0);
        if (state < GST_STATE_READY || (state == GST_STATE_READY && pending < GST_STATE_PAUSED))
            return;
        GstElement* src = InnermostSource(vc->VCapFilter());
        if (!src || !GST_IS_APP_SRC(src))
            return;
        if (src != source_[n - 1]) { // a rebuilt graph: its stream starts at 0
            source_[n - 1] = src;
            pts_[n - 1] = 0;
        }
        const bool moving = moving_[n - 1];
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, static_cast<gsize>(stride_) * height_, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        // A still scene: grey with a darker band; moving: a white square that jumps along it.
        const int side = height_ / 3;
        const int sx = (frame_ * 37) % (width_ - side); // never the same place two frames running
        const int sy = height_ / 3;
        for (int y = 0; y < height_; ++y) {
            guint8* row = map.data + static_cast<gsize>(y) * stride_;
            for (int x = 0; x < width_; ++x) {
                guint8 v = (y > height_ * 3 / 4) ? 60 : 128;
                if (moving && x >= sx && x < sx + side && y >= sy && y < sy + side)
                    v = 255;
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
            }
        }
        gst_buffer_unmap(buffer, &map);
        GST_BUFFER_PTS(buffer) = pts_[n - 1];
        GST_BUFFER_DURATION(buffer) = GST_SECOND / 30;
        pts_[n - 1] += GST_SECOND / 30;
        const qint64 at = clock_.elapsed();
        if (gst_app_src_push_buffer(GST_APP_SRC(src), buffer) != GST_FLOW_OK)
            return;
        ++pushed_[n - 1];
        if (moving) {
            if (!wasMoving_[n - 1])
                firstMoving_[n - 1] = at;
            lastMoving_[n - 1] = at;
        }
        wasMoving_[n - 1] = moving;
        if (OnPushed)
            OnPushed(n, moving);
    }

    std::array<TVideoCapture*, 2> cameras_;
    int width_, height_, stride_;
    QTimer timer_;
    QElapsedTimer clock_;
    int frame_ = 0;
    std::array<bool, 2> moving_{false, false};
    std::array<bool, 2> wasMoving_{false, false};
    std::array<qint64, 2> firstMoving_{-1, -1};
    std::array<qint64, 2> lastMoving_{-1, -1};
    std::array<int, 2> pushed_{0, 0};
    std::array<GstElement*, 2> source_{nullptr, nullptr}; // compared only, never dereferenced
    std::array<GstClockTime, 2> pts_{0, 0};
};

} // namespace quelm::test

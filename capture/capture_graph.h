#pragma once
// The GStreamer objects behind one TVideoCapture, and the frame hand-over between the streaming thread
// and the GUI thread. Internal to the capture component.
#include "capture/graph_config.h"
#include "capture/gst_handle.h"

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quelm {

class TVideoCapture;

// A device's capability: its caps structure (fixed) and the mode read from it.
struct TVideoCapability {
    gst::Caps Caps;
    TVCapMode Mode;
};
struct TAudioCapability {
    gst::Caps Caps;
    TACapMode Mode;
};

// Modes from caps: one capability per (format, width, height, frame-rate range) structure.
std::vector<TVideoCapability> VideoCapabilities(GstCaps* caps);
std::vector<TAudioCapability> AudioCapabilities(GstCaps* caps);
TVCapMode VideoModeFromCaps(GstCaps* caps);
TACapMode AudioModeFromCaps(GstCaps* caps);
// Whether the caps are an interleaved (system stream) DV format.
bool IsDVCaps(GstCaps* caps);

// One clip's recording bin: queue ! videoconvert ! [encoder] ! avimux ! filesink, with an audio queue
// into the same multiplexer when audio is recorded. Linked to request pads of the tees while it records.
struct TRecording {
    gst::Element Bin;
    gst::Element Mux;
    gst::Element FileSink;
    gst::Pad VideoTeePad;
    gst::Pad AudioTeePad;
    gst::Pad VideoSinkPad; // the bin's ghost pads
    gst::Pad AudioSinkPad;
    std::mutex Lock;
    std::condition_variable Finished;
    bool EosAtSink = false;
    bool Broken = false; // an element of the branch failed: its end of stream will not come
    std::atomic<std::int32_t> Frames{0};
    std::atomic<std::int32_t> Dropped{0};
    std::atomic<std::int64_t> LastPts{-1};
    std::int64_t FrameDuration = 0; // nanoseconds, 0 when unknown
};

// The sample-grabber side: the appsink callback runs on the streaming thread, copies a requested frame
// under the lock and posts the hand-over to the GUI thread.
class TSampleGrabberCB {
public:
    std::atomic<bool> FEnable{false};
    std::mutex FLock;
    QImage FBuffer;             // copy of the last requested sample, in the grabber's pixel format
    std::uint32_t FBuffLen = 0; // its length in bytes; 0: nothing copied yet

    std::mutex FPaintLock;
    gst::Sample FPaintSample;        // latest preview frame, painted by the GUI thread
    std::atomic<int> FPending{0};    // frame hand-overs posted and not yet handled
    TVideoCapture* FOwner = nullptr; // set while connected; the pipeline stops before the owner goes
    bool FIsGrabber = false;         // frames pass the grabber (not only the renderer)
    QImage::Format FGrabFormat = QImage::Format_BGR888; // format of a grabbed frame

    void ClearBuffer() {
        std::lock_guard lock(FLock);
        FBuffer = QImage();
        FBuffLen = 0;
    }
};

struct TCaptureGraph {
    std::uint64_t Generation = 0;
    gst::Element Pipeline;
    gst::Element VCap;
    gst::Element ACap;
    gst::Element VComp;
    gst::Element AComp;
    gst::Element DVDec;
    gst::Element DVSplitter;
    // stream configuration of the sources: their capabilities and the current format
    bool HasVStreamConf = false;
    bool HasAStreamConf = false;
    gst::Caps DeviceVCaps; // everything the video source offers
    std::vector<TVideoCapability> VCaps;
    std::vector<TAudioCapability> ACaps;
    gst::Caps VFormat;
    gst::Caps AFormat;
    int DVDisplay = 0; // decoder display code 1000..1003, 0 = its own setting
    // the built graph
    gst::Element VFormatFilter; // applies VFormat to the source
    gst::Element AFormatFilter;
    gst::Element SmartTee;
    gst::Element InfTee;
    gst::Element Grabber;                   // appsink of the preview branch
    gst::Element Renderer;                  // the same appsink when no grabber is wanted
    std::vector<gst::Element> DVAudioChain; // audio preview of a DV stream, added when its audio appears
    bool Recordable = false;
    std::atomic<std::uint64_t> RunEpoch{0}; // increases whenever the pipeline is stopped
    std::shared_ptr<TRecording> Recording;
};

// The GUI-thread side of the bus: a sync handler forwards a copy of each message with a queued call.
void InstallBusForwarder(TVideoCapture* owner, TCaptureGraph* graph);

// The first real source inside a device's element (a virtual device is a bin around its source).
GstElement* InnermostSource(GstElement* element);
// Stops the pipeline (NULL) and starts a new run epoch: messages of the old run are ignored.
void StopPipeline(TCaptureGraph& graph);

} // namespace quelm

// Building and dismantling the pipeline behind a capture component: source elements for the selected
// devices, then the branches (source format, DV decoding, video tee, audio tee, audio preview, recording
// checks, video preview with the frame grabber), and their removal again.
#include "capture/capture_graph.h"
#include "capture/capture_messages.h"
#include "capture/video_capture.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QFile>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quelm {
namespace {

std::atomic<std::uint64_t> NextGeneration{1};

gst::Element Make(const char* factory, const char* name = nullptr) {
    return gst::Element::Sink(gst_element_factory_make(factory, name));
}

} // namespace

GstElement* InnermostSource(GstElement* element) {
    while (element && GST_IS_BIN(element)) {
        GstIterator* it = gst_bin_iterate_sources(GST_BIN(element));
        GValue item = G_VALUE_INIT;
        GstElement* found = nullptr;
        if (gst_iterator_next(it, &item) == GST_ITERATOR_OK)
            found = GST_ELEMENT(g_value_get_object(&item));
        g_value_unset(&item);
        gst_iterator_free(it);
        if (!found)
            break;
        element = found;
    }
    return element;
}

void StopPipeline(TCaptureGraph& graph) {
    if (graph.Pipeline) {
        ++graph.RunEpoch;
        gst_element_set_state(graph.Pipeline.get(), GST_STATE_NULL);
    }
}

namespace {

bool HasWritableProperties(GstElement* element) {
    if (!element)
        return false;
    guint n = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &n);
    bool any = false;
    for (guint i = 0; i < n && !any; ++i) {
        const GParamSpec* p = specs[i];
        any = (p->flags & G_PARAM_WRITABLE) && !(p->flags & G_PARAM_CONSTRUCT_ONLY) &&
              std::strcmp(p->name, "name") != 0 && std::strcmp(p->name, "parent") != 0;
    }
    g_free(specs);
    return any;
}

// The QImage format that wraps a mapped frame of this video format, Invalid when none does.
QImage::Format WrapFormat(GstVideoFormat format) {
    switch (format) {
    case GST_VIDEO_FORMAT_BGRx:
        return QImage::Format_RGB32;
    case GST_VIDEO_FORMAT_BGRA:
        return QImage::Format_ARGB32;
    case GST_VIDEO_FORMAT_BGR:
        return QImage::Format_BGR888;
    case GST_VIDEO_FORMAT_RGB:
        return QImage::Format_RGB888;
    case GST_VIDEO_FORMAT_RGB16:
        return QImage::Format_RGB16;
    case GST_VIDEO_FORMAT_RGB15:
        return QImage::Format_RGB555;
    default:
        return QImage::Format_Invalid;
    }
}

// Streaming thread: every sample of the preview branch.
GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data) {
    auto* cb = static_cast<TSampleGrabberCB*>(data);
    gst::Sample sample = gst::Sample::Adopt(gst_app_sink_pull_sample(sink));
    if (!sample)
        return GST_FLOW_OK;
    TVideoCapture* owner = cb->FOwner;
    if (cb->FIsGrabber && cb->FEnable.exchange(false)) {
        GstVideoInfo info;
        GstVideoFrame frame;
        bool copied = false;
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get())) &&
            gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample.get()), GST_MAP_READ)) {
            const QImage::Format wrap = WrapFormat(GST_VIDEO_INFO_FORMAT(&info));
            if (wrap != QImage::Format_Invalid) {
                const QImage view(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                  GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                                  GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), wrap);
                QImage copy = cb->FGrabFormat == wrap ? view.copy() : view.convertToFormat(cb->FGrabFormat);
                std::lock_guard lock(cb->FLock);
                cb->FBuffer = std::move(copy);
                cb->FBuffLen = static_cast<std::uint32_t>(cb->FBuffer.sizeInBytes());
                copied = true;
            }
            gst_video_frame_unmap(&frame);
        }
        if (copied && owner)
            QMetaObject::invokeMethod(
                owner, [owner] { owner->HandleBitmapReadyQueued(); }, Qt::QueuedConnection);
    }
    {
        std::lock_guard lock(cb->FPaintLock);
        cb->FPaintSample = sample;
    }
    // One hand-over per sample; bounded, so a blocked GUI thread does not pile them up.
    if (owner && cb->FPending.load() < 30) {
        ++cb->FPending;
        QMetaObject::invokeMethod(
            owner, [owner] { owner->HandleFrameRenderedQueued(); }, Qt::QueuedConnection);
    }
    return GST_FLOW_OK;
}

GstBusSyncReply BusSync(GstBus*, GstMessage* message, gpointer data);

struct BusTarget {
    TVideoCapture* Owner;
    TCaptureGraph* Graph;
};

GstBusSyncReply BusSync(GstBus*, GstMessage* message, gpointer data) {
    auto* target = static_cast<BusTarget*>(data);
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_DEVICE_REMOVED) {
        gst::Message copy = gst::Message::Ref(message);
        TVideoCapture* owner = target->Owner;
        const std::uint64_t generation = target->Graph->Generation;
        const std::uint64_t epoch = target->Graph->RunEpoch.load();
        QMetaObject::invokeMethod(
            owner,
            [owner, copy, generation, epoch] {
                owner->HandleBusMessageQueued(copy.get(), generation, epoch);
            },
            Qt::QueuedConnection);
    }
    // A sync handler that drops a message owns it: without this unref every state change of a pipeline
    // would keep its message, and with it the pipeline, alive for ever.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

bool Link(GstElement* a, GstElement* b) {
    return gst_element_link(a, b);
}

// queue ! audioconvert ! audioresample ! the audio renderer (QUELM_AUDIO_SINK, a description, replaces the
// default renderer; tests use a fake sink). Empty when an element is missing.
std::vector<gst::Element> AudioPreviewChain() {
    gst::Element sink;
    const QByteArray custom = qgetenv("QUELM_AUDIO_SINK");
    if (!custom.isEmpty()) {
        GError* error = nullptr;
        sink = gst::Element::Sink(gst_parse_bin_from_description(custom.constData(), TRUE, &error));
        g_clear_error(&error);
    } else {
        sink = Make("autoaudiosink");
    }
    std::vector<gst::Element> chain{Make("queue"), Make("audioconvert"), Make("audioresample"), sink};
    for (const auto& e : chain)
        if (!e)
            return {};
    return chain;
}

bool AddChain(GstBin* bin, GstElement* from, const std::vector<gst::Element>& chain) {
    if (chain.empty())
        return false;
    for (const auto& e : chain)
        gst_bin_add(bin, e.get());
    GstElement* previous = from;
    for (const auto& e : chain) {
        if (!Link(previous, e.get()))
            return false;
        previous = e.get();
    }
    return true;
}

// dvdemux exposes its pads while running: video to the decoder, audio to the audio tee or a fake sink.
void OnDVPadAdded(GstElement* demux, GstPad* pad, gpointer data) {
    auto* graph = static_cast<TCaptureGraph*>(data);
    gst::GStr name{gst_pad_get_name(pad)};
    GstElement* target = nullptr;
    gst::Element spare;
    if (std::strcmp(name.c_str(), "video") == 0) {
        target = graph->DVDec.get();
    } else if (graph->InfTee && graph->DVSplitter.get() == demux) {
        // The stream has audio: its tee and preview join the running pipeline now.
        GstObject* parent = gst_object_get_parent(GST_OBJECT(demux));
        GstBin* bin = GST_BIN(parent);
        if (!gst_object_has_as_parent(GST_OBJECT(graph->InfTee.get()), parent)) {
            gst_bin_add(bin, graph->InfTee.get());
            if (AddChain(bin, graph->InfTee.get(), graph->DVAudioChain))
                for (auto it = graph->DVAudioChain.rbegin(); it != graph->DVAudioChain.rend(); ++it)
                    gst_element_sync_state_with_parent(it->get());
            gst_element_sync_state_with_parent(graph->InfTee.get());
        }
        gst_object_unref(parent);
        target = graph->InfTee.get();
    }
    if (!target) {
        spare = Make("fakesink");
        GstObject* parent = gst_object_get_parent(GST_OBJECT(demux));
        gst_bin_add(GST_BIN(parent), spare.get());
        gst_element_sync_state_with_parent(spare.get());
        gst_object_unref(parent);
        target = spare.get();
    }
    gst::Pad sinkPad = gst::Pad::Adopt(gst_element_get_static_pad(target, "sink"));
    if (sinkPad && !gst_pad_is_linked(sinkPad.get()))
        gst_pad_link(pad, sinkPad.get());
}

} // namespace

void InstallBusForwarder(TVideoCapture* owner, TCaptureGraph* graph) {
    gst::Bus bus = gst::Bus::Adopt(gst_element_get_bus(graph->Pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), BusSync, new BusTarget{owner, graph},
                             [](gpointer p) { delete static_cast<BusTarget*>(p); });
}

GstPipeline* TVideoCapture::CaptureGraph() const {
    return FGraph && FGraph->Pipeline ? GST_PIPELINE(FGraph->Pipeline.get()) : nullptr;
}
GstElement* TVideoCapture::VCapFilter() const {
    return FGraph ? FGraph->VCap.get() : nullptr;
}
GstElement* TVideoCapture::ACapFilter() const {
    return FGraph ? FGraph->ACap.get() : nullptr;
}
GstElement* TVideoCapture::VCompFilter() const {
    return FGraph ? FGraph->VComp.get() : nullptr;
}
GstElement* TVideoCapture::ACompFilter() const {
    return FGraph ? FGraph->AComp.get() : nullptr;
}

bool TVideoCapture::MakeGraph() {
    gst::EnsureInit();
    if (!FGraph)
        FGraph = std::make_unique<TCaptureGraph>();
    if (FGraph->Pipeline)
        return true;
    const QByteArray name = objectName().toUtf8();
    FGraph->Pipeline = gst::Element::Sink(gst_pipeline_new(name.isEmpty() ? nullptr : name.constData()));
    if (!FGraph->Pipeline)
        return false;
    FGraph->Generation = NextGeneration++;
    InstallBusForwarder(this, FGraph.get());
    return true;
}

void TVideoCapture::FreeCaptureFilters() {
    if (FGraph) {
        if (FGraph->Pipeline) {
            StopPipeline(*FGraph);
            gst::Bus bus = gst::Bus::Adopt(gst_element_get_bus(FGraph->Pipeline.get()));
            gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        }
        FGraph.reset();
    }
    FGrabberCB->FOwner = nullptr;
    FGrabberCB->FIsGrabber = false;
    {
        std::lock_guard lock(FGrabberCB->FPaintLock);
        FGrabberCB->FPaintSample.reset();
    }
    FDialogs = {};
}

void TVideoCapture::ReleaseAll() {
    FreeCaptureFilters();
    FGraphBuilt = false;
    FCapturing = false;
    FPreviewing = false;
    FMasterStream = -1;
}

bool TVideoCapture::CreateCaptureFilters() {
    FreeCaptureFilters();
    try {
        std::uint32_t code = 0;
        gst::Element vcap;
        GstDevice* vdevice = FVCapDevice ? GST_DEVICE(FVCapDevice.get()) : nullptr;
        if (vdevice) {
            gst::GStr name{gst_device_get_display_name(vdevice)};
            FVCapFriendlyName = QString::fromUtf8(name.c_str());
            vcap = gst::Element::Sink(gst_device_create_element(vdevice, nullptr));
            code = vcap ? 0 : CaptureGeneralFailure;
        }
        if (!vcap)
            RaiseCaptureError("Error %x.\r\nCan't create video capture filter - propably you havn't video "
                              "capture device!",
                              code);
        if (!MakeGraph())
            RaiseCaptureError("Can't init graph. Probably DirectShow is not installed!", 0);
        FGraph->VCap = vcap;
        if (!gst_bin_add(GST_BIN(FGraph->Pipeline.get()), vcap.get()))
            RaiseCaptureError("Error %x: Can't add video capture filter into graph!", CaptureGeneralFailure);

        gst::Caps deviceCaps = gst::Caps::Adopt(gst_device_get_caps(vdevice));
        if (deviceCaps && !gst_caps_is_any(deviceCaps.get()) && !gst_caps_is_empty(deviceCaps.get())) {
            FGraph->VCaps = VideoCapabilities(deviceCaps.get());
            FGraph->DeviceVCaps = deviceCaps;
        }
        FGraph->HasVStreamConf = !FGraph->VCaps.empty();
        if (FGraph->HasVStreamConf)
            FGraph->VFormat = FGraph->VCaps.front().Caps;
        else
            ShowCaptureError("Error %x: Can't find VCapture:IAMStreamConfig!", CaptureGeneralFailure);

        if (IsDVSource()) {
            FGraph->DVDec = Make("dvdec", "MyDVDecoder");
            if (!FGraph->DVDec)
                RaiseCaptureError("Can't add DV Decoder", 0);
            if (FWantAudio && FWantDVAudio) {
                FGraph->DVSplitter = Make("dvdemux", "MyDVSplitter");
                if (!FGraph->DVSplitter)
                    RaiseCaptureError("Can't add DV Splitter", 0);
            }
        }

        if (FWantCapture && FVCompDevice) {
            FGraph->VComp = gst::Element::Sink(
                gst_element_factory_create(GST_ELEMENT_FACTORY(FVCompDevice.get()), "MyVideoCompressor"));
            // A low-latency encoder keeps the recording branch's queue short.
            if (FGraph->VComp &&
                g_object_class_find_property(G_OBJECT_GET_CLASS(FGraph->VComp.get()), "tune") &&
                std::strcmp(GST_OBJECT_NAME(gst_element_get_factory(FGraph->VComp.get())), "x264enc") == 0)
                gst_util_set_object_arg(G_OBJECT(FGraph->VComp.get()), "tune", "zerolatency");
        }

        if (FWantAudio) {
            GstElement* a = nullptr;
            if (FGraph->DVSplitter) {
                a = FGraph->DVSplitter.get();
            } else if (FACapDevice) {
                GstDevice* adevice = GST_DEVICE(FACapDevice.get());
                gst::GStr name{gst_device_get_display_name(adevice)};
                FACapFriendlyName = QString::fromUtf8(name.c_str());
                FGraph->ACap = gst::Element::Sink(gst_device_create_element(adevice, nullptr));
                if (!FGraph->ACap) {
                    ShowCaptureError("Can't create audio capture filter!", 0);
                } else {
                    if (!gst_bin_add(GST_BIN(FGraph->Pipeline.get()), FGraph->ACap.get())) {
                        FGraph->ACap.reset();
                        RaiseCaptureError("Error %x: Can't add audio capture filter into graph!",
                                          CaptureGeneralFailure);
                    }
                    gst::Caps acaps = gst::Caps::Adopt(gst_device_get_caps(adevice));
                    if (acaps && !gst_caps_is_any(acaps.get()) && !gst_caps_is_empty(acaps.get()))
                        FGraph->ACaps = AudioCapabilities(acaps.get());
                    FGraph->HasAStreamConf = !FGraph->ACaps.empty();
                    if (FGraph->HasAStreamConf)
                        FGraph->AFormat = FGraph->ACaps.front().Caps;
                }
                a = FGraph->ACap.get();
            }
            if (FGraph->ACap || (FWantAudio && FWantDVAudio)) {
                if (FWantCapture && FACompDevice) {
                    FGraph->AComp = gst::Element::Sink(gst_element_factory_create(
                        GST_ELEMENT_FACTORY(FACompDevice.get()), "MyAudioCompressor"));
                    if (FGraph->AComp)
                        a = FGraph->AComp.get();
                }
                const bool dvAudio = IsDVSource() && a == FGraph->DVSplitter.get() && a;
                if (!FGraph->HasAStreamConf && !dvAudio)
                    ShowCaptureError("Can't find ACapture:IAMStreamConfig!", 0);
            }
        }
        return true;
    } catch (...) {
        FreeCaptureFilters();
        return false;
    }
}

bool TVideoCapture::PreallocateCaptureFile(std::uint32_t SizeMB) {
    // The byte count is formed in 64 bits: large sizes are refused by the file system, not wrapped.
    const off_t bytes = static_cast<off_t>(SizeMB) * 1048576;
    const QByteArray path = QFile::encodeName(FCaptureFile);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = bytes == 0 || ::posix_fallocate(fd, 0, bytes) == 0;
    ::close(fd);
    return ok;
}

bool TVideoCapture::RenderPreview(GstElement* source) {
    GstElement* pipeline = FGraph->Pipeline.get();
    auto branch = [&](GstElement* sink, GstCaps* caps) {
        gst::Element queue = Make("queue");
        gst::Element convert = Make("videoconvert");
        if (!queue || !convert || !sink)
            return false;
        // A preview that falls behind drops old frames instead of holding up the tee.
        g_object_set(queue.get(), "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64(0),
                     nullptr);
        gst_util_set_object_arg(G_OBJECT(queue.get()), "leaky", "downstream");
        gst_bin_add_many(GST_BIN(pipeline), queue.get(), convert.get(), nullptr);
        if (!GST_OBJECT_PARENT(sink))
            gst_bin_add(GST_BIN(pipeline), sink);
        if (caps)
            g_object_set(sink, "caps", caps, nullptr);
        g_object_set(sink, "drop", TRUE, "max-buffers", 1u, "sync", FALSE, "emit-signals", FALSE, nullptr);
        return Link(source, queue.get()) && Link(queue.get(), convert.get()) && Link(convert.get(), sink);
    };
    auto connect = [&](GstElement* sink, bool grabber) {
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = OnNewSample;
        FGrabberCB->FOwner = this;
        FGrabberCB->FIsGrabber = grabber;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, FGrabberCB.get(), nullptr);
    };
    if (FWantBitmaps) {
        gst::Element grabber;
        if (GstElement* existing = gst_bin_get_by_name(GST_BIN(pipeline), "MyBitmapGrabber"))
            grabber = gst::Element::Adopt(existing);
        else
            grabber = Make("appsink", "MyBitmapGrabber");
        if (grabber) {
            FGraph->Grabber = grabber;
            const char* format = nullptr;
            switch (FBitmapPixelFormat) {
            case TPixelFormat::pf24bit:
            case TPixelFormat::pfCustom:
                format = "BGRx";
                FGrabberCB->FGrabFormat = QImage::Format_BGR888;
                break;
            case TPixelFormat::pf32bit:
                format = "BGRx";
                FGrabberCB->FGrabFormat = QImage::Format_RGB32;
                break;
            case TPixelFormat::pf16bit:
                format = "RGB16";
                FGrabberCB->FGrabFormat = QImage::Format_RGB16;
                break;
            case TPixelFormat::pf15bit:
                format = "RGB15";
                FGrabberCB->FGrabFormat = QImage::Format_RGB555;
                break;
            case TPixelFormat::pfDevice:
                format = "";
                FGrabberCB->FGrabFormat = QImage::Format_BGR888;
                break;
            default: // palette formats: no such frames here
                break;
            }
            gst::Caps caps;
            if (format && *format)
                caps = gst::Caps::Adopt(
                    gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, nullptr));
            if (format && branch(grabber.get(), caps.get())) {
                connect(grabber.get(), true);
                return true;
            }
            if (!GST_OBJECT_PARENT(grabber.get()))
                gst_bin_add(GST_BIN(pipeline), grabber.get());
            ShowCaptureError("Can't install SampleGrabber. Probably wrong color depth used?", 0);
            // The preview goes on from the tee without the grabber.
            RemoveDownstream(source);
        }
    }
    FGraph->Renderer = Make("appsink", "MyVideoRenderer");
    gst::Caps caps =
        gst::Caps::Adopt(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr));
    if (!branch(FGraph->Renderer.get(), caps.get()))
        return false;
    connect(FGraph->Renderer.get(), false);
    return true;
}

bool TVideoCapture::BuildGraph() {
    if (!FGraph || !FGraph->Pipeline)
        return false;
    if (FGraphBuilt)
        return true;
    if (!FGraph->VCap)
        return false;
    if (FWantAudio && !FGraph->ACap && !(IsDVSource() && FWantDVAudio))
        return false;
    if (FWantCapture) {
        FCaptureFile = FUseTempFile ? FTempCaptureFileName : FCaptureFileName;
        if (FCaptureFile.isEmpty()) {
            ShowCaptureError("Capture filename required!", 0);
            return false;
        }
        QFile::remove(FCaptureFile);
        if (FDoPreallocFile && !PreallocateCaptureFile(FPreallocFileSize)) {
            ShowCaptureError("Can't allocate space for capture file! Disk full?", 0);
            return false;
        }
    }
    GstElement* pipeline = FGraph->Pipeline.get();
    GstBin* bin = GST_BIN(pipeline);
    try {
        // The source's current format.
        FGraph->VFormatFilter = Make("capsfilter", "MyVideoFormat");
        if (FGraph->VFormat)
            g_object_set(FGraph->VFormatFilter.get(), "caps", FGraph->VFormat.get(), nullptr);
        gst_bin_add(bin, FGraph->VFormatFilter.get());
        if (!Link(FGraph->VCap.get(), FGraph->VFormatFilter.get()))
            RaiseCaptureError("Can't render video capture stream!", 0);
        GstElement* v = FGraph->VFormatFilter.get();
        // A camera mode that delivers JPEG frames is decoded once here, for the preview and the recording.
        if (FGraph->VFormat &&
            gst_structure_has_name(gst_caps_get_structure(FGraph->VFormat.get(), 0), "image/jpeg")) {
            gst::Element decoder = Make("jpegdec", "MyJpegDecoder");
            if (!decoder || !gst_bin_add(bin, decoder.get()) || !Link(v, decoder.get()))
                RaiseCaptureError("Can't render video capture stream!", 0);
            v = decoder.get();
        }
        GstElement* a = FGraph->ACap.get();

        if (IsDVSource()) {
            if (!FGraph->DVDec)
                RaiseCaptureError("Can't render video capture stream!", 0);
            gst::Element demux = FGraph->DVSplitter ? FGraph->DVSplitter : Make("dvdemux");
            gst::Element scale = Make("videoscale");
            gst::Element size = Make("capsfilter", "MyDVSize");
            if (!demux || !scale || !size)
                RaiseCaptureError("Can't render video capture stream!", 0);
            gst_bin_add_many(bin, demux.get(), FGraph->DVDec.get(), scale.get(), size.get(), nullptr);
            g_signal_connect(demux.get(), "pad-added", G_CALLBACK(OnDVPadAdded), FGraph.get());
            // A demultiplexer kept from an earlier build may still have its pads.
            GstIterator* it = gst_element_iterate_src_pads(demux.get());
            GValue item = G_VALUE_INIT;
            while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
                OnDVPadAdded(demux.get(), GST_PAD(g_value_get_object(&item)), FGraph.get());
                g_value_reset(&item);
            }
            g_value_unset(&item);
            gst_iterator_free(it);
            if (!Link(v, demux.get()) || !Link(FGraph->DVDec.get(), scale.get()) ||
                !Link(scale.get(), size.get()))
                RaiseCaptureError("Can't render video capture stream!", 0);
            if (FDVResolution != TDVResolution::dvrDontWorry)
                FGraph->DVDisplay = 999 + static_cast<int>(FDVResolution);
            if (FGraph->DVDisplay >= 1000 && FGraph->DVDisplay <= 1003) {
                const auto& m = DVModeSizes[static_cast<std::size_t>(FGraph->DVDisplay - 1000)];
                gst::Caps caps = gst::Caps::Adopt(gst_caps_new_simple(
                    "video/x-raw", "width", G_TYPE_INT, m.Width, "height", G_TYPE_INT, m.Height, nullptr));
                g_object_set(size.get(), "caps", caps.get(), nullptr);
            }
            v = size.get();
            if (FWantAudio && FWantDVAudio)
                a = FGraph->DVSplitter.get();
        }

        FGraph->SmartTee = Make("tee", "MySmartTee");
        if (!FGraph->SmartTee || !gst_bin_add(bin, FGraph->SmartTee.get()))
            RaiseCaptureError("Can't add SmartTee", 0);
        g_object_set(FGraph->SmartTee.get(), "allow-not-linked", TRUE, nullptr);
        if (!Link(v, FGraph->SmartTee.get()))
            RaiseCaptureError("Can't add SmartTee", 0);
        v = FGraph->SmartTee.get();

        // Audio always runs through its tee here, so that each clip can take its own branch from it.
        if (a) {
            GstElement* from = a;
            if (a == FGraph->ACap.get()) {
                FGraph->AFormatFilter = Make("capsfilter", "MyAudioFormat");
                if (FGraph->AFormat)
                    g_object_set(FGraph->AFormatFilter.get(), "caps", FGraph->AFormat.get(), nullptr);
                gst_bin_add(bin, FGraph->AFormatFilter.get());
                if (!Link(a, FGraph->AFormatFilter.get()))
                    RaiseCaptureError("Can't add InfiniteTee", 0);
                from = FGraph->AFormatFilter.get();
            }
            FGraph->InfTee = Make("tee", "MyInfTee");
            if (!FGraph->InfTee)
                RaiseCaptureError("Can't add InfiniteTee", 0);
            g_object_set(FGraph->InfTee.get(), "allow-not-linked", TRUE, nullptr);
            const bool preview = FWantPreview && FWantAudioPreview;
            if (from == FGraph->DVSplitter.get()) {
                // A DV stream's audio pad appears only when the stream carries audio (see OnDVPadAdded).
                FGraph->DVAudioChain = preview ? AudioPreviewChain() : std::vector<gst::Element>{};
                if (preview && FGraph->DVAudioChain.empty())
                    RaiseCaptureError("Can't render audio preview stream!", 0);
            } else {
                if (!gst_bin_add(bin, FGraph->InfTee.get()) || !Link(from, FGraph->InfTee.get()))
                    RaiseCaptureError("Can't add InfiniteTee", 0);
                if (preview && !AddChain(bin, FGraph->InfTee.get(), AudioPreviewChain()))
                    RaiseCaptureError("Can't render audio preview stream!", 0);
            }
            a = FGraph->InfTee.get();
        }

        // The recording branch is made for each clip (see SetCaptureStreamsActive); its parts are
        // checked here, so that a branch that cannot work is reported when the graph is built.
        FGraph->Recordable = false;
        if (FWantCapture) {
            for (const char* factory : {"queue", "videoconvert", "avimux", "filesink"}) {
                gst::Element probe = Make(factory);
                if (!probe)
                    RaiseCaptureError("Can't set capture file!", 0);
            }
            gst::Element mux = Make("avimux");
            auto fits = [&](GstElement* encoder, const char* templ) {
                GstPadTemplate* padTemplate =
                    gst_element_class_get_pad_template(GST_ELEMENT_GET_CLASS(mux.get()), templ);
                gst::Pad src = gst::Pad::Adopt(gst_element_get_static_pad(encoder, "src"));
                if (!padTemplate || !src)
                    return false;
                gst::Caps out = gst::Caps::Adopt(gst_pad_query_caps(src.get(), nullptr));
                return gst_caps_can_intersect(out.get(), gst_pad_template_get_caps(padTemplate)) != FALSE;
            };
            if (FGraph->VComp && !fits(FGraph->VComp.get(), "video_%u"))
                RaiseCaptureError("Can't render video capture stream!", 0);
            if (a && FGraph->AComp && !fits(FGraph->AComp.get(), "audio_%u"))
                RaiseCaptureError("Can't render audio capture stream!", 0);
            if (a && FMasterStream != -1)
                ShowCaptureError("SetMasterStream failed!", 0); // the multiplexer interleaves by time
            FGraph->Recordable = true;
        }

        if (FWantPreview && !RenderPreview(v))
            RaiseCaptureError("Can't render preview stream!", 0);

        if (FUseFrameRate || false) {
            bool applied = false;
            if (FGraph->HasVStreamConf && FGraph->VFormat) {
                gst::Caps forced = gst::Caps::Adopt(gst_caps_copy(FGraph->VFormat.get()));
                const GstStructure* s = gst_caps_get_structure(forced.get(), 0);
                if (gst_structure_has_name(s, "video/x-raw") || gst_structure_has_name(s, "image/jpeg")) {
                    int num = 0, den = 1;
                    gst_util_double_to_fraction(FFrameRate, &num, &den);
                    gst_caps_set_simple(forced.get(), "framerate", GST_TYPE_FRACTION, num, den, nullptr);
                    if (FGraph->DeviceVCaps &&
                        gst_caps_can_intersect(forced.get(), FGraph->DeviceVCaps.get())) {
                        g_object_set(FGraph->VFormatFilter.get(), "caps", forced.get(), nullptr);
                        applied = true;
                    } else {
                        ShowCaptureError("%x: can't set preview frame rate!", CaptureGeneralFailure);
                    }
                }
            }
            if (!applied)
                ShowCaptureError("Cannot set frame rate for capture!", 0);
        }

        FindAvailableDialogs();
        FGraphBuilt = true;
        GST_DEBUG_BIN_TO_DOT_FILE(bin, GST_DEBUG_GRAPH_SHOW_ALL, "quelm-capture-built");
        return true;
    } catch (...) {
        TearDownSteps();
        return false;
    }
}

void TVideoCapture::FindAvailableDialogs() {
    FDialogs = {};
    if (!FGraph)
        return;
    if (FGraph->ACap && HasWritableProperties(InnermostSource(FGraph->ACap.get())))
        FDialogs.Include(TCaptureDialog::cdACAPTURE);
    if (FGraph->VComp && HasWritableProperties(FGraph->VComp.get()))
        FDialogs.Include(TCaptureDialog::cdVCOMPRESSION);
    if (FGraph->VCap) {
        if (HasWritableProperties(InnermostSource(FGraph->VCap.get())))
            FDialogs.Include(TCaptureDialog::cdVCAPTURE);
        if (FGraph->HasVStreamConf && !FGraph->VCaps.empty())
            FDialogs.Include(TCaptureDialog::cdVCAPTURE_PIN);
        if (FGraph->ACap) {
            if (FGraph->AComp && HasWritableProperties(FGraph->AComp.get()))
                FDialogs.Include(TCaptureDialog::cdACOMPRESSION);
            if (FGraph->HasAStreamConf && !FGraph->ACaps.empty())
                FDialogs.Include(TCaptureDialog::cdACAPTURE_PIN);
        }
    }
}

void TVideoCapture::RemoveDownstream(GstElement* filter) {
    if (!filter || !FGraph || !FGraph->Pipeline)
        return;
    std::vector<gst::Pad> pads;
    GstIterator* it = gst_element_iterate_src_pads(filter);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        pads.push_back(gst::Pad::Ref(GST_PAD(g_value_get_object(&item))));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    for (const gst::Pad& pad : pads) {
        gst::Pad peer = gst::Pad::Adopt(gst_pad_get_peer(pad.get()));
        if (peer) {
            gst::Element next = gst::Element::Adopt(gst_pad_get_parent_element(peer.get()));
            if (!next)
                break;
            RemoveDownstream(next.get());
            gst_pad_unlink(pad.get(), peer.get());
            GstObject* parent = gst_object_get_parent(GST_OBJECT(next.get()));
            if (parent == GST_OBJECT(FGraph->Pipeline.get())) {
                gst_element_set_state(next.get(), GST_STATE_NULL);
                gst_bin_remove(GST_BIN(FGraph->Pipeline.get()), next.get());
            }
            if (parent)
                gst_object_unref(parent);
        }
        if (GST_PAD_TEMPLATE(GST_PAD_PAD_TEMPLATE(pad.get())) &&
            GST_PAD_TEMPLATE_PRESENCE(GST_PAD_PAD_TEMPLATE(pad.get())) == GST_PAD_REQUEST)
            gst_element_release_request_pad(filter, pad.get());
    }
}

void TVideoCapture::TearDownGraph() {
    if (!FGraphBuilt)
        return;
    TearDownSteps();
}

void TVideoCapture::TearDownSteps() {
    if (FCapturing)
        StopCapture();
    if (FPreviewing)
        StopPreview();
    if (FGraph && FGraph->Pipeline) {
        GstElement* pipeline = FGraph->Pipeline.get();
        StopPipeline(*FGraph);
        FinishRecording(false);
        FGrabberCB->FOwner = nullptr;
        FGrabberCB->FIsGrabber = false;
        {
            std::lock_guard lock(FGrabberCB->FPaintLock);
            FGrabberCB->FPaintSample.reset();
        }
        RemoveDownstream(FGraph->VCap.get());
        RemoveDownstream(FGraph->ACap.get());
        // Whatever a failed build left unconnected goes too; the sources stay.
        std::vector<gst::Element> leftovers;
        GstIterator* it = gst_bin_iterate_elements(GST_BIN(pipeline));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* e = GST_ELEMENT(g_value_get_object(&item));
            if (e != FGraph->VCap.get() && e != FGraph->ACap.get())
                leftovers.push_back(gst::Element::Ref(e));
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
        for (const auto& e : leftovers) {
            gst_element_set_state(e.get(), GST_STATE_NULL);
            gst_bin_remove(GST_BIN(pipeline), e.get());
        }
        if (FGraph->DVSplitter)
            g_signal_handlers_disconnect_by_func(FGraph->DVSplitter.get(),
                                                 reinterpret_cast<gpointer>(OnDVPadAdded), FGraph.get());
        FGraph->VFormatFilter.reset();
        FGraph->AFormatFilter.reset();
        FGraph->SmartTee.reset();
        FGraph->InfTee.reset();
        FGraph->DVAudioChain.clear();
        FGraph->Grabber.reset();
        FGraph->Renderer.reset();
        FGraph->Recordable = false;
    }
    FGraphBuilt = false;
    if (FWantCapture && !FTempCaptureFileName.isEmpty())
        QFile::remove(FTempCaptureFileName);
    update();
}

} // namespace quelm

// Running the pipeline: preview, recording clips through a fresh branch per clip while the preview runs
// on, single-frame grabbing, the capture timer, the reactions to the pipeline's errors, and the device
// dialogs.
#include "capture/capture_graph.h"
#include "capture/capture_messages.h"
#include "capture/video_capture.h"

#include <gst/video/video.h>

#include <QFile>
#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <chrono>

namespace quelm {
namespace {

// How long a clip's end of stream may take to reach the file before the branch is closed anyway.
constexpr auto FinishTimeout = std::chrono::seconds(5);

gst::Element Make(const char* factory, const char* name = nullptr) {
    return gst::Element::Sink(gst_element_factory_make(factory, name));
}

gst::Element RecordingQueue() {
    gst::Element queue = Make("queue");
    // The multiplexer holds video about half a second behind audio: the queue must not block the tee.
    if (queue)
        g_object_set(queue.get(), "max-size-bytes", 0u, "max-size-buffers", 0u, "max-size-time",
                     guint64(10 * GST_SECOND), nullptr);
    return queue;
}

GstPadProbeReturn CountFrames(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* rec = static_cast<TRecording*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    ++rec->Frames;
    if (buffer && GST_BUFFER_PTS_IS_VALID(buffer) && rec->FrameDuration > 0) {
        const auto pts = static_cast<std::int64_t>(GST_BUFFER_PTS(buffer));
        const std::int64_t last = rec->LastPts.exchange(pts);
        if (last >= 0 && pts - last > rec->FrameDuration * 3 / 2)
            rec->Dropped +=
                static_cast<std::int32_t>((pts - last + rec->FrameDuration / 2) / rec->FrameDuration - 1);
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn WatchEos(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
        auto* rec = static_cast<TRecording*>(data);
        std::lock_guard lock(rec->Lock);
        rec->EosAtSink = true;
        rec->Finished.notify_all();
    }
    return GST_PAD_PROBE_OK;
}

struct UnlinkTarget {
    std::shared_ptr<TRecording> Rec;
    bool Video;
};

// Runs when the tee pad carries no data: the branch is cut off the tee and ends its stream itself.
GstPadProbeReturn UnlinkWhenIdle(GstPad* teePad, GstPadProbeInfo*, gpointer data) {
    auto* target = static_cast<UnlinkTarget*>(data);
    GstPad* sinkPad = target->Video ? target->Rec->VideoSinkPad.get() : target->Rec->AudioSinkPad.get();
    gst_pad_unlink(teePad, sinkPad);
    gst_pad_send_event(sinkPad, gst_event_new_eos());
    return GST_PAD_PROBE_REMOVE;
}

gst::Pad Ghost(GstElement* bin, GstElement* inner, const char* name) {
    gst::Pad target = gst::Pad::Adopt(gst_element_get_static_pad(inner, "sink"));
    GstPad* ghost = gst_ghost_pad_new(name, target.get());
    gst_element_add_pad(bin, ghost);
    return gst::Pad::Ref(ghost);
}

} // namespace

TVideoCapture::TVideoCapture(QWidget* owner)
    : QWidget(owner)
    , FGrabberCB(std::make_unique<TSampleGrabberCB>()) {
    resize(100, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FCaptureTimer = new QTimer(this);
    FCaptureTimer->setInterval(100);
    connect(FCaptureTimer, &QTimer::timeout, this, [this] { CaptureTimerTick(); });
    FCaptureTimer->start();
    ReleaseAll();
}

TVideoCapture::~TVideoCapture() {
    // The owner's handlers may already be gone: no event fires while the component shuts down.
    OnStartPreview = OnStopPreview = OnStartCapture = OnStopCapture = OnCaptureProgress = nullptr;
    OnChangeDevice = OnChangeCompressor = OnChangeVCapMode = OnChangeACapMode = nullptr;
    OnFrameRendered = OnDeviceLost = OnAborted = nullptr;
    OnBitmapGrabbed = nullptr;
    StopPreview();
    StopCapture();
    TearDownGraph();
    ReleaseAll();
    FCaptureTimer->stop();
    ClearDeviceLists();
}

bool TVideoCapture::Init() {
    if (!MakeGraph())
        return false;
    RefreshDeviceLists();
    return FGraph && FGraph->Pipeline && !VCapDeviceList.empty();
}

bool TVideoCapture::RunPipeline() {
    GstElement* pipeline = FGraph->Pipeline.get();
    if (FPipelineFailed) {
        StopPipeline(*FGraph);
        FPipelineFailed = false;
    }
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        StopPipeline(*FGraph);
        return false;
    }
    return true;
}

bool TVideoCapture::StartPreview() {
    if (FGraph && FPreviewing)
        return true;
    if (!BuildGraph())
        return false;
    if (FWantCapture)
        SetCaptureStreamsActive(false);
    if (!RunPipeline()) {
        ShowCaptureError("Error %x: Cannot run preview graph!", CaptureGeneralFailure);
        return false;
    }
    FPreviewing = true;
    if (OnStartPreview)
        OnStartPreview(this);
    return true;
}

bool TVideoCapture::StopPreview() {
    if (!FPreviewing)
        return false;
    if (FGraph && FGraph->Pipeline) {
        StopPipeline(*FGraph);
        std::lock_guard lock(FGrabberCB->FPaintLock);
        FGrabberCB->FPaintSample.reset();
    }
    update();
    if (OnStopPreview)
        OnStopPreview(this);
    FPreviewing = false;
    return true;
}

bool TVideoCapture::SetCaptureStreamsActive(bool Active) {
    if (!FGraph || !FGraph->Pipeline)
        return false;
    if (!Active) {
        FinishRecording(true);
        return FGraph->Recordable;
    }
    if (!FGraph->Recordable || !FGraph->SmartTee)
        return false;
    if (FGraph->Recording)
        return true;

    auto rec = std::make_shared<TRecording>();
    rec->Bin = gst::Element::Sink(gst_bin_new("MyRecording"));
    gst::Element vqueue = RecordingQueue();
    gst::Element vconvert = Make("videoconvert");
    rec->Mux = Make("avimux", "MyAviMux");
    rec->FileSink = Make("filesink", "MyFileWriter");
    if (!rec->Bin || !vqueue || !vconvert || !rec->Mux || !rec->FileSink)
        return false;
    const QByteArray location = QFile::encodeName(FCaptureFile);
    g_object_set(rec->FileSink.get(), "location", location.constData(), "async", FALSE, "sync", FALSE,
                 nullptr);
    GstBin* bin = GST_BIN(rec->Bin.get());
    gst_bin_add_many(bin, vqueue.get(), vconvert.get(), rec->Mux.get(), rec->FileSink.get(), nullptr);
    bool linked = gst_element_link(vqueue.get(), vconvert.get());
    if (FGraph->VComp) {
        gst_bin_add(bin, FGraph->VComp.get());
        linked = linked && gst_element_link(vconvert.get(), FGraph->VComp.get()) &&
                 gst_element_link(FGraph->VComp.get(), rec->Mux.get());
    } else {
        linked = linked && gst_element_link(vconvert.get(), rec->Mux.get());
    }
    linked = linked && gst_element_link(rec->Mux.get(), rec->FileSink.get());
    rec->VideoSinkPad = Ghost(rec->Bin.get(), vqueue.get(), "video_sink");
    // Audio is recorded only when its tee runs (a DV stream without audio never adds it).
    const bool audio = FGraph->InfTee && GST_OBJECT_PARENT(FGraph->InfTee.get()) != nullptr;
    if (audio) {
        gst::Element aqueue = RecordingQueue();
        gst::Element aconvert = Make("audioconvert");
        gst_bin_add_many(bin, aqueue.get(), aconvert.get(), nullptr);
        linked = linked && gst_element_link(aqueue.get(), aconvert.get());
        if (FGraph->AComp) {
            gst_bin_add(bin, FGraph->AComp.get());
            linked = linked && gst_element_link(aconvert.get(), FGraph->AComp.get()) &&
                     gst_element_link(FGraph->AComp.get(), rec->Mux.get());
        } else {
            linked = linked && gst_element_link(aconvert.get(), rec->Mux.get());
        }
        rec->AudioSinkPad = Ghost(rec->Bin.get(), aqueue.get(), "audio_sink");
    }
    int num = 0, den = 0;
    if (FGraph->VFormat &&
        gst_structure_get_fraction(gst_caps_get_structure(FGraph->VFormat.get(), 0), "framerate", &num,
                                   &den) &&
        num > 0)
        rec->FrameDuration = static_cast<std::int64_t>(gst_util_uint64_scale_int(GST_SECOND, den, num));
    gst::Pad vsink = gst::Pad::Adopt(gst_element_get_static_pad(vqueue.get(), "sink"));
    gst_pad_add_probe(vsink.get(), GST_PAD_PROBE_TYPE_BUFFER, CountFrames, rec.get(), nullptr);
    gst::Pad fsink = gst::Pad::Adopt(gst_element_get_static_pad(rec->FileSink.get(), "sink"));
    gst_pad_add_probe(fsink.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, WatchEos, rec.get(), nullptr);

    GstBin* pipeline = GST_BIN(FGraph->Pipeline.get());
    FGraph->Recording = rec;
    if (!linked || !gst_bin_add(pipeline, rec->Bin.get()) ||
        !gst_element_sync_state_with_parent(rec->Bin.get())) {
        FinishRecording(false);
        return false;
    }
    rec->VideoTeePad = gst::Pad::Adopt(gst_element_request_pad_simple(FGraph->SmartTee.get(), "src_%u"));
    bool ok =
        rec->VideoTeePad && gst_pad_link(rec->VideoTeePad.get(), rec->VideoSinkPad.get()) == GST_PAD_LINK_OK;
    if (ok && audio) {
        rec->AudioTeePad = gst::Pad::Adopt(gst_element_request_pad_simple(FGraph->InfTee.get(), "src_%u"));
        ok = rec->AudioTeePad &&
             gst_pad_link(rec->AudioTeePad.get(), rec->AudioSinkPad.get()) == GST_PAD_LINK_OK;
    }
    if (!ok) {
        FinishRecording(false);
        return false;
    }
    GST_DEBUG_BIN_TO_DOT_FILE(pipeline, GST_DEBUG_GRAPH_SHOW_ALL, "quelm-capture-recording");
    return true;
}

void TVideoCapture::FinishRecording(bool wait) {
    if (!FGraph || !FGraph->Recording)
        return;
    std::shared_ptr<TRecording> rec = FGraph->Recording;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(FGraph->Pipeline.get(), &state, nullptr, 0);
    const bool flowing = wait && state == GST_STATE_PLAYING && !rec->Broken;
    int cut = 0;
    for (bool video : {true, false}) {
        GstPad* teePad = video ? rec->VideoTeePad.get() : rec->AudioTeePad.get();
        if (!teePad || !gst_pad_is_linked(teePad))
            continue;
        if (flowing) {
            ++cut;
            gst_pad_add_probe(teePad, GST_PAD_PROBE_TYPE_IDLE, UnlinkWhenIdle, new UnlinkTarget{rec, video},
                              [](gpointer p) { delete static_cast<UnlinkTarget*>(p); });
        } else {
            gst_pad_unlink(teePad, video ? rec->VideoSinkPad.get() : rec->AudioSinkPad.get());
        }
    }
    if (flowing && cut > 0) {
        std::unique_lock lock(rec->Lock);
        rec->Finished.wait_for(lock, FinishTimeout, [&] { return rec->EosAtSink; });
    }
    gst_element_set_state(rec->Bin.get(), GST_STATE_NULL);
    for (GstPad* teePad : {rec->VideoTeePad.get(), rec->AudioTeePad.get()}) {
        if (!teePad)
            continue;
        if (gst_pad_is_linked(teePad)) {
            gst::Pad peer = gst::Pad::Adopt(gst_pad_get_peer(teePad));
            gst_pad_unlink(teePad, peer.get());
        }
        gst::Element tee = gst::Element::Adopt(gst_pad_get_parent_element(teePad));
        if (tee)
            gst_element_release_request_pad(tee.get(), teePad);
    }
    // The compressors outlive the clip: they keep their settings for the next one.
    for (GstElement* encoder : {FGraph->VComp.get(), FGraph->AComp.get()}) {
        if (!encoder)
            continue;
        GstObject* parent = gst_object_get_parent(GST_OBJECT(encoder));
        if (parent == GST_OBJECT(rec->Bin.get()))
            gst_bin_remove(GST_BIN(rec->Bin.get()), encoder);
        if (parent)
            gst_object_unref(parent);
    }
    GstObject* parent = gst_object_get_parent(GST_OBJECT(rec->Bin.get()));
    if (parent) {
        gst_bin_remove(GST_BIN(parent), rec->Bin.get());
        gst_object_unref(parent);
    }
    // The clip's final counts, the frames that arrived while it ended included.
    if (FCapturing) {
        FDroppedFrames = rec->Dropped.load() - FDroppedBase;
        FNotDropped = rec->Frames.load() - FNotDroppedBase;
    }
    // Messages the broken branch posted meanwhile belong to the clip that just ended.
    if (rec->Broken)
        ++FGraph->RunEpoch;
    FGraph->Recording.reset();
}

bool TVideoCapture::StartCapture(bool Dialog) {
    if (!FWantCapture || FCapturing)
        return FCapturing;
    FCaptureTimer->stop();
    if (!BuildGraph())
        return false;
    FDroppedFrames = 0;
    FNotDropped = 0;
    const bool hasStreamControl = SetCaptureStreamsActive(false);
    if (!FGraph->Pipeline) {
        ShowCaptureError("Error %x: Can't get IMediaControl!", CaptureGeneralFailure);
        return false;
    }
    try {
        if (!RunPipeline())
            RaiseCaptureError("Error %x: Cannot run graph!", CaptureGeneralFailure);
        FPreviewing = false;
        if (Dialog) {
            const TMessageAnswer answer =
                PresentCaptureMessage({CaptureCaption, "Starting capture!", TMessageButtons::YesCancel});
            if (answer != TMessageAnswer::Yes) {
                StopPipeline(*FGraph);
                if (FWantPreview)
                    StartPreview();
                return false;
            }
        }
        if (!hasStreamControl || !SetCaptureStreamsActive(true))
            RaiseCaptureError("Error %x: Cannot run graph!", CaptureGeneralFailure);
        FDroppedBase = 0;
        FNotDroppedBase = 0;
    } catch (...) {
        StopPipeline(*FGraph);
        return false;
    }
    FCapStartTime = timeGetTime();
    FCaptureTimer->start();
    FCapturing = true;
    try {
        if (OnStartCapture)
            OnStartCapture(this);
    } catch (...) {
    }
    return true;
}

bool TVideoCapture::StopCapture() {
    if (!FCapturing)
        return false;
    FCaptureTimer->stop();
    if (!FGraph || !FGraph->Pipeline)
        return false;
    FinishRecording(true);
    if (!FWantPreview)
        StopPipeline(*FGraph);
    FCapStopTime = timeGetTime();
    FCapturing = false;
    FPreviewing = false;
    if (FUseTempFile && CopyCaptureFileTo(FCaptureFileName))
        QFile::remove(FTempCaptureFileName);
    try {
        if (OnCaptureProgress)
            OnCaptureProgress(this);
    } catch (...) {
    }
    update();
    if (OnStopCapture)
        OnStopCapture(this);
    if (FWantPreview)
        StartPreview();
    return true;
}

bool TVideoCapture::CopyCaptureFileTo(const QString& FileName) {
    if (FCaptureFile.isEmpty() || FileName.isEmpty())
        return false;
    // Copying a file onto itself would lose it when the temporary file is deleted afterwards.
    const QFileInfo from(FCaptureFile), to(FileName);
    if (from.absoluteFilePath() == to.absoluteFilePath() ||
        (to.exists() && from.canonicalFilePath() == to.canonicalFilePath()))
        return false;
    const QString part = FileName + ".part";
    QFile::remove(part);
    if (!QFile::copy(FCaptureFile, part))
        return false;
    QFile::remove(FileName);
    if (!QFile::rename(part, FileName)) {
        QFile::remove(part);
        return false;
    }
    return true;
}

void TVideoCapture::CaptureTimerTick() {
    FCapTime = timeGetTime() - FCapStartTime;
    UpdateDroppedFrames();
    if (!FCapturing)
        return;
    if (FUseTimeLimit && FCapTime / 1000 >= static_cast<std::uint32_t>(FTimeLimit)) {
        StopCapture();
        if (FWantPreview)
            StartPreview();
    } else if (OnCaptureProgress) {
        OnCaptureProgress(this);
    }
}

void TVideoCapture::UpdateDroppedFrames() {
    if (!FCapturing || !FGraph || !FGraph->Recording)
        return;
    FDroppedFrames = FGraph->Recording->Dropped.load() - FDroppedBase;
    FNotDropped = FGraph->Recording->Frames.load() - FNotDroppedBase;
}

bool TVideoCapture::CaptureFrame() {
    const bool requested = FGraph && FGraph->Grabber && FWantBitmaps && (FPreviewing || FCapturing);
    FGrabberCB->FEnable = requested;
    return requested;
}

void TVideoCapture::HandleBitmapReadyQueued() {
    try {
        QImage bitmap;
        {
            std::lock_guard lock(FGrabberCB->FLock);
            if (FGrabberCB->FBuffLen == 0)
                return;
            bitmap = FGrabberCB->FBuffer; // shares the pixels; a newer sample replaces, never overwrites
        }
        if (!bitmap.isNull() && OnBitmapGrabbed)
            OnBitmapGrabbed(bitmap);
    } catch (...) {
    }
}

void TVideoCapture::HandleFrameRenderedQueued() {
    --FGrabberCB->FPending;
    if (FWantPreview && (FPreviewing || FCapturing))
        update();
    if (FGrabberCB->FIsGrabber && OnFrameRendered)
        OnFrameRendered(this);
}

void TVideoCapture::HandleBusMessageQueued(GstMessage* message, std::uint64_t generation,
                                           std::uint64_t epoch) {
    if (!FGraph || !FGraph->Pipeline || generation != FGraph->Generation || epoch != FGraph->RunEpoch.load())
        return;
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR || FPipelineFailed)
        return;
    // A failing recording branch ends the clip; the preview runs on without a restart.
    if (FGraph->Recording &&
        gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(FGraph->Recording->Bin.get()))) {
        FGraph->Recording->Broken = true;
        HandleGraphEvent(3);
        return;
    }
    FPipelineFailed = true;
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const bool resource =
        error && error->domain == GST_RESOURCE_ERROR &&
        (error->code == GST_RESOURCE_ERROR_READ || error->code == GST_RESOURCE_ERROR_NOT_FOUND ||
         error->code == GST_RESOURCE_ERROR_OPEN_READ || error->code == GST_RESOURCE_ERROR_OPEN_READ_WRITE);
    g_clear_error(&error);
    bool fromSource = false;
    for (GstElement* source : {FGraph->VCap.get(), FGraph->ACap.get()}) {
        if (source && (GST_MESSAGE_SRC(message) == GST_OBJECT(source) ||
                       gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(source))))
            fromSource = true;
    }
    HandleGraphEvent(resource && fromSource ? 0x1F : 3);
}

void TVideoCapture::HandleGraphEvent(int code) {
    const bool wasCapturing = FCapturing;
    const bool wasPreviewing = FPreviewing;
    if (code == 3)
        HandleGraphAbort();
    else if (code == 0x1F)
        HandleDeviceLost();
    if ((FCapturing != wasCapturing || FPreviewing != wasPreviewing) && FWantPreview) {
        StartPreview();
    } else if (code == 3 && FPreviewing && !wasCapturing) {
        // An error that ended a plain preview leaves nothing running: say so instead of showing a frozen
        // picture that still reads as previewing. No restart, so a source that keeps failing cannot loop.
        StopPreview();
    }
}

void TVideoCapture::HandleGraphAbort() {
    StopCapture();
    if (OnAborted)
        OnAborted(this);
}

void TVideoCapture::HandleDeviceLost() {
    if (OnDeviceLost)
        OnDeviceLost(this);
    StopCapture();
    StopPreview();
}

bool TVideoCapture::ShowDialog(TCaptureDialog DialogType) {
    if (!FDialogs.Contains(DialogType) || FCapturing || !FGraph)
        return false;
    const QString title = QString::fromLatin1(CaptureDialogNames[static_cast<std::size_t>(DialogType)]);
    switch (DialogType) {
    case TCaptureDialog::cdVCAPTURE:
        ShowPropertyDialog(InnermostSource(FGraph->VCap.get()), title);
        break;
    case TCaptureDialog::cdACAPTURE:
        ShowPropertyDialog(InnermostSource(FGraph->ACap.get()), title);
        break;
    case TCaptureDialog::cdVCAPTURE_PIN:
        TearDownGraph();
        ShowModeDialog(true);
        if (FWantPreview)
            StartPreview();
        break;
    case TCaptureDialog::cdACAPTURE_PIN:
        StopPreview();
        ShowModeDialog(false);
        if (FWantPreview)
            StartPreview();
        break;
    case TCaptureDialog::cdVCOMPRESSION:
        StopPreview();
        ShowPropertyDialog(FGraph->VComp.get(), title);
        if (FWantPreview)
            StartPreview();
        break;
    case TCaptureDialog::cdACOMPRESSION:
        StopPreview();
        ShowPropertyDialog(FGraph->AComp.get(), title);
        if (FWantPreview)
            StartPreview();
        break;
    default:
        break;
    }
    return true;
}

void TVideoCapture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    gst::Sample sample;
    if (FWantPreview && (FPreviewing || FCapturing)) {
        std::lock_guard lock(FGrabberCB->FPaintLock);
        sample = FGrabberCB->FPaintSample;
    }
    GstVideoInfo info;
    GstVideoFrame frame;
    if (sample && gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get())) &&
        gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample.get()), GST_MAP_READ)) {
        QImage::Format format = QImage::Format_Invalid;
        switch (GST_VIDEO_INFO_FORMAT(&info)) {
        case GST_VIDEO_FORMAT_BGRx:
            format = QImage::Format_RGB32;
            break;
        case GST_VIDEO_FORMAT_BGR:
            format = QImage::Format_BGR888;
            break;
        case GST_VIDEO_FORMAT_RGB16:
            format = QImage::Format_RGB16;
            break;
        case GST_VIDEO_FORMAT_RGB15:
            format = QImage::Format_RGB555;
            break;
        default:
            break;
        }
        if (format != QImage::Format_Invalid) {
            const QImage view(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                              GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                              GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), format);
            painter.drawImage(rect(), view);
            gst_video_frame_unmap(&frame);
            return;
        }
        gst_video_frame_unmap(&frame);
    }
    painter.fillRect(rect(), FColor);
}

} // namespace quelm

#pragma once
// Shared pieces of the capture component's tests: virtual devices from the environment, a message
// presenter that records every box, bounded waits that keep the event loop running, and a reader that
// checks a clip the way a player would (discoverer, then every frame decoded and counted).
#include "capture/capture_messages.h"
#include "capture/video_capture.h"
#include "support/temp_dir.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QThread>
#include <functional>

namespace quelm::test {

// Processes events until pred holds or timeoutMs passed; returns pred's last value.
inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

inline void Pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// Records every message box instead of showing it; questions get the prepared answer.
class RecordedMessages {
public:
    RecordedMessages() {
        previous_ = SetCaptureMessagePresenter([this](const TCaptureMessage& m) {
            messages.push_back(m);
            return m.Buttons == TMessageButtons::YesCancel ? answer : TMessageAnswer::Ok;
        });
    }
    ~RecordedMessages() { SetCaptureMessagePresenter(previous_); }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& m : messages)
            texts << m.Text;
        return texts;
    }
    std::vector<TCaptureMessage> messages;
    TMessageAnswer answer = TMessageAnswer::Yes;

private:
    TCaptureMessagePresenter previous_;
};

// Sets the virtual devices for one test and empties the shared lists around it.
class VirtualDevices {
public:
    VirtualDevices(const QString& cameras, const QString& microphones = {}) {
        qputenv("QUELM_VIRTUAL_CAMERAS", cameras.toUtf8());
        qputenv("QUELM_VIRTUAL_MICROPHONES", microphones.toUtf8());
        qputenv("QUELM_AUDIO_SINK", "fakesink sync=true");
        ClearDeviceLists();
    }
    ~VirtualDevices() {
        qunsetenv("QUELM_VIRTUAL_CAMERAS");
        qunsetenv("QUELM_VIRTUAL_MICROPHONES");
        ClearDeviceLists();
    }
};

inline constexpr const char* LiveCamera = "videotestsrc is-live=true pattern=ball";
inline constexpr const char* LiveMicrophone = "audiotestsrc is-live=true wave=ticks";

struct ClipFacts {
    bool ok = false;
    double durationSeconds = 0;
    int width = 0;
    int height = 0;
    bool hasAudio = false;
    int videoFrames = 0; // decoded
    QString error;
};

// Opens the clip with the discoverer, then decodes it to the end counting video frames.
inline ClipFacts ReadClip(const QString& path) {
    ClipFacts facts;
    GError* error = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, &error);
    if (!discoverer) {
        facts.error = error ? error->message : "no discoverer";
        g_clear_error(&error);
        return facts;
    }
    gchar* uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &error);
    if (!info || gst_discoverer_info_get_result(info) != GST_DISCOVERER_OK) {
        facts.error = error ? error->message : "not discoverable";
        g_clear_error(&error);
        if (info)
            g_object_unref(info);
        g_object_unref(discoverer);
        g_free(uri);
        return facts;
    }
    facts.durationSeconds = static_cast<double>(gst_discoverer_info_get_duration(info)) / GST_SECOND;
    GList* videos = gst_discoverer_info_get_video_streams(info);
    if (videos) {
        auto* v = GST_DISCOVERER_VIDEO_INFO(videos->data);
        facts.width = static_cast<int>(gst_discoverer_video_info_get_width(v));
        facts.height = static_cast<int>(gst_discoverer_video_info_get_height(v));
    }
    gst_discoverer_stream_info_list_free(videos);
    GList* audios = gst_discoverer_info_get_audio_streams(info);
    facts.hasAudio = audios != nullptr;
    gst_discoverer_stream_info_list_free(audios);
    g_object_unref(info);
    g_object_unref(discoverer);

    // Decode every frame.
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* decode = gst_element_factory_make("uridecodebin", nullptr);
    g_object_set(decode, "uri", uri, nullptr);
    gst_bin_add(GST_BIN(pipeline), decode);
    struct Counter {
        GstElement* pipeline;
        std::atomic<int> frames{0};
    } counter{pipeline};
    g_signal_connect(decode, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer data) {
                         auto* c = static_cast<Counter*>(data);
                         GstCaps* caps = gst_pad_get_current_caps(pad);
                         const bool video =
                             caps && g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)),
                                                      "video/");
                         if (caps)
                             gst_caps_unref(caps);
                         GstElement* sink = gst_element_factory_make("fakesink", nullptr);
                         g_object_set(sink, "sync", FALSE, nullptr);
                         gst_bin_add(GST_BIN(c->pipeline), sink);
                         gst_element_sync_state_with_parent(sink);
                         GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
                         if (video)
                             gst_pad_add_probe(
                                 sinkPad, GST_PAD_PROBE_TYPE_BUFFER,
                                 +[](GstPad*, GstPadProbeInfo*, gpointer d) {
                                     ++static_cast<Counter*>(d)->frames;
                                     return GST_PAD_PROBE_OK;
                                 },
                                 c, nullptr);
                         gst_pad_link(pad, sinkPad);
                         gst_object_unref(sinkPad);
                     }),
                     &counter);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg =
        gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) {
        facts.ok = true;
    } else if (msg) {
        GError* e = nullptr;
        gst_message_parse_error(msg, &e, nullptr);
        facts.error = e ? e->message : "decode error";
        g_clear_error(&e);
    } else {
        facts.error = "decoding timed out";
    }
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    facts.videoFrames = counter.frames.load();
    gst_object_unref(pipeline);
    g_free(uri);
    return facts;
}

// A component on the first virtual camera, wanting what the test asks.
inline void Configure(TVideoCapture& vc, bool audio) {
    vc.SetWantAudio(audio);
    vc.SetWantDVAudio(false);
    vc.SetWantAudioPreview(audio);
}

} // namespace quelm::test

#include "platform/sound_player.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QUrl>

#include <gst/gst.h>

namespace quelm {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
using ElementPtr = std::unique_ptr<GstElement, ObjectUnref>;
using BusPtr = std::unique_ptr<GstBus, ObjectUnref>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

constexpr guint kPlayAudioOnly = 0x2; // playbin's "audio" flag: no video or subtitle branches

} // namespace

struct SoundPlayer::Pipeline {
    ElementPtr playbin;
    BusPtr bus;
};

SoundPlayer::SoundPlayer(QObject* parent)
    : QObject(parent) {
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    FAudioSink = qEnvironmentVariable("QUELM_AUDIO_SINK");
}

SoundPlayer::~SoundPlayer() {
    if (!FPipeline)
        return;
    ToNull(); // joins the streaming threads, so the bus handler below runs no more
    gst_bus_set_sync_handler(FPipeline->bus.get(), nullptr, nullptr, nullptr);
}

void SoundPlayer::SetAudioSink(const QString& description) {
    if (description == FAudioSink)
        return;
    FAudioSink = description;
    FSinkChanged = true;
}

void SoundPlayer::ToNull() {
    if (FPipeline)
        gst_element_set_state(FPipeline->playbin.get(), GST_STATE_NULL);
    FPlaying = false;
}

void SoundPlayer::Stop() {
    ToNull();
    ++FGeneration;
}

bool SoundPlayer::PlayFile(const QString& fileName) {
    Stop(); // the earlier sound's messages carry the old generation from here on
    const QFileInfo file(fileName);
    if (!file.isFile()) {
        FLastError = QStringLiteral("The sound file %1 does not exist.").arg(fileName);
        return false;
    }
    if (!FPipeline) {
        GstElement* playbin = gst_element_factory_make("playbin", nullptr);
        if (!playbin) {
            FLastError = QStringLiteral("Cannot play %1: the media element \"playbin\" is not installed.")
                             .arg(fileName);
            return false;
        }
        auto pipeline = std::make_unique<Pipeline>();
        pipeline->playbin.reset(GST_ELEMENT(gst_object_ref_sink(playbin)));
        pipeline->bus.reset(gst_element_get_bus(playbin));
        g_object_set(playbin, "flags", kPlayAudioOnly, nullptr);
        // Runs on the streaming threads: only the end of a sound matters, handed to the GUI thread.
        gst_bus_set_sync_handler(
            pipeline->bus.get(),
            [](GstBus*, GstMessage* message, gpointer data) -> GstBusSyncReply {
                auto* self = static_cast<SoundPlayer*>(data);
                const GstMessageType type = GST_MESSAGE_TYPE(message);
                if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
                    QString text;
                    if (type == GST_MESSAGE_ERROR) {
                        GError* raw = nullptr;
                        gst_message_parse_error(message, &raw, nullptr);
                        const ErrorPtr error(raw);
                        text = QString::fromUtf8(error ? error->message : "unknown error");
                    }
                    const unsigned generation = self->FGeneration.load();
                    const bool failed = type == GST_MESSAGE_ERROR;
                    QMetaObject::invokeMethod(
                        self, [self, generation, failed, text] { self->Ended(generation, failed, text); },
                        Qt::QueuedConnection);
                }
                return GST_BUS_DROP;
            },
            this, nullptr);
        FPipeline = std::move(pipeline);
        FSinkChanged = true;
    }
    GstElement* playbin = FPipeline->playbin.get();
    if (FSinkChanged) {
        GstElement* sink = nullptr;
        if (!FAudioSink.isEmpty()) {
            GError* raw = nullptr;
            sink = gst_parse_bin_from_description(FAudioSink.toUtf8().constData(), TRUE, &raw);
            const ErrorPtr error(raw);
            if (!sink || error) {
                if (sink)
                    gst_object_unref(gst_object_ref_sink(sink));
                FLastError =
                    QStringLiteral("Cannot play %1: the audio output \"%2\" is not usable (%3).")
                        .arg(fileName, FAudioSink, QString::fromUtf8(error ? error->message : "no element"));
                return false;
            }
        }
        g_object_set(playbin, "audio-sink", sink, nullptr); // takes the floating reference
        FSinkChanged = false;
    }
    const QByteArray uri = QUrl::fromLocalFile(file.absoluteFilePath()).toEncoded();
    g_object_set(playbin, "uri", uri.constData(), nullptr);
    if (gst_element_set_state(playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        ToNull();
        FLastError = QStringLiteral("Cannot play %1: the audio output cannot be opened.").arg(fileName);
        return false;
    }
    FPlaying = true;
    FLastError.clear();
    return true;
}

void SoundPlayer::Ended(unsigned generation, bool failed, const QString& message) {
    if (generation != FGeneration.load() || !FPlaying)
        return;    // a sound that was stopped or replaced
    ToNull();      // frees the audio output
    ++FGeneration; // a second end message of the same sound is ignored too
    if (failed) {
        FLastError = message;
        if (OnError)
            OnError(this, message);
    } else if (OnFinished) {
        OnFinished(this);
    }
}

} // namespace quelm

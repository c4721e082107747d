#pragma once
// Alarm sound playback: a sound file by name, played asynchronously, one sound at a time. A new sound
// replaces the one still playing. Nothing of the media framework shows through this header.
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace quelm {

class SoundPlayer : public QObject {
    Q_OBJECT
public:
    // The audio output starts as the environment's QUELM_AUDIO_SINK when set (tests and machines
    // without sound use "fakesink sync=true"), else the desktop's default output.
    explicit SoundPlayer(QObject* parent = nullptr);
    ~SoundPlayer() override;

    // Starts the file and returns without waiting for it; a sound still playing stops first. Returns
    // false with LastError() set when playback cannot start (no such file, unusable audio output).
    // Errors found while playing (not a sound file, say) arrive later through OnError.
    bool PlayFile(const QString& fileName);
    // Stops the sound, if any; no event follows.
    void Stop();
    bool IsPlaying() const { return FPlaying; }
    const QString& LastError() const { return FLastError; }

    // The audio output as a pipeline description ("fakesink sync=true", "pulsesink"); empty means the
    // desktop's default output. Used from the next PlayFile on.
    void SetAudioSink(const QString& description);
    const QString& AudioSink() const { return FAudioSink; }

    // On the GUI thread, after the sound played to its end.
    std::function<void(SoundPlayer* sender)> OnFinished;
    // On the GUI thread, when playback failed after it started.
    std::function<void(SoundPlayer* sender, const QString& message)> OnError;

private:
    struct Pipeline;
    void Ended(unsigned generation, bool failed, const QString& message);
    void ToNull();

    std::unique_ptr<Pipeline> FPipeline;
    QString FAudioSink;
    QString FLastError;
    bool FPlaying = false;
    bool FSinkChanged = true;
    // Tells the streaming threads' end messages of an earlier sound from those of the current one.
    std::atomic<unsigned> FGeneration{0};
};

} // namespace quelm

#include "platform/sound_player.h"

#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>

#include <cmath>
#include <gtest/gtest.h>

namespace {

using quelm::SoundPlayer;
using quelm::test::TempDir;

// A mono 16-bit 8 kHz tone of the given length as a RIFF WAVE file.
QString WriteWav(const TempDir& dir, const QString& name, double seconds) {
    const int rate = 8000;
    const auto samples = static_cast<quint32>(seconds * rate);
    QFile file(dir.file(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(8000 * std::sin(2 * M_PI * 440 * i / rate));
    return file.fileName();
}

// Runs the event loop until `done` holds or the bound passes; true when it held.
template <typename Done>
bool WaitFor(Done done, int boundMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < boundMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

struct Events {
    int finished = 0;
    int errors = 0;
    qint64 finishedAtMs = -1;
    QString error;
};

class SoundPlayerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        player.SetAudioSink("fakesink sync=true"); // real-time pacing without a sound card
        clock.start();
        player.OnFinished = [this](SoundPlayer* sender) {
            EXPECT_EQ(sender, &player);
            ++events.finished;
            events.finishedAtMs = clock.elapsed();
        };
        player.OnError = [this](SoundPlayer*, const QString& message) {
            ++events.errors;
            events.error = message;
        };
    }

    TempDir dir;
    SoundPlayer player;
    QElapsedTimer clock;
    Events events;
};

TEST_F(SoundPlayerTest, PlaysToTheEndWithoutHoldingTheCaller) {
    const QString wav = WriteWav(dir, "tone.wav", 0.6);
    clock.restart();
    ASSERT_TRUE(player.PlayFile(wav)) << player.LastError().toStdString();
    // Back in the caller's hands while the sound runs.
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(events.finished, 0);

    ASSERT_TRUE(WaitFor([&] { return events.finished > 0; }, 10000));
    EXPECT_EQ(events.finished, 1);
    EXPECT_EQ(events.errors, 0);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_GE(events.finishedAtMs, 500); // played in real time, not dumped at once

    // The player is ready for the next alert's sound.
    ASSERT_TRUE(player.PlayFile(wav));
    EXPECT_TRUE(WaitFor([&] { return events.finished == 2; }, 10000));
}

TEST_F(SoundPlayerTest, SecondSoundReplacesTheFirst) {
    const QString longWav = WriteWav(dir, "long.wav", 3.0);
    const QString shortWav = WriteWav(dir, "short.wav", 0.3);
    clock.restart();
    ASSERT_TRUE(player.PlayFile(longWav));
    WaitFor([] { return false; }, 200);
    ASSERT_TRUE(player.PlayFile(shortWav));

    ASSERT_TRUE(WaitFor([&] { return events.finished > 0; }, 10000));
    EXPECT_LT(events.finishedAtMs, 2500); // the short sound's end, not the long one's
    // Past the long sound's length, nothing more ends: it was stopped, not left running.
    WaitFor([] { return false; }, std::max<qint64>(0, 3500 - clock.elapsed()));
    EXPECT_EQ(events.finished, 1);
    EXPECT_EQ(events.errors, 0);
}

TEST_F(SoundPlayerTest, StopEndsTheSoundWithoutAnEvent) {
    ASSERT_TRUE(player.PlayFile(WriteWav(dir, "tone.wav", 0.5)));
    WaitFor([] { return false; }, 100);
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    WaitFor([] { return false; }, 800);
    EXPECT_EQ(events.finished, 0);
    EXPECT_EQ(events.errors, 0);
}

TEST_F(SoundPlayerTest, FailuresToStartAreReportedAtOnce) {
    const QString missing = dir.file("nothing.wav");
    EXPECT_FALSE(player.PlayFile(missing));
    EXPECT_TRUE(player.LastError().contains(missing)) << player.LastError().toStdString();
    EXPECT_FALSE(player.IsPlaying());

    player.SetAudioSink("no-such-audio-element");
    const QString wav = WriteWav(dir, "tone.wav", 0.2);
    EXPECT_FALSE(player.PlayFile(wav));
    EXPECT_TRUE(player.LastError().contains("no-such-audio-element")) << player.LastError().toStdString();
    EXPECT_FALSE(player.IsPlaying());

    WaitFor([] { return false; }, 300);
    EXPECT_EQ(events.finished + events.errors, 0);
}

TEST_F(SoundPlayerTest, FileThatIsNoSoundEndsWithAnError) {
    QFile junk(dir.file("junk.wav"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    if (!player.PlayFile(junk.fileName()))
        SUCCEED() << "refused at once: " << player.LastError().toStdString();
    else
        ASSERT_TRUE(WaitFor([&] { return events.errors > 0; }, 10000));
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(events.finished, 0);
    EXPECT_FALSE(player.LastError().isEmpty());
}

TEST(SoundPlayer, DestroyedWhilePlaying) {
    TempDir dir;
    const QString wav = WriteWav(dir, "tone.wav", 2.0);
    bool called = false;
    {
        SoundPlayer player;
        player.SetAudioSink("fakesink sync=true");
        player.OnFinished = [&](SoundPlayer*) { called = true; };
        ASSERT_TRUE(player.PlayFile(wav));
        WaitFor([] { return false; }, 100);
    }
    WaitFor([] { return false; }, 200);
    EXPECT_FALSE(called);
}

TEST(SoundPlayer, AudioOutputComesFromTheEnvironment) {
    qputenv("QUELM_AUDIO_SINK", "fakesink sync=true");
    EXPECT_EQ(SoundPlayer().AudioSink(), "fakesink sync=true");
    qunsetenv("QUELM_AUDIO_SINK");
    EXPECT_EQ(SoundPlayer().AudioSink(), "");
}

} // namespace

#pragma once
// A main window in a temporary program folder, with virtual cameras, a recorded log and message boxes
// answered without a user; waits are bounded.
#include "capture/graph_config.h"
#include "capture/video_capture.h"
#include "core/ini_file.h"
#include "support/temp_dir.h"
#include "ui/log_form.h"
#include "ui/message_box.h"
#include "ui/quelm_form.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QToolButton>
#include <functional>
#include <memory>
#include <vector>

namespace quelm::test {

struct LogLine {
    QString text;
    int kind = 0;
    qint64 atMs = 0; // milliseconds after the window was shown
};

struct Box {
    QString title;
    QString text;
    TMsgDlgType type;
};

// Runs the event loop until pred holds or timeoutMs pass; returns pred's last value.
inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs the event loop for ms milliseconds.
inline void Spin(int ms) {
    WaitFor([] { return false; }, ms);
}

// A press and release of the left button in the middle of a button.
inline void Click(QToolButton* b) {
    const QPointF at(b->width() / 2.0, b->height() / 2.0);
    const QPointF global = b->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(b, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(b, &release);
}

// A saved configuration naming a virtual camera, video only, everything else as an empty text gives it.
inline QString CameraConfigText(const QString& device) {
    return QStringLiteral("WantAudio=0,WantAudioPreview=0,WantDVAudio=0,VCapSource=") + device;
}

inline constexpr char kTwoCameras[] = "cam1=videotestsrc is-live=true pattern=ball;"
                                      "cam2=videotestsrc is-live=true pattern=snow";

class Station {
public:
    explicit Station(const char* cameras = kTwoCameras)
        : oldHome_(qgetenv("QUELM_HOME"))
        , oldCameras_(qgetenv("QUELM_VIRTUAL_CAMERAS")) {
        qputenv("QUELM_HOME", dir.path().toUtf8());
        qputenv("QUELM_AUDIO_SINK", "fakesink sync=true");
        if (cameras)
            qputenv("QUELM_VIRTUAL_CAMERAS", cameras);
        else
            qunsetenv("QUELM_VIRTUAL_CAMERAS");
        oldPresenter_ = SetMessageBoxPresenter([this](const QString& title, const QString& text,
                                                      TMsgDlgType type, QMessageBox::StandardButtons) {
            boxes.push_back({title, text, type});
            return QMessageBox::Ok;
        });
    }

    ~Station() {
        if (form && form->ShowDone() && !form->CloseSequenceDone()) {
            form->close();
            WaitFor([this] { return form->CloseSequenceDone(); }, 5000);
        }
        form.reset();
        logForm.reset();
        SetMessageBoxPresenter(oldPresenter_);
        Restore("QUELM_HOME", oldHome_);
        Restore("QUELM_VIRTUAL_CAMERAS", oldCameras_);
        qunsetenv("QUELM_AUDIO_SINK");
    }

    QString File(const QString& name) const { return dir.file(name); }

    void Set(const QString& section, const QString& key, const QString& value) {
        IniFile ini(File("quelm_parrin.ini"));
        ini.WriteString(section, key, value);
    }
    void SetCameraConfig(int n, const QString& device) {
        Set(QStringLiteral("cam%1").arg(n), QStringLiteral("config"), CameraConfigText(device));
    }
    QString Get(const QString& section, const QString& key) const {
        return IniFile(File("quelm_parrin.ini")).ReadString(section, key, QString());
    }

    // Creation (the window's start-up), then the log window, as the program does it.
    void Create() {
        form = std::make_unique<TQuelmForm>();
        logForm = std::make_unique<TLogForm>(File("log.log"), [](const QString&) {});
        form->SetLogForm(logForm.get());
        form->OnLogEntry = [this](const QString& text, std::uint8_t kind) {
            log.push_back({text, kind, shown_.isValid() ? shown_.elapsed() : -1});
        };
        form->OnTerminateProgram = [this](int code) {
            terminated = true;
            exitCode = code;
        };
    }

    void Show() {
        shown_.start();
        form->show();
    }

    void Start() {
        Create();
        Show();
    }

    qint64 SinceShow() const { return shown_.elapsed(); }

    int Count(const QString& text) const {
        int n = 0;
        for (const auto& l : log)
            n += l.text == text;
        return n;
    }

    // Whether the virtual cameras are listed, so that a camera's picture can be expected.
    static bool CamerasAvailable() {
        TVideoCapture probe;
        return probe.Init();
    }

    TempDir dir;
    std::unique_ptr<TQuelmForm> form;
    std::unique_ptr<TLogForm> logForm;
    std::vector<LogLine> log;
    std::vector<Box> boxes;
    bool terminated = false;
    int exitCode = 0;

private:
    static void Restore(const char* name, const QByteArray& old) {
        if (old.isNull())
            qunsetenv(name);
        else
            qputenv(name, old);
    }

    QByteArray oldHome_;
    QByteArray oldCameras_;
    MessageBoxPresenter oldPresenter_;
    QElapsedTimer shown_;
};

} // namespace quelm::test

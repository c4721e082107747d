#pragma once
// TQuelmForm: the main window and controller of the station. It owns both camera channels (capture
// component, capture configuration, detector, alerter, LED bar, notebook, watch button, restore timer),
// starts the program, switches each camera's watch on and off, shows grabbed frames, rebuilds a camera's
// capture graph after an alert and saves the per-camera state when the program closes.
#include "alert/snapshot.h"
#include "core/lang_strings.h"
#include "core/program_settings.h"
#include "ui/message_box.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <vector>

class QFrame;
class QMenu;
class QStackedWidget;
class QSystemTrayIcon;
class QToolButton;

namespace quelm {

class AlgThread;
class SoundPlayer;
class TAlerter;
class TGraphConfig;
class TLogForm;
class TRLed;
class TStretchedImage;
class TVideoCapture;
class TWarningForm;

// A timer with the integer tag the restore timers use to tell the start-up restore from later ones.
class TTaggedTimer : public QTimer {
    Q_OBJECT
public:
    using QTimer::QTimer;
    int Tag = 0;
};

class TQuelmForm : public QWidget {
    Q_OBJECT
public:
    // Builds the components; FormCreate runs at the end.
    explicit TQuelmForm(QWidget* parent = nullptr);
    ~TQuelmForm() override;

    // --- components, named as their object names
    QFrame* CamPanel1 = nullptr;
    QFrame* CamPanel2 = nullptr;
    QFrame* WarningPanel = nullptr;
    QFrame* CtrlPanel1 = nullptr;
    QToolButton* MenuButton = nullptr;
    QToolButton* AlgButton1 = nullptr;
    QToolButton* AlgButton2 = nullptr;
    TRLed* WarningRLed1 = nullptr;
    TRLed* WarningRLed2 = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QStackedWidget* Notebook2 = nullptr;
    TStretchedImage* CamImage1 = nullptr;
    TStretchedImage* CamImage2 = nullptr;
    TVideoCapture* VideoCapture1 = nullptr;
    TVideoCapture* VideoCapture2 = nullptr;
    TAlerter* Alerter1 = nullptr; // destroyed by the close sequence
    TAlerter* Alerter2 = nullptr;
    TTaggedTimer* RestoreTimer1 = nullptr;
    TTaggedTimer* RestoreTimer2 = nullptr;
    QTimer* LPTScanTimer = nullptr;
    QSystemTrayIcon* QuelmTrayIcon = nullptr;
    QMenu* InfoPopupMenu = nullptr;

    // --- fields
    std::uint8_t st_Data = 0;
    std::uint8_t st_Control = 0;
    std::uint8_t st_Status = 0;
    AlgThread* Alg1 = nullptr; // owned through FAlgs
    AlgThread* Alg2 = nullptr;
    TGraphConfig* config1 = nullptr; // owned through FConfigs; null after the close sequence
    TGraphConfig* config2 = nullptr;

    // The user's wish per camera (index N - 1): true means the watch is to stay off.
    std::array<bool, 2> WatchOffRequested{true, true};

    // The log window, created after the main window; the form writes its entries there.
    void SetLogForm(TLogForm* logForm) { FLogForm = logForm; }
    TLogForm* LogForm() const { return FLogForm; }
    // The alert window, created after the main window; shown and hidden by the alert reactions.
    void SetWarningForm(TWarningForm* warningForm) { FWarningForm = warningForm; }
    TWarningForm* WarningForm() const { return FWarningForm; }
    // The alarm sound's player, owned by the window.
    SoundPlayer* AlertSound() const { return FAlertSound; }

    // The full name of the snapshot of the most recent alert start of either camera.
    QString LastSnapshotPath;
    // The clock an alert start reads for its record names; empty means the local clock. Tests fix it.
    std::function<QDateTime()> OnReadClock;

    // Waits until every snapshot handed to the background has reached the disk; failures are logged.
    void WaitForSnapshots() { HarvestSnapshots(true); }

    const quelm::ProgramSettings& Settings() const { return FSettings; }
    quelm::ProgramSettings& Settings() { return FSettings; }

    // Ends the program after a failed start; the default posts QCoreApplication::exit(code) so that it
    // also works before the event loop runs. Tests replace it.
    std::function<void(int exitCode)> OnTerminateProgram;
    // Called once the close sequence has finished, right before the window closes.
    std::function<void()> OnCloseSequenceDone;
    // Called with every entry the window writes to the log, after the log has it.
    std::function<void(const QString& text, std::uint8_t kind)> OnLogEntry;

    // --- event handlers and operations
    void FormCreate();
    void FormShow();
    void FormResize();
    void VideoCapture1BitmapGrabbed(const QImage& CapturedImage);
    void VideoCapture2BitmapGrabbed(const QImage& CapturedImage);
    void StartStopAlg1();
    void StartStopAlg2();
    void AlgButton1MouseDown();
    void AlgButton2MouseDown();
    void RestoreTimer1Timer();
    void RestoreTimer2Timer();
    void VideoCapture1DeviceLost(TVideoCapture* Sender);
    void VideoCaptureChangeDevice(TVideoCapture* Sender);
    // The close sequence; runs once, with non-blocking waits, and then lets the window close.
    void FormCloseQuery();
    void CustomSaveGraph(int N, TGraphConfig* Config);
    void SetStatusIcon(int n);
    QMessageBox::StandardButton ShowMessageBox(const QString& Title, const QString& Text,
                                               TMsgDlgType DialogType, QMessageBox::StandardButtons Buttons);

    // The alert reactions; filled in with the alert handling.
    void Alerter1StartAlert(TAlerter* Sender);
    void Alerter2StartAlert(TAlerter* Sender);
    void Alerter1StopAlert(TAlerter* Sender);
    void Alerter2StopAlert(TAlerter* Sender);
    // The external detectors' poller and port reading; filled in with the parallel-port support.
    void LPTScanTimerTimer();
    void ReadLptPorts();
    // The menu and tray commands; filled in with the menu.
    void MenuButtonClick();
    void QuelmTrayIconDblClick();
    void MinimizeClick();

    // Opens a document with the desktop's application for it; tests replace it. Returns the previous one.
    using DocumentOpener = std::function<void(const QString& fileName)>;
    static DocumentOpener SetDocumentOpener(DocumentOpener opener);

    // The settings file, the log file and the temporary capture file of camera N in the program folder.
    static QString SettingsFileName();
    static QString LogFileName();
    static QString TempCaptureFile(int N);

    // The component of camera N by its built name ("VideoCapture", "Alerter", "WarningRLed",
    // "RestoreTimer" followed by the number).
    TVideoCapture* VideoCaptureOf(int N) const;
    TAlerter* AlerterOf(int N) const;
    TRLed* WarningRLedOf(int N) const;
    TTaggedTimer* RestoreTimerOf(int N) const;
    AlgThread* AlgOf(int N) const;
    TGraphConfig* ConfigOf(int N) const;
    QStackedWidget* NotebookOf(int N) const;
    TStretchedImage* CamImageOf(int N) const;
    QToolButton* AlgButtonOf(int N) const;

    // The status icon last set (1, 2 or 3).
    int StatusIcon() const { return FStatusIcon; }
    bool WatchOn(int N) const;
    bool ShowDone() const { return FShowDone; }
    bool CloseSequenceStarted() const { return FCloseState != CloseState::NotStarted; }
    bool CloseSequenceDone() const { return FCloseState == CloseState::Done; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class CloseState { NotStarted, Running, Done };

    void BuildComponents();
    void BuildChannel(int N, QFrame* camPanel);
    void CreateDetector(int N);
    void LoadSettings();
    void FirstRunNote();
    void RestoreCameraConfig(int N, const class IniFile& ini);
    void StartStopAlg(int N);
    void AlgButtonMouseDown(int N);
    void RestoreTimerTimer(int N);
    void BitmapGrabbed(int N, const QImage& CapturedImage);
    void ShutdownCamera(int N, std::function<void()> next);
    void FinishShutdownCamera(int N, std::function<void()> next);
    void ShowNotebookPage(int N, const char* page);
    void AlignPanels();
    void SetClientSize(int w, int h);
    // The alert reactions of camera N.
    void StartAlert(int N);
    void StopAlert(int N);
    bool SaveSnapshot(int N, const QString& path);
    bool StartClip(int N, const QString& path);
    void PlayAlertSound();
    void SendAlertNotices(int N);
    void CheckClip(const QString& path);
    void HarvestSnapshots(bool wait);

    void AddLog(const QString& text, std::uint8_t kind);
    void AddLog(LangKey key, std::uint8_t kind) { AddLog(Lang(key), kind); }
    void SaveLog();

    quelm::ProgramSettings FSettings;
    TLogForm* FLogForm = nullptr;
    TWarningForm* FWarningForm = nullptr;
    SoundPlayer* FAlertSound = nullptr;
    // Snapshots being made durable on worker threads, oldest first.
    std::vector<std::future<SnapshotResult>> FSnapshotCommits;
    std::array<std::unique_ptr<AlgThread>, 2> FAlgs;
    std::array<std::unique_ptr<TGraphConfig>, 2> FConfigs;
    int FStatusIcon = 0;
    bool FShowDone = false;
    CloseState FCloseState = CloseState::NotStarted;
};

// The client area the window is given at creation and the width of the middle strip.
inline constexpr int kClientWidth = 700;
inline constexpr int kClientHeight = 240;
inline constexpr int kWarningPanelWidth = 54;
inline constexpr int kCtrlPanelHeight = 54;

} // namespace quelm

#include "ui/quelm_form.h"

#include "alert/alerter.h"
#include "capture/graph_config.h"
#include "capture/video_capture.h"
#include "core/ini_file.h"
#include "core/program_folder.h"
#include "detector/alg_thread.h"
#include "platform/sound_player.h"
#include "ui/log_form.h"
#include "ui/rled.h"
#include "ui/status_icons.h"
#include "ui/stretched_image.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QMenu>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QUrl>
#include <cstdio>
#include <utility>

namespace quelm {

namespace {

constexpr int kRestoreStartupMs = 200;  // restore timer at show
constexpr int kRestoreSettleMs = 2000;  // after the graph is rebuilt, before the first frame request
constexpr int kRestoreFrameGapMs = 100; // between the two frame requests
constexpr int kCloseAfterStopMs = 1000; // after a recording was stopped at close
constexpr char kImagePage[] = "ImagePage";
constexpr char kVideoPage[] = "VideoPage";
constexpr char kFirstRunNote[] = "feedback_first.txt";
constexpr char kFeedbackNote[] = "feedback.txt";

TQuelmForm::DocumentOpener& Opener() {
    static TQuelmForm::DocumentOpener opener;
    return opener;
}

// A speed button: 26 x 26, flat, toggling, with a hint.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& hint, const QString& text,
                             int x, int y) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setText(text);
    b->setGeometry(x, y, 26, 26);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet(QStringLiteral("QToolButton { color: rgb(255, 255, 0); background: rgb(32, 32, 32); "
                                    "border: 1px solid rgb(90, 90, 90); font-weight: bold; } "
                                    "QToolButton:checked { background: rgb(0, 110, 0); }"));
    return b;
}

QFrame* MakePanel(QWidget* parent, const char* name) {
    auto* p = new QFrame(parent);
    p->setObjectName(QLatin1String(name));
    return p;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Construction and layout

TQuelmForm::TQuelmForm(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("QuelmForm"));
    setWindowTitle(QStringLiteral("Quelm Parrin"));
    // The outer minimum of 640 x 82 holds the 54-pixel control strip under a title bar.
    setMinimumSize(640, kCtrlPanelHeight);
    OnTerminateProgram = [](int exitCode) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); },
            Qt::QueuedConnection);
    };
    BuildComponents();
    FormCreate();
}

TQuelmForm::~TQuelmForm() {
    HarvestSnapshots(true); // no worker outlives the window it reports to
    // Detectors stop before the components they report to go away.
    for (auto& alg : FAlgs)
        if (alg)
            alg->Stop();
    // The children outlive this body: their events must not reach the half-destroyed window.
    for (int n = 1; n <= 2; ++n) {
        if (TAlerter* alerter = AlerterOf(n)) {
            alerter->OnStartAlert = nullptr;
            alerter->OnStopAlert = nullptr;
        }
        if (TVideoCapture* vc = VideoCaptureOf(n)) {
            vc->OnBitmapGrabbed = nullptr;
            vc->OnChangeDevice = nullptr;
            vc->OnDeviceLost = nullptr;
        }
    }
}

void TQuelmForm::BuildComponents() {
    CamPanel1 = MakePanel(this, "CamPanel1");
    CamPanel2 = MakePanel(this, "CamPanel2");
    WarningPanel = MakePanel(this, "WarningPanel");
    CtrlPanel1 = MakePanel(WarningPanel, "CtrlPanel1");
    CtrlPanel1->setAutoFillBackground(true);
    QPalette black = CtrlPanel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    CtrlPanel1->setPalette(black);
    WarningPanel->setAutoFillBackground(true);
    WarningPanel->setPalette(black);

    MenuButton =
        MakeSpeedButton(CtrlPanel1, "MenuButton", QStringLiteral("Menu"), QStringLiteral("\u2261"), 15, 1);
    AlgButton1 = MakeSpeedButton(CtrlPanel1, "AlgButton1", QStringLiteral("Start/Stop Cam #1"),
                                 QStringLiteral("1"), 1, 27);
    AlgButton2 = MakeSpeedButton(CtrlPanel1, "AlgButton2", QStringLiteral("Start/Stop Cam #2"),
                                 QStringLiteral("2"), 27, 27);
    AlgButton1->setCheckable(true);
    AlgButton2->setCheckable(true);
    // The press inverts the wish before the click of the same press toggles the watch.
    AlgButton1->installEventFilter(this);
    AlgButton2->installEventFilter(this);
    connect(AlgButton1, &QToolButton::clicked, this, [this] { StartStopAlg1(); });
    connect(AlgButton2, &QToolButton::clicked, this, [this] { StartStopAlg2(); });
    connect(MenuButton, &QToolButton::clicked, this, [this] { MenuButtonClick(); });

    for (int n = 1; n <= 2; ++n) {
        auto* led = new TRLed(WarningPanel);
        led->setObjectName(QStringLiteral("WarningRLed%1").arg(n));
        led->SetColorLow(QColor(0, 255, 0));
        led->SetColorHi(QColor(255, 0, 0));
        led->SetBackColor(Qt::black);
        led->SetMaxValue(100);
        led->resize(26, led->height());
        led->SetBarSize(5);
        (n == 1 ? WarningRLed1 : WarningRLed2) = led;
    }

    BuildChannel(1, CamPanel1);
    BuildChannel(2, CamPanel2);

    LPTScanTimer = new QTimer(this);
    LPTScanTimer->setObjectName(QStringLiteral("LPTScanTimer"));
    LPTScanTimer->setInterval(800);
    connect(LPTScanTimer, &QTimer::timeout, this, [this] { LPTScanTimerTimer(); });

    InfoPopupMenu = new QMenu(this);
    InfoPopupMenu->setObjectName(QStringLiteral("InfoPopupMenu"));

    FAlertSound = new SoundPlayer(this);
    FAlertSound->setObjectName(QStringLiteral("AlertSound"));
    FAlertSound->OnError = [this](SoundPlayer*, const QString& message) {
        AddLog(QStringLiteral("Cannot play the sound %1: %2.").arg(FSettings.PlayWAVFileName, message), 2);
    };

    QuelmTrayIcon = new QSystemTrayIcon(this);
    QuelmTrayIcon->setObjectName(QStringLiteral("QuelmTrayIcon"));
    QuelmTrayIcon->setToolTip(QStringLiteral("Quelm"));
    connect(QuelmTrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick)
            QuelmTrayIconDblClick();
    });
}

void TQuelmForm::BuildChannel(int N, QFrame* camPanel) {
    auto* notebook = new QStackedWidget(camPanel);
    notebook->setObjectName(QStringLiteral("Notebook%1").arg(N));
    auto* imagePage = new QWidget(notebook);
    imagePage->setObjectName(QLatin1String(kImagePage));
    auto* videoPage = new QWidget(notebook);
    videoPage->setObjectName(QLatin1String(kVideoPage));
    notebook->addWidget(imagePage);
    notebook->addWidget(videoPage);
    notebook->setCurrentWidget(videoPage);

    auto* image = new TStretchedImage(imagePage);
    image->setObjectName(QStringLiteral("CamImage%1").arg(N));

    auto* vc = new TVideoCapture(videoPage);
    vc->setObjectName(QStringLiteral("VideoCapture%1").arg(N));
    vc->SetTag(N);
    vc->SetColor(QColor(0, 0, 128));
    vc->SetWantBitmaps(true);
    vc->SetWantPreview(true);
    vc->SetWantCapture(true);
    vc->SetWantAudio(true);
    vc->SetWantDVAudio(true);
    vc->SetWantAudioPreview(true);
    vc->SetUseTempFile(true);
    vc->SetBitmapPixelFormat(TPixelFormat::pf24bit);
    vc->SetDVResolution(TDVResolution::dvrDontWorry);
    vc->SetUseFrameRate(false);
    vc->SetUseTimeLimit(false);
    vc->SetDoPreallocFile(false);
    vc->SetTimeLimit(0);
    vc->SetPreallocFileSize(1);
    vc->SetTempCaptureFileName(QStringLiteral("temp%1.avi").arg(N));
    vc->OnBitmapGrabbed = [this, N](const TCapturedBitmap& img) { BitmapGrabbed(N, img); };
    vc->OnChangeDevice = [this](TVideoCapture* s) { VideoCaptureChangeDevice(s); };
    vc->OnDeviceLost = [this](TVideoCapture* s) { VideoCapture1DeviceLost(s); };

    auto* alerter = new TAlerter(this);
    alerter->setObjectName(QStringLiteral("Alerter%1").arg(N));
    alerter->SetAlertLength(15);
    if (N == 1) {
        alerter->OnStartAlert = [this](TAlerter* s) { Alerter1StartAlert(s); };
        alerter->OnStopAlert = [this](TAlerter* s) { Alerter1StopAlert(s); };
    } else {
        alerter->OnStartAlert = [this](TAlerter* s) { Alerter2StartAlert(s); };
        alerter->OnStopAlert = [this](TAlerter* s) { Alerter2StopAlert(s); };
    }

    auto* timer = new TTaggedTimer(this);
    timer->setObjectName(QStringLiteral("RestoreTimer%1").arg(N));
    timer->setInterval(kRestoreStartupMs);
    timer->setTimerType(Qt::PreciseTimer);
    timer->Tag = 0;
    connect(timer, &QTimer::timeout, this, [this, N] { RestoreTimerTimer(N); });

    if (N == 1) {
        Notebook1 = notebook;
        CamImage1 = image;
        VideoCapture1 = vc;
        Alerter1 = alerter;
        RestoreTimer1 = timer;
    } else {
        Notebook2 = notebook;
        CamImage2 = image;
        VideoCapture2 = vc;
        Alerter2 = alerter;
        RestoreTimer2 = timer;
    }
}

void TQuelmForm::AlignPanels() {
    const int w = width();
    const int h = height();
    const int camWidth = CamPanel1->width();
    CamPanel1->setGeometry(0, 0, camWidth, h);
    CamPanel2->setGeometry(w - CamPanel2->width(), 0, CamPanel2->width(), h);
    WarningPanel->setGeometry(camWidth, 0, qMax(0, w - camWidth - CamPanel2->width()), h);
    CtrlPanel1->setGeometry(0, 0, WarningPanel->width(), kCtrlPanelHeight);
    const int ledTop = kCtrlPanelHeight;
    const int ledHeight = qMax(0, h - ledTop);
    WarningRLed1->setGeometry(0, ledTop, WarningRLed1->width(), ledHeight);
    WarningRLed2->setGeometry(WarningPanel->width() - WarningRLed2->width(), ledTop, WarningRLed2->width(),
                              ledHeight);
    for (int n = 1; n <= 2; ++n) {
        QStackedWidget* nb = NotebookOf(n);
        nb->setGeometry(nb->parentWidget()->rect());
        CamImageOf(n)->setGeometry(nb->rect());
        VideoCaptureOf(n)->setGeometry(nb->rect());
    }
}

void TQuelmForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TQuelmForm::SetClientSize(int w, int h) {
    resize(w, h);
    if (!isVisible())
        FormResize(); // a hidden window gets its resize event only when shown
}

void TQuelmForm::FormResize() {
    const int camWidth = (width() - kWarningPanelWidth) / 2; // truncates toward zero
    CamPanel1->resize(camWidth, CamPanel1->height());
    CamPanel2->resize(CamPanel1->width(), CamPanel2->height());
    AlignPanels();
}

// ---------------------------------------------------------------------------------------------------
// Start-up

void TQuelmForm::FormCreate() {
    SetStatusIcon(1);
    SetClientSize(kClientWidth, kClientHeight);
    CreateDetector(1);
    CreateDetector(2);
    LoadSettings();
    ReadLptPorts();
    if (!FSettings.rtvideo) {
        Notebook1->setVisible(false);
        Notebook2->setVisible(false);
        SetClientSize(width(), CtrlPanel1->height());
    }
    FirstRunNote();
}

void TQuelmForm::CreateDetector(int N) {
    FConfigs[N - 1] = std::make_unique<TGraphConfig>();
    FConfigs[N - 1]->Clear();
    (N == 1 ? config1 : config2) = FConfigs[N - 1].get();

    FAlgs[N - 1] = std::make_unique<AlgThread>(true);
    AlgThread* alg = FAlgs[N - 1].get();
    (N == 1 ? Alg1 : Alg2) = alg;
    alg->alg_alerter = AlerterOf(N);
    alg->alg_RLed = WarningRLedOf(N);
    alg->alg_VideoCapture = VideoCaptureOf(N);
    const QString section = QStringLiteral("MoveDAlg%1").arg(N);
    try {
        alg->LoadFromIni(SettingsFileName(), section);
    } catch (const std::exception& e) {
        // A damaged control-zone list: the detector keeps what was read before the damage.
        std::fprintf(stderr, "quelm: %s\n", e.what());
    }
    TRLed* led = WarningRLedOf(N);
    led->SetBreakPos(100 - alg->threshold1);
    led->SetPosition(0);
}

void TQuelmForm::LoadSettings() {
    const LoadedSettings loaded = quelm::LoadSettings(IniFile(SettingsFileName()));
    FSettings = loaded.Settings;
    Alerter1->SetAlertLength(loaded.MinVidLength);
    // The visual theme ("Skin") is read with the rest and has no use here: the desktop's style applies.
    // Language files and the SMS sender are applied by their own parts once they exist.
}

void TQuelmForm::FirstRunNote() {
    const QString first = QDir::current().filePath(QLatin1String(kFirstRunNote));
    if (!QFile::exists(first))
        return;
    const QString note = QDir::current().filePath(QLatin1String(kFeedbackNote));
    if (!QFile::exists(note)) // the rename never replaces an existing note
        QFile::rename(first, note);
    if (Opener())
        Opener()(note);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(note));
}

TQuelmForm::DocumentOpener TQuelmForm::SetDocumentOpener(DocumentOpener opener) {
    return std::exchange(Opener(), std::move(opener));
}

void TQuelmForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The start-up show runs once, after the window is on screen; showing the window again after it sat
    // in the notification area does not start the cameras a second time.
    if (FShowDone)
        return;
    FShowDone = true;
    QMetaObject::invokeMethod(
        this, [this] { FormShow(); }, Qt::QueuedConnection);
}

void TQuelmForm::FormShow() {
    const bool ok = VideoCapture1->Init() && VideoCapture2->Init();
    if (ok) {
        const IniFile ini(SettingsFileName());
        RestoreCameraConfig(1, ini);
        RestoreCameraConfig(2, ini);
        return;
    }
    ShowMessageBox(QStringLiteral("Warning"),
                   Lang(LangKey::InitFailed) + QLatin1Char('\r') + Lang(LangKey::CheckDevice),
                   TMsgDlgType::mtWarning, QMessageBox::Ok);
    AddLog(LangKey::InitFailed, 2);
    AddLog(LangKey::Terminated, 2);
    SaveLog();
    FCloseState = CloseState::Done; // the program ends without the close sequence
    if (OnTerminateProgram)
        OnTerminateProgram(1);
}

void TQuelmForm::RestoreCameraConfig(int N, const IniFile& ini) {
    const QString s = ini.ReadString(GraphConfigSection(N), QStringLiteral("config"), QString());
    TGraphConfig* config = ConfigOf(N);
    config->RestoreGraph(s);
    config->VCompState.clear();
    config->TempCaptureFileName = TempCaptureFile(N);
    if (!s.isEmpty() && !config->VCapSource.isEmpty())
        RestoreTimerOf(N)->start();
}

// ---------------------------------------------------------------------------------------------------
// Frames, watch, restore

void TQuelmForm::VideoCapture1BitmapGrabbed(const QImage& CapturedImage) {
    BitmapGrabbed(1, CapturedImage);
}

void TQuelmForm::VideoCapture2BitmapGrabbed(const QImage& CapturedImage) {
    BitmapGrabbed(2, CapturedImage);
}

void TQuelmForm::BitmapGrabbed(int N, const QImage& CapturedImage) {
    AlgThread* alg = AlgOf(N);
    if (alg)
        alg->SetFrame(CapturedImage);
    if (FSettings.rtvideo && !QuelmTrayIcon->isVisible()) {
        TStretchedImage* image = CamImageOf(N);
        image->SetPicture(CapturedImage.copy());
        image->repaint(); // shown at once, without running other events from inside the delivery
    }
}

void TQuelmForm::ShowNotebookPage(int N, const char* page) {
    QStackedWidget* nb = NotebookOf(N);
    nb->setVisible(true);
    if (QWidget* w = nb->findChild<QWidget*>(QLatin1String(page), Qt::FindDirectChildrenOnly))
        nb->setCurrentWidget(w);
    nb->setVisible(FSettings.rtvideo);
}

void TQuelmForm::StartStopAlg1() {
    StartStopAlg(1);
}

void TQuelmForm::StartStopAlg2() {
    StartStopAlg(2);
}

void TQuelmForm::StartStopAlg(int N) {
    AlgThread* alg = AlgOf(N);
    if (!alg)
        return;
    if (alg->Suspended()) {
        // Refused while the user wants it off, and once the program is closing.
        if (WatchOffRequested[N - 1] || FCloseState != CloseState::NotStarted) {
            AlgButtonOf(N)->setChecked(false);
            return;
        }
        ShowNotebookPage(N, kImagePage);
        alg->Resume();
        AlgButtonOf(N)->setChecked(true);
        SetStatusIcon(2);
        if (FSettings.UseExtDets)
            LPTScanTimer->start();
        AddLog(LangKey::WatchOn, 1);
    } else {
        ShowNotebookPage(N, kVideoPage);
        alg->Suspend();
        AlgButtonOf(N)->setChecked(false);
        AlgThread* other = AlgOf(3 - N);
        if (other && !other->Suspended())
            return;
        SetStatusIcon(1);
        LPTScanTimer->stop();
        AddLog(LangKey::WatchOff, 1);
    }
}

bool TQuelmForm::WatchOn(int N) const {
    const AlgThread* alg = AlgOf(N);
    return alg && !alg->Suspended();
}

void TQuelmForm::AlgButton1MouseDown() {
    AlgButtonMouseDown(1);
}

void TQuelmForm::AlgButton2MouseDown() {
    AlgButtonMouseDown(2);
}

void TQuelmForm::AlgButtonMouseDown(int N) {
    WatchOffRequested[N - 1] = !WatchOffRequested[N - 1];
}

bool TQuelmForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        if (watched == AlgButton1)
            AlgButton1MouseDown();
        else if (watched == AlgButton2)
            AlgButton2MouseDown();
    }
    return QWidget::eventFilter(watched, event);
}

void TQuelmForm::RestoreTimer1Timer() {
    RestoreTimerTimer(1);
}

void TQuelmForm::RestoreTimer2Timer() {
    RestoreTimerTimer(2);
}

void TQuelmForm::RestoreTimerTimer(int N) {
    TTaggedTimer* timer = RestoreTimerOf(N);
    timer->stop();
    if (FCloseState != CloseState::NotStarted)
        return;
    VideoCaptureOf(N)->RestoreGraph(ConfigOf(N));
    if (!FSettings.manual || timer->Tag > 0) {
        if (timer->Tag == 0)
            WatchOffRequested[N - 1] = false;
        // The graph settles for 2 s, two frames are requested 100 ms apart, then the watch is toggled;
        // the waits run on timers so the window and the other camera keep going meanwhile.
        QTimer::singleShot(kRestoreSettleMs, Qt::PreciseTimer, this, [this, N] {
            if (FCloseState != CloseState::NotStarted)
                return;
            AlgOf(N)->GetFrame();
            QTimer::singleShot(kRestoreFrameGapMs, Qt::PreciseTimer, this, [this, N] {
                if (FCloseState != CloseState::NotStarted)
                    return;
                AlgOf(N)->GetFrame();
                StartStopAlg(N);
            });
        });
    }
    timer->Tag = 1;
}

void TQuelmForm::VideoCapture1DeviceLost(TVideoCapture*) {
    AddLog(LangKey::DeviceLost, 2);
}

void TQuelmForm::VideoCaptureChangeDevice(TVideoCapture*) {
    // Refills the camera options dialog's lists for the sender's camera once that dialog exists.
}

// ---------------------------------------------------------------------------------------------------
// Close

void TQuelmForm::closeEvent(QCloseEvent* event) {
    if (FCloseState == CloseState::Done) {
        event->accept();
        return;
    }
    event->ignore();
    if (FCloseState == CloseState::NotStarted)
        FormCloseQuery();
}

void TQuelmForm::FormCloseQuery() {
    if (FCloseState != CloseState::NotStarted)
        return;
    FCloseState = CloseState::Running;
    RestoreTimer1->stop();
    RestoreTimer2->stop();
    ShutdownCamera(1, [this] {
        ShutdownCamera(2, [this] {
            HarvestSnapshots(true);
            AddLog(LangKey::LogOff, 0);
            SaveLog();
            FCloseState = CloseState::Done;
            if (OnCloseSequenceDone)
                OnCloseSequenceDone();
            // Closed from the event loop: the close that started the sequence may still be running.
            QMetaObject::invokeMethod(
                this, [this] { close(); }, Qt::QueuedConnection);
        });
    });
}

void TQuelmForm::ShutdownCamera(int N, std::function<void()> next) {
    if (AlgThread* alg = AlgOf(N))
        alg->Stop(); // ends the worker before the alerter and the bar it reports to are gone
    if (TAlerter* alerter = AlerterOf(N)) {
        (N == 1 ? Alerter1 : Alerter2) = nullptr;
        delete alerter; // an alert that is on ends first, with its stop reactions
    }
    TVideoCapture* vc = VideoCaptureOf(N);
    if (vc->Capturing()) {
        vc->StopCapture();
        QTimer::singleShot(
            kCloseAfterStopMs, Qt::PreciseTimer, this,
            [this, N, next = std::move(next)]() mutable { FinishShutdownCamera(N, std::move(next)); });
        return;
    }
    FinishShutdownCamera(N, std::move(next));
}

void TQuelmForm::FinishShutdownCamera(int N, std::function<void()> next) {
    TGraphConfig* config = ConfigOf(N);
    if (config) {
        CustomSaveGraph(N, config);
        try {
            IniFile ini(SettingsFileName());
            WriteGraphConfig(ini, N, *config);
        } catch (const std::exception& e) {
            // The rest of the close goes on; the failure is written where the user finds it.
            std::fprintf(stderr, "quelm: %s\n", e.what());
            AddLog(QString::fromLocal8Bit(e.what()), 2);
        }
        (N == 1 ? config1 : config2) = nullptr;
        FConfigs[N - 1].reset();
    }
    next();
}

void TQuelmForm::CustomSaveGraph(int N, TGraphConfig* Config) {
    TVideoCapture* vc = VideoCaptureOf(N);
    if (!Config || !vc)
        return;
    Config->UseTempFile = vc->UseTempFile();
    Config->WantBitmaps = vc->WantBitmaps();
    Config->DoPreallocFile = vc->DoPreallocFile();
    Config->WantCapture = vc->WantCapture();
    Config->WantPreview = vc->WantPreview();
    Config->WantDVAudio = vc->WantDVAudio();
    Config->WantAudio = vc->WantAudio();
    Config->WantAudioPreview = vc->WantAudioPreview();
    Config->PreallocFileSize = vc->PreallocFileSize();
    Config->TempCaptureFileName = vc->TempCaptureFileName();
    Config->CaptureFileName = vc->CaptureFileName();
    Config->DVResolution = vc->DVResolution();
    Config->PixelFormat = vc->BitmapPixelFormat();
    Config->ACapMode = vc->ACapMode();
    Config->VCapMode = vc->VCapMode();
    Config->VCompState.clear();
}

// ---------------------------------------------------------------------------------------------------
// Status icon, message box, log

void TQuelmForm::SetStatusIcon(int n) {
    const QIcon icon = quelm::StatusIcon(QStringLiteral("Status%1").arg(n));
    if (icon.isNull())
        return;
    FStatusIcon = n;
    QuelmTrayIcon->setIcon(icon);
    setWindowIcon(icon);
}

QMessageBox::StandardButton TQuelmForm::ShowMessageBox(const QString& Title, const QString& Text,
                                                       TMsgDlgType DialogType,
                                                       QMessageBox::StandardButtons Buttons) {
    return quelm::ShowMessageBox(this, Title, Text, DialogType, Buttons);
}

void TQuelmForm::AddLog(const QString& text, std::uint8_t kind) {
    if (FLogForm)
        FLogForm->AddToLog(text, kind);
    if (OnLogEntry)
        OnLogEntry(text, kind);
}

void TQuelmForm::SaveLog() {
    if (!FLogForm)
        return;
    try {
        FLogForm->SaveGrid(LogFileName());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quelm: %s\n", e.what());
    }
}

// ---------------------------------------------------------------------------------------------------
// Hooks filled in by the external detectors and the menu

void TQuelmForm::LPTScanTimerTimer() {}
void TQuelmForm::ReadLptPorts() {}
void TQuelmForm::MenuButtonClick() {}
void TQuelmForm::QuelmTrayIconDblClick() {}
void TQuelmForm::MinimizeClick() {}

void TQuelmForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        MinimizeClick();
}

// ---------------------------------------------------------------------------------------------------
// Files and lookups

QString TQuelmForm::SettingsFileName() {
    return ProgramFile(QLatin1String(kSettingsFileName));
}

QString TQuelmForm::LogFileName() {
    return ProgramFile(QStringLiteral("log.log"));
}

QString TQuelmForm::TempCaptureFile(int N) {
    return ProgramFile(QStringLiteral("temp%1.avi").arg(N));
}

TVideoCapture* TQuelmForm::VideoCaptureOf(int N) const {
    return findChild<TVideoCapture*>(QStringLiteral("VideoCapture%1").arg(N));
}

TAlerter* TQuelmForm::AlerterOf(int N) const {
    return findChild<TAlerter*>(QStringLiteral("Alerter%1").arg(N), Qt::FindDirectChildrenOnly);
}

TRLed* TQuelmForm::WarningRLedOf(int N) const {
    return N == 1 ? WarningRLed1 : N == 2 ? WarningRLed2 : nullptr;
}

TTaggedTimer* TQuelmForm::RestoreTimerOf(int N) const {
    return findChild<TTaggedTimer*>(QStringLiteral("RestoreTimer%1").arg(N), Qt::FindDirectChildrenOnly);
}

AlgThread* TQuelmForm::AlgOf(int N) const {
    return N == 1 ? Alg1 : N == 2 ? Alg2 : nullptr;
}

TGraphConfig* TQuelmForm::ConfigOf(int N) const {
    return N == 1 ? config1 : N == 2 ? config2 : nullptr;
}

QStackedWidget* TQuelmForm::NotebookOf(int N) const {
    return N == 1 ? Notebook1 : N == 2 ? Notebook2 : nullptr;
}

TStretchedImage* TQuelmForm::CamImageOf(int N) const {
    return N == 1 ? CamImage1 : N == 2 ? CamImage2 : nullptr;
}

QToolButton* TQuelmForm::AlgButtonOf(int N) const {
    return N == 1 ? AlgButton1 : N == 2 ? AlgButton2 : nullptr;
}

} // namespace quelm

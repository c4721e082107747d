#pragma once
// TVideoCapture: the capture component of one camera. A widget that shows the live preview of its video
// source and owns the GStreamer pipeline behind it: source devices, optional compressors, a recording
// branch into an AVI file, a preview branch into the widget and a frame grabber from which single frames
// are taken on request. Every operation, event and error box runs on the GUI thread.
#include "capture/capture_devices.h"
#include "capture/graph_config.h"
#include "detector/detector_ports.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

class QTimer;
typedef struct _GstElement GstElement;
typedef struct _GstPipeline GstPipeline;
typedef struct _GstMessage GstMessage;

namespace quelm {

class TVideoCapture;

// The component's own failure; it never leaves the component (see the error policy in the .cpp files).
class EVideoCaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The device dialogs a built graph may offer.
enum class TCaptureDialog : std::uint8_t {
    cdVFORMAT,
    cdVSOURCE,
    cdVDISPLAY,
    cdVCAPTURE,
    cdVCROSSBAR,
    cdTVTUNER,
    cdACAPTURE,
    cdACROSSBAR,
    cdTVAUDIO,
    cdVCAPTURE_PIN,
    cdVPREVIEW_PIN,
    cdACAPTURE_PIN,
    cdVCOMPRESSION,
    cdACOMPRESSION
};
inline constexpr int CaptureDialogCount = 14;

// A set of dialogs, 16 bits wide.
class TCaptureDialogs {
public:
    constexpr TCaptureDialogs() = default;
    constexpr bool Contains(TCaptureDialog d) const { return (bits_ & Bit(d)) != 0; }
    constexpr void Include(TCaptureDialog d) { bits_ = static_cast<std::uint16_t>(bits_ | Bit(d)); }
    constexpr void Exclude(TCaptureDialog d) { bits_ = static_cast<std::uint16_t>(bits_ & ~Bit(d)); }
    constexpr bool IsEmpty() const { return bits_ == 0; }
    constexpr std::uint16_t Bits() const { return bits_; }
    constexpr bool operator==(const TCaptureDialogs&) const = default;

private:
    static constexpr std::uint16_t Bit(TCaptureDialog d) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(d));
    }
    std::uint16_t bits_ = 0;
};

// The text shown for each dialog, indexed by TCaptureDialog.
extern const std::array<const char*, CaptureDialogCount> CaptureDialogNames;

// The suffix shown after a video mode's size, searched in order, first match wins.
struct TSubTypeName {
    const TGuid* SubType;
    const char* Name;
};
extern const std::array<TSubTypeName, 12> SubTypeNames;

// The four DV decoding sizes, matching dvrFull to dvrDC.
extern const std::array<TVCapMode, 4> DVModeSizes;

// "%dx%dx%db" and the subtype's name, e.g. "640x480x16b (YUY2)".
QString VCapModeToString(const TVCapMode& mode);
// "%dHzx%dbx%d" for PCM, else "%dkBits/s, %dHz, %d".
QString ACapModeToString(const TACapMode& mode);
// Same width, height and bit count; subtype and frame rates are not compared.
bool SameVCapMode(const TVCapMode& a, const TVCapMode& b);
// Same subtype and channels, and for PCM the same rate and sample size, else the same byte and sample rate.
bool SameACapMode(const TACapMode& a, const TACapMode& b);

// A grabbed frame: the source's size, upright, 24-bit blue-green-red, rows padded to 4 bytes
// (QImage::Format_BGR888). Valid only during the handler; a handler that keeps it copies it.
using TCapturedBitmap = QImage;

using TNotifyEvent = std::function<void(TVideoCapture* Sender)>;
using TBitmapCapturedEvent = std::function<void(const TCapturedBitmap& CapturedImage)>;

struct TCaptureGraph; // the GStreamer objects of the built graph (capture_graph.h)
class TSampleGrabberCB;

class TVideoCapture : public QWidget, public FrameSource {
    Q_OBJECT
public:
    explicit TVideoCapture(QWidget* owner = nullptr);
    ~TVideoCapture() override;

    // --- the camera number the owner gives this component
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }

    // --- published properties
    TDVResolution DVResolution() const { return FDVResolution; }
    void SetDVResolution(TDVResolution value);
    bool WantBitmaps() const { return FWantBitmaps; }
    void SetWantBitmaps(bool value) { FWantBitmaps = value; }
    TPixelFormat BitmapPixelFormat() const { return FBitmapPixelFormat; }
    void SetBitmapPixelFormat(TPixelFormat value);
    bool WantAudio() const { return FWantAudio; }
    void SetWantAudio(bool value) { FWantAudio = value; }
    bool WantDVAudio() const { return FWantDVAudio; }
    void SetWantDVAudio(bool value) { FWantDVAudio = value; }
    bool WantAudioPreview() const { return FWantAudioPreview; }
    void SetWantAudioPreview(bool value) { FWantAudioPreview = value; }
    bool WantPreview() const { return FWantPreview; }
    void SetWantPreview(bool value) { FWantPreview = value; }
    bool WantCapture() const { return FWantCapture; }
    void SetWantCapture(bool value) { FWantCapture = value; }
    bool UseFrameRate() const { return FUseFrameRate; }
    void SetUseFrameRate(bool value) { FUseFrameRate = value; }
    double FrameRate() const { return FFrameRate; }
    void SetFrameRate(double value); // 1.0 .. 50.0, anything else stores 25.0
    QString CaptureFileName() const { return FCaptureFileName; }
    void SetCaptureFileName(const QString& value) { FCaptureFileName = value; }
    bool UseTempFile() const { return FUseTempFile; }
    void SetUseTempFile(bool value) { FUseTempFile = value; }
    QString TempCaptureFileName() const { return FTempCaptureFileName; }
    void SetTempCaptureFileName(const QString& value);
    bool UseTimeLimit() const { return FUseTimeLimit; }
    void SetUseTimeLimit(bool value) { FUseTimeLimit = value; }
    std::int32_t TimeLimit() const { return FTimeLimit; }
    void SetTimeLimit(std::int32_t value) { FTimeLimit = value; }
    bool DoPreallocFile() const { return FDoPreallocFile; }
    void SetDoPreallocFile(bool value) { FDoPreallocFile = value; }
    std::uint32_t PreallocFileSize() const { return FPreallocFileSize; }
    void SetPreallocFileSize(std::uint32_t value) { FPreallocFileSize = value; }
    QColor Color() const { return FColor; }
    void SetColor(const QColor& value);

    // --- events (GUI thread; the component as sender unless stated)
    TNotifyEvent OnStartPreview;
    TNotifyEvent OnStopPreview;
    TNotifyEvent OnStartCapture;
    TNotifyEvent OnStopCapture;
    TNotifyEvent OnCaptureProgress;
    TNotifyEvent OnChangeDevice;
    TNotifyEvent OnChangeCompressor;
    TNotifyEvent OnChangeVCapMode;
    TNotifyEvent OnChangeACapMode;
    TBitmapCapturedEvent OnBitmapGrabbed; // no sender
    TNotifyEvent OnFrameRendered;
    TNotifyEvent OnDeviceLost;
    TNotifyEvent OnAborted;

    // --- read-only properties
    GstPipeline* CaptureGraph() const;
    GstElement* VCapFilter() const;
    GstElement* ACapFilter() const;
    GstElement* VCompFilter() const;
    GstElement* ACompFilter() const;
    bool Capturing() const { return FCapturing; }
    bool Previewing() const { return FPreviewing; }
    QString VCapFriendlyName() const { return FVCapFriendlyName; }
    QString ACapFriendlyName() const { return FACapFriendlyName; }
    QString VCapName();
    QString ACapName();
    QString VCompName();
    QString ACompName();
    std::int32_t VCapIndex();
    std::int32_t ACapIndex();
    std::int32_t VCompIndex();
    std::int32_t ACompIndex();
    TVCapMode VCapMode() const;
    TACapMode ACapMode() const;
    std::int32_t VCapModeIdx() const;
    std::int32_t ACapModeIdx() const;
    std::int32_t VCapModeCount() const;
    std::int32_t ACapModeCount() const;
    bool IsDVSource() const;
    TCaptureDialogs Dialogs() const { return FDialogs; }
    std::int32_t FramesDropped() const { return FDroppedFrames; }
    std::int32_t NotDropped() const { return FNotDropped; }
    std::uint32_t CapStartTime() const { return FCapStartTime; }
    std::uint32_t CapStopTime() const { return FCapStopTime; }
    std::uint32_t CapTime() const { return FCapTime; }

    // --- operations
    // Creates the pipeline if missing and fills the device lists; true when a video device exists.
    bool Init();
    void ChooseDevices(const QString& szVideo, const QString& szAudio, bool ForceGraphRebuild);
    void ChooseDevices(std::int32_t numVideo, std::int32_t numAudio, bool ForceGraphRebuild);
    void ChooseCompressors(const QString& szVComp, const QString& szAComp, bool ForceGraphRebuild);
    void ChooseCompressors(std::int32_t numVComp, std::int32_t numAComp, bool ForceGraphRebuild);
    QStringList GetVCapDeviceNames(bool Refresh);
    QStringList GetACapDeviceNames(bool Refresh);
    QStringList GetVCompDeviceNames(bool Refresh);
    QStringList GetACompDeviceNames(bool Refresh);

    TVCapMode GetVCapModeByIndex(std::int32_t Index) const;
    TACapMode GetACapModeByIndex(std::int32_t Index) const;
    bool SetVCapMode(std::int32_t Index);
    bool SetVCapMode(const TVCapMode& Mode);
    bool SetACapMode(std::int32_t Index);
    bool SetACapMode(const TACapMode& Mode);

    bool StartPreview();
    bool StopPreview();
    bool StartCapture(bool Dialog = false); // Dialog: ask "Starting capture!" first
    bool StopCapture();
    // Asks for the next frame, delivered later through OnBitmapGrabbed; false (and any pending request
    // cancelled) when no frame can come.
    bool CaptureFrame() override;
    bool ShowDialog(TCaptureDialog DialogType);

    // Rebuilds the component from a configuration (nothing for null) and starts the preview.
    void RestoreGraph(const TGraphConfig* config);
    // Fills a configuration from the component, device names included (nothing for null).
    void SaveGraph(TGraphConfig* config);

    // Hand-over entry points, posted from the streaming threads; GUI thread only.
    void HandleBitmapReadyQueued();
    void HandleFrameRenderedQueued();
    void HandleBusMessageQueued(GstMessage* message, std::uint64_t generation, std::uint64_t epoch);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend struct TCaptureGraph;
    friend class TCaptureTestAccess;

    // graph construction
    bool MakeGraph();
    bool CreateCaptureFilters();
    void FreeCaptureFilters();
    void ReleaseAll();
    bool BuildGraph();
    void TearDownGraph();
    void TearDownSteps();
    void RemoveDownstream(GstElement* filter);
    bool RenderPreview(GstElement* source);
    void FindAvailableDialogs();
    bool PreallocateCaptureFile(std::uint32_t SizeMB);
    // lifecycle
    bool RunPipeline();
    bool SetCaptureStreamsActive(bool Active);
    bool CopyCaptureFileTo(const QString& FileName);
    void CaptureTimerTick();
    void UpdateDroppedFrames();
    void HandleGraphAbort();
    void HandleDeviceLost();
    void HandleGraphEvent(int code);
    void FinishRecording(bool wait);
    void AfterDeviceChange(bool changed, bool ForceGraphRebuild, bool compressors);
    void ShowPropertyDialog(GstElement* element, const QString& title);
    bool ShowModeDialog(bool video);

    int FTag = 0;
    TDVResolution FDVResolution = TDVResolution::dvrDontWorry;
    bool FWantBitmaps = true;
    TPixelFormat FBitmapPixelFormat = TPixelFormat::pf24bit;
    bool FWantAudio = true;
    bool FWantDVAudio = true;
    bool FWantAudioPreview = true;
    bool FWantPreview = true;
    bool FWantCapture = true;
    bool FUseFrameRate = false;
    double FFrameRate = 0;
    QString FCaptureFileName;
    bool FUseTempFile = false;
    QString FTempCaptureFileName;
    bool FUseTimeLimit = false;
    std::int32_t FTimeLimit = 0;
    bool FDoPreallocFile = false;
    std::uint32_t FPreallocFileSize = 1;
    QColor FColor = Qt::blue;

    QString FVCapFriendlyName;
    QString FACapFriendlyName;
    TMoniker FVCapDevice; // selections: each holds its own reference
    TMoniker FACapDevice;
    TMoniker FVCompDevice;
    TMoniker FACompDevice;

    std::unique_ptr<TCaptureGraph> FGraph;
    std::unique_ptr<TSampleGrabberCB> FGrabberCB;
    QTimer* FCaptureTimer = nullptr;
    bool FGraphBuilt = false;
    bool FCapturing = false;
    bool FPreviewing = false;
    bool FPipelineFailed = false; // an error stopped the streaming: the next run starts from NULL
    QString FCaptureFile;
    std::int32_t FMasterStream = -1;
    TCaptureDialogs FDialogs;
    std::int32_t FDroppedFrames = 0;
    std::int32_t FNotDropped = 0;
    std::int32_t FDroppedBase = 0;
    std::int32_t FNotDroppedBase = 0;
    std::uint32_t FCapStartTime = 0;
    std::uint32_t FCapStopTime = 0;
    std::uint32_t FCapTime = 0;
};

// The system millisecond clock: 32-bit unsigned milliseconds of a steady clock.
std::uint32_t timeGetTime();

} // namespace quelm

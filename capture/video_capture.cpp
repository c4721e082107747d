// The capture component's properties, device selection and saved configuration.
#include "capture/video_capture.h"
#include "capture/capture_graph.h"

#include <QTimer>
#include <chrono>

namespace quelm {

const std::array<const char*, CaptureDialogCount> CaptureDialogNames = {
    "Video Format",     "Video Source",      "Video Display",        "Video Capture Filter",
    "Video Crossbar",   "TV Tuner",          "Audio Capture Filter", "Audio Crossbar",
    "TV Audio",         "Video Capture Pin", "Video Preview Pin",    "Audio Capture Pin",
    "Video Compressor", "Audio Compressor"};

std::uint32_t timeGetTime() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TVideoCapture::SetBitmapPixelFormat(TPixelFormat value) {
    if (static_cast<int>(value) <= static_cast<int>(TPixelFormat::pfCustom))
        FBitmapPixelFormat = value;
}

void TVideoCapture::SetFrameRate(double value) {
    FFrameRate = (value >= 1.0 && value <= 50.0) ? value : 25.0;
}

void TVideoCapture::SetTempCaptureFileName(const QString& value) {
    FTempCaptureFileName = value;
    // The built graph's file writer takes the new name for its next clip.
    if (FGraphBuilt && FWantCapture && FUseTempFile && FGraph && FGraph->Recordable)
        FCaptureFile = value;
}

void TVideoCapture::SetColor(const QColor& value) {
    FColor = value;
    update();
}

QString TVideoCapture::VCapName() {
    const int i = VCapIndex();
    return i < 0 ? QString() : VCapDeviceList[static_cast<std::size_t>(i)].DeviceNameInList;
}
QString TVideoCapture::ACapName() {
    const int i = ACapIndex();
    return i < 0 ? QString() : ACapDeviceList[static_cast<std::size_t>(i)].DeviceNameInList;
}
QString TVideoCapture::VCompName() {
    const int i = VCompIndex();
    return i < 0 ? QString() : VCompDeviceList[static_cast<std::size_t>(i)].DeviceNameInList;
}
QString TVideoCapture::ACompName() {
    const int i = ACompIndex();
    return i < 0 ? QString() : ACompDeviceList[static_cast<std::size_t>(i)].DeviceNameInList;
}
std::int32_t TVideoCapture::VCapIndex() {
    return DeviceIndexOf(TDeviceCategory::VideoInput, FVCapDevice);
}
std::int32_t TVideoCapture::ACapIndex() {
    return DeviceIndexOf(TDeviceCategory::AudioInput, FACapDevice);
}
std::int32_t TVideoCapture::VCompIndex() {
    return DeviceIndexOf(TDeviceCategory::VideoCompressor, FVCompDevice);
}
std::int32_t TVideoCapture::ACompIndex() {
    return DeviceIndexOf(TDeviceCategory::AudioCompressor, FACompDevice);
}

namespace {

TMoniker ByIndex(const TCapDeviceList& list, std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(list.size()))
        return {};
    return list[static_cast<std::size_t>(index)].Moniker;
}

void EnsureEnumerated(TDeviceCategory category) {
    if (DeviceList(category).empty())
        EnumerateDevices(category, DeviceList(category));
}

} // namespace

void TVideoCapture::AfterDeviceChange(bool changed, bool ForceGraphRebuild, bool compressors) {
    if (!changed && !ForceGraphRebuild)
        return;
    TearDownGraph();
    if (CreateCaptureFilters() && BuildGraph() && FWantPreview)
        StartPreview();
    try {
        if (compressors) {
            if (OnChangeCompressor)
                OnChangeCompressor(this);
        } else if (OnChangeDevice) {
            OnChangeDevice(this);
        }
    } catch (...) {
    }
}

void TVideoCapture::ChooseDevices(const QString& szVideo, const QString& szAudio, bool ForceGraphRebuild) {
    EnsureEnumerated(TDeviceCategory::VideoInput);
    EnsureEnumerated(TDeviceCategory::AudioInput);
    const TMoniker video = FindDeviceByName(VCapDeviceList, szVideo);
    const TMoniker audio = FindDeviceByName(ACapDeviceList, szAudio);
    const bool changed = !(video == FVCapDevice) || !(audio == FACapDevice);
    if (changed || ForceGraphRebuild) {
        FVCapDevice = video;
        FACapDevice = audio;
    }
    AfterDeviceChange(changed, ForceGraphRebuild, false);
}

void TVideoCapture::ChooseDevices(std::int32_t numVideo, std::int32_t numAudio, bool ForceGraphRebuild) {
    const TMoniker video = ByIndex(VCapDeviceList, numVideo);
    const TMoniker audio = ByIndex(ACapDeviceList, numAudio);
    const bool changed = !(video == FVCapDevice) || !(audio == FACapDevice);
    if (changed || ForceGraphRebuild) {
        FVCapDevice = video;
        FACapDevice = audio;
    }
    AfterDeviceChange(changed, ForceGraphRebuild, false);
}

void TVideoCapture::ChooseCompressors(const QString& szVComp, const QString& szAComp,
                                      bool ForceGraphRebuild) {
    EnsureEnumerated(TDeviceCategory::VideoCompressor);
    EnsureEnumerated(TDeviceCategory::AudioCompressor);
    const TMoniker video = FindDeviceByName(VCompDeviceList, szVComp);
    const TMoniker audio = FindDeviceByName(ACompDeviceList, szAComp);
    const bool changed = !(video == FVCompDevice) || !(audio == FACompDevice);
    if (changed || ForceGraphRebuild) {
        FVCompDevice = video;
        FACompDevice = audio;
    }
    AfterDeviceChange(changed, ForceGraphRebuild, true);
}

void TVideoCapture::ChooseCompressors(std::int32_t numVComp, std::int32_t numAComp, bool ForceGraphRebuild) {
    const TMoniker video = ByIndex(VCompDeviceList, numVComp);
    const TMoniker audio = ByIndex(ACompDeviceList, numAComp);
    const bool changed = !(video == FVCompDevice) || !(audio == FACompDevice);
    if (changed || ForceGraphRebuild) {
        FVCompDevice = video;
        FACompDevice = audio;
    }
    AfterDeviceChange(changed, ForceGraphRebuild, true);
}

namespace {
QStringList NamesOf(TDeviceCategory category, bool refresh) {
    if (refresh || DeviceList(category).empty())
        EnumerateDevices(category, DeviceList(category));
    return DeviceNames(DeviceList(category));
}
} // namespace

QStringList TVideoCapture::GetVCapDeviceNames(bool Refresh) {
    return NamesOf(TDeviceCategory::VideoInput, Refresh);
}
QStringList TVideoCapture::GetACapDeviceNames(bool Refresh) {
    return NamesOf(TDeviceCategory::AudioInput, Refresh);
}
QStringList TVideoCapture::GetVCompDeviceNames(bool Refresh) {
    return NamesOf(TDeviceCategory::VideoCompressor, Refresh);
}
QStringList TVideoCapture::GetACompDeviceNames(bool Refresh) {
    return NamesOf(TDeviceCategory::AudioCompressor, Refresh);
}

void TVideoCapture::RestoreGraph(const TGraphConfig* config) {
    if (!config)
        return;
    TearDownGraph();
    FreeCaptureFilters();
    FUseTempFile = config->UseTempFile;
    FWantBitmaps = config->WantBitmaps;
    FDoPreallocFile = config->DoPreallocFile;
    FWantCapture = config->WantCapture;
    FWantPreview = config->WantPreview;
    FWantDVAudio = config->WantDVAudio;
    FWantAudio = config->WantAudio;
    FWantAudioPreview = config->WantAudioPreview;
    FPreallocFileSize = config->PreallocFileSize;
    SetDVResolution(config->DVResolution);
    SetBitmapPixelFormat(config->PixelFormat);
    if (!config->TempCaptureFileName.isEmpty())
        SetTempCaptureFileName(config->TempCaptureFileName);
    if (!config->CaptureFileName.isEmpty())
        SetCaptureFileName(config->CaptureFileName);
    RefreshDeviceLists();
    FVCapDevice = FindDeviceByName(VCapDeviceList, config->VCapSource);
    FACapDevice = FindDeviceByName(ACapDeviceList, config->ACapSource);
    FACompDevice = FindDeviceByName(ACompDeviceList, config->AComp);
    FVCompDevice = FindDeviceByName(VCompDeviceList, config->VComp);
    CreateCaptureFilters();
    // Old-style compressor state blocks have no counterpart here: element settings live on the element.
    SetACapMode(config->ACapMode);
    SetVCapMode(config->VCapMode);
    if (BuildGraph() && FWantPreview)
        StartPreview();
    if (OnChangeDevice)
        OnChangeDevice(this);
    if (OnChangeCompressor)
        OnChangeCompressor(this);
}

void TVideoCapture::SaveGraph(TGraphConfig* config) {
    if (!config)
        return;
    config->Clear();
    config->UseTempFile = FUseTempFile;
    config->WantBitmaps = FWantBitmaps;
    config->DoPreallocFile = FDoPreallocFile;
    config->WantCapture = FWantCapture;
    config->WantPreview = FWantPreview;
    config->WantDVAudio = FWantDVAudio;
    config->WantAudio = FWantAudio;
    config->WantAudioPreview = FWantAudioPreview;
    config->PreallocFileSize = FPreallocFileSize;
    config->TempCaptureFileName = FTempCaptureFileName;
    config->CaptureFileName = FCaptureFileName;
    config->DVResolution = FDVResolution;
    config->PixelFormat = FBitmapPixelFormat;
    config->ACapMode = ACapMode();
    config->VCapMode = VCapMode();
    config->VCompState.clear();
    config->VCapSource = VCapName();
    config->ACapSource = ACapName();
    config->VComp = VCompName();
    config->AComp = ACompName();
}

} // namespace quelm

// Interface stub of the capture component: every operation answers "nothing available" until the
// GStreamer implementation lands.
#include "capture/video_capture.h"

#include <QPaintEvent>
#include <QPainter>
#include <chrono>

namespace quelm {

struct TCaptureGraph {};
class TSampleGrabberCB {};

const std::array<const char*, CaptureDialogCount> CaptureDialogNames = {
    "Video Format",     "Video Source",      "Video Display",        "Video Capture Filter",
    "Video Crossbar",   "TV Tuner",          "Audio Capture Filter", "Audio Crossbar",
    "TV Audio",         "Video Capture Pin", "Video Preview Pin",    "Audio Capture Pin",
    "Video Compressor", "Audio Compressor"};

const std::array<TSubTypeName, 12> SubTypeNames = {{{&MEDIASUBTYPE_YVU9, "(YVU9)"},
                                                    {&MEDIASUBTYPE_Y411, "(Y411)"},
                                                    {&MEDIASUBTYPE_Y41P, "(Y41P)"},
                                                    {&MEDIASUBTYPE_YUY2, "(YUY2)"},
                                                    {&MEDIASUBTYPE_YVYU, "(YVYU)"},
                                                    {&MEDIASUBTYPE_UYVY, "(UYVY)"},
                                                    {&MEDIASUBTYPE_Y211, "(Y211)"},
                                                    {&MEDIASUBTYPE_RGB24, "(RGB24)"},
                                                    {&MEDIASUBTYPE_RGB32, "(RGB32)"},
                                                    {&MEDIASUBTYPE_RGB565, "(RGB565)"},
                                                    {&MEDIASUBTYPE_RGB555, "(RGB555)"},
                                                    {&MEDIASUBTYPE_ARGB32, "(ARGB32)"}}};

const std::array<TVCapMode, 4> DVModeSizes = {
    {{{}, {}, 720, 576, 24}, {{}, {}, 360, 288, 24}, {{}, {}, 180, 144, 24}, {{}, {}, 88, 72, 24}}};

TCapDeviceList VCapDeviceList;
TCapDeviceList ACapDeviceList;
TCapDeviceList VCompDeviceList;
TCapDeviceList ACompDeviceList;

TMoniker::TMoniker(GstObject* object)
    : object_(object) {}
TMoniker::TMoniker(const TMoniker& other)
    : object_(other.object_) {}
TMoniker::TMoniker(TMoniker&& other) noexcept
    : object_(other.object_) {
    other.object_ = nullptr;
}
TMoniker& TMoniker::operator=(TMoniker other) noexcept {
    std::swap(object_, other.object_);
    return *this;
}
TMoniker::~TMoniker() = default;

QString VCapModeToString(const TVCapMode& mode) {
    return QString("%1x%2x%3b").arg(mode.Width).arg(mode.Height).arg(mode.BitCount);
}
QString ACapModeToString(const TACapMode& mode) {
    return QString("%1Hzx%2bx%3").arg(mode.SampleRate).arg(mode.SampleSize).arg(mode.Channels);
}
bool SameVCapMode(const TVCapMode& a, const TVCapMode& b) {
    return a.Width == b.Width && a.Height == b.Height && a.BitCount == b.BitCount;
}
bool SameACapMode(const TACapMode& a, const TACapMode& b) {
    return a.MediaSubType == b.MediaSubType && a.Channels == b.Channels && a.SampleRate == b.SampleRate;
}

std::uint32_t timeGetTime() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TVideoCapture::TVideoCapture(QWidget* owner)
    : QWidget(owner) {
    resize(100, 100);
}
TVideoCapture::~TVideoCapture() = default;

void TVideoCapture::SetDVResolution(TDVResolution value) {
    FDVResolution = value;
}
void TVideoCapture::SetBitmapPixelFormat(TPixelFormat value) {
    FBitmapPixelFormat = value;
}
void TVideoCapture::SetFrameRate(double value) {
    FFrameRate = (value >= 1.0 && value <= 50.0) ? value : 25.0;
}
void TVideoCapture::SetTempCaptureFileName(const QString& value) {
    FTempCaptureFileName = value;
}
void TVideoCapture::SetColor(const QColor& value) {
    FColor = value;
    update();
}

GstPipeline* TVideoCapture::CaptureGraph() const {
    return nullptr;
}
GstElement* TVideoCapture::VCapFilter() const {
    return nullptr;
}
GstElement* TVideoCapture::ACapFilter() const {
    return nullptr;
}
GstElement* TVideoCapture::VCompFilter() const {
    return nullptr;
}
GstElement* TVideoCapture::ACompFilter() const {
    return nullptr;
}
QString TVideoCapture::VCapName() {
    return {};
}
QString TVideoCapture::ACapName() {
    return {};
}
QString TVideoCapture::VCompName() {
    return {};
}
QString TVideoCapture::ACompName() {
    return {};
}
std::int32_t TVideoCapture::VCapIndex() {
    return -1;
}
std::int32_t TVideoCapture::ACapIndex() {
    return -1;
}
std::int32_t TVideoCapture::VCompIndex() {
    return -1;
}
std::int32_t TVideoCapture::ACompIndex() {
    return -1;
}
TVCapMode TVideoCapture::VCapMode() const {
    return {};
}
TACapMode TVideoCapture::ACapMode() const {
    return {};
}
std::int32_t TVideoCapture::VCapModeIdx() const {
    return -1;
}
std::int32_t TVideoCapture::ACapModeIdx() const {
    return -1;
}
std::int32_t TVideoCapture::VCapModeCount() const {
    return 0;
}
std::int32_t TVideoCapture::ACapModeCount() const {
    return 0;
}
bool TVideoCapture::IsDVSource() const {
    return false;
}

bool TVideoCapture::Init() {
    return false;
}
void TVideoCapture::ChooseDevices(const QString&, const QString&, bool) {}
void TVideoCapture::ChooseDevices(std::int32_t, std::int32_t, bool) {}
void TVideoCapture::ChooseCompressors(const QString&, const QString&, bool) {}
void TVideoCapture::ChooseCompressors(std::int32_t, std::int32_t, bool) {}
QStringList TVideoCapture::GetVCapDeviceNames(bool) {
    return {};
}
QStringList TVideoCapture::GetACapDeviceNames(bool) {
    return {};
}
QStringList TVideoCapture::GetVCompDeviceNames(bool) {
    return {};
}
QStringList TVideoCapture::GetACompDeviceNames(bool) {
    return {};
}
TVCapMode TVideoCapture::GetVCapModeByIndex(std::int32_t) const {
    return {};
}
TACapMode TVideoCapture::GetACapModeByIndex(std::int32_t) const {
    return {};
}
bool TVideoCapture::SetVCapMode(std::int32_t) {
    return false;
}
bool TVideoCapture::SetVCapMode(const TVCapMode&) {
    return false;
}
bool TVideoCapture::SetACapMode(std::int32_t) {
    return false;
}
bool TVideoCapture::SetACapMode(const TACapMode&) {
    return false;
}
bool TVideoCapture::StartPreview() {
    return false;
}
bool TVideoCapture::StopPreview() {
    return false;
}
bool TVideoCapture::StartCapture(bool) {
    return false;
}
bool TVideoCapture::StopCapture() {
    return false;
}
bool TVideoCapture::CaptureFrame() {
    return false;
}
bool TVideoCapture::ShowDialog(TCaptureDialog) {
    return false;
}
void TVideoCapture::RestoreGraph(const TGraphConfig*) {}
void TVideoCapture::SaveGraph(TGraphConfig*) {}

void TVideoCapture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), FColor);
}

} // namespace quelm

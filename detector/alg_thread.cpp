#include "detector/alg_thread.h"

#include "core/ini_file.h"
#include "core/round.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutexLocker>
#include <algorithm>
#include <cstring>

namespace quelm {

AlgThread::AlgThread(bool CreateSuspended, QObject* parent)
    : QThread(parent) {
    if (!CreateSuspended)
        Resume();
}

AlgThread::~AlgThread() {
    Stop();
}

void AlgThread::SetFrame(const QImage& frame) {
    Image[tempNo % 2] = frame.copy();
}

void AlgThread::GetFrame() {
    tempNo = static_cast<std::uint8_t>((tempNo + 1) % 2);
    if (alg_VideoCapture != nullptr)
        alg_VideoCapture->CaptureFrame(); // whether a frame will come is not needed
}

void AlgThread::CompareFrames() {
    std::memset(FrameZones, 0, sizeof FrameZones);
    alg_result = 0;
    const QImage& a = Image[0];
    const QImage& b = Image[1];
    const int width = std::min(a.width(), b.width());
    const int height = std::min(a.height(), b.height());
    if (width <= 0 || height <= 0 || a.format() != b.format())
        return;
    const ZoneGeometry grid =
        ZoneGeometry::Of(width, height, BytesPerPixel(a.format()), std::clamp<int>(qzones, 1, MaxZones));
    if (!grid.valid())
        return;
    const FramePair frames{a.constBits(), a.bytesPerLine(), b.constBits(), b.bytesPerLine()};
    SumZones(frames, grid, FullFrame ? nullptr : &ControlZone, FrameZones);
    std::int64_t most = 0;
    for (int i = 0; i < grid.q; ++i)
        for (int j = 0; j < grid.q; ++j)
            most = std::max(most, FrameZones[i][j]);
    alg_result = static_cast<double>(most) * 100 / 255 / grid.bytesPerPixel / grid.zoneRows / grid.zonePixels;
}

void AlgThread::ShowResult() {
    if (alg_RLed != nullptr)
        alg_RLed->SetPosition(static_cast<int>(Round(alg_result)));
    if (alg_alerter != nullptr)
        alg_alerter->DoAlert(alg_result > threshold1);
}

std::int64_t AlgThread::FrameZone(int column, int row) const {
    if (column < 1 || column > MaxZones || row < 1 || row > MaxZones)
        return 0;
    return FrameZones[column - 1][row - 1];
}

void AlgThread::LoadFromIni(const QString& FileName, const QString& Section) {
    const IniFile ini(FileName);
    threshold1 = static_cast<std::uint8_t>(ini.ReadInteger(Section, QStringLiteral("threshold1"), 32) & 0xFF);
    const int q = ini.ReadInteger(Section, QStringLiteral("qZones"), 12) & 0xFF;
    qzones = static_cast<std::uint8_t>(std::clamp(q, 1, MaxZones));
    FullFrame = ini.ReadBool(Section, QStringLiteral("FullFrame"), true);
    const QString list = ini.ReadString(Section, ControlZoneError::key(), QString());
    try {
        ParseControlZoneList(list, qzones, ControlZone);
    } catch (const ControlZoneError& e) {
        throw ControlZoneError(e.index(), e.piece(), FileName, Section);
    }
}

void AlgThread::SaveToIni(const QString& FileName, const QString& Section) const {
    IniFile ini(FileName);
    ini.WriteInteger(Section, QStringLiteral("threshold1"), threshold1);
    ini.WriteInteger(Section, QStringLiteral("qZones"), qzones);
    ini.WriteBool(Section, QStringLiteral("FullFrame"), FullFrame);
    ini.WriteString(Section, ControlZoneError::key(), FormatControlZoneList(ControlZone, qzones));
}

void AlgThread::Resume() {
    QMutexLocker lock(&mutex_);
    suspended_ = false;
    wake_.wakeAll();
    if (!started_ && !stop_) {
        started_ = true;
        start();
    }
}

void AlgThread::Suspend() {
    QMutexLocker lock(&mutex_);
    suspended_ = true;
}

bool AlgThread::Suspended() const {
    QMutexLocker lock(&mutex_);
    return suspended_;
}

void AlgThread::RequestStop() {
    QMutexLocker lock(&mutex_);
    stop_ = true;
    wake_.wakeAll();
}

bool AlgThread::StopRequested() const {
    QMutexLocker lock(&mutex_);
    return stop_;
}

void AlgThread::Stop() {
    Q_ASSERT(QThread::currentThread() == thread());
    RequestStop();
    // The worker may be blocked in a hand-over to this thread: run those while waiting.
    while (!wait(QDeadlineTimer(5)))
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    FreeImages();
}

void AlgThread::FreeImages() {
    Image[0] = QImage();
    Image[1] = QImage();
}

template <typename Step>
void AlgThread::HandOver(Step step) {
    // Runs on the GUI thread, where this object lives; the worker blocks until it has run. Once the end
    // is requested the steps do nothing, so they never reach ports that the owner is tearing down.
    QMetaObject::invokeMethod(
        this,
        [this, step] {
            if (!StopRequested())
                (this->*step)();
        },
        Qt::BlockingQueuedConnection);
}

bool AlgThread::Pause(int ms) {
    QMutexLocker lock(&mutex_);
    const QDeadlineTimer deadline(ms);
    while (!stop_ && !deadline.hasExpired())
        wake_.wait(&mutex_, deadline);
    while (!stop_ && suspended_)
        wake_.wait(&mutex_);
    return !stop_;
}

void AlgThread::run() {
    // Between steps the worker holds no detector data: it sleeps and waits for resumption there.
    if (Pause(0)) {
        for (;;) {
            HandOver(&AlgThread::GetFrame);
            if (!Pause(10))
                break;
            HandOver(&AlgThread::CompareFrames);
            if (!Pause(10))
                break;
            HandOver(&AlgThread::ShowResult);
            if (!Pause(60))
                break;
        }
    }
    QMetaObject::invokeMethod(
        this, [this] { FreeImages(); }, Qt::QueuedConnection);
}

} // namespace quelm

#pragma once
// The motion detector of one camera channel. A worker thread paces it; every step that touches frames,
// the LED bar or the alerter runs on the GUI thread through a synchronous hand-over, so the detector's
// data is only ever touched by the GUI thread.
//
// Lifetime: the owner (on the GUI thread) creates it suspended, wires the three ports, loads the settings
// and calls Resume(). To end it, the owner calls Stop() (or destroys the object, which calls Stop()) on
// the GUI thread, before the ports' objects go away. Stop() keeps running the hand-overs that the worker
// is waiting for while it waits, so it never deadlocks (start, wait and terminate are not the owner's).
#include "detector/control_zone_list.h"
#include "detector/detector_ports.h"
#include "detector/zone_sums.h"

#include <QImage>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <cstdint>

namespace quelm {

class AlgThread : public QThread {
    Q_OBJECT
public:
    // Created suspended the worker starts with the first Resume(); otherwise it starts at once.
    explicit AlgThread(bool CreateSuspended = true, QObject* parent = nullptr);
    ~AlgThread() override;

    double alg_result = 0;                   // the last level; 0 when no comparison was possible
    std::uint8_t threshold1 = 32;            // alert threshold, level units
    std::uint8_t tempNo = 0;                 // the slot that receives the next delivered frame, 0 or 1
    AlertSink* alg_alerter = nullptr;        // not owned
    PositionSink* alg_RLed = nullptr;        // not owned
    FrameSource* alg_VideoCapture = nullptr; // not owned
    QImage Image[2];                         // the frame slots
    ControlZoneGrid ControlZone{};           // [column - 1][row - 1]; only the q x q block carries meaning
    std::uint8_t qzones = 15;                // q, zones per row and per column; used clamped to 1..20
    bool FullFrame = false;                  // true: every zone counts; false: only the control zone

    // The owner's frame delivery: stores a copy of the frame in slot tempNo.
    void SetFrame(const QImage& frame);

    // The three steps of a cycle; the worker hands them to the GUI thread, the owner may call them there.
    // GetFrame selects the other slot and asks the frame source for one frame.
    void GetFrame();
    // The level of the most-changed zone, in percent of 255, into alg_result. 0 when the slots cannot be
    // compared: one empty, different or unknown pixel formats, or a frame no wider or taller than q.
    void CompareFrames();
    // Moves the LED bar to Round(alg_result) and reports alg_result > threshold1 to the alerter.
    void ShowResult();

    // The per-zone sum [column][row] of the last comparison (1-based, as the zones are numbered).
    std::int64_t FrameZone(int column, int row) const;

    // Settings keys "threshold1", "qZones", "FullFrame" and "ControlZone" of the given section. Absent
    // keys read as 32, 12, true and an empty list; "qZones" is clamped to 1..20. A list piece that is not
    // a decimal integer throws ControlZoneError naming the file, section and key, after the keys and
    // entries before it were read; the detector stays usable.
    void LoadFromIni(const QString& FileName, const QString& Section);
    // Writes the four keys in that order; the list holds the q x q block. Throws IniError on a failed write.
    void SaveToIni(const QString& FileName, const QString& Section) const;

    // Suspension takes effect at the next step boundary of the cycle; Resume continues from there.
    void Resume();
    void Suspend();
    bool Suspended() const;

    // Asks the loop to end at its next step boundary (also while suspended); returns at once.
    void RequestStop();
    // Requests the end and waits for the worker, running the hand-overs it waits for meanwhile. GUI
    // thread only. The frame slots are freed afterwards.
    void Stop();

    // Frees both frame slots; runs on the GUI thread when the loop has ended.
    void FreeImages();

protected:
    void run() override;

private:
    // The worker starts with Resume() and ends with Stop(), which waits without the deadlock a plain
    // wait() risks while the worker waits for the GUI thread.
    using QThread::start;
    using QThread::terminate;
    using QThread::wait;

    template <typename Step>
    void HandOver(Step step);
    // Sleeps for ms milliseconds, then waits while suspended. False when the loop is to end.
    bool Pause(int ms);
    bool StopRequested() const;

    std::int64_t FrameZones[MaxZones][MaxZones]{};

    mutable QMutex mutex_;
    QWaitCondition wake_;
    bool suspended_ = true;
    bool stop_ = false;
    bool started_ = false;
};

} // namespace quelm

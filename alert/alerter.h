#pragma once
// Turns a stream of momentary alarm reports into alerts with a start and an end: the first true report
// starts an alert, every further one restarts its countdown, and AlertLength seconds after the last one
// the alert ends. Everything runs on the GUI thread, the countdown included.
#include "detector/detector_ports.h"

#include <QObject>
#include <functional>

class QTimer;

namespace quelm {

class TAlerter : public QObject, public AlertSink {
    Q_OBJECT
public:
    using AlertEvent = std::function<void(TAlerter* sender)>;

    explicit TAlerter(QObject* owner = nullptr);
    // An alert that is on is ended first, exactly as by its countdown, so OnStopAlert runs here.
    ~TAlerter() override;

    // Seconds from the last true report to the end of the alert; 10 after construction. 0 means an alert
    // never ends by itself. Negative values and values whose milliseconds do not fit an int are ignored.
    int AlertLength() const { return FAlertLength; }
    void SetAlertLength(int seconds);

    bool Alerted() const { return FAlerted; }

    // The alarm report: true starts an alert or restarts its countdown; false does nothing.
    void DoAlert(bool isAlert) override;

    // Called with this alerter as sender. Alerted() is already true in OnStartAlert and already false in
    // OnStopAlert, and OnStopAlert may start the next alert by calling DoAlert(true).
    AlertEvent OnStartAlert;
    AlertEvent OnStopAlert;

    // How many milliseconds one second of AlertLength lasts: 1000, except in tests, which shorten it so
    // that a countdown takes milliseconds. Values below 1 are ignored.
    void SetSecondLength(int milliseconds);

private:
    void AlertTimeout();
    void EndAlert();
    int Interval() const;
    void ApplyInterval();
    static void Fire(const AlertEvent& event, TAlerter* sender);

    bool FAlerted = false;
    QTimer* FAlertTimer = nullptr; // a child of this alerter, present only while an alert is on
    int FAlertLength = 10;
    int secondLength_ = 1000;
    bool destroying_ = false;
};

} // namespace quelm

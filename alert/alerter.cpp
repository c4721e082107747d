#include "alert/alerter.h"

#include <QTimer>
#include <QtGlobal>
#include <climits>
#include <exception>
#include <memory>

namespace quelm {

TAlerter::TAlerter(QObject* owner)
    : QObject(owner) {}

TAlerter::~TAlerter() {
    destroying_ = true;
    if (!FAlerted)
        return;
    try {
        EndAlert();
    } catch (const std::exception& e) {
        // A destructor must not throw; the alert has ended all the same.
        qWarning("Alerter %s: the alert end failed: %s", qPrintable(objectName()), e.what());
    } catch (...) {
        qWarning("Alerter %s: the alert end failed", qPrintable(objectName()));
    }
}

void TAlerter::SetAlertLength(int seconds) {
    if (seconds < 0 || static_cast<long long>(seconds) * secondLength_ > INT_MAX)
        return;
    FAlertLength = seconds;
    ApplyInterval();
}

void TAlerter::SetSecondLength(int milliseconds) {
    if (milliseconds < 1)
        return;
    secondLength_ = milliseconds;
    if (static_cast<long long>(FAlertLength) * secondLength_ > INT_MAX)
        FAlertLength = INT_MAX / secondLength_;
    ApplyInterval();
}

int TAlerter::Interval() const {
    return FAlertLength * secondLength_;
}

// A changed length takes effect at once and restarts the countdown; an unchanged one leaves it running.
void TAlerter::ApplyInterval() {
    if (!FAlertTimer || FAlertTimer->interval() == Interval())
        return;
    FAlertTimer->setInterval(Interval());
    if (Interval() > 0)
        FAlertTimer->start();
    else
        FAlertTimer->stop(); // a zero countdown never fires
}

void TAlerter::DoAlert(bool isAlert) {
    if (!isAlert || destroying_)
        return;
    if (FAlerted) {
        if (Interval() > 0)
            FAlertTimer->start(); // restarts the full interval
        return;
    }
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("FAlertTimer"));
    timer->setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5 % early
    timer->setInterval(Interval());
    // Each timer ends only its own alert, even when the next alert starts inside OnStopAlert.
    connect(timer, &QTimer::timeout, this, [this, timer] {
        if (timer == FAlertTimer)
            AlertTimeout();
    });
    FAlertTimer = timer;
    if (Interval() > 0)
        timer->start();
    FAlerted = true;
    Fire(OnStartAlert, this);
}

void TAlerter::AlertTimeout() {
    EndAlert();
}

void TAlerter::EndAlert() {
    // The ended alert's timer is released only after OnStopAlert has run; by then a new alert started from
    // the handler has a timer of its own.
    std::unique_ptr<QTimer> ended(FAlertTimer);
    FAlertTimer = nullptr;
    ended->stop();
    ended->setObjectName(QString());
    FAlerted = false;
    Fire(OnStopAlert, this);
}

void TAlerter::Fire(const AlertEvent& event, TAlerter* sender) {
    // A copy, so that a handler may replace or clear the event while it runs.
    if (const AlertEvent handler = event)
        handler(sender);
}

} // namespace quelm

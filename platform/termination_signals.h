#pragma once
// SIGTERM and SIGINT turned into a call on the GUI thread: the handler writes one byte into a pipe whose
// read end a socket notifier watches, so the program can run its normal close sequence.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace quelm {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Called on the GUI thread with the signal's number for the first signal. A second signal ends the
    // process at once, as if no handler were installed, so a close that hangs can still be interrupted.
    std::function<void(int signal)> OnTerminate;

private:
    void ReadPipe();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quelm

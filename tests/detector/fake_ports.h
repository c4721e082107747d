#pragma once
// Recording stand-ins for the detector's channel parts.
#include "detector/detector_ports.h"

#include <QThread>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace quelm::test {

// Records the order of the calls of all three ports ("G" frame request, "P" position, "A" alert report)
// and the thread that made each call.
class CallLog {
public:
    void Add(char what) {
        std::lock_guard lock(mutex_);
        calls_ += what;
        threads_.push_back(QThread::currentThread());
    }
    std::string Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::vector<QThread*> Threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    mutable std::mutex mutex_;
    std::string calls_;
    std::vector<QThread*> threads_;
};

class FakeFrameSource : public FrameSource {
public:
    explicit FakeFrameSource(CallLog* log = nullptr)
        : log_(log) {}
    bool CaptureFrame() override {
        ++requests;
        if (log_)
            log_->Add('G');
        return true;
    }
    std::atomic<int> requests{0};

private:
    CallLog* log_;
};

class FakePositionSink : public PositionSink {
public:
    explicit FakePositionSink(CallLog* log = nullptr)
        : log_(log) {}
    void SetPosition(int p) override {
        positions.push_back(p);
        if (log_)
            log_->Add('P');
    }
    std::vector<int> positions;

private:
    CallLog* log_;
};

class FakeAlertSink : public AlertSink {
public:
    explicit FakeAlertSink(CallLog* log = nullptr)
        : log_(log) {}
    void DoAlert(bool alert) override {
        reports.push_back(alert);
        if (log_)
            log_->Add('A');
    }
    std::vector<bool> reports;

private:
    CallLog* log_;
};

} // namespace quelm::test

#include "records/event_log.h"

#include <QMetaObject>
#include <QThread>

namespace quelm {

EventLog::EventLog(QObject* parent)
    : QObject(parent) {}

bool EventLog::OnOwnThread() const {
    return QThread::currentThread() == thread();
}

void EventLog::AddToLog(const QString& s, std::uint8_t LRtype) {
    Pending entry;
    entry.date = QDate::currentDate();
    entry.time = QTime::currentTime();
    entry.text = s;
    entry.kind = LRtype;
    if (OnOwnThread()) {
        Flush(); // entries queued before this one go first
        AddNow(entry);
        Changed();
        return;
    }
    bool first = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        first = pending_.empty();
        pending_.push_back(std::move(entry));
    }
    if (first) // one drain per batch; entries added meanwhile ride along with it
        QMetaObject::invokeMethod(
            this, [this] { Flush(); }, Qt::QueuedConnection);
}

void EventLog::Flush() {
    std::vector<Pending> batch;
    {
        std::lock_guard<std::mutex> guard(lock_);
        batch.swap(pending_);
    }
    if (batch.empty())
        return;
    for (const Pending& entry : batch)
        AddNow(entry);
    Changed();
}

void EventLog::AddNow(const Pending& entry) {
    grid_.Append(entry.kind, LogDateText(entry.date), LogTimeText(entry.time), entry.text);
}

void EventLog::Changed() {
    if (OnChange)
        OnChange();
}

void EventLog::Clear(const QString& cleanText) {
    Flush(); // entries that arrived before the clear go with it
    const QDate date = QDate::currentDate();
    const QTime time = QTime::currentTime();
    grid_.ResetTo(LogWarning, LogDateText(date), LogTimeText(time), cleanText);
    Changed();
}

bool EventLog::Load(const QString& fileName) {
    if (!LoadGrid(grid_, fileName))
        return false;
    Changed();
    Flush();
    return true;
}

void EventLog::Save(const QString& fileName) {
    Flush();
    SaveGrid(grid_, fileName);
}

} // namespace quelm

#pragma once
// The event log of one run: its grid of entries, and the one way in for every writer. AddToLog may be
// called from any thread; entries from other threads are queued under a lock and added on the thread
// that owns the log (the GUI thread), in the order in which they arrived.
#include "records/log_grid.h"

#include <QDate>
#include <QObject>
#include <QTime>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace quelm {

class EventLog : public QObject {
    Q_OBJECT
public:
    explicit EventLog(QObject* parent = nullptr);

    // Appends an entry with the current date and time (the clock read once for each). On the owning
    // thread it is in the grid when this returns; from another thread it follows soon after, through the
    // owning thread's event loop, after every entry that arrived before it.
    void AddToLog(const QString& s, std::uint8_t LRtype);

    // Adds the entries other threads queued so far. Owning thread only.
    void Flush();

    // The entries added so far (queued ones not yet: call Flush first for those). Owning thread only.
    const LogGrid& Grid() const { return grid_; }

    // Leaves one entry of kind 1 with the given text. Owning thread only.
    void Clear(const QString& cleanText);

    // Replaces the entries by the file's content (see LoadGrid); queued entries follow the loaded ones.
    bool Load(const QString& fileName);
    // Writes every entry, queued ones included; see SaveGrid.
    void Save(const QString& fileName);

    // Called on the owning thread after the entries changed: rows appended, or the grid replaced.
    std::function<void()> OnChange;

private:
    struct Pending {
        QDate date;
        QTime time;
        QString text;
        std::uint8_t kind;
    };
    bool OnOwnThread() const;
    void AddNow(const Pending& entry);
    void Changed();

    LogGrid grid_;
    std::mutex lock_; // guards pending_
    std::vector<Pending> pending_;
};

} // namespace quelm

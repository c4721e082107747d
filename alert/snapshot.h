#pragma once
// Alert records: the names of a camera's snapshot and clip, and the JPEG snapshot writer.
#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

namespace quelm {

// The stem shared by an alert's snapshot and clip: "Warning_cam" N "_" yyyy.mm.dd "_" hhmmss, from the
// local date and time of `at`. Both halves come from the one reading, so an alert at midnight never
// gets the date of one day and the time of the next.
QString RecordStem(int camera, const QDateTime& at);

// The full name of a record: folder + stem + extension (".jpg", ".avi"). A folder that does not end
// with '/' gets one; an empty folder gives a name relative to the working directory.
QString RecordPath(const QString& folder, const QString& stem, const QString& extension);

constexpr int SnapshotQuality = 80;

struct SnapshotResult {
    enum class Status {
        Written,   // the complete JPEG is under `path`
        NoPicture, // the picture was empty: nothing written
        Failed,    // nothing written under `path`; `reason` says why
    };
    Status status = Status::Failed;
    QString path;   // the record's name as asked for
    QString reason; // empty when written; otherwise a sentence that names the path and the cause
    bool Written() const { return status == Status::Written; }
};

// Compresses `picture` as a baseline JPEG of the given quality (1..100) at the picture's size. Any
// format is accepted; 24-bit BGR or RGB and 32-bit RGB are read without a conversion. Returns false
// with `error` set when the picture is empty or the encoder fails.
bool EncodeJpeg(const QImage& picture, int quality, QByteArray& jpeg, QString& error);

// Writes `picture` as a baseline JPEG to `path`. The bytes go to a temporary file in the same folder,
// reach the disk, and are then renamed onto `path`, so `path` never holds a partial image: after a
// failure it is as it was before the call.
SnapshotResult WriteSnapshot(const QImage& picture, const QString& path, int quality = SnapshotQuality);

} // namespace quelm

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

// A snapshot written in two halves, so that the caller's thread does only the quick half. StageSnapshot
// encodes the picture and writes its bytes into a temporary file beside the record's name: the failures
// a user meets (folder missing, not writable, disk full) show here. CommitSnapshot, on any thread, makes
// the bytes reach the disk and renames them onto the record's name. Until then, and after any failure,
// the record's name is untouched; a staged snapshot that is dropped uncommitted removes its file.
class StagedSnapshot {
public:
    StagedSnapshot() = default;
    StagedSnapshot(StagedSnapshot&& other) noexcept;
    StagedSnapshot& operator=(StagedSnapshot&& other) noexcept;
    StagedSnapshot(const StagedSnapshot&) = delete;
    StagedSnapshot& operator=(const StagedSnapshot&) = delete;
    ~StagedSnapshot();

    bool IsStaged() const { return FFile >= 0; }
    const QString& Path() const { return FPath; }

private:
    friend SnapshotResult StageSnapshot(const QImage&, const QString&, StagedSnapshot&, int);
    friend SnapshotResult CommitSnapshot(StagedSnapshot&&);
    void Discard();

    int FFile = -1;
    QByteArray FTempName;
    QString FPath;
};

// Status Written here means staged: the bytes are in the temporary file, not yet under `path`.
SnapshotResult StageSnapshot(const QImage& picture, const QString& path, StagedSnapshot& staged,
                             int quality = SnapshotQuality);
SnapshotResult CommitSnapshot(StagedSnapshot&& staged);

} // namespace quelm

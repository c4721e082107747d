// The main window's reactions to the start and the end of a camera's alert: status icon, alert window,
// log entries, the JPEG snapshot and the clip in the records folder, the alarm sound; at the end the
// watch switched off, the clip closed and the restore armed.
#include "alert/snapshot.h"
#include "capture/video_capture.h"
#include "platform/sound_player.h"
#include "ui/quelm_form.h"
#include "ui/stretched_image.h"
#include "ui/warning_form.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <chrono>
#include <cstdio>

namespace quelm {

namespace {

constexpr int kRestoreAfterAlertMs = 1500;

QString ClipFailure(const QString& path, const QString& cause) {
    return QStringLiteral("Cannot save the clip %1: %2.").arg(path, cause);
}

// Why a clip cannot be, or was not, written under `path`; empty when nothing stands in the way.
QString ClipFolderProblem(const QString& path) {
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists())
        return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    if (!folder.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder.filePath());
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 is not writable").arg(folder.filePath());
    return QString();
}

} // namespace

void TQuelmForm::Alerter1StartAlert(TAlerter*) {
    StartAlert(1);
}

void TQuelmForm::Alerter2StartAlert(TAlerter*) {
    StartAlert(2);
}

void TQuelmForm::Alerter1StopAlert(TAlerter*) {
    StopAlert(1);
}

void TQuelmForm::Alerter2StopAlert(TAlerter*) {
    StopAlert(2);
}

void TQuelmForm::StartAlert(int N) {
    SetStatusIcon(3);
    if (FSettings.showalerts && FWarningForm)
        FWarningForm->Show();
    AddLog(LangKey::StartRec, 1);
    const QDateTime now = OnReadClock ? OnReadClock() : QDateTime::currentDateTime();
    const QString stem = RecordStem(N, now);
    LastSnapshotPath = RecordPath(FSettings.savefolder, stem, QStringLiteral(".jpg"));
    // A snapshot or a clip that cannot be written ends the reactions here; the alert itself goes on.
    if (!SaveSnapshot(N, LastSnapshotPath))
        return;
    if (!StartClip(N, RecordPath(FSettings.savefolder, stem, QStringLiteral(".avi"))))
        return;
    PlayAlertSound();
    SendAlertNotices(N);
}

bool TQuelmForm::SaveSnapshot(int N, const QString& path) {
    HarvestSnapshots(false);
    StagedSnapshot staged;
    const SnapshotResult staging = StageSnapshot(CamImageOf(N)->Picture(), path, staged);
    if (staging.status == SnapshotResult::Status::NoPicture) {
        AddLog(staging.reason, 1); // nothing to save; the reactions go on
        return true;
    }
    if (!staging.Written()) {
        AddLog(staging.reason, 2);
        return false;
    }
    // The bytes are in a temporary file beside the record; reaching the disk (a sync of 10 ms and more)
    // and the rename onto the record's name happen on a worker, off the GUI thread.
    FSnapshotCommits.push_back(std::async(std::launch::async, [this, s = std::move(staged)]() mutable {
        SnapshotResult done = CommitSnapshot(std::move(s));
        QMetaObject::invokeMethod(
            this, [this] { HarvestSnapshots(false); }, Qt::QueuedConnection);
        return done;
    }));
    return true;
}

void TQuelmForm::HarvestSnapshots(bool wait) {
    // Finished commits leave in the order they were started, so their failures are logged in that order.
    while (!FSnapshotCommits.empty()) {
        std::future<SnapshotResult>& first = FSnapshotCommits.front();
        if (!wait && first.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        const SnapshotResult done = first.get();
        FSnapshotCommits.erase(FSnapshotCommits.begin());
        if (!done.Written())
            AddLog(done.reason, 2);
    }
}

bool TQuelmForm::StartClip(int N, const QString& path) {
    const QString problem = ClipFolderProblem(path);
    if (!problem.isEmpty()) {
        AddLog(ClipFailure(path, problem), 2);
        return false;
    }
    TVideoCapture* vc = VideoCaptureOf(N);
    vc->SetCaptureFileName(path);
    // The component shows its own error box when the recording cannot start.
    if (!vc->StartCapture(false)) {
        AddLog(ClipFailure(path, QStringLiteral("the camera's recording did not start")), 2);
        return false;
    }
    return true;
}

void TQuelmForm::PlayAlertSound() {
    if (!FSettings.PlayWAV || FSettings.PlayWAVFileName.isEmpty() ||
        !QFileInfo(FSettings.PlayWAVFileName).isFile())
        return; // a missing sound file is skipped without a word
    if (!FAlertSound->PlayFile(FSettings.PlayWAVFileName))
        AddLog(QStringLiteral("Cannot play the sound %1: %2.")
                   .arg(FSettings.PlayWAVFileName, FAlertSound->LastError()),
               2);
}

void TQuelmForm::SendAlertNotices(int) {
    // The e-mail with the snapshot ("SendEmail") and the SMS ("SendSMS") are sent from here once their
    // senders exist; until then nothing is sent and nothing claims to be. A mail started here must wait
    // for the snapshot's pending commit (WaitForSnapshots) before it reads LastSnapshotPath.
}

void TQuelmForm::StopAlert(int N) {
    AddLog(LangKey::StopRec, 1);
    StartStopAlg(N);
    TVideoCapture* vc = VideoCaptureOf(N);
    if (vc->Capturing()) {
        const QString clip = vc->CaptureFileName();
        if (!vc->StopCapture()) {
            // The camera stays off until the user acts: no restore, the alert window stays.
            AddLog(ClipFailure(clip, QStringLiteral("the recording could not be stopped")), 2);
            return;
        }
        vc->SetCaptureFileName(QStringLiteral("def_capture%1.avi").arg(N));
        CheckClip(clip);
    }
    if (FWarningForm && FWarningForm->isVisible())
        FWarningForm->hide();
    TTaggedTimer* restore = RestoreTimerOf(N);
    restore->setInterval(kRestoreAfterAlertMs);
    restore->start();
}

void TQuelmForm::CheckClip(const QString& path) {
    const QFileInfo clip(path);
    if (clip.isFile() && clip.size() > 0)
        return;
    QString problem = ClipFolderProblem(path);
    if (problem.isEmpty()) {
        const QStorageInfo disk(clip.absolutePath());
        problem = disk.isValid() && disk.bytesAvailable() < 1024 * 1024
                      ? QStringLiteral("the disk is full")
                      : QStringLiteral("the recording could not be written there");
    }
    AddLog(ClipFailure(path, problem), 2);
}

} // namespace quelm

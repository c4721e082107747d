// Alert cost: a whole station with camera 1 fed frame by frame; each round a still scene turns into
// motion and the time from the first changed frame entering the pipeline to the alerter's start event
// is taken. With an alert length of 1 s each round also runs the stop reactions and the restore, so the
// resident memory after the last round against the first shows what an alert leaves behind.
// Usage: bench_alert_cost_bench [alerts=50]
#include "alert/alerter.h"
#include "capture/capture_messages.h"
#include "core/ini_file.h"
#include "tests/ui/alerts_feed.h"
#include "ui/log_form.h"
#include "ui/message_box.h"
#include "ui/quelm_form.h"
#include "ui/warning_form.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace quelm;

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Resident memory in kilobytes.
long ResidentKb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : -1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QUELM_AUDIO_SINK", "fakesink sync=true");
    qputenv("QUELM_VIRTUAL_CAMERAS", quelm::test::FedCameras(640, 480));
    QTemporaryDir home;
    qputenv("QUELM_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    const int alerts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    const QString records = home.filePath(QStringLiteral("records"));
    QDir().mkpath(records);
    {
        IniFile ini(home.filePath(QStringLiteral("quelm_parrin.ini")));
        ini.WriteString(QStringLiteral("quelm"), QStringLiteral("manual"), QStringLiteral("0"));
        ini.WriteString(QStringLiteral("quelm"), QStringLiteral("minvidlength"), QStringLiteral("1"));
        ini.WriteString(QStringLiteral("quelm"), QStringLiteral("savefolder"), records);
        ini.WriteString(QStringLiteral("cam1"), QStringLiteral("config"),
                        QStringLiteral("WantAudio=0,WantAudioPreview=0,WantDVAudio=0,VCapSource=cam1"));
    }
    int boxes = 0;
    SetCaptureMessagePresenter([&](const TCaptureMessage& m) {
        ++boxes;
        std::fprintf(stderr, "box: %s\n", qPrintable(m.Text));
        return TMessageAnswer::Ok;
    });
    SetMessageBoxPresenter(
        [&](const QString&, const QString& text, TMsgDlgType, QMessageBox::StandardButtons) {
            ++boxes;
            std::fprintf(stderr, "box: %s\n", qPrintable(text));
            return QMessageBox::Ok;
        });

    auto form = std::make_unique<TQuelmForm>();
    auto warning = std::make_unique<TWarningForm>();
    auto log = std::make_unique<TLogForm>(TQuelmForm::LogFileName(), [](const QString&) {});
    form->SetWarningForm(warning.get());
    form->SetLogForm(log.get());
    int watchOn = 0;
    int errors = 0;
    form->OnLogEntry = [&](const QString& text, std::uint8_t kind) {
        watchOn += text == QStringLiteral("Watch enabled.");
        if (kind == 2) {
            ++errors;
            std::fprintf(stderr, "error entry: %s\n", qPrintable(text));
        }
    };
    quelm::test::CameraFeed feed({form->VideoCapture1, nullptr}, 640, 480);
    qint64 startedAt = -1;
    TAlerter* alerter = form->Alerter1;
    const auto reactions = alerter->OnStartAlert;
    alerter->OnStartAlert = [&](TAlerter* sender) {
        startedAt = feed.Clock();
        reactions(sender);
    };
    form->show();

    std::vector<double> latencies;
    long rssFirst = -1, rssLast = -1;
    for (int i = 0; i < alerts; ++i) {
        if (!WaitFor([&] { return watchOn > i; }, 10000)) {
            std::fprintf(stderr, "the watch did not come on for round %d\n", i + 1);
            return 1;
        }
        // A still scene for a while, a random part of a detector cycle more, then motion.
        const int still = 400 + static_cast<int>(QRandomGenerator::global()->bounded(100));
        WaitFor([] { return false; }, still);
        startedAt = -1;
        feed.SetMoving(1, true);
        if (!WaitFor([&] { return startedAt >= 0; }, 5000)) {
            std::fprintf(stderr, "no alert in round %d\n", i + 1);
            return 1;
        }
        feed.SetMoving(1, false);
        latencies.push_back(static_cast<double>(startedAt - feed.FirstMovingFrameAt(1)));
        if (!WaitFor([&] { return !alerter->Alerted(); }, 5000))
            return 1;
        form->WaitForSnapshots();
        if (i == 0) {
            WaitFor([&] { return watchOn > 1; }, 10000);
            rssFirst = ResidentKb();
        }
    }
    WaitFor([&] { return watchOn > alerts; }, 10000);
    rssLast = ResidentKb();

    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.size() % 2 ? sorted[sorted.size() / 2]
                                            : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    std::printf("alert latency over %zu alerts: median %.0f ms, best %.0f ms, worst %.0f ms "
                "(goal: median <= 250, worst <= 400)\n",
                sorted.size(), median, sorted.front(), sorted.back());
    std::printf(
        "resident memory: %ld kB after the first alert, %ld kB after alert %d: %+ld kB (goal <= 5120)\n",
        rssFirst, rssLast, alerts, rssLast - rssFirst);
    std::printf("records written: %lld, error entries: %d, message boxes: %d\n",
                static_cast<long long>(QDir(records).entryList(QDir::Files).size()), errors, boxes);
    form->close();
    WaitFor([&] { return form->CloseSequenceDone(); }, 10000);
    form.reset();
    warning.reset();
    log.reset();
    return 0;
}

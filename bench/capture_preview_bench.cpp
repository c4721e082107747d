// Cost of the capture component, as a program of its own (run by bench/capture_cost.sh):
//   preview <seconds> <request-ms>   previews a 640 x 480, 30 frames/s virtual camera in a shown widget,
//                                    asking for a frame every request-ms, and prints the CPU time used;
//   record <seconds> [compressor]    records one clip of that length and prints frames, dropped frames
//                                    and the file size.
#include "capture/capture_messages.h"
#include "capture/video_capture.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop (blocking between events, as the program does) for ms milliseconds.
void Run(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QUELM_VIRTUAL_CAMERAS", "Bench Camera=videotestsrc is-live=true ! capsfilter "
                                     "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1");
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? argv[1] : "preview";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    using namespace quelm;

    TVideoCapture vc;
    vc.resize(640, 480);
    vc.show();
    vc.SetWantAudio(false);
    const QString dir = QDir::tempPath();
    vc.SetUseTempFile(true);
    vc.SetTempCaptureFileName(dir + "/quelm-bench-temp.avi");
    vc.SetCaptureFileName(dir + "/quelm-bench-idle.avi");
    if (!vc.Init()) {
        std::fprintf(stderr, "no camera\n");
        return 1;
    }
    vc.ChooseDevices("Bench Camera", "", true);
    if (mode == "record" && argc > 3)
        vc.ChooseCompressors(argv[3], "", false);
    if (!vc.Previewing()) {
        std::fprintf(stderr, "no preview\n");
        return 1;
    }
    int grabbed = 0;
    vc.OnBitmapGrabbed = [&](const TCapturedBitmap&) { ++grabbed; };
    Run(1000); // settle: plugins loaded, caps negotiated

    if (mode == "preview") {
        const int requestMs = argc > 3 ? std::atoi(argv[3]) : 80;
        QTimer requests;
        QObject::connect(&requests, &QTimer::timeout, [&] { vc.CaptureFrame(); });
        requests.start(requestMs);
        const double cpu0 = CpuSeconds();
        Run(seconds * 1000);
        const double cpu = CpuSeconds() - cpu0;
        std::printf("component preview: %d s, %d frames grabbed, cpu %.2f s (%.1f %% of one core)\n", seconds,
                    grabbed, cpu, 100.0 * cpu / seconds);
        return 0;
    }

    const QString clip = dir + "/quelm-bench-clip.avi";
    vc.SetCaptureFileName(clip);
    const double cpu0 = CpuSeconds();
    if (!vc.StartCapture(false))
        return 1;
    Run(seconds * 1000);
    vc.StopCapture();
    const double cpu = CpuSeconds() - cpu0;
    std::printf("record %d s%s%s: frames %d, dropped %d, file %lld bytes (%.1f MB), cpu %.2f s\n", seconds,
                argc > 3 ? " with " : " raw", argc > 3 ? argv[3] : "", vc.NotDropped(), vc.FramesDropped(),
                static_cast<long long>(QFileInfo(clip).size()), QFileInfo(clip).size() / 1048576.0, cpu);
    QFile::remove(clip);
    return 0;
}

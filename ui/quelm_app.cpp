#include "ui/quelm_app.h"

#include "platform/termination_signals.h"
#include "ui/log_form.h"
#include "ui/quelm_form.h"
#include "ui/warning_form.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace quelm {

int RunQuelm(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quelm"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quelm"));
    // The program ends when the main window's close sequence has finished, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);

    auto form = std::make_unique<TQuelmForm>();
    // The other windows come after the main window; the log's start entry is written as it is created.
    TQuelmForm* main = form.get();
    auto warningForm = std::make_unique<TWarningForm>();
    form->SetWarningForm(warningForm.get());
    auto logForm = std::make_unique<TLogForm>(TQuelmForm::LogFileName(), [main](const QString& text) {
        main->ShowMessageBox(QStringLiteral("Log"), text, TMsgDlgType::mtWarning, QMessageBox::Ok);
    });
    logForm->OnAskQuestion = [main](const QString& caption, const QString& text) {
        return main->ShowMessageBox(caption, text, TMsgDlgType::mtConfirmation,
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    form->SetLogForm(logForm.get());
    form->OnCloseSequenceDone = [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    };

    TerminationSignals signals_;
    QPointer<TQuelmForm> target = form.get();
    signals_.OnTerminate = [target](int) {
        if (target)
            target->close(); // the normal close sequence; a second signal meanwhile changes nothing
    };

    // A picture of the main window for the documentation: QUELM_SCREENSHOT names the PNG file.
    const QString shot = qEnvironmentVariable("QUELM_SCREENSHOT");
    if (!shot.isEmpty()) {
        bool ok = false;
        int delay = qEnvironmentVariableIntValue("QUELM_SCREENSHOT_DELAY_MS", &ok);
        if (!ok || delay < 0)
            delay = 5000;
        QTimer::singleShot(delay, form.get(), [target, shot] {
            if (!target)
                return;
            if (!target->grab().save(shot, "PNG"))
                std::fprintf(stderr, "quelm: cannot write the screenshot %s\n", qPrintable(shot));
            target->close();
        });
    }

    form->show();
    const int code = QApplication::exec();
    form.reset();
    warningForm.reset();
    logForm.reset();
    return code;
}

} // namespace quelm

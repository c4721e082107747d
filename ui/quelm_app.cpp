#include "ui/quelm_app.h"

#include "platform/termination_signals.h"
#include "ui/log_form.h"
#include "ui/quelm_form.h"

#include <QApplication>
#include <QPointer>
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

    form->show();
    const int code = QApplication::exec();
    form.reset();
    logForm.reset();
    return code;
}

} // namespace quelm

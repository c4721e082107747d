#include "capture/capture_messages.h"
#include "capture/video_capture.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <cstdio>

namespace quelm {
namespace {

TCaptureMessagePresenter& Presenter() {
    static TCaptureMessagePresenter presenter;
    return presenter;
}

TCaptureDialogRunner& DialogRunner() {
    static TCaptureDialogRunner runner;
    return runner;
}

TMessageAnswer DefaultPresenter(const TCaptureMessage& message) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(message.Caption), qPrintable(message.Text));
    std::fflush(stderr);
    const bool question = message.Buttons == TMessageButtons::YesCancel;
    if (ModalBoxesDisabled() || !qApp)
        return question ? TMessageAnswer::Cancel : TMessageAnswer::Ok;
    QWidget* owner = QApplication::activeWindow();
    if (question) {
        const auto answer =
            QMessageBox::question(owner, message.Caption, message.Text,
                                  QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
        return answer == QMessageBox::Yes ? TMessageAnswer::Yes : TMessageAnswer::Cancel;
    }
    QMessageBox::critical(owner, message.Caption, message.Text, QMessageBox::Ok);
    return TMessageAnswer::Ok;
}

} // namespace

bool ModalBoxesDisabled() {
    if (qEnvironmentVariableIsSet("QUELM_NO_MODAL_BOXES"))
        return true;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return true;
    if (qApp) {
        const QString name = QGuiApplication::platformName();
        return name == "offscreen" || name == "minimal";
    }
    return false;
}

TCaptureMessagePresenter SetCaptureMessagePresenter(TCaptureMessagePresenter presenter) {
    return std::exchange(Presenter(), std::move(presenter));
}

TMessageAnswer PresentCaptureMessage(const TCaptureMessage& message) {
    if (Presenter())
        return Presenter()(message);
    return DefaultPresenter(message);
}

QString FormatCaptureMessage(const QString& message, std::uint32_t code) {
    QString text = message;
    text.replace("%x", QString::number(code, 16).toUpper());
    return text;
}

void ShowCaptureError(const QString& message, std::uint32_t code) {
    PresentCaptureMessage({CaptureCaption, FormatCaptureMessage(message, code), TMessageButtons::Ok});
}

void RaiseCaptureError(const QString& message, std::uint32_t code) {
    ShowCaptureError(message, code);
    throw EVideoCaptureError(FormatCaptureMessage(message, code).toStdString());
}

TCaptureDialogRunner SetCaptureDialogRunner(TCaptureDialogRunner runner) {
    return std::exchange(DialogRunner(), std::move(runner));
}

int RunCaptureDialog(QDialog& dialog) {
    if (DialogRunner())
        return DialogRunner()(dialog);
    if (ModalBoxesDisabled())
        return QDialog::Rejected;
    return dialog.exec();
}

} // namespace quelm

#include "ui/message_box.h"

#include <QApplication>
#include <QPalette>
#include <cstdio>

namespace quelm {

namespace {

MessageBoxPresenter& Presenter() {
    static MessageBoxPresenter presenter;
    return presenter;
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::mtWarning:
        return QMessageBox::Warning;
    case TMsgDlgType::mtError:
        return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
        return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// No user can answer a modal box on a platform without a screen, or when the run asks for none.
bool UnattendedPlatform() {
    if (qEnvironmentVariableIsSet("QUELM_NO_MODAL_BOXES"))
        return true;
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

// The answer that changes nothing: OK for a notice, otherwise Cancel or No.
QMessageBox::StandardButton UnattendedAnswer(QMessageBox::StandardButtons buttons) {
    for (const auto b : {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::No, QMessageBox::Close})
        if (buttons.testFlag(b))
            return b;
    return QMessageBox::NoButton;
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& title, const QString& text,
                                            TMsgDlgType type, QMessageBox::StandardButtons buttons) {
    auto box = std::make_unique<QMessageBox>(IconOf(type), title, text, buttons, parent);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(255, 255, 0));
    pal.setColor(QPalette::Text, QColor(255, 255, 0));
    box->setPalette(pal);
    box->setAutoFillBackground(true);
    box->setStyleSheet(QStringLiteral("QMessageBox { background-color: black; } "
                                      "QMessageBox QLabel { color: rgb(255, 255, 0); }"));
    return box;
}

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    MessageBoxPresenter old = std::move(Presenter());
    Presenter() = std::move(presenter);
    return old;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                                           TMsgDlgType type, QMessageBox::StandardButtons buttons) {
    QApplication::beep();
    // Also on standard error, so an unattended run shows why it waits or ends.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), line.toLocal8Bit().constData());
    if (Presenter())
        return Presenter()(title, text, type, buttons);
    if (UnattendedPlatform())
        return UnattendedAnswer(buttons);

    const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, title, text, type, buttons);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

} // namespace quelm

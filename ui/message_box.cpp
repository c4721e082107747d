#include "ui/message_box.h"

#include <QApplication>
#include <QPalette>

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

} // namespace

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    MessageBoxPresenter old = std::move(Presenter());
    Presenter() = std::move(presenter);
    return old;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                                           TMsgDlgType type, QMessageBox::StandardButtons buttons) {
    QApplication::beep();
    if (Presenter())
        return Presenter()(title, text, type, buttons);

    QMessageBox box(IconOf(type), title, text, buttons, parent);
    QPalette pal = box.palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(255, 255, 0));
    pal.setColor(QPalette::Text, QColor(255, 255, 0));
    box.setPalette(pal);
    box.setAutoFillBackground(true);
    box.setStyleSheet(QStringLiteral("QMessageBox { background-color: black; } "
                                     "QMessageBox QLabel { color: rgb(255, 255, 0); }"));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace quelm

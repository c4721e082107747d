#pragma once
// The program's message box: a standard message dialog, black with yellow text, shown modally after a
// beep. Tests and unattended runs replace the presenter so that no modal box waits for a user.
#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace quelm {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// The pressed button; the presenter of tests answers in place of a user.
using MessageBoxPresenter = std::function<QMessageBox::StandardButton(
    const QString& title, const QString& text, TMsgDlgType type, QMessageBox::StandardButtons buttons)>;

// Replaces the presenter (an empty function restores the modal dialog); returns the previous one.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// Beeps, then shows Text with the type's icon, the given buttons and Title as caption; returns the
// pressed button.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                                           TMsgDlgType type, QMessageBox::StandardButtons buttons);

} // namespace quelm

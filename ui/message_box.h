#pragma once
// The program's message box: a standard message dialog, black with yellow text, shown modally after a
// beep. Caption and text also go to standard error. Tests replace the presenter; on a platform without
// a screen (offscreen, minimal) or with QUELM_NO_MODAL_BOXES set, no box waits for a user: the answer is
// OK where offered, else Cancel or No.
#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace quelm {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// The pressed button; the presenter of tests answers in place of a user.
using MessageBoxPresenter = std::function<QMessageBox::StandardButton(
    const QString& title, const QString& text, TMsgDlgType type, QMessageBox::StandardButtons buttons)>;

// Replaces the presenter (an empty function restores the modal dialog); returns the previous one.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The dialog as it is shown: black with yellow text, the type's icon, Title as caption.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& title, const QString& text,
                                            TMsgDlgType type, QMessageBox::StandardButtons buttons);

// Beeps, then shows Text with the type's icon, the given buttons and Title as caption; returns the
// pressed button.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                                           TMsgDlgType type, QMessageBox::StandardButtons buttons);

} // namespace quelm

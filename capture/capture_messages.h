#pragma once
// The capture component's message boxes. Every box goes through one presenter, which writes the caption
// and the text to standard error and then shows a modal box. Tests and unattended runs replace the
// presenter, or run with QT_QPA_PLATFORM=offscreen / QUELM_NO_MODAL_BOXES set, where no box is shown and a
// question is answered "Cancel".
#include <QString>
#include <cstdint>
#include <functional>

class QDialog;

namespace quelm {

inline constexpr const char* CaptureCaption = "DirectShow - Capture";

// Result codes shown in the error boxes: the failing call's code where GStreamer gives one, else the
// general failure code.
inline constexpr std::uint32_t CaptureGeneralFailure = 0x80004005;

enum class TMessageButtons { Ok, YesCancel };
enum class TMessageAnswer { Ok, Yes, Cancel };

struct TCaptureMessage {
    QString Caption;
    QString Text;
    TMessageButtons Buttons = TMessageButtons::Ok;
};

using TCaptureMessagePresenter = std::function<TMessageAnswer(const TCaptureMessage&)>;
// Replaces the presenter; an empty function restores the default one. Returns the previous one.
TCaptureMessagePresenter SetCaptureMessagePresenter(TCaptureMessagePresenter presenter);
TMessageAnswer PresentCaptureMessage(const TCaptureMessage& message);

// Shows message (a format text whose "%x" becomes code in upper-case hex) in an error box.
void ShowCaptureError(const QString& message, std::uint32_t code);
// The same box, then throws EVideoCaptureError with the text.
[[noreturn]] void RaiseCaptureError(const QString& message, std::uint32_t code);
QString FormatCaptureMessage(const QString& message, std::uint32_t code);

// Runs a modal dialog of the component (property pages, mode choice). The default runs exec() unless
// modal boxes are off (see above), when the dialog is rejected at once. Returns the previous runner.
using TCaptureDialogRunner = std::function<int(QDialog&)>;
TCaptureDialogRunner SetCaptureDialogRunner(TCaptureDialogRunner runner);
int RunCaptureDialog(QDialog& dialog);

// True when no modal box may be shown: offscreen or minimal platform, or QUELM_NO_MODAL_BOXES set.
bool ModalBoxesDisabled();

} // namespace quelm

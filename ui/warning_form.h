#pragma once
// The alert window: a borderless black triangle in the middle of the screen holding the alert sign.
// One window serves both cameras; it is created once, hidden, and then only shown and hidden.
#include <QImage>
#include <QPolygon>
#include <QWidget>

class QFrame;
class QLabel;

namespace quelm {

class TWarningForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 267;
    static constexpr int ClientHeight = 250;
    static constexpr int SignSize = 256;

    explicit TWarningForm(QWidget* parent = nullptr);

    // Shows the window centred on the screen and brings it to the front.
    void Show();

    // The triangle the window is cut to, in window coordinates.
    QPolygon Triangle() const;

    // The alert sign: SignSize x SignSize, transparent around a red-edged yellow triangle with an
    // exclamation mark. Drawn so that it lies wholly inside the window's triangle when centred in it.
    static QImage DrawAlertSign();

    // A click on the sign: closes (hides) the window; it stays for the next alert.
    void Image2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void CentreOnScreen();

    QFrame* Bevel1 = nullptr;
    QLabel* Image2 = nullptr;
    bool FPressed = false; // a left press on the sign that may become a click
};

} // namespace quelm

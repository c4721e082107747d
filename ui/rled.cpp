#include "ui/rled.h"

#include <QPainter>
#include <limits>

namespace quelm {

namespace {
QColor Rgb24(QColor c) {
    return QColor(c.red(), c.green(), c.blue()); // colours are plain 24-bit RGB
}
} // namespace

TRLed::TRLed(QWidget* parent)
    : QWidget(parent)
    , FColorLow(0, 255, 0)
    , FColorHi(255, 0, 0)
    , FBackColor(0, 0, 0) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted from the off-screen picture
    resize(25, 152);
}

void TRLed::SetPosition(int position) {
    if (position > FMaxValue)
        return;
    FPosition = position;
    repaint();
}

void TRLed::SetMaxValue(int value) {
    // A full value below 1 would leave the lit-segment arithmetic without meaning.
    if (value < 1 || value == FMaxValue)
        return;
    FMaxValue = value;
    repaint();
}

void TRLed::SetBreakPos(int value) {
    if (value < 0 || value >= 155)
        return;
    FBreakPos = static_cast<std::uint8_t>(value);
    repaint();
}

void TRLed::SetBarSize(int value) {
    if (value < 1 || value > std::numeric_limits<std::uint16_t>::max())
        return;
    if (FOrientation == TRLedOrientation::Vertical) {
        if (value == FBarSize || value >= height() - 4)
            return;
    } else if (value >= width() - 4) {
        return;
    }
    FBarSize = static_cast<std::uint16_t>(value);
    repaint();
}

void TRLed::SetOrientation(TRLedOrientation value) {
    if (value == FOrientation)
        return;
    FOrientation = value;
    setGeometry(x(), y(), height(), width());
    repaint();
}

void TRLed::SetColorLow(QColor value) {
    value = Rgb24(value);
    if (value == FColorLow)
        return;
    FColorLow = value;
    repaint();
}

void TRLed::SetColorHi(QColor value) {
    FColorHi = Rgb24(value);
    repaint();
}

void TRLed::SetBackColor(QColor value) {
    FBackColor = Rgb24(value);
    repaint();
}

bool TRLed::InPos(int i) const {
    return rled::InPos(i, BarCount(), FPosition, FMaxValue);
}

rled::Look TRLed::CurrentLook() const {
    return rled::Look{size(), FOrientation, FBarSize, FMaxValue, FPosition, FBreakPos, FColorLow, FColorHi};
}

QImage TRLed::Picture() const {
    QImage picture(size(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    picture.fill(FBackColor);
    QPainter painter(&picture);
    for (const rled::Segment& segment : rled::Segments(CurrentLook()))
        painter.fillRect(segment.rect, segment.color);
    return picture;
}

void TRLed::paintEvent(QPaintEvent*) {
    const QImage picture = Picture();
    QPainter painter(this);
    painter.drawImage(0, 0, picture); // one copy, so the bar does not flicker
}

} // namespace quelm

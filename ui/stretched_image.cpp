#include "ui/stretched_image.h"

#include <QPainter>

namespace quelm {

TStretchedImage::TStretchedImage(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStretchedImage::SetPicture(const QImage& picture) {
    FPicture = picture;
    update();
}

void TStretchedImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (FPicture.isNull())
        p.fillRect(rect(), palette().window());
    else
        p.drawImage(rect(), FPicture);
}

} // namespace quelm

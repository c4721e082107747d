#include "ui/log_icons.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRadialGradient>
#include <array>

namespace quelm {

namespace {

// A 16 x 16 transparent image with an antialiased painter handed to draw.
template <typename Draw>
QImage Drawn(Draw draw) {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return image;
}

void Disc(QPainter& p, QColor outline, const QBrush& fill) {
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

QImage GreenBall() {
    return Drawn([](QPainter& p) {
        QRadialGradient shade(QPointF(6, 5), 9);
        shade.setColorAt(0, QColor(200, 255, 200));
        shade.setColorAt(0.5, QColor(40, 200, 40));
        shade.setColorAt(1, QColor(0, 110, 0));
        Disc(p, QColor(0, 90, 0), shade);
    });
}

QImage WarningTriangle() {
    return Drawn([](QPainter& p) {
        p.setPen(QPen(QColor(120, 90, 0), 1));
        p.setBrush(QColor(255, 220, 0));
        p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(15, 14.5), QPointF(1, 14.5)}));
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(7, 5, 2, 5), Qt::black);
        p.fillRect(QRect(7, 11, 2, 2), Qt::black);
    });
}

QImage ErrorDisc() {
    return Drawn([](QPainter& p) {
        Disc(p, QColor(120, 0, 0), QColor(220, 0, 0));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
    });
}

} // namespace

QPixmap LogKindIcon(int kind) {
    // Kept as images: a pixmap must not outlive the application object.
    static const std::array<QImage, 3> icons = {GreenBall(), WarningTriangle(), ErrorDisc()};
    if (kind < 0 || kind > 2)
        return {};
    return QPixmap::fromImage(icons[static_cast<std::size_t>(kind)]);
}

} // namespace quelm

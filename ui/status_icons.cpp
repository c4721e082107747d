#include "ui/status_icons.h"

#include <QPainter>
#include <QPainterPath>

namespace quelm {

QImage StatusIconImage(int n) {
    if (n < 1 || n > 3)
        return {};
    QImage img(kStatusIconSize, kStatusIconSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // An eye: grey while idle, green while watching, red on alert.
    const QColor iris = n == 1 ? QColor(128, 128, 128) : n == 2 ? QColor(0, 192, 0) : QColor(230, 0, 0);
    QPainterPath lid;
    lid.moveTo(0.5, 8);
    lid.quadTo(8, 0.5, 15.5, 8);
    lid.quadTo(8, 15.5, 0.5, 8);
    p.setPen(QPen(QColor(16, 16, 16), 1.2));
    p.setBrush(Qt::white);
    p.drawPath(lid);
    p.setPen(Qt::NoPen);
    p.setBrush(iris);
    p.drawEllipse(QPointF(8, 8), 3.6, 3.6);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(8, 8), 1.5, 1.5);
    if (n == 3) {
        // Alert: a filled red corner mark so the state reads even at small sizes.
        p.setBrush(QColor(230, 0, 0));
        p.drawRect(QRectF(11, 0, 5, 5));
    } else if (n == 1) {
        // Idle: the eye is struck through.
        p.setPen(QPen(QColor(64, 64, 64), 1.5));
        p.drawLine(QPointF(2, 14), QPointF(14, 2));
    }
    return img;
}

QIcon StatusIcon(const QString& resourceName) {
    static const QLatin1String prefix("status");
    if (resourceName.size() != prefix.size() + 1 || !resourceName.startsWith(prefix, Qt::CaseInsensitive))
        return {};
    const int n = resourceName.back().digitValue();
    const QImage img = StatusIconImage(n);
    return img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img));
}

} // namespace quelm

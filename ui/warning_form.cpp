#include "ui/warning_form.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QScreen>

namespace quelm {

TWarningForm::TWarningForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("WarningForm"));
    setWindowTitle(QStringLiteral("WarningForm"));
    setFixedSize(ClientWidth, ClientHeight);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(rect());

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(rect());
    Image2->setAlignment(Qt::AlignCenter); // centred, not stretched
    Image2->setPixmap(QPixmap::fromImage(DrawAlertSign()));
    Image2->installEventFilter(this);

    FormCreate();
}

QPolygon TWarningForm::Triangle() const {
    return QPolygon({QPoint(width() / 2, 15), QPoint(0, height() - 4), QPoint(width(), height() - 4)});
}

void TWarningForm::FormCreate() {
    // Only the triangle is drawn and takes the mouse; clicks beside it reach the window behind.
    setMask(QRegion(Triangle(), Qt::WindingFill));
}

void TWarningForm::Show() {
    show();
    raise();
}

void TWarningForm::showEvent(QShowEvent* event) {
    CentreOnScreen();
    QWidget::showEvent(event);
}

void TWarningForm::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = rect();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}

void TWarningForm::Image2Click() {
    close();
}

bool TWarningForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Image2)
        return QWidget::eventFilter(watched, event);
    // A press and a release of the left button, both inside the triangle, make a click. The check
    // matters where a window system does not cut input to the window's shape.
    const auto inside = [this](const QMouseEvent* e) {
        return mask().contains(Image2->mapTo(this, e->position().toPoint()));
    };
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* e = static_cast<QMouseEvent*>(event);
        FPressed = e->button() == Qt::LeftButton && inside(e);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* e = static_cast<QMouseEvent*>(event);
        const bool click = FPressed && e->button() == Qt::LeftButton && inside(e);
        FPressed = false;
        if (click)
            Image2Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QImage TWarningForm::DrawAlertSign() {
    QImage sign(SignSize, SignSize, QImage::Format_ARGB32_Premultiplied);
    sign.fill(Qt::transparent);
    QPainter p(&sign);
    p.setRenderHint(QPainter::Antialiasing);

    // The triangle's edge is a thick red stroke with round corners around a yellow face. Its corners
    // keep a margin of several pixels from the window's own triangle, so nothing of the sign is cut.
    QPainterPath triangle;
    triangle.moveTo(128, 44);
    triangle.lineTo(230, 224);
    triangle.lineTo(26, 224);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(204, 20, 20), 18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 204, 0));
    p.drawPath(triangle);

    // The exclamation mark: a bar with round ends and a dot below it.
    p.setPen(QPen(Qt::black, 18, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(128, 104), QPointF(128, 166));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(128, 195), 11, 11);
    p.end();
    return sign;
}

} // namespace quelm

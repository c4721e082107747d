#include "ui/warning_form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

using quelm::TWarningForm;

void Press(QWidget* target, QPoint at, QEvent::Type type) {
    const QPointF local(at);
    const QPointF global(target->mapToGlobal(at));
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, local, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Click(QWidget* target, QPoint at) {
    Press(target, at, QEvent::MouseButtonPress);
    Press(target, at, QEvent::MouseButtonRelease);
}

TEST(WarningForm, IsABorderlessBlack267By250WindowCentredOnTheScreen) {
    TWarningForm form;
    EXPECT_EQ(form.objectName(), "WarningForm");
    EXPECT_EQ(form.windowTitle(), "WarningForm");
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form.isWindow());
    EXPECT_FALSE(form.isVisible()); // created hidden
    EXPECT_EQ(form.size(), QSize(267, 250));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::black));

    form.Show();
    ASSERT_TRUE(form.isVisible());
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((form.frameGeometry().center() - screenCentre).manhattanLength(), 2);
}

TEST(WarningForm, MaskIsTheTriangleOfItsThreeCorners) {
    TWarningForm form;
    EXPECT_EQ(form.Triangle(), QPolygon({QPoint(133, 15), QPoint(0, 246), QPoint(267, 246)}));
    const QRegion mask = form.mask();
    const QPoint inside[] = {{133, 20}, {133, 130}, {133, 244}, {10, 244}, {256, 244}, {80, 140}, {186, 140}};
    const QPoint outside[] = {{0, 0},    {266, 0},   {133, 10}, {133, 247}, {133, 249},
                              {20, 100}, {246, 100}, {60, 120}, {206, 120}, {0, 249}};
    for (const QPoint p : inside)
        EXPECT_TRUE(mask.contains(p)) << p.x() << "," << p.y();
    for (const QPoint p : outside)
        EXPECT_FALSE(mask.contains(p)) << p.x() << "," << p.y();
}

TEST(WarningForm, ClickOnTheSignHidesItAndTheNextShowBringsItBack) {
    TWarningForm form;
    form.Show();
    auto* image = form.findChild<QLabel*>("Image2");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->geometry(), form.rect()); // the picture fills the client area

    Click(image, QPoint(133, 150));
    EXPECT_FALSE(form.isVisible());
    form.Show();
    EXPECT_TRUE(form.isVisible());
}

TEST(WarningForm, ClicksBesideTheTriangleOrOtherButtonsDoNotHideIt) {
    TWarningForm form;
    form.Show();
    auto* image = form.findChild<QLabel*>("Image2");
    ASSERT_NE(image, nullptr);
    Click(image, QPoint(5, 5));     // in the rectangle, outside the triangle
    Click(image, QPoint(260, 120)); // likewise, on the right
    EXPECT_TRUE(form.isVisible());

    QMouseEvent right(QEvent::MouseButtonRelease, QPointF(133, 150), QPointF(133, 150),
                      QPointF(form.mapToGlobal(QPoint(133, 150))), Qt::RightButton, Qt::NoButton,
                      Qt::NoModifier);
    Press(image, QPoint(133, 150), QEvent::MouseButtonPress);
    QApplication::sendEvent(image, &right);
    EXPECT_TRUE(form.isVisible());

    Press(image, QPoint(5, 5), QEvent::MouseButtonPress); // pressed outside, released inside
    Press(image, QPoint(133, 150), QEvent::MouseButtonRelease);
    EXPECT_TRUE(form.isVisible());
}

TEST(WarningForm, SignIs256SquareTransparentAroundAndFitsInsideTheTriangle) {
    const QImage sign = TWarningForm::DrawAlertSign();
    ASSERT_EQ(sign.size(), QSize(256, 256));
    ASSERT_TRUE(sign.hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(255, 0), QPoint(0, 255), QPoint(255, 255)})
        EXPECT_EQ(qAlpha(sign.pixel(corner)), 0) << corner.x() << "," << corner.y();

    const QRgb face = sign.pixel(90, 200), bar = sign.pixel(128, 130), edge = sign.pixel(128, 40);
    EXPECT_EQ(qAlpha(face), 255);
    EXPECT_GT(qRed(face), 200); // yellow
    EXPECT_GT(qGreen(face), 150);
    EXPECT_LT(qBlue(face), 60);
    EXPECT_EQ(bar, qRgb(0, 0, 0));
    EXPECT_GT(qRed(edge), 150); // red
    EXPECT_LT(qGreen(edge), 60);

    // Centred in the window, as the picture is shown, every visible pixel lies inside the triangle.
    TWarningForm form;
    const QRegion mask = form.mask();
    const QPoint offset((form.width() - sign.width()) / 2, (form.height() - sign.height()) / 2);
    int visible = 0, cut = 0;
    for (int y = 0; y < sign.height(); ++y)
        for (int x = 0; x < sign.width(); ++x)
            if (qAlpha(sign.pixel(x, y)) > 0) {
                ++visible;
                cut += !mask.contains(QPoint(x, y) + offset);
            }
    EXPECT_GT(visible, 256 * 256 / 4);
    EXPECT_EQ(cut, 0);
}

} // namespace

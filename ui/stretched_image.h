#pragma once
// A picture stretched over the whole control, as the camera images show the last grabbed frame.
#include <QImage>
#include <QWidget>

namespace quelm {

class TStretchedImage : public QWidget {
    Q_OBJECT
public:
    explicit TStretchedImage(QWidget* parent = nullptr);

    const QImage& Picture() const { return FPicture; }
    void SetPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FPicture;
};

} // namespace quelm

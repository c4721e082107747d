#pragma once
// Frames for detector tests: blank pictures and byte rectangles changed to a value.
#include <QImage>
#include <cstring>

namespace quelm::test {

inline QImage BlankFrame(int width, int height, QImage::Format format = QImage::Format_BGR888) {
    QImage image(width, height, format);
    image.fill(0);
    // fill() may leave the row padding as it was; the detector never reads it, but keep frames defined.
    for (int r = 0; r < height; ++r)
        std::memset(image.scanLine(r), 0, static_cast<size_t>(image.bytesPerLine()));
    return image;
}

// Sets bytes [x0, x1) of rows [y0, y1) to value.
inline void SetBytes(QImage& image, int x0, int x1, int y0, int y1, unsigned char value) {
    for (int r = y0; r < y1; ++r)
        std::memset(image.scanLine(r) + x0, value, static_cast<size_t>(x1 - x0));
}

} // namespace quelm::test

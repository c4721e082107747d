#include "ui/rled_scale.h"

#include "core/round.h"

#include <algorithm>

namespace quelm::rled {

int CalcBarCount(QSize size, int barSize, TRLedOrientation orientation) {
    if (barSize <= 0)
        return 0;
    const int length = orientation == TRLedOrientation::Vertical ? size.height() : size.width();
    return std::max(0, (length - 2) / barSize);
}

int LitCount(int barCount, int position, int maxValue) {
    if (maxValue < 1 || barCount <= 0)
        return 0;
    const auto percent = std::clamp<std::int64_t>(Round(100.0 * position / maxValue), 0, 100);
    return static_cast<int>(Round(barCount / 100.0 * static_cast<double>(percent)));
}

bool InPos(int i, int barCount, int position, int maxValue) {
    return i > barCount - LitCount(barCount, position, maxValue);
}

bool InHiZone(int i, int barCount, int breakPos) {
    return i < Round(barCount / 100.0 * breakPos);
}

QColor DimColor(QColor c) {
    return QColor(c.red() >> 1, c.green() >> 1, c.blue() >> 1);
}

QRect SegmentRect(int k, QSize size, int barSize, TRLedOrientation orientation) {
    const int start = (k - 1) * barSize + 2;
    const int length = barSize - 2;
    if (orientation == TRLedOrientation::Vertical)
        return QRect(2, start, size.width() - 4, length);
    return QRect(start, 2, length, size.height() - 4);
}

std::vector<Segment> Segments(const Look& look) {
    const int count = CalcBarCount(look.size, look.barSize, look.orientation);
    const int lit = LitCount(count, look.position, look.maxValue);
    std::vector<Segment> segments;
    segments.reserve(static_cast<std::size_t>(count));
    for (int k = 1; k <= count; ++k) {
        const bool vertical = look.orientation == TRLedOrientation::Vertical;
        const bool hi = InHiZone(vertical ? k : count - k, count, look.breakPos);
        const bool on = (vertical ? k : count - k + 1) > count - lit;
        const QColor base = hi ? look.colorHi : look.colorLow;
        segments.push_back(
            {SegmentRect(k, look.size, look.barSize, look.orientation), on ? base : DimColor(base)});
    }
    return segments;
}

} // namespace quelm::rled

#pragma once
// The arithmetic of the LED bar: segment count, lit and upper-zone segments, dimmed colours and segment
// rectangles. Kept apart from the widget so that it can be checked without painting.
#include <QColor>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

namespace quelm {

enum class TRLedOrientation : std::uint8_t { Horizontal = 0, Vertical = 1 };

namespace rled {

// Number of segments that fit along the bar: (length - 2) div barSize; 0 when barSize is 0.
int CalcBarCount(QSize size, int barSize, TRLedOrientation orientation);

// Number of lit segments: Round(barCount / 100 x P) with P = Round(100 x position / maxValue). P is kept
// within 0..100, so a negative position lights nothing and a position above maxValue (possible only after
// maxValue was lowered) lights the whole bar. A maxValue below 1 lights nothing.
int LitCount(int barCount, int position, int maxValue);

// Whether segment i, counted from the full end of the scale (barCount lights first, 1 last), is lit.
bool InPos(int i, int barCount, int position, int maxValue);

// Whether segment i lies in the upper zone: i < Round(barCount / 100 x breakPos).
bool InHiZone(int i, int barCount, int breakPos);

// Each of red, green and blue halved.
QColor DimColor(QColor c);

// Segment k (from 1, at the top of a vertical bar, at the left of a horizontal one): a 2-pixel margin along
// the long sides and before the first segment, segments barSize - 2 long with 2-pixel gaps.
QRect SegmentRect(int k, QSize size, int barSize, TRLedOrientation orientation);

struct Segment {
    QRect rect;
    QColor color;
};

struct Look {
    QSize size;
    TRLedOrientation orientation = TRLedOrientation::Vertical;
    int barSize = 5;
    int maxValue = 100;
    int position = 0;
    int breakPos = 35;
    QColor colorLow;
    QColor colorHi;
};

// Every segment of the bar with its rectangle and colour: lit or dimmed, low or upper-zone colour. A
// vertical bar fills from the bottom with the upper zone at its top; a horizontal one fills from the left
// with the upper zone at its right end.
std::vector<Segment> Segments(const Look& look);

} // namespace rled
} // namespace quelm

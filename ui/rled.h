#pragma once
// TRLed: an LED-style bar graph. A row of equal segments on a dark background, of which the first ones
// light up in proportion to Position out of MaxValue; segments in the upper zone (BreakPos percent of the
// bar, from its full end) use a second colour, and unlit segments show their colour dimmed.
#include "detector/detector_ports.h"
#include "ui/rled_scale.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>

namespace quelm {

class TRLed : public QWidget, public PositionSink {
    Q_OBJECT
public:
    explicit TRLed(QWidget* parent = nullptr);

    QColor ColorLow() const { return FColorLow; }
    QColor ColorHi() const { return FColorHi; }
    TRLedOrientation Orientation() const { return FOrientation; }
    int MaxValue() const { return FMaxValue; }
    QColor BackColor() const { return FBackColor; }
    int BarSize() const { return FBarSize; }
    int Position() const { return FPosition; }
    int BreakPos() const { return FBreakPos; }
    // Derived from the current size and BarSize, so a resized bar has its new count at once.
    int BarCount() const { return rled::CalcBarCount(size(), FBarSize, FOrientation); }

    // Each setter repaints at once when it takes the value and ignores values outside its range.
    // Any value up to MaxValue (negative ones show an empty bar); a larger one keeps the bar as it is.
    void SetPosition(int position) override;
    // A value of at least 1 that differs from the current one.
    void SetMaxValue(int value);
    // 0 to 154.
    void SetBreakPos(int value);
    // From 1 up to the bar's length minus 5 (and, for a vertical bar, differing from the current one);
    // BarCount follows.
    void SetBarSize(int value);
    // A different orientation swaps the bar's width and height, keeping its left and top.
    void SetOrientation(TRLedOrientation value);
    void SetColorLow(QColor value); // a value different from the current one
    void SetColorHi(QColor value);
    void SetBackColor(QColor value);

    // Whether segment i, counted from the full end of the scale (BarCount lights first), is lit.
    bool InPos(int i) const;

    // The off-screen picture of the bar at its current size, as the next paint shows it.
    QImage Picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The segment arithmetic (CalcBarCount, InHiZone, DimColor, the lit count) lives in rled_scale.h.
    rled::Look CurrentLook() const;

    QColor FColorLow;
    QColor FColorHi;
    TRLedOrientation FOrientation = TRLedOrientation::Vertical;
    int FMaxValue = 100;
    QColor FBackColor;
    std::uint16_t FBarSize = 5;
    int FPosition = 0;
    std::uint8_t FBreakPos = 35;
};

} // namespace quelm

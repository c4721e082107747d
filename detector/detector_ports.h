#pragma once
// The narrow interfaces through which a detector reaches its channel's parts: the capture component
// that delivers frames, the LED bar that shows the level and the alerter that turns reports into alerts.

namespace quelm {

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Asks for one frame; it arrives later through the owner's frame delivery. True when one will come.
    virtual bool CaptureFrame() = 0;
};

class PositionSink {
public:
    virtual ~PositionSink() = default;
    virtual void SetPosition(int position) = 0;
};

class AlertSink {
public:
    virtual ~AlertSink() = default;
    virtual void DoAlert(bool alert) = 0;
};

} // namespace quelm

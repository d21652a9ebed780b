#pragma once
#include "core/Clock.h"
#include "core/Messages.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace velumbra {

// Checks a frame size against the buffers: too large or unknown sizes are
// reported in the message panel and refused.
bool checkFrameSize(int width, int height, MessageSink& messages);

// Frames-per-second display: every n-th frame, n × 1000 / elapsed ms since
// the previous measurement.
class RateMeter {
public:
    explicit RateMeter(const Clock& clock) : clock_(clock) {}
    void reset();
    // Counts one frame; every `every` frames returns the text for EDT_FPS.
    // Nothing is returned when the elapsed time is not positive (clock set
    // back or several frames within one millisecond).
    std::optional<QString> frameDelivered(int every);
    int frameCounter() const { return frameCounter_; }

private:
    const Clock& clock_;
    int frameCounter_ = 0;
    int sinceStamp_ = 0;
    QDateTime stamp_;
};

} // namespace velumbra

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
    // Nothing is returned when several frames came within one millisecond.
    std::optional<QString> frameDelivered(int every);
    int frameCounter() const { return frameCounter_; }

private:
    const Clock& clock_;
    int frameCounter_ = 0;
    int sinceStamp_ = 0;
    qint64 stamp_ = -1; // steady milliseconds; -1: not yet
};

} // namespace velumbra

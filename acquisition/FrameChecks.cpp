#include "acquisition/FrameChecks.h"
#include "core/ImageBuffers.h"

#include <QObject>

namespace velumbra {

bool checkFrameSize(int width, int height, MessageSink& messages)
{
    if (height > kMaxFrameHeight || width > kMaxFrameWidth) {
        messages.showMessage(true, QStringLiteral("La taille des images video est limitée à %1x%2\r\n"
                                                  "La taille actuelle est %3x%4, veuillez choisir un autre format.")
                                       .arg(kMaxFrameWidth).arg(kMaxFrameHeight).arg(width).arg(height));
        return false;
    }
    if (width <= 0 || height <= 0) {
        messages.showMessage(false, QStringLiteral("Impossible de determiner le format des images, "
                                                   "veuillez en choisir un autre."));
        return false;
    }
    return true;
}

void RateMeter::reset()
{
    frameCounter_ = 0;
    sinceStamp_ = 0;
    stamp_ = clock_.steadyMs();
}

std::optional<QString> RateMeter::frameDelivered(int every)
{
    ++frameCounter_;
    if (stamp_ < 0) stamp_ = clock_.steadyMs();
    if (++sinceStamp_ < every) return std::nullopt;
    const qint64 now = clock_.steadyMs();
    const qint64 elapsed = now - stamp_;
    const int frames = sinceStamp_;
    sinceStamp_ = 0;
    stamp_ = now;
    if (elapsed <= 0) return std::nullopt;
    return QString::number(frames * 1000.0 / double(elapsed), 'g', 4);
}

} // namespace velumbra

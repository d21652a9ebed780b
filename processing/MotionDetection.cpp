#include "processing/MotionDetection.h"
#include "core/ImageBuffers.h"
#include "core/Rounding.h"
#include "core/Sound.h"
#include "processing/Raster.h"

#include <algorithm>
#include <cstdint>

namespace velumbra {
namespace {

// Pixels of a row whose channel sums differ by more than `limit`; a plain
// loop the compiler vectorises.
int changedInRow(const uint8_t* __restrict a, const uint8_t* __restrict b, int n, int limit)
{
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const int sa = a[4 * i] + a[4 * i + 1] + a[4 * i + 2];
        const int sb = b[4 * i] + b[4 * i + 1] + b[4 * i + 2];
        const int d = sa - sb;
        count += (d > limit) | (-d > limit);
    }
    return count;
}

} // namespace

MotionResult motionMeasure(const QImage& live, const QImage& reference, int width, int height, int level,
                           int countThreshold)
{
    MotionResult r;
    width = std::min({width, live.width(), reference.width()});
    height = std::min({height, live.height(), reference.height()});
    if (width <= 0 || height <= 0 || live.depth() != 32 || reference.depth() != 32) return r;
    const long long pixels = (long long)width * height;
    const int limit = 3 * level;
    for (int y = 0; y < height; ++y) r.changedPixels += changedInRow(live.constScanLine(y), reference.constScanLine(y), width, limit);
    const int threshold = RoundDown(countThreshold * 0.0001 * double(pixels));
    r.fraction = RoundDown(double(r.changedPixels) * 10000.0 / double(pixels));
    r.detected = r.changedPixels > threshold;
    return r;
}

long long referenceIntervalMs(int count, int unit)
{
    static constexpr long long factors[] = {1000, 60000, 3600000};
    if (unit < 0 || unit > 2 || count <= 0) return 0;
    return count * factors[unit];
}

void MotionDetection::defineReference(const QImage& frame, int width, int height)
{
    if (reference_.isNull()) reference_ = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    width = std::clamp(width, 0, kMaxFrameWidth);
    height = std::clamp(height, 0, kMaxFrameHeight);
    copyRect(frame, {0, 0, width, height}, width, height, reference_, {0, 0});
    referenceWidth_ = width;
    referenceHeight_ = height;
    referencePresent_ = width > 0 && height > 0;
}

bool MotionDetection::detectMotion(const QImage& live, int width, int height, double levelField,
                                   double countField, bool act)
{
    // A frame of another size than the reference compares only what both have.
    const MotionResult r = motionMeasure(live, reference_, std::min(width, referenceWidth_),
                                         std::min(height, referenceHeight_), RoundDown(levelField),
                                         RoundDown(countField));
    fraction_ = r.fraction;
    if (r.detected && act) runDetectionAction();
    return r.detected;
}

void MotionDetection::runDetectionAction()
{
    singleShot_ = false;
    if (actions.CKB_Action_Pose_longue && hooks_->startSingleLongExposure()) singleShot_ = true;
    if (actions.CKB_Action_Sauvegarder) {
        singleShot_ = true;
        hooks_->startAutomaticSaving();
    }
    if (actions.CKB_Jouer_un_son && sound_) sound_->playFile(actions.EDT_Son_a_jouer);
}

} // namespace velumbra

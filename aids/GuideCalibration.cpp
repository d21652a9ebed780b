#include "aids/GuideCalibration.h"
#include "core/Rounding.h"
#include "core/SteadyClock.h"
#include "telescope/MountTimer.h"

#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

// The motion of each step: 1 West, 2 North, 3 East, 4 South.
constexpr MoveDirection kMotion[] = {West, West, North, East, South};
constexpr double kShortestElapsed = 0.01; // s: a speed is always finite

} // namespace

QString calibrationInstructions(const NamedTexts& texts)
{
    return QStringLiteral("1-%1\n2-%2\n3-%3\n4-%4")
        .arg(texts.text(u"MSG_Mes1"), texts.text(u"MSG_Mes2"), texts.text(u"MSG_Mes3"), texts.text(u"MSG_Mes4"));
}

GuideCalibrationStep::GuideCalibrationStep(MountRequests& mount, const SteadyClock& clock, CalibrationView& view,
                                           std::unique_ptr<MountTimer> TMR_Appr)
    : mount_(mount), clock_(clock), view_(view), timer_(std::move(TMR_Appr))
{
    timer_->onTimeout = [this] { TMR_ApprTimer(); };
}

GuideCalibrationStep::~GuideCalibrationStep() { timer_->onTimeout = nullptr; }

bool GuideCalibrationStep::begin(const OperationStart& /*start*/)
{
    calStep_ = 0;
    timerEnabled_ = false;
    motionRunning_ = false;
    timer_->stop();
    return true;
}

// Read again at each frame: a frame may come before the timer's own tick.
bool GuideCalibrationStep::timerFired() const { return clock_.nowMs() - startMs_ >= interval_; }

void GuideCalibrationStep::stopMotion()
{
    timerEnabled_ = false;
    timer_->stop();
    if (!motionRunning_) return;
    motionRunning_ = false;
    mount_.mount_stop(kMotion[calStep_]);
}

void GuideCalibrationStep::nextMotion(Point starPos)
{
    stopMotion();
    ++calStep_;
    if (calStep_ == 5) return;
    mount_.mount_move(kMotion[calStep_], false, CONTINUOUS_MOVE);
    motionRunning_ = true;
    startMs_ = clock_.nowMs();
    startPos_ = starPos;
    const double ms = view_.TNI_Duree_test();
    interval_ = std::isfinite(ms) ? RoundDown(std::clamp(ms, 0.0, 3600000.0)) : 0;
    timerEnabled_ = true;
    timer_->start(interval_);
}

void GuideCalibrationStep::TMR_ApprTimer()
{
    if (!motionRunning_) {
        timer_->stop();
        return;
    }
    stopMotion();
    // The last motion's time is the calibration's end, whether a frame
    // comes to see it or not.
    if (calStep_ == 4) {
        calStep_ = 5;
        if (finished) finished();
    }
}

bool GuideCalibrationStep::frame(Point starPos, int /*elapsedMs*/, bool /*verdict*/)
{
    if (calStep_ == 5) return false;
    if (calStep_ == 0 || timerFired()) nextMotion(starPos);

    const double dx = double(starPos.x) - startPos_.x;
    const double dy = double(starPos.y) - startPos_.y;
    const double elapsed = std::max(double(clock_.nowMs() - startMs_) * 0.001, kShortestElapsed);
    const double speed = std::hypot(dx, dy) / elapsed * view_.TNI_Echantillonnage();
    if (calStep_ >= 1 && calStep_ <= 4) view_.setSpeed(kMotion[calStep_], speed);
    return calStep_ != 5;
}

void GuideCalibrationStep::leave(bool /*byAbort*/, int /*elapsedMs*/) { stopMotion(); }

} // namespace velumbra

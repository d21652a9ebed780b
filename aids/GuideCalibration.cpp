#include "aids/GuideCalibration.h"
#include "core/Rounding.h"
#include "core/SteadyClock.h"

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

GuideCalibrationStep::GuideCalibrationStep(MountRequests& mount, const SteadyClock& clock, CalibrationView& view)
    : mount_(mount), clock_(clock), view_(view)
{
}

bool GuideCalibrationStep::begin(const OperationStart& /*start*/)
{
    calStep_ = 0;
    timerEnabled_ = false;
    return true;
}

bool GuideCalibrationStep::timerFired() const { return timerEnabled_ && clock_.nowMs() - startMs_ >= interval_; }

void GuideCalibrationStep::nextMotion(Point starPos)
{
    timerEnabled_ = false;
    if (calStep_ >= 1 && calStep_ <= 4) mount_.mount_stop(kMotion[calStep_]);
    ++calStep_;
    if (calStep_ == 5) return;
    mount_.mount_move(kMotion[calStep_], false, CONTINUOUS_MOVE);
    startMs_ = clock_.nowMs();
    startPos_ = starPos;
    const double ms = view_.TNI_Duree_test();
    interval_ = std::isfinite(ms) ? RoundDown(std::clamp(ms, 0.0, 3600000.0)) : 0;
    timerEnabled_ = true;
}

bool GuideCalibrationStep::frame(Point starPos, int /*elapsedMs*/, bool /*verdict*/)
{
    if (calStep_ == 0 || timerFired()) nextMotion(starPos);

    const double dx = double(starPos.x) - startPos_.x;
    const double dy = double(starPos.y) - startPos_.y;
    const double elapsed = std::max(double(clock_.nowMs() - startMs_) * 0.001, kShortestElapsed);
    const double speed = std::hypot(dx, dy) / elapsed * view_.TNI_Echantillonnage();
    if (calStep_ >= 1 && calStep_ <= 4) view_.setSpeed(kMotion[calStep_], speed);
    return calStep_ != 5;
}

void GuideCalibrationStep::leave(bool /*byAbort*/, int /*elapsedMs*/)
{
    timerEnabled_ = false;
    if (calStep_ >= 1 && calStep_ <= 4) mount_.mount_stop(kMotion[calStep_]);
}

} // namespace velumbra

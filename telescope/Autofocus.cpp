#include "telescope/Autofocus.h"

#include <algorithm>
#include <cmath>

namespace velumbra {

void Autofocus::start(const AutofocusSettings& settings, bool fast)
{
    if (active_) return;
    settings_ = settings;
    active_ = true;
    links_.setFocusMeasure(true);
    afLastWidth_ = kStartWidth;
    gauge_ = 0;
    links_.showAutofocus(true, gauge_);
    afFast_ = fast;
    // "Fin" starts with a quarter of the base time.
    afStepMs_ = fast ? settings.baseMs : settings.baseMs / 4;
    afDirection_ = 0;
    floorReversals_ = 0;
    lastMove_ = false;
    moving_ = false;
    afRunning_ = true;
    // The count of a run before would hand over a set of one value at once.
    links_.resetMeasureCount();
}

QString autofocusLimitText(double stopWidth, int reversals, double narrowest)
{
    return QStringLiteral("Autofocus arrêté : la largeur de stop (%1 px) n'est pas atteinte ; après %2 inversions "
                          "au pas de 100 ms la mise au point reste à %3 px.")
        .arg(QString::number(stopWidth, 'g', 3))
        .arg(reversals)
        .arg(QString::number(narrowest, 'g', 3));
}

void Autofocus::stop()
{
    if (!active_) return;
    active_ = false;
    afRunning_ = false;
    moving_ = false;
    links_.showAutofocus(false, gauge_);
    links_.focuser_stop(afDirection_);
    links_.stopMoveTimer();
    links_.setFocusMeasure(false);
}

int Autofocus::gaugeFor(int baseMs, int stepMs)
{
    const int span = baseMs - kMinStepMs;
    if (span <= 0) return 100;
    const double shrunk = std::trunc(100.0 / span * stepMs);
    return int(std::clamp(100.0 - shrunk, 0.0, 100.0));
}

void Autofocus::autofocus_step(double width)
{
    // A width that is no number (no star in the zone) is no measurement.
    if (!active_ || !afRunning_ || !std::isfinite(width)) return;
    if (width > afLastWidth_) {
        if (afStepMs_ <= kMinStepMs) ++floorReversals_;
        afDirection_ = 1 - afDirection_;
        afStepMs_ = std::max(kMinStepMs, afStepMs_ / 2);
        gauge_ = gaugeFor(settings_.baseMs, afStepMs_);
        links_.showAutofocus(true, gauge_);
    }
    if (settings_.fwhmStop >= width) {
        stop();
        return;
    }
    // At the limit the width just grew: the move back, in the reversed
    // direction, returns to the narrowest width (kept in afLastWidth_).
    lastMove_ = floorReversals_ >= kFloorReversals;
    links_.focuser_move(afDirection_, afFast_);
    moving_ = true;
    links_.startMoveTimer(afStepMs_);
    afRunning_ = false;
    if (!lastMove_) afLastWidth_ = width;
}

void Autofocus::TMR_AutofocusTimer()
{
    if (!moving_) return;
    moving_ = false;
    if (lastMove_) {
        stop();
        links_.report(autofocusLimitText(settings_.fwhmStop, floorReversals_, afLastWidth_));
        return;
    }
    links_.focuser_stop(afDirection_);
    links_.resetMeasureCount();
    afRunning_ = true;
    links_.stopMoveTimer();
}

} // namespace velumbra

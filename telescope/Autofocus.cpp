#include "telescope/Autofocus.h"

#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

QString widthText(double px) { return QString::number(px, 'f', 2); }

} // namespace

void Autofocus::start(const AutofocusSettings& settings, bool fast)
{
    if (active_) return;
    settings_ = settings;
    active_ = true;
    links_.holdAutoThreshold(true);
    links_.setFocusMeasure(true);
    afLastWidth_ = kStartWidth;
    narrowest_ = kStartWidth;
    gauge_ = 0;
    links_.showAutofocus(true, gauge_);
    afFast_ = fast;
    // "Fin" starts with a quarter of the base time.
    afStepMs_ = fast ? settings.baseMs : settings.baseMs / 4;
    afDirection_ = 0;
    floorReversals_ = 0;
    moves_ = 0;
    lastMove_ = false;
    moving_ = false;
    sawStar_ = false;
    lostSets_ = 0;
    settle_ = 0;
    clearSet();
    afRunning_ = true;
}

QString autofocusEndText(const NamedTexts& texts, AutofocusEnd why, double stopWidth, double width, int count)
{
    switch (why) {
    case AutofocusEnd::Reached:
        return texts.text(u"MSG_AF_Atteint").arg(widthText(width), widthText(stopWidth));
    case AutofocusEnd::Limit:
        return texts.text(u"MSG_AF_Limite").arg(widthText(stopWidth)).arg(count).arg(widthText(width));
    case AutofocusEnd::Moves:
        return texts.text(u"MSG_AF_Deplacements").arg(count).arg(widthText(stopWidth), widthText(width));
    case AutofocusEnd::NoStar:
        return texts.text(u"MSG_AF_Pas_Etoile");
    case AutofocusEnd::Saturated:
        return texts.text(u"MSG_AF_Sature");
    case AutofocusEnd::User:
        break;
    }
    return {};
}

QString autofocusLimitText(double stopWidth, int reversals, double narrowest)
{
    return autofocusEndText(NamedTexts::builtIn(), AutofocusEnd::Limit, stopWidth, narrowest, reversals);
}

void Autofocus::end(AutofocusEnd why)
{
    if (!active_) return;
    active_ = false;
    afRunning_ = false;
    moving_ = false;
    lastEnd_ = why;
    links_.showAutofocus(false, gauge_);
    links_.focuser_stop(afDirection_);
    links_.stopMoveTimer();
    links_.setFocusMeasure(false);
    links_.holdAutoThreshold(false);
    switch (why) {
    case AutofocusEnd::User:
        return;
    case AutofocusEnd::Reached:
        links_.report(autofocusEndText(*texts_, why, settings_.fwhmStop, afLastWidth_, 0));
        return;
    case AutofocusEnd::Limit:
        links_.report(autofocusEndText(*texts_, why, settings_.fwhmStop, afLastWidth_, floorReversals_));
        return;
    case AutofocusEnd::Moves:
        links_.report(autofocusEndText(*texts_, why, settings_.fwhmStop, narrowest_, moves_));
        return;
    case AutofocusEnd::NoStar:
    case AutofocusEnd::Saturated:
        links_.report(autofocusEndText(*texts_, why, settings_.fwhmStop, 0, 0));
        return;
    }
}

int Autofocus::gaugeFor(int baseMs, int stepMs)
{
    const int span = baseMs - kMinStepMs;
    if (span <= 0) return 100;
    const double shrunk = std::trunc(100.0 / span * stepMs);
    return int(std::clamp(100.0 - shrunk, 0.0, 100.0));
}

void Autofocus::clearSet()
{
    seen_ = 0;
    stars_ = 0;
    saturated_ = 0;
    widthSum_ = 0;
}

void Autofocus::focusReading(double width, const FocusSample& sample, int setSize)
{
    if (!active_ || !afRunning_) return; // the focuser moves: the star is smeared
    if (settle_ > 0) {
        --settle_; // exposed partly during the move
        return;
    }
    switch (classifyFocusSample(sample, width)) {
    case FocusSampleKind::Star:
        ++stars_;
        widthSum_ += width;
        break;
    case FocusSampleKind::Saturated:
        ++saturated_;
        break;
    case FocusSampleKind::NoStar:
        break;
    }
    if (++seen_ < std::max(setSize, 1)) return;
    takeSet();
}

void Autofocus::takeSet()
{
    const int stars = stars_, saturated = saturated_, seen = seen_;
    const double mean = stars > 0 ? widthSum_ / stars : 0;
    clearSet();
    if (2 * stars > seen) {
        sawStar_ = true;
        lostSets_ = 0;
        autofocus_step(mean);
        return;
    }
    if (saturated > 0 && 2 * saturated >= seen - stars) {
        end(AutofocusEnd::Saturated);
        return;
    }
    if (++lostSets_ >= kMaxLostSets) {
        end(AutofocusEnd::NoStar);
        return;
    }
    // Lost after a move: the move went too far. Before any star: wait.
    if (sawStar_) autofocus_step(kLostWidth);
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
    if (width < kLostWidth) narrowest_ = std::min(narrowest_, width);
    if (settings_.fwhmStop >= width) {
        afLastWidth_ = width;
        end(AutofocusEnd::Reached);
        return;
    }
    if (moves_ >= kMaxMoves) {
        end(AutofocusEnd::Moves);
        return;
    }
    // At the limit the width just grew: the move back, in the reversed
    // direction, returns to the narrowest width (kept in afLastWidth_).
    lastMove_ = floorReversals_ >= kFloorReversals;
    links_.focuser_move(afDirection_, afFast_);
    ++moves_;
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
        end(AutofocusEnd::Limit);
        return;
    }
    links_.focuser_stop(afDirection_);
    clearSet();
    settle_ = 1;
    afRunning_ = true;
    links_.stopMoveTimer();
}

} // namespace velumbra

#include "results/SaveTimer.h"

#include <algorithm>

namespace velumbra {

QtSaveTimer::QtSaveTimer()
{
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onTimeout) onTimeout();
    });
}

void QtSaveTimer::setInterval(int ms)
{
    interval_ = std::max(1, ms);
    // A running timer keeps its period until it is started again.
}

void QtSaveTimer::setEnabled(bool on)
{
    if (on == timer_.isActive()) return;
    if (on)
        timer_.start(interval_);
    else
        timer_.stop();
}

void ManualTimer::setEnabled(bool on)
{
    if (on == enabled_) return;
    enabled_ = on;
    if (on) {
        due_ = owner_.clock_.now().addMSecs(std::max(1, interval_));
        order_ = owner_.nextOrder_++;
        owner_.track(this);
    }
}

ManualTimer::~ManualTimer() { owner_.untrack(this); }

void ManualTimers::untrack(ManualTimer* timer) { std::erase(timers_, timer); }

void ManualTimers::track(ManualTimer* timer)
{
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) timers_.push_back(timer);
}

void ManualTimers::advanceMs(qint64 ms)
{
    const QDateTime end = clock_.now().addMSecs(ms);
    for (;;) {
        ManualTimer* next = nullptr;
        for (ManualTimer* t : timers_) {
            if (!t->enabled_ || t->due_ > end) continue;
            if (!next || t->due_ < next->due_ || (t->due_ == next->due_ && t->order_ < next->order_)) next = t;
        }
        if (!next) break;
        clock_.set(next->due_);
        next->due_ = next->due_.addMSecs(std::max(1, next->interval_));
        if (next->onTimeout) next->onTimeout();
    }
    clock_.set(end);
}

} // namespace velumbra

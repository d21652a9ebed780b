#include "telescope/MountTimer.h"

#include <algorithm>

namespace velumbra {

QtMountTimer::QtMountTimer()
{
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onTimeout) onTimeout();
    });
}

void QtMountTimer::start(int ms) { timer_.start(std::max(0, ms)); }

class ManualTimeline::Timer final : public MountTimer {
public:
    explicit Timer(ManualTimeline& owner) : owner_(owner) { owner_.timers_.push_back(this); }
    ~Timer() override { std::erase(owner_.timers_, this); }
    void start(int ms) override
    {
        interval_ = std::max(0, ms);
        active_ = true;
        due_ = owner_.clock_.nowMs() + interval_;
        order_ = owner_.nextOrder_++;
    }
    void stop() override { active_ = false; }
    bool active() const override { return active_; }
    int interval() const override { return interval_; }

    ManualTimeline& owner_;
    int interval_ = 0;
    bool active_ = false;
    qint64 due_ = 0;
    quint64 order_ = 0; // timers due at once fire in the order they were started
};

ManualTimeline::ManualTimeline() : pause_(*this) {}
ManualTimeline::~ManualTimeline() = default;

std::unique_ptr<MountTimer> ManualTimeline::make() { return std::make_unique<Timer>(*this); }

void ManualTimeline::advanceMs(qint64 ms)
{
    const qint64 end = clock_.nowMs() + std::max<qint64>(0, ms);
    for (;;) {
        Timer* next = nullptr;
        for (Timer* t : timers_)
            if (t->active_ && t->due_ <= end &&
                (!next || t->due_ < next->due_ || (t->due_ == next->due_ && t->order_ < next->order_)))
                next = t;
        if (!next) break;
        clock_.advanceMs(std::max<qint64>(0, next->due_ - clock_.nowMs()));
        // A repeating timer is due again one interval later (at least 1 ms,
        // so a zero interval cannot hold time still).
        next->due_ = clock_.nowMs() + std::max(1, next->interval_);
        next->order_ = nextOrder_++;
        if (next->onTimeout) next->onTimeout();
    }
    // A wait inside a tick may already have gone past the end.
    clock_.advanceMs(std::max<qint64>(0, end - clock_.nowMs()));
}

} // namespace velumbra

#pragma once
#include "core/Clock.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace velumbra {

// A repeating timer as the saving schedules use it: enabling a running
// timer does not restart it; a new interval takes effect at the next
// enabling. onTimeout runs on every tick.
class SaveTimer {
public:
    virtual ~SaveTimer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    std::function<void()> onTimeout;
};

// Message-loop timer of the program.
class QtSaveTimer final : public SaveTimer {
public:
    QtSaveTimer();
    void setInterval(int ms) override;
    int interval() const override { return interval_; }
    void setEnabled(bool on) override;
    bool enabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    int interval_ = 1000;
};

class ManualTimers;

// Timer that fires from a ManualClock when ManualTimers advances it.
class ManualTimer final : public SaveTimer {
public:
    explicit ManualTimer(ManualTimers& owner) : owner_(owner) {}
    ~ManualTimer() override;
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void setEnabled(bool on) override;
    bool enabled() const override { return enabled_; }
    QDateTime due() const { return due_; }

private:
    friend class ManualTimers;
    ManualTimers& owner_;
    int interval_ = 1000;
    bool enabled_ = false;
    QDateTime due_;
    quint64 order_ = 0; // ties between timers due at once: the one started first fires first
};

// Drives ManualTimers from a ManualClock: advance() walks time forward,
// firing each tick at its own instant in order.
class ManualTimers {
public:
    explicit ManualTimers(ManualClock& clock) : clock_(clock) {}
    std::unique_ptr<ManualTimer> make() { return std::make_unique<ManualTimer>(*this); }
    void advanceMs(qint64 ms);
    const ManualClock& clock() const { return clock_; }

private:
    friend class ManualTimer;
    void track(ManualTimer* timer);
    void untrack(ManualTimer* timer);
    ManualClock& clock_;
    std::vector<ManualTimer*> timers_;
    quint64 nextOrder_ = 0;
};

} // namespace velumbra

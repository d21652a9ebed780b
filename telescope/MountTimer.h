#pragma once
#include "core/Pause.h"
#include "core/SteadyClock.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace velumbra {

// An axis timer: repeats every interval while active; start() (re)starts it
// with a new interval counted from now.
class MountTimer {
public:
    virtual ~MountTimer() = default;
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
    virtual int interval() const = 0;
    std::function<void()> onTimeout;
};

// The program's timer: a precise message-loop timer, so a pulse ends within
// a millisecond or two of its length while the loop runs.
class QtMountTimer final : public MountTimer {
public:
    QtMountTimer();
    void start(int ms) override;
    void stop() override { timer_.stop(); }
    bool active() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

// Time in the tests: a manual monotonic clock and timers that fire from it,
// each tick at its own instant and in order, when advance() walks time
// forward. pause() is a wait that lets the timers fire as the program's does.
class ManualTimeline {
public:
    ManualTimeline();
    ~ManualTimeline();
    std::unique_ptr<MountTimer> make();
    void advanceMs(qint64 ms);
    ManualSteadyClock& clock() { return clock_; }
    Pause& pause() { return pause_; }

private:
    class Timer;
    class TimelinePause final : public Pause {
    public:
        explicit TimelinePause(ManualTimeline& owner) : owner_(owner) {}

    protected:
        void run(int ms) override { owner_.advanceMs(ms); }

    private:
        ManualTimeline& owner_;
    };
    ManualSteadyClock clock_;
    TimelinePause pause_;
    std::vector<Timer*> timers_;
    quint64 nextOrder_ = 0;
};

} // namespace velumbra

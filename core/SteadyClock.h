#pragma once
#include <QtGlobal>
#include <chrono>

namespace velumbra {

// Monotonic milliseconds for deadlines (the end of a timed mount move):
// unlike the time of day, it never jumps when the system clock is set.
class SteadyClock {
public:
    virtual ~SteadyClock() = default;
    virtual qint64 nowMs() const = 0;
};

class SystemSteadyClock final : public SteadyClock {
public:
    qint64 nowMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

class ManualSteadyClock final : public SteadyClock {
public:
    explicit ManualSteadyClock(qint64 startMs = 1'000'000) : now_(startMs) {}
    qint64 nowMs() const override { return now_; }
    void advanceMs(qint64 ms) { now_ += ms; }

private:
    qint64 now_;
};

} // namespace velumbra

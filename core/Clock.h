#pragma once
#include <QDateTime>

#include <chrono>

namespace velumbra {

// The clock behind every time stamp and elapsed-time measure, so tests can
// advance time by hand. Time stamps read the wall clock (`now`); elapsed
// times read `steadyMs`, which never jumps: not at midnight, not when summer
// time begins or ends, not when the system's clock is set.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that only moves forward, from an arbitrary origin.
    virtual qint64 steadyMs() const { return now().toMSecsSinceEpoch(); }
    // Milliseconds since midnight, local time: for time stamps only.
    int msecsOfDay() const { return now().time().msecsSinceStartOfDay(); }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 steadyMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

// Test time: moves only when told. Its steady milliseconds are those of the
// instant it shows, so a zone with summer time changes its time of day but
// not its elapsed times.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(22, 0)))
        : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void advanceMs(qint64 ms) { now_ = now_.addMSecs(ms); }
    void set(const QDateTime& t) { now_ = t; }

private:
    QDateTime now_;
};

} // namespace velumbra

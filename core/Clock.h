#pragma once
#include <QDateTime>

namespace velumbra {

// Wall clock behind every time stamp and elapsed-time measure, so tests can
// advance time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds since midnight: elapsed times use the time of day.
    int msecsOfDay() const { return now().time().msecsSinceStartOfDay(); }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

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

#pragma once
#include <array>

namespace velumbra {

// The running mean of a measure over its last N - 1 values (N from 2 to 50,
// the preferences' "Moyenne sur ... mesures"). Each measure keeps a ring of
// its own: two measures writing one ring would mix their values.
class MeasureRing {
public:
    static constexpr int kMinLength = 2;
    static constexpr int kMaxLength = 50;

    // A new length empties the ring: slots written at another length would
    // leave the sum out of step with them.
    void setLength(int n);
    int length() const { return n_; }

    // Writes v in the next slot and returns the new mean. The slot after it,
    // the oldest, leaves the sum, which therefore holds the last N - 1
    // values; until the ring has turned once the missing values count as 0.
    // With clampAtZero the sum never goes below 0.
    double add(double v, bool clampAtZero = false);
    double mean() const { return sum_ / (n_ - 1); }
    // Set once the N-th value is written; best and worst wait for it.
    bool full() const { return full_; }
    // The slot last written, 0 after a reset.
    int index() const { return index_; }
    void clear();

private:
    std::array<double, kMaxLength + 1> slots_{}; // index 1..N used
    int n_ = 10;
    int index_ = 0;
    double sum_ = 0.0;
    bool full_ = false;
};

} // namespace velumbra

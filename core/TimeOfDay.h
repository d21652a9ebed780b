#pragma once

namespace velumbra {

inline constexpr int kMsecsPerDay = 24 * 60 * 60 * 1000;

// Elapsed milliseconds between two times of day; a later time below the
// earlier one means the night went past midnight.
constexpr int elapsedMsOfDay(int earlierMs, int laterMs)
{
    const int ms = laterMs - earlierMs;
    return ms < 0 ? ms + kMsecsPerDay : ms;
}

} // namespace velumbra

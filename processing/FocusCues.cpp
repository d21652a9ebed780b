#include "processing/FocusCues.h"
#include "core/Sound.h"

#include <cmath>

namespace velumbra {

FocusTrend focusTrend(bool lowerIsBetter, double previous, double current, double best, double worst,
                      CueSensitivity s)
{
    if (best * s.nearFactor >= std::abs(current - best)) return FocusTrend::Near;
    const double e = std::abs(best - worst) * s.stepFactor;
    const bool rose = current > previous + e;
    const bool fell = previous > current + e;
    if (lowerIsBetter ? rose : fell) return FocusTrend::Worse;
    if (lowerIsBetter ? fell : rose) return FocusTrend::Better;
    return FocusTrend::Unchanged;
}

CueLamps lampsOff() { return {kLampOff, kLampOff, kLampOff}; }

std::optional<CueLamps> lampsFor(FocusTrend trend)
{
    switch (trend) {
    case FocusTrend::Near: return CueLamps{kLampOff, kLampOff, QColor(0, 255, 0)};
    case FocusTrend::Better: return CueLamps{kLampOff, QColor(255, 228, 0), kLampOff};
    case FocusTrend::Worse: return CueLamps{QColor(255, 0, 0), kLampOff, kLampOff};
    case FocusTrend::Unchanged: break;
    }
    return std::nullopt;
}

std::optional<QString> cueFor(FocusTrend trend, const CueNames& names)
{
    switch (trend) {
    case FocusTrend::Near: return names.names[0];
    case FocusTrend::Better: return names.names[1];
    case FocusTrend::Worse: return names.names[2];
    case FocusTrend::Unchanged: break;
    }
    return std::nullopt;
}

void FocusSound(SoundPlayer& sound, const CueNames& names, bool lowerIsBetter, double previous, double current,
                double best, double worst, CueSensitivity sensitivity)
{
    if (const auto cue = cueFor(focusTrend(lowerIsBetter, previous, current, best, worst, sensitivity), names))
        sound.playCue(*cue);
}

void FocusLamps(CueDisplay& display, bool lowerIsBetter, double previous, double current, double best,
                double worst, CueSensitivity sensitivity)
{
    if (const auto lamps = lampsFor(focusTrend(lowerIsBetter, previous, current, best, worst, sensitivity)))
        display.setLamps(*lamps);
}

} // namespace velumbra

#pragma once
#include <QColor>
#include <QString>
#include <array>
#include <optional>

namespace velumbra {

class SoundPlayer;

// How a new value of a measure stands against the previous one, its best
// and worst, for the cues of the focus and quality measures.
enum class FocusTrend { Near, Better, Worse, Unchanged };

// Sensitivities of the cues, from the preferences' sliders (0.01 at their
// default positions): nearFactor is the share of the best value within
// which the current value counts as reached, stepFactor the share of the
// best-to-worst span a value must move by to count as a change.
struct CueSensitivity {
    double nearFactor = 0.01;
    double stepFactor = 0.01;
};

// Near when best x nearFactor >= |current - best|; otherwise better or worse
// when the value moved past the previous one by more than
// |best - worst| x stepFactor, in the direction lowerIsBetter says.
FocusTrend focusTrend(bool lowerIsBetter, double previous, double current, double best, double worst,
                      CueSensitivity sensitivity);

// The three lamps of the large indicator, red, orange and green.
struct CueLamps {
    QColor PNL_Rouge;
    QColor PNL_Orange;
    QColor PNL_Vert;
    bool operator==(const CueLamps&) const = default;
};
inline const QColor kLampOff{192, 192, 192}; // silver
CueLamps lampsOff();
// The lamps a trend lights; nothing for Unchanged (the lamps stay as they are).
std::optional<CueLamps> lampsFor(FocusTrend trend);

// The three cue names: reached, better, worse. They are language texts
// naming sounds the program carries.
struct CueNames {
    std::array<QString, 3> names{QStringLiteral("TOP"), QStringLiteral("OUI"), QStringLiteral("NON")};
};
// The cue a trend plays; nothing for Unchanged.
std::optional<QString> cueFor(FocusTrend trend, const CueNames& names);

// What the measures show besides their figure fields: the large indicator
// TFRM_FWHM (its value and lamps). The windows implement it.
class CueDisplay {
public:
    virtual ~CueDisplay() = default;
    virtual void showLargeValue(double /*value*/) {}
    virtual void setLamps(const CueLamps& /*lamps*/) {}
};

// FocusSound and FocusLamps of the design, for one new value.
void FocusSound(SoundPlayer& sound, const CueNames& names, bool lowerIsBetter, double previous, double current,
                double best, double worst, CueSensitivity sensitivity);
void FocusLamps(CueDisplay& display, bool lowerIsBetter, double previous, double current, double best,
                double worst, CueSensitivity sensitivity);

} // namespace velumbra

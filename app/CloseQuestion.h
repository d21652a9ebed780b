#pragma once
#include "core/LanguageTable.h"

#include <QString>

namespace velumbra {

// What runs when the user closes the main window: each of these ends with
// the program, and what it has not written yet is lost.
struct RunningWork {
    bool saving = false;       // timed saving or a SER video
    bool stacking = false;     // an integration run
    bool guiding = false;      // autoguiding
    bool longExposure = false; // a long exposure
    bool measuring = false;    // a measurement of the Operations group
};

// The question asked before the program ends while work runs, naming that
// work; empty when nothing runs (the program then ends at once).
QString closeQuestion(const RunningWork& work, const NamedTexts& texts);

} // namespace velumbra

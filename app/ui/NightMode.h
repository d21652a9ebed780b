#pragma once
#include <QPalette>

namespace velumbra {

// Red on black for every window, for eyes kept dark-adapted.
QPalette nightPalette();

// The program's look: the night palette (and tool tips in red) for
// `night`, the style's own otherwise. Every live image view shows the red
// image at night when `redImage`, its own colours otherwise.
void applyNightMode(bool night, bool redImage);

} // namespace velumbra

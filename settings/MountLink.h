#pragma once
#include "settings/Preferences.h"
#include "telescope/MountSettings.h"

namespace velumbra {

// The telescope and autoguiding preferences as the mount layer reads them:
// list choices become the items' texts, pins and active values whole numbers.
// The paddle's rate and the focuser's active values are not preferences
// kept here and stay as they are.
void applyToMount(const AutoguidePrefs& prefs, MountSettings& mount);

} // namespace velumbra

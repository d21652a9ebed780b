#pragma once
#include "telescope/MountSettings.h"

namespace velumbra {

// Enabled state of the Preferences' link controls: the interface choice and
// "Connecter" while the link is down; "Deconnecter" and the test buttons
// while it is up.
struct LinkControls {
    bool RDB_Aucun, RDB_LX200, RDB_Tolvir, RDB_Dremla, RDB_Varnek, RDB_INDI;
    bool BTN_Connecter;
    bool BTN_Deconnecter, BTN_Nord, BTN_Sud, BTN_Est, BTN_Ouest, BTN_Stop;
    bool operator==(const LinkControls&) const = default;
};
LinkControls linkControlsFor(bool linkUp);

// What the interface choice turns on and off around the program.
struct InterfaceControls {
    // Main window CKB_Autoguidage, menu MNU_Telescope, long-exposure window
    // CKB_Selfguide_Active: enabled; Preferences tab TBS_Autoguidage: shown.
    bool telescopeFunctions;
    // The hand paddle's LX200-only controls (rates, position, GOTO group).
    bool paddleLx200Controls;
    bool SPED_Duree_impulsions;
    // Which line settings group comes to the front.
    enum class Group { Serial, Parallel, Unchanged } frontGroup;
    bool operator==(const InterfaceControls&) const = default;
};
InterfaceControls interfaceControlsFor(MountInterface choice);

} // namespace velumbra

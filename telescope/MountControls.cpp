#include "telescope/MountControls.h"

namespace velumbra {

LinkControls linkControlsFor(bool up)
{
    return {!up, !up, !up, !up, !up, !up, !up, up, up, up, up, up, up};
}

InterfaceControls interfaceControlsFor(MountInterface choice)
{
    using G = InterfaceControls::Group;
    switch (choice) {
    case MountInterface::Aucun: return {false, false, false, G::Unchanged};
    case MountInterface::LX200: return {true, true, false, G::Serial};
    case MountInterface::Tolvir: return {true, false, true, G::Serial};
    case MountInterface::Varnek: return {true, false, false, G::Parallel};
    case MountInterface::Dremla: return {true, false, false, G::Serial};
    case MountInterface::Indi: return {true, false, false, G::Unchanged};
    case MountInterface::NoneChecked: return {true, false, false, G::Unchanged};
    }
    return {false, false, false, G::Unchanged};
}

} // namespace velumbra

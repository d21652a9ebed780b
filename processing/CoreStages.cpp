#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

namespace velumbra {

void CoreStages::IntegrateAndRender(Plane plane, bool add, bool restart, bool render)
{
    core_.integrator.IntegrateAndRender(plane, add, restart, render);
}

} // namespace velumbra

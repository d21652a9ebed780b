#include "processing/Planes.h"

#include <cstring>

namespace velumbra {

PlaneArray sumPlanes[3];
PlaneArray resultPlane;

void zeroPlane(Plane plane) { std::memset(sumPlanes[plane], 0, sizeof(PlaneArray)); }
void zeroResultPlane() { std::memset(resultPlane, 0, sizeof(PlaneArray)); }

Plane CurrentPlane(const IntegrationMode& mode)
{
    if (mode.RDB_Unique || mode.RDB_Boucle || !mode.CKB_Integration) return Light;
    if (mode.RDB_Dark) return Dark;
    if (mode.RDB_Flat) return Flat;
    return Light;
}

} // namespace velumbra

#include "processing/Planes.h"

#include <cstring>
#include <new>

namespace velumbra {

namespace {
constexpr std::align_val_t kPlaneAlignment{32};
constexpr std::size_t kStorageBytes = 4 * IntegrationPlanes::kPlaneStride * sizeof(int32_t);
} // namespace

IntegrationPlanes::IntegrationPlanes()
    : storage_(static_cast<int32_t*>(::operator new(kStorageBytes, kPlaneAlignment)))
{
    std::memset(storage_, 0, kStorageBytes);
}

IntegrationPlanes::~IntegrationPlanes() { ::operator delete(storage_, kPlaneAlignment); }

void IntegrationPlanes::zero(Plane plane) { std::memset(sum(plane), 0, kPlaneElements * sizeof(int32_t)); }
void IntegrationPlanes::zeroResult() { std::memset(result(), 0, kPlaneElements * sizeof(int32_t)); }

Plane CurrentPlane(const IntegrationMode& mode)
{
    if (mode.RDB_Unique || mode.RDB_Boucle || !mode.CKB_Integration) return Light;
    if (mode.RDB_Dark) return Dark;
    if (mode.RDB_Flat) return Flat;
    return Light;
}

} // namespace velumbra

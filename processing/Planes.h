#pragma once
#include <cstddef>
#include <cstdint>

namespace velumbra {

// Integration planes: 801 x 601 cells by 3 channels (red, green, blue) of
// signed 32-bit sums. Column is the slowest index, then row, then channel.
enum Plane : int { Light = 0, Dark = 1, Flat = 2 };

inline constexpr int kPlaneColumns = 801;
inline constexpr int kPlaneRows = 601;
inline constexpr int kPlaneChannels = 3;
inline constexpr std::size_t kPlaneElements =
    std::size_t(kPlaneColumns) * kPlaneRows * kPlaneChannels;
inline constexpr int kChannelRed = 0, kChannelGreen = 1, kChannelBlue = 2;
inline constexpr int32_t kSumCeiling = 65535;

constexpr std::size_t planeIndex(int x, int y, int c)
{
    return (std::size_t(x) * kPlaneRows + std::size_t(y)) * kPlaneChannels + std::size_t(c);
}

// The three sum planes and the corrected result of the last render, owned
// by one image core: allocated once, 32-byte aligned and zeroed when made,
// never reallocated; zeroed again at capture start and by Reset.
class IntegrationPlanes {
public:
    IntegrationPlanes();
    ~IntegrationPlanes();
    IntegrationPlanes(const IntegrationPlanes&) = delete;
    IntegrationPlanes& operator=(const IntegrationPlanes&) = delete;

    int32_t* sum(Plane plane) { return storage_ + std::size_t(plane) * kPlaneStride; }
    const int32_t* sum(Plane plane) const { return storage_ + std::size_t(plane) * kPlaneStride; }
    int32_t* result() { return storage_ + 3 * kPlaneStride; }
    const int32_t* result() const { return storage_ + 3 * kPlaneStride; }

    void zero(Plane plane);
    void zeroResult();

    // Values from one plane's start to the next; a multiple of 8, so every
    // plane starts 32-byte aligned.
    static constexpr std::size_t kPlaneStride = (kPlaneElements + 7) / 8 * 8;

private:
    int32_t* storage_;
};

struct PlaneStatistics {
    int32_t frameCount[3] = {0, 0, 0};
    int32_t planeMin[3] = {0, 0, 0};
    int32_t planeMax[3] = {0, 0, 0};
    double flatMean[3] = {0.0, 0.0, 0.0};
    double darkMeanMin = 0.0;
    double darkMeanMax = 0.0;
};

// Largest value one frame adds to a cell: 255 at 1x1, 1023 at 2x2.
constexpr int32_t cellMax(int binning) { return 256 * binning * binning - 1; }

// Integration mode as chosen by the user.
struct IntegrationMode {
    bool CKB_Integration = false;
    bool RDB_Unique = true;
    bool RDB_Boucle = false;
    bool RDB_Dark = false;
    bool RDB_Flat = false;
};

// Light whenever integration is off or an image mode is chosen.
Plane CurrentPlane(const IntegrationMode& mode);

} // namespace velumbra

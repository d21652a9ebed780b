#include "acquisition/RawDemosaic.h"
#include "acquisition/ImageBuffers.h"

#include <algorithm>

namespace velumbra {
namespace {

// Site colour by mode, then (y parity, x parity).
constexpr BayerSite kLayout[4][2][2] = {
    {{BayerSite::Green, BayerSite::Red}, {BayerSite::Blue, BayerSite::Green}},
    {{BayerSite::Red, BayerSite::Green}, {BayerSite::Green, BayerSite::Blue}},
    {{BayerSite::Blue, BayerSite::Green}, {BayerSite::Green, BayerSite::Red}},
    {{BayerSite::Green, BayerSite::Blue}, {BayerSite::Red, BayerSite::Green}},
};

// Byte offset of a colour inside a pixel.
constexpr int channelOf(BayerSite s)
{
    return s == BayerSite::Red ? kRed : (s == BayerSite::Green ? kGreen : kBlue);
}

} // namespace

BayerSite bayerSite(int rawMode, int x, int y)
{
    rawMode = std::clamp(rawMode, 0, 3);
    return kLayout[rawMode][y & 1][x & 1];
}

void RawDemosaic(const QImage& source, QImage& destination, int width, int height, int rawMode)
{
    width = std::min({width, source.width(), destination.width()});
    height = std::min({height, source.height(), destination.height()});
    if (width < 3 || height < 3) return;
    rawMode = std::clamp(rawMode, 0, 3);
    constexpr int P = kBytesPerPixel;

    for (int y = 1; y <= height - 2; ++y) {
        const uint8_t* up = pixelRow(source, y - 1);
        const uint8_t* mid = pixelRow(source, y);
        const uint8_t* down = pixelRow(source, y + 1);
        uint8_t* out = pixelRow(destination, y);
        // Does this row hold red sites (the other kind holds blue ones)?
        const bool rowHasRed = kLayout[rawMode][y & 1][0] == BayerSite::Red
                            || kLayout[rawMode][y & 1][1] == BayerSite::Red;
        for (int x = 1; x <= width - 2; ++x) {
            const int c = x * P, l = c - P, r = c + P;
            const BayerSite site = kLayout[rawMode][y & 1][x & 1];
            uint8_t* o = out + c;
            if (site == BayerSite::Green) {
                const int own = mid[c + kGreen];
                const int sideChannel = rowHasRed ? kRed : kBlue;
                const int vertChannel = rowHasRed ? kBlue : kRed;
                const int side = (mid[l + sideChannel] + mid[r + sideChannel]) / 2;
                const int vert = (up[c + vertChannel] + down[c + vertChannel]) / 2;
                o[kGreen] = uint8_t(own);
                o[sideChannel] = uint8_t(side);
                o[vertChannel] = uint8_t(vert);
            } else {
                const int ownChannel = channelOf(site);
                const int otherChannel = site == BayerSite::Red ? kBlue : kRed;
                const int cross = (mid[l + kGreen] + mid[r + kGreen] + up[c + kGreen] + down[c + kGreen]) / 4;
                const int diag = (up[l + otherChannel] + up[r + otherChannel] + down[l + otherChannel]
                                  + down[r + otherChannel]) / 4;
                o[ownChannel] = mid[c + ownChannel];
                o[kGreen] = uint8_t(cross);
                o[otherChannel] = uint8_t(diag);
            }
        }
    }
}

} // namespace velumbra

#include "simulator/ClockedBox.h"

namespace velumbra {
namespace {
constexpr quint8 kDtr = 0x01, kRts = 0x02, kBreak = 0x40;
constexpr MountDirection kRelays[] = {MountDirection::West, MountDirection::East, MountDirection::North,
                                      MountDirection::South};
} // namespace

void ClockedBox::writeModemControl(quint8 value) { lines(value & kDtr, value & kRts, latch_); }

void ClockedBox::writeLineControl(quint8 value) { lines(data_, clock_, value & kBreak); }

void ClockedBox::lines(bool data, bool clock, bool latch)
{
    // The data level is sampled at the clock's rising edge, as it was before
    // the edge when both change in one register write.
    if (clock && !clock_) shift_ = quint8((shift_ << 1) | (data_ ? 1 : 0));
    data_ = data;
    clock_ = clock;
    if (latch && !latch_) {
        const quint8 before = outputs_;
        outputs_ = shift_ & 0x0F;
        for (int i = 0; i < 4; ++i) {
            const bool was = before & (1 << i), now = outputs_ & (1 << i);
            if (now && !was) mount_.startMove(kRelays[i], mount_.rateArcsecPerSecond(MountRate::Guide));
            if (was && !now) mount_.stopMove(kRelays[i]);
        }
    }
    latch_ = latch;
}

} // namespace velumbra

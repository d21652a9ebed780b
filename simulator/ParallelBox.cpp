#include "simulator/ParallelBox.h"

namespace velumbra {

bool ParallelBox::high(int pin) const { return pin >= 2 && pin <= 9 && (data_ >> (pin - 2)) & 1; }

void ParallelBox::writeData(quint8 value)
{
    data_ = value;
    MountModel& mount = sky_.mount();
    const std::pair<int, MountDirection> relays[] = {{wiring_.east, MountDirection::East},
                                                     {wiring_.west, MountDirection::West},
                                                     {wiring_.north, MountDirection::North},
                                                     {wiring_.south, MountDirection::South}};
    for (auto [pin, direction] : relays) {
        bool& moving = moving_[std::size_t(direction)];
        if (high(pin) == moving) continue;
        moving = high(pin);
        if (moving) mount.startMove(direction, mount.rateArcsecPerSecond(MountRate::Guide));
        else mount.stopMove(direction);
    }
    const bool longMode = !high(wiring_.longExposure);
    const std::pair<int, LineSet> sets[] = {{wiring_.oddLines, LineSet::Odd}, {wiring_.evenLines, LineSet::Even}};
    for (auto [pin, set] : sets) {
        const bool low = longMode && !high(pin);
        bool& integrating = integrating_[std::size_t(set)];
        if (low == integrating) continue;
        integrating = low;
        sky_.setIntegrating(set, low);
    }
}

void ParallelBox::unplug()
{
    quint8 rest = 0;
    for (int pin : {wiring_.oddLines, wiring_.evenLines, wiring_.amplifier, wiring_.longExposure})
        rest = quint8(rest | (1 << (pin - 2)));
    writeData(rest);
    writeControl(0x03);
    plugged_ = false;
}

void ParallelBox::writeControl(quint8 value)
{
    // Pins 1 and 14 are inverted by the port: a cleared bit is a high pin.
    const bool in = !(value & 0x01), out = !(value & 0x02);
    // Both lines high drive the motor both ways: it stands still.
    const int wanted = in == out ? 0 : in ? -1 : 1;
    if (wanted == focuser_) return;
    focuser_ = wanted;
    MountModel& mount = sky_.mount();
    if (wanted == 0) mount.focuserStop();
    else mount.focuserMove(wanted < 0 ? FocuserDirection::In : FocuserDirection::Out, false);
}

} // namespace velumbra

#include "simulator/SerialGuideBox.h"

namespace velumbra {

SerialGuideBox::Pulse SerialGuideBox::decode(quint8 byte)
{
    static constexpr MountDirection kRelays[] = {MountDirection::West, MountDirection::East, MountDirection::North,
                                                 MountDirection::South};
    return {kRelays[byte & 3], (byte >> 2) * 15};
}

void SerialGuideBox::receive(QByteArrayView bytes)
{
    for (char c : bytes) {
        const Pulse p = decode(quint8(c));
        // One relay pair per axis: the other direction of the axis opens.
        static constexpr MountDirection kOpposite[] = {MountDirection::West, MountDirection::East,
                                                       MountDirection::South, MountDirection::North};
        mount_.stopMove(kOpposite[int(p.direction)]);
        mount_.pulse(p.direction, p.ms);
    }
}

} // namespace velumbra

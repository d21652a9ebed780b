// The guiding offsets file on arbitrary bytes: never a crash, never more
// than the list holds, and the offsets come round in order.
#include "telescope/OffsetList.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    velumbra::OffsetList list;
    list.read(device);
    require(list.count() >= 0 && list.count() <= velumbra::OffsetList::kCapacity);
    if (list.count() == 0) {
        require(!list.takeNext().has_value());
        return 0;
    }
    // Two turns of the list give its entries twice, in order.
    for (int turn = 0; turn < 2; ++turn)
        for (int i = 0; i < list.count(); ++i) {
            const auto next = list.takeNext();
            require(next.has_value() && *next == list.entry(i));
        }
    return 0;
}

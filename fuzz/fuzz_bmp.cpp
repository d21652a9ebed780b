// The BMP decoder on arbitrary bytes: it must never crash, never write
// outside its target, leave the target untouched when it refuses a file,
// and accept nothing larger than it was asked for.
#include "acquisition/BmpReader.h"

#include <QImage>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kMaxW = 64, kMaxH = 48;
constexpr QRgb kUntouched = 0xff123456u;

void require(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QImage target(kMaxW, kMaxH, QImage::Format_RGB32);
    target.fill(kUntouched);
    const velumbra::BmpReadResult r = velumbra::decodeBmp(bytes, target, kMaxW, kMaxH);
    require(target.width() == kMaxW && target.height() == kMaxH);
    if (!r.ok) {
        require(!r.error.isEmpty());
        for (int y = 0; y < kMaxH; ++y)
            for (int x = 0; x < kMaxW; ++x) require(target.pixel(x, y) == kUntouched);
        return 0;
    }
    require(r.width > 0 && r.width <= kMaxW && r.height > 0 && r.height <= kMaxH);
    // Outside the decoded corner the target keeps what it held.
    for (int y = 0; y < kMaxH; ++y)
        for (int x = 0; x < kMaxW; ++x)
            if (x >= r.width || y >= r.height) require(target.pixel(x, y) == kUntouched);
    return 0;
}

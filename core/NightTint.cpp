#include "core/NightTint.h"

#include <algorithm>

namespace velumbra {

void redTint(const QImage& in, QImage& out)
{
    if (in.isNull()) {
        out = QImage();
        return;
    }
    const QImage* source = &in;
    QImage converted;
    if (in.format() != QImage::Format_RGB32 && in.format() != QImage::Format_ARGB32) {
        converted = in.convertToFormat(QImage::Format_RGB32);
        source = &converted;
    }
    if (out.size() != in.size() || out.format() != QImage::Format_RGB32)
        out = QImage(in.size(), QImage::Format_RGB32);
    for (int y = 0; y < in.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source->constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < in.width(); ++x) {
            const QRgb p = from[x];
            to[x] = qRgb(std::max({qRed(p), qGreen(p), qBlue(p)}), 0, 0);
        }
    }
}

} // namespace velumbra

#pragma once
// What the everything-saver writes, shared with the test that kills it: every
// file carries a token, and every pixel, value and key of it follows from
// that token, so a file torn or made of two saves cannot pass.
#include <QImage>
#include <QRgb>
#include <QString>

namespace velumbra::test {

constexpr int kKillImageWidth = 160, kKillImageHeight = 120;
constexpr int kKillVideoWidth = 64, kKillVideoHeight = 48;
constexpr int kKillVideoFrames = 24;

// Pixel (x, y) of the image saved with `token` (frame 0 for images); tokens
// have 24 bits.
inline QRgb killPixel(int token, int x, int y, int frame = 0)
{
    return qRgb(token & 0xff, (token >> 8) & 0xff, ((token >> 16) ^ (x * 3 + y * 5 + frame * 17)) & 0xff);
}

inline void fillKillImage(QImage& image, int token, int width, int height, int frame = 0)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, killPixel(token, x, y, frame));
}

// The token an image claims (its first pixel), and whether every other
// pixel agrees with it.
inline int killTokenOf(const QImage& image)
{
    const QRgb first = image.pixel(0, 0);
    return qRed(first) | (qGreen(first) << 8) | (qBlue(first) << 16);
}

inline bool killImageWhole(const QImage& image, int token, int width, int height, int frame = 0)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((image.pixel(x, y) & 0xffffff) != (killPixel(token, x, y, frame) & 0xffffff)) return false;
    return true;
}

// Settings keys of one save: all carry the token, odd ones longer.
constexpr int kKillSettingsKeys = 40;
inline QString killSetting(int token, int key)
{
    return token % 2 ? QStringLiteral("%1-%2-impair").arg(token).arg(key) : QStringLiteral("%1-%2").arg(token).arg(key);
}

} // namespace velumbra::test

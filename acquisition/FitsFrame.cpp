#include "acquisition/FitsFrame.h"

#include "acquisition/RawDemosaic.h"
#include "core/ImageBuffers.h"

#include <algorithm>
#include <cmath>


namespace velumbra {

namespace {

constexpr int kCard = 80;
constexpr int kBlock = 2880;

QString cardKey(const char* card) { return QString::fromLatin1(card, 8).trimmed(); }

// The value of a card: a quoted text without its quotes, or the text before a comment.
QString cardValue(const char* card)
{
    if (card[8] != '=') return {};
    const QString rest = QString::fromLatin1(card + 10, kCard - 10);
    const QString trimmed = rest.trimmed();
    if (trimmed.startsWith(QLatin1Char('\''))) {
        const int end = trimmed.indexOf(QLatin1Char('\''), 1);
        return end < 0 ? QString() : trimmed.mid(1, end - 1).trimmed();
    }
    const int slash = trimmed.indexOf(QLatin1Char('/'));
    return (slash < 0 ? trimmed : trimmed.left(slash)).trimmed();
}

} // namespace

bool parseFitsFrame(const QByteArray& bytes, FitsFrameInfo& info, QString& error)
{
    info = FitsFrameInfo{};
    if (bytes.size() < kBlock || !bytes.startsWith("SIMPLE  =")) {
        error = QStringLiteral("image FITS illisible (en-tête absent)");
        return false;
    }
    int naxis = -1;
    int axes[3] = {0, 0, 1};
    bool ended = false;
    for (qsizetype at = 0; at + kCard <= bytes.size(); at += kCard) {
        const char* card = bytes.constData() + at;
        const QString key = cardKey(card);
        if (key == QLatin1String("END")) {
            info.dataOffset = (at / kBlock + 1) * kBlock;
            ended = true;
            break;
        }
        const QString value = cardValue(card);
        bool ok = true;
        if (key == QLatin1String("BITPIX")) info.bitpix = value.toInt(&ok);
        else if (key == QLatin1String("NAXIS")) naxis = value.toInt(&ok);
        else if (key == QLatin1String("NAXIS1")) axes[0] = value.toInt(&ok);
        else if (key == QLatin1String("NAXIS2")) axes[1] = value.toInt(&ok);
        else if (key == QLatin1String("NAXIS3")) axes[2] = value.toInt(&ok);
        else if (key == QLatin1String("BZERO")) info.bzero = value.toDouble(&ok);
        else if (key == QLatin1String("BSCALE")) info.bscale = value.toDouble(&ok);
        else if (key == QLatin1String("ROWORDER")) info.topDown = value == QLatin1String("TOP-DOWN");
        else if (key == QLatin1String("BAYERPAT")) info.bayerPattern = value.toUpper();
        else if (key == QLatin1String("XBAYROFF")) info.bayerXOffset = value.toInt(&ok);
        else if (key == QLatin1String("YBAYROFF")) info.bayerYOffset = value.toInt(&ok);
        else if (key == QLatin1String("DATE-OBS")) {
            info.dateObs = QDateTime::fromString(value, Qt::ISODateWithMs);
            if (!info.dateObs.isValid()) info.dateObs = QDateTime::fromString(value, Qt::ISODate);
            info.dateObs.setTimeSpec(Qt::UTC);
        }
        if (!ok) {
            error = QStringLiteral("image FITS illisible (valeur de %1)").arg(key);
            return false;
        }
    }
    if (!ended) {
        error = QStringLiteral("image FITS illisible (en-tête sans fin)");
        return false;
    }
    if (info.bitpix != 8 && info.bitpix != 16) {
        error = QStringLiteral("image FITS de %1 bits non lue (8 ou 16 bits)").arg(info.bitpix);
        return false;
    }
    if ((naxis != 2 && naxis != 3) || axes[0] <= 0 || axes[1] <= 0 || (axes[2] != 1 && axes[2] != 3)) {
        error = QStringLiteral("image FITS non lue (ni une ni trois couleurs)");
        return false;
    }
    info.width = axes[0];
    info.height = axes[1];
    info.planes = axes[2];
    if (info.bscale == 0) info.bscale = 1;
    const qint64 needed = qint64(info.width) * info.height * info.planes * (info.bitpix / 8);
    if (bytes.size() - info.dataOffset < needed) {
        error = QStringLiteral("image FITS tronquée");
        return false;
    }
    return true;
}

void DepthTable::topBits()
{
    for (size_t v = 0; v < levels.size(); ++v) levels[v] = uint8_t(v >> 8);
}

void DepthTable::stretch(int low, int high)
{
    low = std::clamp(low, 0, 65534);
    high = std::clamp(high, low + 1, 65535);
    for (size_t v = 0; v < levels.size(); ++v) {
        const long scaled = std::lround((double(int(v) - low) * 255.0) / double(high - low));
        levels[v] = uint8_t(std::clamp(scaled, 0L, 255L));
    }
}

void decodeFitsFrame(const QByteArray& bytes, const FitsFrameInfo& info, const DepthTable& depth, QImage& target)
{
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData() + info.dataOffset);
    const qsizetype planeSize = qsizetype(info.width) * info.height * (info.bitpix / 8);
    // The physical value is bscale * stored + bzero; 16-bit data is stored signed.
    const bool plainUnsigned16 = info.bitpix == 16 && info.bscale == 1 && info.bzero == 32768;
    auto level = [&](const uint8_t* p) -> uint8_t {
        if (info.bitpix == 8) {
            if (info.bscale == 1 && info.bzero == 0) return *p;
            return uint8_t(std::clamp(std::lround(*p * info.bscale + info.bzero), 0L, 255L));
        }
        const int16_t stored = int16_t(uint16_t(p[0]) << 8 | p[1]);
        if (plainUnsigned16) return depth.levels[uint16_t(stored + 32768)];
        const long physical = std::lround(stored * info.bscale + info.bzero);
        return depth.levels[size_t(std::clamp(physical, 0L, 65535L))];
    };
    const int step = info.bitpix / 8;
    for (int y = 0; y < info.height; ++y) {
        const int stored = info.topDown ? y : info.height - 1 - y;
        uint8_t* row = pixelRow(target, y);
        const uint8_t* src = data + qsizetype(stored) * info.width * step;
        for (int x = 0; x < info.width; ++x, src += step) {
            uint8_t* px = row + 4 * x;
            if (info.planes == 3) {
                px[2] = level(src);
                px[1] = level(src + planeSize);
                px[0] = level(src + 2 * planeSize);
            } else {
                px[0] = px[1] = px[2] = level(src);
            }
            px[3] = 0;
        }
    }
}

int rawModeOfFits(const FitsFrameInfo& info)
{
    const QString& p = info.bayerPattern;
    if (p.size() != 4 || info.planes != 1) return -1;
    auto siteOf = [](QChar c) {
        return c == QLatin1Char('R') ? BayerSite::Red : c == QLatin1Char('B') ? BayerSite::Blue : BayerSite::Green;
    };
    for (int mode = 0; mode < 4; ++mode) {
        bool all = true;
        for (int y = 0; y < 2 && all; ++y) {
            // The pattern is given on the stored rows; bottom-up data comes out turned over.
            const int storedRow = info.topDown ? y : info.height - 1 - y;
            for (int x = 0; x < 2 && all; ++x) {
                const int at = ((storedRow + info.bayerYOffset) & 1) * 2 + ((x + info.bayerXOffset) & 1);
                all = siteOf(p[at]) == bayerSite(mode, x, y);
            }
        }
        if (all) return mode;
    }
    return -1;
}

} // namespace velumbra

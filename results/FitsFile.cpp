#include "results/FitsFile.h"
#include "core/ImageBuffers.h"
#include "core/SafeFile.h"
#include "processing/Planes.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fitsio.h>
#include <memory>

namespace velumbra {
namespace {

constexpr long long kFitsBlock = 2880;

QString tr(const char* text) { return QCoreApplication::translate("FitsFile", text); }

QString fitsError(int status)
{
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    return QString::fromLatin1(text);
}

// Closes a cfitsio file whatever path the function leaves by.
struct FitsCloser {
    void operator()(fitsfile* f) const
    {
        int status = 0;
        fits_close_file(f, &status);
    }
};
using FitsHandle = std::unique_ptr<fitsfile, FitsCloser>;

// The memory cfitsio grows a memory file in; freed after the file is closed.
struct MemoryFile {
    void* data = nullptr;
    size_t size = 0;
    ~MemoryFile() { std::free(data); }
};

void writeKeywords(fitsfile* f, const FitsKeywords& k, int& status)
{
    int zero = 0, one = 1;
    fits_write_key(f, TINT, "BZERO", &zero, "values are stored as they are", &status);
    fits_write_key(f, TINT, "BSCALE", &one, nullptr, &status);
    fits_write_key(f, TSTRING, "ROWORDER", const_cast<char*>("BOTTOM-UP"), "first row is the image bottom", &status);
    if (k.dateObs.isValid()) {
        const QByteArray date = k.dateObs.toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")).toLatin1();
        fits_write_key(f, TSTRING, "DATE-OBS", const_cast<char*>(date.constData()), "UTC start of the observation",
                       &status);
    }
    if (k.exposureSeconds) {
        double seconds = *k.exposureSeconds;
        fits_write_key(f, TDOUBLE, "EXPTIME", &seconds, "[s] exposure of the summed frames", &status);
    }
    int frames = k.frames, binning = k.binning, dark = k.darkFrames;
    fits_write_key(f, TINT, "NCOMBINE", &frames, "frames summed", &status);
    fits_write_key(f, TINT, "XBINNING", &binning, nullptr, &status);
    fits_write_key(f, TINT, "YBINNING", &binning, nullptr, &status);
    int darkOn = dark > 0 ? 1 : 0, flatOn = k.flatApplied ? 1 : 0, inverted = k.inverted ? 1 : 0;
    fits_write_key(f, TLOGICAL, "DARKCORR", &darkOn, "dark subtracted", &status);
    if (dark > 0) fits_write_key(f, TINT, "DARKFRMS", &dark, "frames of the dark master", &status);
    fits_write_key(f, TLOGICAL, "FLATCORR", &flatOn, "flat divided", &status);
    fits_write_key(f, TLOGICAL, "INVERTED", &inverted, "negative values as displayed", &status);
    fits_write_key(f, TSTRING, "COLORTYP", const_cast<char*>(k.grey ? "GREY" : "RGB"),
                   k.grey ? "mean of the shown channels" : "planes red, green, blue", &status);
    if (k.focalLengthMm) {
        double v = *k.focalLengthMm;
        fits_write_key(f, TDOUBLE, "FOCALLEN", &v, "[mm] effective focal length", &status);
    }
    if (k.pixelWidthUm) {
        double v = *k.pixelWidthUm;
        fits_write_key(f, TDOUBLE, "XPIXSZ", &v, "[um] pixel width", &status);
    }
    if (k.pixelHeightUm) {
        double v = *k.pixelHeightUm;
        fits_write_key(f, TDOUBLE, "YPIXSZ", &v, "[um] pixel height", &status);
    }
    const QByteArray creator = k.creator.toLatin1();
    fits_write_key(f, TSTRING, "CREATOR", const_cast<char*>(creator.constData()), "program that wrote the file", &status);
    fits_write_key(f, TSTRING, "SWCREATE", const_cast<char*>(creator.constData()), nullptr, &status);
    int low = k.displayLow, high = k.displayHigh;
    fits_write_key(f, TINT, "CBLACK", &low, "display range: low threshold", &status);
    fits_write_key(f, TINT, "CWHITE", &high, "display range: high threshold", &status);
}

} // namespace

FitsValues resultValues(const int32_t* result, const Rect& rendered, int width, int height, bool grey, bool red,
                        bool green, bool blue)
{
    FitsValues v;
    v.width = std::clamp(width, 0, kPlaneColumns);
    v.height = std::clamp(height, 0, kPlaneRows);
    v.planes = grey ? 1 : 3;
    v.values.assign(std::size_t(v.planes) * std::size_t(v.width) * std::size_t(v.height), 0);
    const bool shown[3] = {red, green, blue};
    const int64_t channels = int64_t(red) + int64_t(green) + int64_t(blue);
    const int x1 = std::min(rendered.right, v.width), y1 = std::min(rendered.bottom, v.height);
    for (int y = std::max(rendered.top, 0); y < y1; ++y) {
        for (int x = std::max(rendered.left, 0); x < x1; ++x) {
            const int32_t* cell = result + planeIndex(x, y, 0);
            if (grey) {
                int64_t sum = 0;
                for (int c = 0; c < 3; ++c) sum += shown[c] ? cell[c] : 0;
                const int64_t mean = channels == 0 ? 0 : (sum >= 0 ? (sum + channels / 2) / channels
                                                                    : -((-sum + channels / 2) / channels));
                v.values[std::size_t(y) * std::size_t(v.width) + std::size_t(x)] = int32_t(mean);
            } else {
                for (int c = 0; c < 3; ++c)
                    v.values[(std::size_t(c) * std::size_t(v.height) + std::size_t(y)) * std::size_t(v.width) +
                             std::size_t(x)] = shown[c] ? cell[c] : 0;
            }
        }
    }
    return v;
}

FitsValues imageValues(const QImage& image, int width, int height)
{
    FitsValues v;
    v.width = std::clamp(width, 0, image.isNull() || image.depth() != 32 ? 0 : image.width());
    v.height = std::clamp(height, 0, image.isNull() || image.depth() != 32 ? 0 : image.height());
    v.planes = 3;
    v.values.assign(std::size_t(3) * std::size_t(v.width) * std::size_t(v.height), 0);
    const int channel[3] = {kRed, kGreen, kBlue};
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < v.height; ++y) {
            const uint8_t* row = pixelRow(image, y);
            int32_t* out = &v.values[(std::size_t(c) * std::size_t(v.height) + std::size_t(y)) * std::size_t(v.width)];
            for (int x = 0; x < v.width; ++x) out[x] = row[4 * x + channel[c]];
        }
    return v;
}

QByteArray encodeFits(const FitsValues& image, const FitsKeywords& keywords, QString& error)
{
    if (image.width <= 0 || image.height <= 0 || (image.planes != 1 && image.planes != 3) ||
        image.values.size() != std::size_t(image.width) * std::size_t(image.height) * std::size_t(image.planes)) {
        error = tr("image vide");
        return {};
    }
    MemoryFile memory;
    memory.size = std::size_t(kFitsBlock) * 4;
    memory.data = std::malloc(memory.size);
    if (!memory.data) {
        error = tr("mémoire insuffisante");
        return {};
    }
    int status = 0;
    fitsfile* raw = nullptr;
    fits_create_memfile(&raw, &memory.data, &memory.size, std::size_t(kFitsBlock) * 64, &std::realloc, &status);
    if (status) {
        error = fitsError(status);
        return {};
    }
    FitsHandle file(raw);
    long axes[3] = {image.width, image.height, image.planes};
    fits_create_img(raw, LONG_IMG, image.planes == 3 ? 3 : 2, axes, &status);
    writeKeywords(raw, keywords, status);
    // FITS rows go upwards: the image's bottom row is stored first.
    std::vector<int32_t> row(static_cast<std::size_t>(image.width));
    for (int p = 0; p < image.planes && !status; ++p) {
        for (int y = 0; y < image.height && !status; ++y) {
            const int32_t* from = &image.values[(std::size_t(p) * std::size_t(image.height) + std::size_t(y)) *
                                                std::size_t(image.width)];
            std::copy(from, from + image.width, row.begin());
            long first[3] = {1, long(image.height - y), long(p + 1)};
            fits_write_pix(raw, TINT, first, image.width, row.data(), &status);
        }
    }
    LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
    fits_get_hduaddrll(raw, &headStart, &dataStart, &dataEnd, &status);
    if (status) {
        error = fitsError(status);
        return {};
    }
    file.reset(); // the close pads the last block
    const long long length = (dataEnd + kFitsBlock - 1) / kFitsBlock * kFitsBlock;
    if (length <= 0 || std::size_t(length) > memory.size) {
        error = tr("fichier FITS incomplet");
        return {};
    }
    return QByteArray(static_cast<const char*>(memory.data), qsizetype(length));
}

bool writeFitsFile(const QString& path, const FitsValues& image, const FitsKeywords& keywords, QString& error)
{
    const QByteArray data = encodeFits(image, keywords, error);
    return !data.isEmpty() && replaceFile(path, data.constData(), data.size(), error);
}

bool writeNewFitsFile(const QString& path, const FitsValues& image, const FitsKeywords& keywords, QString& error)
{
    const QByteArray data = encodeFits(image, keywords, error);
    bool exists = false;
    return !data.isEmpty() && createNewFile(path, data.constData(), data.size(), error, exists);
}

FitsReadResult readFitsFrame(const QString& path, QImage& target, int maxWidth, int maxHeight)
{
    FitsReadResult r;
    int status = 0;
    fitsfile* raw = nullptr;
    // The disk file as it is named: no filter or section syntax in the name.
    const QByteArray name = QFile::encodeName(path);
    fits_open_diskfile(&raw, name.constData(), READONLY, &status);
    if (status) {
        r.error = status == FILE_NOT_OPENED ? tr("lecture impossible") : tr("ce n'est pas un fichier FITS");
        return r;
    }
    FitsHandle file(raw);
    int bitpix = 0, naxis = 0;
    LONGLONG axes[3] = {0, 0, 0};
    fits_get_img_paramll(raw, 3, &bitpix, &naxis, axes, &status);
    if (status) {
        r.error = tr("en-tête FITS invalide");
        return r;
    }
    if (naxis < 2 || naxis > 3 || axes[0] <= 0 || axes[1] <= 0 || (naxis == 3 && axes[2] != 1 && axes[2] != 3)) {
        r.error = tr("image FITS de %1 axes non prise en charge").arg(naxis);
        return r;
    }
    if (axes[0] > maxWidth || axes[1] > maxHeight) {
        r.tooLarge = true;
        r.width = int(std::min<LONGLONG>(axes[0], 1 << 30));
        r.height = int(std::min<LONGLONG>(axes[1], 1 << 30));
        r.error = tr("taille %1x%2 supérieure à %3x%4").arg(r.width).arg(r.height).arg(maxWidth).arg(maxHeight);
        return r;
    }
    if (target.width() < axes[0] || target.height() < axes[1] || target.depth() != 32) {
        r.error = tr("image de destination trop petite");
        return r;
    }
    const int width = int(axes[0]), height = int(axes[1]), planes = naxis == 3 ? int(axes[2]) : 1;
    char order[FLEN_VALUE] = {};
    int orderStatus = 0;
    fits_read_key(raw, TSTRING, "ROWORDER", order, nullptr, &orderStatus);
    const bool topDown = orderStatus == 0 && QByteArray(order).trimmed() == "TOP-DOWN";
    // Scale of the data to 8 bits, from the type the values are stored as once scaled.
    int equivalent = bitpix;
    fits_get_img_equivtype(raw, &equivalent, &status);
    const LONGLONG values = LONGLONG(width) * height * planes; // at most 800 x 600 x 3, checked above
    const std::size_t planeSize = std::size_t(width) * std::size_t(height);
    // The whole image in one read: 8-bit data as it is, anything else as
    // floating point scaled to 0..255.
    std::vector<uint8_t> levels(static_cast<std::size_t>(values));
    int anyNull = 0;
    if (equivalent == BYTE_IMG) {
        unsigned char nothing = 0;
        fits_read_img(raw, TBYTE, 1, values, &nothing, levels.data(), &anyNull, &status);
    } else {
        const float scale = equivalent == USHORT_IMG || equivalent == SHORT_IMG ? 255.0f / 65535.0f
                            : equivalent == FLOAT_IMG || equivalent == DOUBLE_IMG ? 255.0f
                                                                                  : 1.0f;
        std::vector<float> data(static_cast<std::size_t>(values));
        float nothing = 0;
        fits_read_img(raw, TFLOAT, 1, values, &nothing, data.data(), &anyNull, &status);
        for (std::size_t i = 0; i < data.size() && !status; ++i) {
            const float v = std::isfinite(data[i]) ? std::round(data[i] * scale) : 0.0f;
            levels[i] = uint8_t(std::clamp(v, 0.0f, 255.0f));
        }
    }
    for (int fy = 0; fy < height && !status; ++fy) {
        uint8_t* out = pixelRow(target, topDown ? fy : height - 1 - fy);
        const uint8_t* in = levels.data() + std::size_t(fy) * std::size_t(width);
        if (planes == 1) {
            for (int x = 0; x < width; ++x) {
                out[4 * x + kBlue] = out[4 * x + kGreen] = out[4 * x + kRed] = in[x];
                out[4 * x + 3] = 0xff;
            }
        } else {
            const uint8_t *red = in, *green = in + planeSize, *blue = in + 2 * planeSize;
            for (int x = 0; x < width; ++x) {
                out[4 * x + kRed] = red[x];
                out[4 * x + kGreen] = green[x];
                out[4 * x + kBlue] = blue[x];
                out[4 * x + 3] = 0xff;
            }
        }
    }
    if (status) {
        r.error = tr("fichier tronqué");
        return r;
    }
    r.ok = true;
    r.width = width;
    r.height = height;
    return r;
}

} // namespace velumbra

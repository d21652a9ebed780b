#pragma once
#include "core/Geometry.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace velumbra {

// The corrected sums of a result as a FITS image keeps them: 32-bit signed
// integers (BZERO 0), three planes red, green, blue (NAXIS3 = 3) or one
// grey plane, rows stored bottom row first as FITS readers expect.
struct FitsValues {
    int width = 0;
    int height = 0;
    int planes = 3;
    // planes x height x width, plane by plane, each row from the left, the
    // image's top row first (the writer turns them over).
    std::vector<int32_t> values;

    int32_t at(int x, int y, int plane) const
    {
        return values[(std::size_t(plane) * std::size_t(height) + std::size_t(y)) * std::size_t(width) + std::size_t(x)];
    }
};

// What the header tells besides the pixels.
struct FitsKeywords {
    QDateTime dateObs;                   // start of the observation; absent when invalid
    std::optional<double> exposureSeconds; // EXPTIME, the summed exposure when known
    int frames = 0;                      // NCOMBINE
    int binning = 1;                     // XBINNING, YBINNING
    int darkFrames = 0;                  // frames of the dark master applied, 0 = none
    bool flatApplied = false;
    bool grey = false;
    bool inverted = false;
    std::optional<double> focalLengthMm; // FOCALLEN
    std::optional<double> pixelWidthUm;  // XPIXSZ
    std::optional<double> pixelHeightUm; // YPIXSZ
    QString creator;                     // the program's name and version
    int32_t displayLow = 0;              // the thresholds: CBLACK, CWHITE
    int32_t displayHigh = 0;
};

// The result planes of the last render, as shown in a width x height result
// image whose pixel (x, y) shows cell (x, y): cells outside `rendered` (and
// channels not shown) are 0. In grey mode, one plane: the mean of the shown
// channels, rounded to the nearest whole value.
FitsValues resultValues(const int32_t* resultPlane, const Rect& rendered, int width, int height, bool grey,
                        bool red, bool green, bool blue);

// The red, green and blue levels of the top-left width x height of an
// RGB32 image, as three planes: a frame shown as it came.
FitsValues imageValues(const QImage& image, int width, int height);

// Encodes the whole FITS file in memory; empty with `error` set on failure.
QByteArray encodeFits(const FitsValues& image, const FitsKeywords& keywords, QString& error);

// Writes the file as every result is written: under a temporary name, then
// renamed over `path` (see replaceFile).
bool writeFitsFile(const QString& path, const FitsValues& image, const FitsKeywords& keywords, QString& error);
// The same for a file that must be new: whatever is at `path` stays as it was.
bool writeNewFitsFile(const QString& path, const FitsValues& image, const FitsKeywords& keywords, QString& error);

// Outcome of reading a FITS frame into a frame bitmap.
struct FitsReadResult {
    bool ok = false;
    int width = 0;
    int height = 0;
    QString error;
    bool tooLarge = false;
};

// Reads the first image of a FITS file as an 8-bit frame into the top-left
// of `target` (RGB32): one plane gives grey pixels, three planes red, green,
// blue. 8-bit data is taken as it is; 16-bit data is scaled to 8 bits
// (65535 gives 255), floating-point data from 0..1, other integers are
// clipped to 0..255. Rows are bottom-up unless ROWORDER says TOP-DOWN.
// Sizes are checked before anything is allocated.
FitsReadResult readFitsFrame(const QString& path, QImage& target, int maxWidth = 800, int maxHeight = 600);

} // namespace velumbra

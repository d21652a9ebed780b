#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

namespace velumbra {

// A FITS image held in memory, as a camera hands it over (an INDI BLOB):
// the primary header's facts and where its data starts. Only 8- and 16-bit
// integer images of one plane (grey or a sensor mosaic) or three (red,
// green, blue) are taken.
struct FitsFrameInfo {
    int width = 0;
    int height = 0;
    int planes = 1;
    int bitpix = 0;
    double bzero = 0;
    double bscale = 1;
    bool topDown = false;     // ROWORDER = 'TOP-DOWN'; otherwise the first row is the bottom one
    QString bayerPattern;     // BAYERPAT ("RGGB", ...), empty when none
    int bayerXOffset = 0;     // XBAYROFF
    int bayerYOffset = 0;     // YBAYROFF
    QDateTime dateObs;        // DATE-OBS (UTC), invalid when absent
    qsizetype dataOffset = 0; // first data byte in the buffer
};

// Reads the primary header; checks that the whole data is in `bytes` before
// saying yes. False with a reason (French, for the message panel) otherwise.
bool parseFitsFrame(const QByteArray& bytes, FitsFrameInfo& info, QString& error);

// How 16-bit values become 8 bits: the top eight bits, or a linear stretch
// where `low` gives 0 and `high` gives 255.
struct DepthTable {
    std::array<uint8_t, 65536> levels{};
    void topBits();
    void stretch(int low, int high);
};

// Writes the image into the top-left of `target` (RGB32, at least width x
// height): one plane in all three colours, three planes as red, green,
// blue; 16-bit values through `depth`. Rows come out top first. The caller
// checked the size against the target.
void decodeFitsFrame(const QByteArray& bytes, const FitsFrameInfo& info, const DepthTable& depth, QImage& target);

// The RAW step's layout ("Mode 1".."Mode 4", 0..3) of a FITS mosaic as it
// comes out of decodeFitsFrame; -1 when the pattern is not one of the four.
int rawModeOfFits(const FitsFrameInfo& info);

} // namespace velumbra

#pragma once
#include "simulator/SkySimulator.h"
#include "app/stack/StackText.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace velumbra::stack {

enum class StackMode { Single, Loop, Dark, Flat };
enum class TrackMethod { None, Brightest, Axes, Edges };
// Frames brought onto the first by their stars (a turn and a shift) before they are added.
enum class Registration { None, Stars, Planet };
// The result file: an 8-bit image as displayed, or the corrected sums.
enum class ResultFormat { Bmp, Fits };

// Whether a file name ends like a FITS file (.fits, .fit, .fts, any case).
bool namesAFits(const QString& path);

// Everything the command line of velumbra-stack chooses. Unset optional
// values take the defaults the run derives from the frames (frame width,
// frame centre, full-range thresholds).
struct StackOptions {
    QStringList frames;
    QString output;
    ResultFormat format = ResultFormat::Bmp;
    bool writePar = false;

    StackMode mode = StackMode::Single;
    std::optional<int> count; // SPED_Nb_Bitmap; default 0, or 1 in loop mode

    QStringList darks;
    QStringList flats;
    std::optional<int> darkLevel; // TNI_MaxDark, whole percent; default 100 with darks
    std::optional<int> smartDarkRadius; // smart dark instead of subtraction

    int binning = 1;
    bool invert = false;
    bool grey = false;
    bool red = true, green = true, blue = true;

    std::optional<int> minimum; // SCB_Minimum
    std::optional<int> maximum; // SCB_Maximum

    std::optional<int> zoneSize; // TNI_Taille_ZAffich
    std::optional<int> centerX, centerY;

    TrackMethod track = TrackMethod::None;
    int detectSize = 40; // TNI_Taille_ZDetect
    int tolerance = 0;
    bool darkObject = false;

    int rawMode = 0; // 0 = off, else 1..4

    int simulate = 0; // frames from the sky simulator
    uint32_t seed = SkySimulator::kDefaultSeed; // the program's own sky
    int simWidth = 640, simHeight = 480;
    bool planet = false; // the simulator shows a planet
    double fieldRotation = 0; // degrees per minute the simulated field turns

    Registration registration = Registration::None;
    // Lucky imaging: only the sharpest percent of the light frames is stacked.
    std::optional<int> bestPercent;

    // Frame selection, one at most: the quality score (JPEG bytes) at least
    // the threshold, the detection zone's mean brightness above it, or
    // motion against a reference frame.
    std::optional<int> selectQuality;
    int jpegQuality = 30; // 1..100
    std::optional<int> selectBrightness;
    std::optional<int> motionLevel; // 0..255, per channel
    std::optional<int> motionCount; // 0..10000, in 1/10000 of the frame
    QString referenceFile;

    // --indi: live frames of an INDI camera (IndiCameraOptions's defaults).
    QString indiCamera;
    QString indiHost = QStringLiteral("localhost");
    int indiPort = 7624;
    std::optional<int> exposureMs;
    std::optional<int> gain;
    int cameraBinning = 1;
    int frameX = -1, frameY = -1;

    QString logFile;
    QString saveFramesDir;
    QString serFile; // the light frames recorded as a SER video
    bool quiet = false;
};

struct ParsedCommandLine {
    enum class Outcome { Run, Help, Version, Error };
    Outcome outcome = Outcome::Error;
    StackOptions options;
    QString error;        // with Outcome::Error
    QStringList warnings; // options given twice or without effect
};

// Parses the arguments after the program name. Options take their value as
// the next argument or after "="; "--" ends the options. Errors and
// warnings are in the language of `text`.
ParsedCommandLine parseStackCommandLine(const QStringList& arguments, const StackText& text = StackText());

// The text of --help.
QString stackUsage(const StackText& text = StackText());

} // namespace velumbra::stack

#include "app/stack/StackOptions.h"

#include <QRegularExpression>
#include <limits>

namespace velumbra::stack {

namespace {

// A whole number in [lo, hi], or nothing.
std::optional<long long> wholeNumber(const QString& text, long long lo, long long hi)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < lo || v > hi) return std::nullopt;
    return v;
}

const QStringList& valueOptions()
{
    static const QStringList names = {
        "--output", "--mode", "--count", "--dark", "--flat", "--dark-level", "--smart-dark", "--binning",
        "--channels", "--min", "--max", "--zone", "--center", "--track", "--detect", "--tolerance", "--raw",
        "--simulate", "--seed", "--size", "--log", "--save-frames"};
    return names;
}

const QStringList& flagOptions()
{
    static const QStringList names = {"--par", "--invert", "--grey", "--dark-object", "--quiet", "--help"};
    return names;
}

} // namespace

ParsedCommandLine parseStackCommandLine(const QStringList& arguments)
{
    ParsedCommandLine parsed;
    StackOptions& o = parsed.options;
    auto fail = [&](const QString& message) {
        parsed.outcome = ParsedCommandLine::Outcome::Error;
        parsed.error = message;
        return parsed;
    };
    auto badValue = [&](const QString& name, const QString& value, const QString& expected) {
        return fail(QStringLiteral("invalid value '%1' for %2 (expected %3)").arg(value, name, expected));
    };

    bool optionsEnded = false;
    bool help = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            o.frames << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = arg;
        std::optional<QString> value;
        if (arg == QLatin1String("-o")) {
            name = QStringLiteral("--output");
        } else if (arg == QLatin1String("-h")) {
            name = QStringLiteral("--help");
        } else if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            name = arg.section(QLatin1Char('='), 0, 0);
            value = arg.section(QLatin1Char('='), 1);
        }
        if (flagOptions().contains(name)) {
            if (value) return fail(QStringLiteral("%1 takes no value").arg(name));
            if (name == QLatin1String("--par")) o.writePar = true;
            else if (name == QLatin1String("--invert")) o.invert = true;
            else if (name == QLatin1String("--grey")) o.grey = true;
            else if (name == QLatin1String("--dark-object")) o.darkObject = true;
            else if (name == QLatin1String("--quiet")) o.quiet = true;
            else help = true;
            continue;
        }
        if (!valueOptions().contains(name)) return fail(QStringLiteral("unknown option %1").arg(arg));
        if (!value) {
            if (i + 1 >= arguments.size()) return fail(QStringLiteral("%1 needs a value").arg(name));
            value = arguments[++i];
        }
        const QString v = *value;

        if (name == QLatin1String("--output")) {
            if (v.isEmpty()) return badValue(name, v, QStringLiteral("a file name"));
            o.output = v;
        } else if (name == QLatin1String("--mode")) {
            if (v == QLatin1String("single")) o.mode = StackMode::Single;
            else if (v == QLatin1String("loop")) o.mode = StackMode::Loop;
            else if (v == QLatin1String("dark")) o.mode = StackMode::Dark;
            else if (v == QLatin1String("flat")) o.mode = StackMode::Flat;
            else return badValue(name, v, QStringLiteral("single, loop, dark or flat"));
        } else if (name == QLatin1String("--count")) {
            const auto n = wholeNumber(v, 0, 999);
            if (!n) return badValue(name, v, QStringLiteral("0..999"));
            o.count = int(*n);
        } else if (name == QLatin1String("--dark")) {
            o.darks << v;
        } else if (name == QLatin1String("--flat")) {
            o.flats << v;
        } else if (name == QLatin1String("--dark-level")) {
            const auto n = wholeNumber(v, 0, 100);
            if (!n) return badValue(name, v, QStringLiteral("a whole percentage 0..100"));
            o.darkLevel = int(*n);
        } else if (name == QLatin1String("--smart-dark")) {
            const auto n = wholeNumber(v, 1, 9);
            if (!n) return badValue(name, v, QStringLiteral("a radius 1..9"));
            o.smartDarkRadius = int(*n);
        } else if (name == QLatin1String("--binning")) {
            const auto n = wholeNumber(v, 1, 2);
            if (!n) return badValue(name, v, QStringLiteral("1 or 2"));
            o.binning = int(*n);
        } else if (name == QLatin1String("--channels")) {
            static const QRegularExpression channels(QStringLiteral("^[rgb]+$"));
            if (!channels.match(v).hasMatch()) return badValue(name, v, QStringLiteral("letters among r, g, b"));
            o.red = v.contains(QLatin1Char('r'));
            o.green = v.contains(QLatin1Char('g'));
            o.blue = v.contains(QLatin1Char('b'));
        } else if (name == QLatin1String("--min") || name == QLatin1String("--max")) {
            const auto n = wholeNumber(v, 0, 65535);
            if (!n) return badValue(name, v, QStringLiteral("0..65535"));
            (name == QLatin1String("--min") ? o.minimum : o.maximum) = int(*n);
        } else if (name == QLatin1String("--zone")) {
            const auto n = wholeNumber(v, 20, 800);
            if (!n) return badValue(name, v, QStringLiteral("20..800"));
            o.zoneSize = int(*n);
        } else if (name == QLatin1String("--center")) {
            const QStringList xy = v.split(QLatin1Char(','));
            const auto x = xy.size() == 2 ? wholeNumber(xy[0], 0, 799) : std::nullopt;
            const auto y = xy.size() == 2 ? wholeNumber(xy[1], 0, 599) : std::nullopt;
            if (!x || !y) return badValue(name, v, QStringLiteral("X,Y inside the frame"));
            o.centerX = int(*x);
            o.centerY = int(*y);
        } else if (name == QLatin1String("--track")) {
            if (v == QLatin1String("brightest")) o.track = TrackMethod::Brightest;
            else if (v == QLatin1String("axes")) o.track = TrackMethod::Axes;
            else if (v == QLatin1String("edges")) o.track = TrackMethod::Edges;
            else return badValue(name, v, QStringLiteral("brightest, axes or edges"));
        } else if (name == QLatin1String("--detect")) {
            const auto n = wholeNumber(v, 3, 320);
            if (!n) return badValue(name, v, QStringLiteral("3..320"));
            o.detectSize = int(*n);
        } else if (name == QLatin1String("--tolerance")) {
            const auto n = wholeNumber(v, 0, 255);
            if (!n) return badValue(name, v, QStringLiteral("0..255"));
            o.tolerance = int(*n);
        } else if (name == QLatin1String("--raw")) {
            const auto n = wholeNumber(v, 1, 4);
            if (!n) return badValue(name, v, QStringLiteral("1..4"));
            o.rawMode = int(*n);
        } else if (name == QLatin1String("--simulate")) {
            const auto n = wholeNumber(v, 1, 1000000);
            if (!n) return badValue(name, v, QStringLiteral("a frame count 1..1000000"));
            o.simulate = int(*n);
        } else if (name == QLatin1String("--seed")) {
            const auto n = wholeNumber(v, 0, std::numeric_limits<uint32_t>::max());
            if (!n) return badValue(name, v, QStringLiteral("0..4294967295"));
            o.seed = uint32_t(*n);
        } else if (name == QLatin1String("--size")) {
            const QStringList wh = v.split(QLatin1Char('x'));
            const auto w = wh.size() == 2 ? wholeNumber(wh[0], 20, 800) : std::nullopt;
            const auto h = wh.size() == 2 ? wholeNumber(wh[1], 20, 600) : std::nullopt;
            if (!w || !h) return badValue(name, v, QStringLiteral("WIDTHxHEIGHT up to 800x600"));
            o.simWidth = int(*w);
            o.simHeight = int(*h);
        } else if (name == QLatin1String("--log")) {
            if (v.isEmpty()) return badValue(name, v, QStringLiteral("a file name"));
            o.logFile = v;
        } else if (name == QLatin1String("--save-frames")) {
            if (v.isEmpty()) return badValue(name, v, QStringLiteral("a folder"));
            o.saveFramesDir = v;
        }
    }

    if (help) {
        parsed.outcome = ParsedCommandLine::Outcome::Help;
        return parsed;
    }
    if (o.output.isEmpty()) return fail(QStringLiteral("no output file (-o FILE)"));
    if (o.simulate > 0 && !o.frames.isEmpty())
        return fail(QStringLiteral("frame files and --simulate exclude each other"));
    if (o.simulate == 0 && o.frames.isEmpty()) return fail(QStringLiteral("no frames given"));
    if (o.darkLevel && o.darks.isEmpty())
        return fail(QStringLiteral("--dark-level needs dark frames (--dark FILE)"));
    if (o.smartDarkRadius && o.darks.isEmpty())
        return fail(QStringLiteral("--smart-dark needs dark frames (--dark FILE)"));
    parsed.outcome = ParsedCommandLine::Outcome::Run;
    return parsed;
}

QString stackUsage()
{
    return QStringLiteral(
        "Usage: velumbra-stack [OPTIONS] FRAME.bmp...\n"
        "Stacks BMP frames with the engine of the Velumbra windows: each frame goes\n"
        "through the frame routine as a new frame with the target active, is\n"
        "integrated, corrected for dark and flat, mapped to 8 bits between the two\n"
        "thresholds and written as a 24-bit BMP.\n"
        "\n"
        "Output\n"
        "  -o, --output FILE     result image, 24-bit BMP (required); written under a\n"
        "                        temporary name and renamed, never half-written\n"
        "      --par             also write the parameter record beside it (same base\n"
        "                        name, .par), as the result window does\n"
        "      --log FILE        CSV, one line per frame: frame,file,selected,star_x,\n"
        "                        star_y,intensity_min,intensity_max (intensities are\n"
        "                        measured by tracking; empty without --track)\n"
        "      --save-frames DIR write every light frame as it goes into the stack\n"
        "                        (after --raw) to DIR/frame-00001.bmp, ...\n"
        "\n"
        "Integration\n"
        "      --mode MODE       single (default, \"Integration illimitee\"), loop (sum of\n"
        "                        the last --count frames), dark or flat (the frames make\n"
        "                        a dark or flat master, which is the result)\n"
        "      --count N         SPED_Nb_Bitmap: loop length in loop mode, stop count in\n"
        "                        the other modes; 0 = no limit (default 0, 1 in loop mode);\n"
        "                        frames after the stop count are not read\n"
        "      --dark FILE       a dark frame, integrated first into the dark master\n"
        "                        (repeatable)\n"
        "      --dark-level PCT  dark level TNI_MaxDark, 0..100 (default 100 with darks,\n"
        "                        10 with --smart-dark)\n"
        "      --smart-dark R    smart dark with box radius R (1..9) instead of\n"
        "                        subtraction: cells whose dark mean exceeds 255 minus\n"
        "                        2.55 x the level are replaced by their box border\n"
        "      --flat FILE       a flat frame, integrated into the flat master\n"
        "                        (repeatable); flat correction is then on\n"
        "      --binning 1|2     1x1 (default) or 2x2 binning\n"
        "\n"
        "Display\n"
        "      --min V           low threshold, plane units 0..65535\n"
        "      --max V           high threshold, plane units 0..65535\n"
        "                        (without them: the smallest and largest value of the\n"
        "                        result, a full-range stretch, inverted values too)\n"
        "      --grey            grey levels (mean of the chosen channels); default colour\n"
        "      --channels LIST   channels used, letters among r, g, b (default rgb)\n"
        "      --invert          inverted result (65535 - value)\n"
        "\n"
        "Zone and tracking\n"
        "      --zone SIZE       display zone size TNI_Taille_ZAffich, 20..800 (default:\n"
        "                        the frame width, so the zone is the whole frame)\n"
        "      --center X,Y      starting target position (default: the frame centre)\n"
        "      --track METHOD    follow the object: brightest (\"Pixel Brillant\"), axes\n"
        "                        (\"Somme Axes\") or edges (\"Detect.Bords\"); the zone\n"
        "                        follows it and the stack is stabilised\n"
        "      --detect SIZE     detection zone size, 3..320 (default 40)\n"
        "      --tolerance T     tracking tolerance, 0..255 (default 0)\n"
        "      --dark-object     follow a dark object on a bright background (\"Inverser\")\n"
        "\n"
        "Frames\n"
        "      --raw MODE        RAW demosaic of every frame as loaded, mosaic 1..4\n"
        "      --simulate N      N frames of the sky simulator instead of files\n"
        "      --seed S          simulator seed (default 1)\n"
        "      --size WxH        simulated frame size (default 640x480)\n"
        "\n"
        "Other\n"
        "      --quiet           no progress bar\n"
        "  -h, --help            this text\n"
        "\n"
        "The result has the size of the display zone as the result window shows it,\n"
        "at most the frame size (halved by 2x2 binning). Frames of a size other than\n"
        "the first frame's are refused.\n"
        "\n"
        "Exit status: 0 every frame was stacked; 3 some frames could not be read (each\n"
        "reported on stderr and skipped); 1 nothing could be stacked or the result\n"
        "could not be written; 2 usage error.\n");
}

} // namespace velumbra::stack

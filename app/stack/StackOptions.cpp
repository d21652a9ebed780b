#include "app/stack/StackOptions.h"

#include <cmath>
#include "indi/IndiSettings.h"

#include <QRegularExpression>
#include <QSet>
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
        "--simulate", "--seed", "--size", "--log", "--save-frames", "--select-quality", "--jpeg-quality",
        "--select-brightness", "--motion", "--reference", "--format", "--ser", "--indi", "--exposure", "--gain",
        "--camera-binning", "--subframe", "--register", "--field-rotation", "--best"};
    return names;
}

const QStringList& flagOptions()
{
    static const QStringList names = {"--par", "--invert", "--grey", "--dark-object", "--quiet", "--help", "--version",
                                      "--planet"};
    return names;
}

// Options that add a file each time they are given.
bool repeatable(const QString& name)
{
    return name == QLatin1String("--dark") || name == QLatin1String("--flat");
}

// The result's name says its format: another extension would name a
// format the file does not hold.
bool namesABmp(const QString& output)
{
    return output.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive);
}

} // namespace

bool namesAFits(const QString& path)
{
    for (const char* ending : {".fits", ".fit", ".fts"})
        if (path.endsWith(QLatin1String(ending), Qt::CaseInsensitive)) return true;
    return false;
}

ParsedCommandLine parseStackCommandLine(const QStringList& arguments, const StackText& text)
{
    ParsedCommandLine parsed;
    StackOptions& o = parsed.options;
    auto fail = [&](const QString& message) {
        parsed.outcome = ParsedCommandLine::Outcome::Error;
        parsed.error = message;
        return parsed;
    };
    auto badValue = [&](const QString& name, const QString& value, const QString& expected) {
        return fail(text(Msg::InvalidValue, {value, name, expected}));
    };
    QSet<QString> seen;

    std::optional<ResultFormat> format;
    bool optionsEnded = false;
    bool help = false;
    bool version = false;
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
        if ((flagOptions().contains(name) || valueOptions().contains(name)) && !repeatable(name)) {
            if (seen.contains(name)) parsed.warnings << text(Msg::GivenTwice, {name});
            seen.insert(name);
        }
        if (flagOptions().contains(name)) {
            if (value) return fail(text(Msg::TakesNoValue, {name}));
            if (name == QLatin1String("--par")) o.writePar = true;
            else if (name == QLatin1String("--invert")) o.invert = true;
            else if (name == QLatin1String("--grey")) o.grey = true;
            else if (name == QLatin1String("--dark-object")) o.darkObject = true;
            else if (name == QLatin1String("--quiet")) o.quiet = true;
            else if (name == QLatin1String("--planet")) o.planet = true;
            else if (name == QLatin1String("--version")) version = true;
            else help = true;
            continue;
        }
        if (!valueOptions().contains(name)) return fail(text(Msg::UnknownOption, {arg}));
        if (!value) {
            if (i + 1 >= arguments.size()) return fail(text(Msg::NeedsValue, {name}));
            value = arguments[++i];
        }
        const QString v = *value;

        if (name == QLatin1String("--output")) {
            if (v.isEmpty()) return badValue(name, v, text(Msg::ExpectFileName));
            o.output = v;
        } else if (name == QLatin1String("--format")) {
            if (v == QLatin1String("bmp")) format = ResultFormat::Bmp;
            else if (v == QLatin1String("fits")) format = ResultFormat::Fits;
            else return badValue(name, v, text(Msg::ExpectFormat));
        } else if (name == QLatin1String("--ser")) {
            if (v.isEmpty()) return badValue(name, v, text(Msg::ExpectFileName));
            o.serFile = v;
        } else if (name == QLatin1String("--mode")) {
            if (v == QLatin1String("single")) o.mode = StackMode::Single;
            else if (v == QLatin1String("loop")) o.mode = StackMode::Loop;
            else if (v == QLatin1String("dark")) o.mode = StackMode::Dark;
            else if (v == QLatin1String("flat")) o.mode = StackMode::Flat;
            else return badValue(name, v, text(Msg::ExpectMode));
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
            if (!n) return badValue(name, v, text(Msg::ExpectPercent));
            o.darkLevel = int(*n);
        } else if (name == QLatin1String("--smart-dark")) {
            const auto n = wholeNumber(v, 1, 9);
            if (!n) return badValue(name, v, text(Msg::ExpectRadius));
            o.smartDarkRadius = int(*n);
        } else if (name == QLatin1String("--binning")) {
            const auto n = wholeNumber(v, 1, 2);
            if (!n) return badValue(name, v, text(Msg::ExpectBinning));
            o.binning = int(*n);
        } else if (name == QLatin1String("--channels")) {
            static const QRegularExpression channels(QStringLiteral("^[rgb]+$"));
            if (!channels.match(v).hasMatch()) return badValue(name, v, text(Msg::ExpectChannels));
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
            if (!x || !y) return badValue(name, v, text(Msg::ExpectCenter));
            o.centerX = int(*x);
            o.centerY = int(*y);
        } else if (name == QLatin1String("--track")) {
            if (v == QLatin1String("brightest")) o.track = TrackMethod::Brightest;
            else if (v == QLatin1String("axes")) o.track = TrackMethod::Axes;
            else if (v == QLatin1String("edges")) o.track = TrackMethod::Edges;
            else return badValue(name, v, text(Msg::ExpectTrack));
        } else if (name == QLatin1String("--register")) {
            if (v == QLatin1String("stars")) o.registration = Registration::Stars;
            else if (v == QLatin1String("planet")) o.registration = Registration::Planet;
            else return badValue(name, v, text(Msg::ExpectRegister));
        } else if (name == QLatin1String("--best")) {
            const auto n = wholeNumber(v, 1, 100);
            if (!n) return badValue(name, v, QStringLiteral("1..100"));
            o.bestPercent = int(*n);
        } else if (name == QLatin1String("--field-rotation")) {
            bool ok = false;
            const double rate = v.toDouble(&ok);
            if (!ok || !std::isfinite(rate) || std::abs(rate) > 60.0) return badValue(name, v, QStringLiteral("-60..60"));
            o.fieldRotation = rate;
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
            if (!n) return badValue(name, v, text(Msg::ExpectFrameCount));
            o.simulate = int(*n);
        } else if (name == QLatin1String("--indi")) {
            const int at = int(v.lastIndexOf(QLatin1Char('@')));
            o.indiCamera = (at < 0 ? v : v.left(at)).trimmed();
            if (o.indiCamera.isEmpty() || (at >= 0 && !parseIndiServer(v.mid(at + 1), o.indiHost, o.indiPort)))
                return badValue(name, v, text(Msg::ExpectIndiCamera));
        } else if (name == QLatin1String("--exposure")) {
            const auto n = wholeNumber(v, 1, 3600000);
            if (!n) return badValue(name, v, QStringLiteral("1..3600000"));
            o.exposureMs = int(*n);
        } else if (name == QLatin1String("--gain")) {
            const auto n = wholeNumber(v, 0, 1000000);
            if (!n) return badValue(name, v, QStringLiteral("0..1000000"));
            o.gain = int(*n);
        } else if (name == QLatin1String("--camera-binning")) {
            const auto n = wholeNumber(v, 1, 4);
            if (!n) return badValue(name, v, QStringLiteral("1..4"));
            o.cameraBinning = int(*n);
        } else if (name == QLatin1String("--subframe")) {
            const QStringList xy = v.split(QLatin1Char(','));
            const auto x = xy.size() == 2 ? wholeNumber(xy[0], 0, 100000) : std::nullopt;
            const auto y = xy.size() == 2 ? wholeNumber(xy[1], 0, 100000) : std::nullopt;
            if (!x || !y) return badValue(name, v, text(Msg::ExpectCorner));
            o.frameX = int(*x);
            o.frameY = int(*y);
        } else if (name == QLatin1String("--seed")) {
            const auto n = wholeNumber(v, 0, std::numeric_limits<uint32_t>::max());
            if (!n) return badValue(name, v, QStringLiteral("0..4294967295"));
            o.seed = uint32_t(*n);
        } else if (name == QLatin1String("--size")) {
            const QStringList wh = v.split(QLatin1Char('x'));
            const auto w = wh.size() == 2 ? wholeNumber(wh[0], 20, 800) : std::nullopt;
            const auto h = wh.size() == 2 ? wholeNumber(wh[1], 20, 600) : std::nullopt;
            if (!w || !h) return badValue(name, v, text(Msg::ExpectSize));
            o.simWidth = int(*w);
            o.simHeight = int(*h);
        } else if (name == QLatin1String("--select-quality")) {
            const auto n = wholeNumber(v, 0, 9999999);
            if (!n) return badValue(name, v, QStringLiteral("0..9999999"));
            o.selectQuality = int(*n);
        } else if (name == QLatin1String("--jpeg-quality")) {
            const auto n = wholeNumber(v, 1, 100);
            if (!n) return badValue(name, v, QStringLiteral("1..100"));
            o.jpegQuality = int(*n);
        } else if (name == QLatin1String("--select-brightness")) {
            const auto n = wholeNumber(v, 0, 255);
            if (!n) return badValue(name, v, QStringLiteral("0..255"));
            o.selectBrightness = int(*n);
        } else if (name == QLatin1String("--motion")) {
            const QStringList lc = v.split(QLatin1Char(','));
            const auto level = lc.size() == 2 ? wholeNumber(lc[0], 0, 255) : std::nullopt;
            const auto count = lc.size() == 2 ? wholeNumber(lc[1], 0, 10000) : std::nullopt;
            if (!level || !count) return badValue(name, v, text(Msg::ExpectMotion));
            o.motionLevel = int(*level);
            o.motionCount = int(*count);
        } else if (name == QLatin1String("--reference")) {
            if (v.isEmpty()) return badValue(name, v, text(Msg::ExpectFileName));
            o.referenceFile = v;
        } else if (name == QLatin1String("--log")) {
            if (v.isEmpty()) return badValue(name, v, text(Msg::ExpectFileName));
            o.logFile = v;
        } else if (name == QLatin1String("--save-frames")) {
            if (v.isEmpty()) return badValue(name, v, text(Msg::ExpectFolder));
            o.saveFramesDir = v;
        }
    }

    if (help) {
        parsed.outcome = ParsedCommandLine::Outcome::Help;
        return parsed;
    }
    if (version) {
        parsed.outcome = ParsedCommandLine::Outcome::Version;
        return parsed;
    }
    if (o.output.isEmpty()) return fail(text(Msg::NoOutput));
    // Without --format the name decides; with it, the name must agree.
    o.format = format.value_or(namesAFits(o.output) ? ResultFormat::Fits : ResultFormat::Bmp);
    if (o.format == ResultFormat::Bmp && !namesABmp(o.output)) return fail(text(Msg::OutputNotBmp, {o.output}));
    if (o.format == ResultFormat::Fits && !namesAFits(o.output)) return fail(text(Msg::OutputNotFits, {o.output}));
    const bool indi = !o.indiCamera.isEmpty();
    if (indi && (o.simulate > 0 || !o.frames.isEmpty())) return fail(text(Msg::IndiAndFiles));
    if (indi && o.count.value_or(0) <= 0) return fail(text(Msg::IndiNeedsCount));
    if (o.simulate > 0 && !o.frames.isEmpty()) return fail(text(Msg::FilesAndSimulate));
    if (o.simulate == 0 && o.frames.isEmpty() && !indi) return fail(text(Msg::NoFrames));
    if (o.darkLevel && o.darks.isEmpty()) return fail(text(Msg::NeedsDarks, {QStringLiteral("--dark-level")}));
    if (o.registration != Registration::None && o.track != TrackMethod::None)
        return fail(text(Msg::RegisterAndTrack));
    // Registered frames are corrected one by one before they are turned; the
    // smart dark works on the sums' neighbourhoods, which turning mixes.
    if (o.registration != Registration::None && o.smartDarkRadius) return fail(text(Msg::RegisterAndMasters));
    if (o.smartDarkRadius && o.darks.isEmpty()) return fail(text(Msg::NeedsDarks, {QStringLiteral("--smart-dark")}));
    const int selections = int(o.selectQuality.has_value()) + int(o.selectBrightness.has_value()) +
                           int(o.motionLevel.has_value());
    if (selections + int(o.bestPercent.has_value()) > 1) return fail(text(Msg::OneSelection));
    // The sharpest frames are known only once every frame was seen: the frames are read twice.
    if (o.bestPercent && indi) return fail(text(Msg::BestNeedsFrames));
    if (o.motionLevel && o.referenceFile.isEmpty()) return fail(text(Msg::MotionNeedsReference));
    if (o.minimum && o.maximum && *o.minimum > *o.maximum)
        return fail(text(Msg::MinAboveMax, {QString::number(*o.minimum), QString::number(*o.maximum)}));

    // Options that only act through another one.
    // The brightness selection measures the detection square too.
    const QLatin1String track("--track"), simulate("--simulate"), quality("--select-quality"),
        motion("--motion");
    const bool tracking = o.track != TrackMethod::None;
    struct Need {
        const char* option;
        QLatin1String needed;
        bool present;
    };
    const Need needs[] = {
        {"--detect", track, tracking || o.selectBrightness.has_value()},
        {"--tolerance", track, tracking},
        {"--dark-object", track, tracking},
        {"--seed", simulate, o.simulate > 0},
        {"--size", simulate, o.simulate > 0},
        {"--planet", simulate, o.simulate > 0},
        {"--field-rotation", simulate, o.simulate > 0},
        {"--exposure", QLatin1String("--indi"), indi},
        {"--gain", QLatin1String("--indi"), indi},
        {"--camera-binning", QLatin1String("--indi"), indi},
        {"--subframe", QLatin1String("--indi"), indi},
        {"--jpeg-quality", quality, o.selectQuality.has_value()},
        {"--reference", motion, o.motionLevel.has_value()},
    };
    for (const Need& n : needs) {
        const QString name = QString::fromLatin1(n.option);
        if (seen.contains(name) && !n.present) parsed.warnings << text(Msg::NoEffectWithout, {name, n.needed});
    }
    parsed.outcome = ParsedCommandLine::Outcome::Run;
    return parsed;
}

QString stackUsage(const StackText& text) { return text(Msg::Usage); }

} // namespace velumbra::stack

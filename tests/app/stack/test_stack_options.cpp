// Command-line parsing of velumbra-stack: values, forms and refusals.
#include "app/stack/StackOptions.h"
#include "app/stack/StackPaths.h"

#include <gtest/gtest.h>

using namespace velumbra::stack;

namespace {

ParsedCommandLine parse(const QStringList& args) { return parseStackCommandLine(args); }

} // namespace

TEST(StackOptions, DefaultsLeaveTheFrameDerivedValuesUnset)
{
    const auto p = parse({"-o", "out.bmp", "a.bmp", "b.bmp"});
    ASSERT_EQ(p.outcome, ParsedCommandLine::Outcome::Run) << p.error.toStdString();
    const StackOptions& o = p.options;
    EXPECT_EQ(o.output, QStringLiteral("out.bmp"));
    EXPECT_EQ(o.frames, (QStringList{"a.bmp", "b.bmp"}));
    EXPECT_EQ(o.mode, StackMode::Single);
    EXPECT_FALSE(o.count.has_value());
    EXPECT_FALSE(o.minimum.has_value());
    EXPECT_FALSE(o.maximum.has_value());
    EXPECT_FALSE(o.zoneSize.has_value());
    EXPECT_FALSE(o.centerX.has_value());
    EXPECT_EQ(o.binning, 1);
    EXPECT_TRUE(o.red && o.green && o.blue);
    EXPECT_EQ(o.track, TrackMethod::None);
    EXPECT_EQ(o.detectSize, 40);
}

TEST(StackOptions, ValuesTakeEitherFormAndDarksRepeat)
{
    const auto p = parse({"--output=r.bmp", "--mode=loop", "--count", "7", "--dark", "d1.bmp", "--dark=d2.bmp",
                          "--flat", "f.bmp", "--dark-level", "35", "--smart-dark", "3", "--binning=2", "--channels",
                          "gb", "--grey", "--invert", "--min", "10", "--max=900", "--zone", "120", "--center",
                          "33,44", "--track", "edges", "--detect", "24", "--tolerance", "12", "--dark-object", "--raw",
                          "4", "--log", "l.csv", "--par", "--", "-odd.bmp"});
    ASSERT_EQ(p.outcome, ParsedCommandLine::Outcome::Run) << p.error.toStdString();
    const StackOptions& o = p.options;
    EXPECT_EQ(o.output, QStringLiteral("r.bmp"));
    EXPECT_EQ(o.mode, StackMode::Loop);
    EXPECT_EQ(o.count, 7);
    EXPECT_EQ(o.darks, (QStringList{"d1.bmp", "d2.bmp"}));
    EXPECT_EQ(o.flats, QStringList{"f.bmp"});
    EXPECT_EQ(o.darkLevel, 35);
    EXPECT_EQ(o.smartDarkRadius, 3);
    EXPECT_EQ(o.binning, 2);
    EXPECT_FALSE(o.red);
    EXPECT_TRUE(o.green && o.blue && o.grey && o.invert && o.darkObject && o.writePar);
    EXPECT_EQ(o.minimum, 10);
    EXPECT_EQ(o.maximum, 900);
    EXPECT_EQ(o.zoneSize, 120);
    EXPECT_EQ(o.centerX, 33);
    EXPECT_EQ(o.centerY, 44);
    EXPECT_EQ(o.track, TrackMethod::Edges);
    EXPECT_EQ(o.detectSize, 24);
    EXPECT_EQ(o.tolerance, 12);
    EXPECT_EQ(o.rawMode, 4);
    EXPECT_EQ(o.logFile, QStringLiteral("l.csv"));
    // After "--" a name starting with "-" is a frame.
    EXPECT_EQ(o.frames, QStringList{"-odd.bmp"});
}

TEST(StackOptions, SimulatorNeedsNoFiles)
{
    const auto p = parse({"-o", "s.bmp", "--simulate", "20", "--seed", "4000000000", "--size", "320x240"});
    ASSERT_EQ(p.outcome, ParsedCommandLine::Outcome::Run) << p.error.toStdString();
    EXPECT_EQ(p.options.simulate, 20);
    EXPECT_EQ(p.options.seed, 4000000000u);
    EXPECT_EQ(p.options.simWidth, 320);
    EXPECT_EQ(p.options.simHeight, 240);
}

TEST(StackOptions, OutOfRangeAndMalformedValuesAreRefused)
{
    const QList<QStringList> wrong = {
        {"-o", "r.bmp", "--count", "-1", "a.bmp"},      {"-o", "r.bmp", "--count", "1000", "a.bmp"},
        {"-o", "r.bmp", "--max", "65536", "a.bmp"},     {"-o", "r.bmp", "--zone", "19", "a.bmp"},
        {"-o", "r.bmp", "--center", "3", "a.bmp"},      {"-o", "r.bmp", "--center", "3,x", "a.bmp"},
        {"-o", "r.bmp", "--channels", "rgbw", "a.bmp"}, {"-o", "r.bmp", "--channels", "", "a.bmp"},
        {"-o", "r.bmp", "--smart-dark", "10", "--dark", "d.bmp", "a.bmp"},
        {"-o", "r.bmp", "--raw", "0", "a.bmp"},         {"-o", "r.bmp", "--track", "moon", "a.bmp"},
        {"-o", "r.bmp", "--par=yes", "a.bmp"},          {"-o", "r.bmp", "--size", "900x600", "--simulate", "2"},
        {"-o", "r.bmp", "a.bmp", "--count"},            {"-o", "r.bmp", "--smart-dark", "2", "a.bmp"},
        {"-o", "r.bmp", "--register", "moon", "a.bmp"},
        {"-o", "r.bmp", "--register", "stars", "--track", "brightest", "a.bmp"},
        {"-o", "r.bmp", "--register", "stars", "--dark", "d.bmp", "--smart-dark", "2", "a.bmp"},
        {"-o", "r.bmp", "--field-rotation", "90", "--simulate", "2"},
        {"-o", "r.bmp", "--best", "0", "a.bmp"},          {"-o", "r.bmp", "--best", "101", "a.bmp"},
        {"-o", "r.bmp", "--best", "10", "--indi", "CCD Simulator", "--count", "5"},
        {"-o", "r.bmp", "--best", "10", "--select-quality", "100", "a.bmp"},
    };
    for (const QStringList& args : wrong) {
        const auto p = parse(args);
        EXPECT_EQ(p.outcome, ParsedCommandLine::Outcome::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(p.error.isEmpty());
    }
}

TEST(StackOptions, HelpWinsOverMissingArguments)
{
    EXPECT_EQ(parse({"--help"}).outcome, ParsedCommandLine::Outcome::Help);
    EXPECT_EQ(parse({"-h", "--mode", "loop"}).outcome, ParsedCommandLine::Outcome::Help);
}

// Options given twice, or without the option they act through, still run
// but are told about; the result must be named as the BMP it is.
TEST(StackOptions, IdleAndRepeatedOptionsAreWarnedAbout)
{
    struct Case {
        QStringList args;
        QStringList warned; // options named by a warning
    };
    const Case cases[] = {
        {{"-o", "r.bmp", "a.bmp"}, {}},
        {{"-o", "r.bmp", "--dark", "d1.bmp", "--dark", "d2.bmp", "--flat", "f.bmp", "--flat", "g.bmp", "a.bmp"}, {}},
        {{"-o", "r.bmp", "--binning", "2", "--binning=1", "a.bmp"}, {"--binning"}},
        {{"-o", "r.bmp", "--output", "s.bmp", "a.bmp"}, {"--output"}},
        {{"-o", "r.bmp", "--par", "--par", "a.bmp"}, {"--par"}},
        {{"-o", "r.bmp", "--detect", "30", "a.bmp"}, {"--detect"}},
        {{"-o", "r.bmp", "--tolerance", "3", "--dark-object", "a.bmp"}, {"--tolerance", "--dark-object"}},
        {{"-o", "r.bmp", "--track", "axes", "--detect", "30", "--tolerance", "3", "--dark-object", "a.bmp"}, {}},
        {{"-o", "r.bmp", "--seed", "3", "--planet", "--size", "320x240", "a.bmp"}, {"--seed", "--planet", "--size"}},
        {{"-o", "r.bmp", "--simulate", "3", "--seed", "3", "--planet"}, {}},
        {{"-o", "r.bmp", "--jpeg-quality", "50", "a.bmp"}, {"--jpeg-quality"}},
        {{"-o", "r.bmp", "--select-quality", "9000", "--jpeg-quality", "50", "a.bmp"}, {}},
        {{"-o", "r.bmp", "--reference", "ref.bmp", "a.bmp"}, {"--reference"}},
        {{"-o", "r.bmp", "--select-brightness", "20", "--detect", "30", "a.bmp"}, {}},
    };
    for (const Case& c : cases) {
        const auto p = parse(c.args);
        ASSERT_EQ(p.outcome, ParsedCommandLine::Outcome::Run) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.warnings.size(), c.warned.size()) << p.warnings.join('|').toStdString();
        for (const QString& option : c.warned)
            EXPECT_TRUE(p.warnings.join('\n').contains(option + QLatin1Char(' '))) << option.toStdString();
    }
}

TEST(StackOptions, OutputMustBeABmpAndThresholdsInOrder)
{
    for (const char* name : {"result.png", "result", "result.bmp.txt", "bmp"})
        EXPECT_EQ(parse({"-o", name, "a.bmp"}).outcome, ParsedCommandLine::Outcome::Error) << name;
    for (const char* name : {"result.bmp", "RESULT.BMP", "dir.x/result.Bmp"})
        EXPECT_EQ(parse({"-o", name, "a.bmp"}).outcome, ParsedCommandLine::Outcome::Run) << name;
    EXPECT_EQ(parse({"-o", "r.bmp", "--min", "501", "--max", "500", "a.bmp"}).outcome,
              ParsedCommandLine::Outcome::Error);
    EXPECT_EQ(parse({"-o", "r.bmp", "--min", "500", "--max", "500", "a.bmp"}).outcome, ParsedCommandLine::Outcome::Run);
    EXPECT_EQ(parse({"--version"}).outcome, ParsedCommandLine::Outcome::Version);
}

// A usage error is one sentence in one language.
TEST(StackOptions, ErrorsSpeakTheLanguageOfTheRun)
{
    const QStringList args = {"-o", "r.bmp", "--mode", "spiral", "a.bmp"};
    const auto english = parseStackCommandLine(args, StackText(Language::English));
    const auto french = parseStackCommandLine(args, StackText(Language::French));
    EXPECT_EQ(english.error, QStringLiteral("invalid value 'spiral' for --mode (expected single, loop, dark or flat)"));
    EXPECT_EQ(french.error, QStringLiteral("valeur « spiral » invalide pour --mode (attendu : single, loop, dark ou flat)"));
}

TEST(StackOptions, SelectionOptionsTakeTheirValuesAndOnlyOneAtATime)
{
    auto p = parse({"-o", "r.bmp", "--select-quality", "12000", "--jpeg-quality=80", "a.bmp"});
    ASSERT_EQ(p.outcome, ParsedCommandLine::Outcome::Run);
    EXPECT_EQ(p.options.selectQuality, 12000);
    EXPECT_EQ(p.options.jpegQuality, 80);
    EXPECT_EQ(parse({"-o", "r.bmp", "a.bmp"}).options.jpegQuality, 30);
    p = parse({"-o", "r.bmp", "--select-brightness", "40", "a.bmp"});
    EXPECT_EQ(p.options.selectBrightness, 40);
    p = parse({"-o", "r.bmp", "--motion", "20,150", "--reference", "ref.bmp", "a.bmp"});
    ASSERT_EQ(p.outcome, ParsedCommandLine::Outcome::Run);
    EXPECT_EQ(p.options.motionLevel, 20);
    EXPECT_EQ(p.options.motionCount, 150);
    EXPECT_EQ(p.options.referenceFile, QStringLiteral("ref.bmp"));

    const QList<QStringList> refused = {
        {"-o", "r.bmp", "--select-quality", "-1", "a.bmp"},
        {"-o", "r.bmp", "--select-quality", "10000000", "a.bmp"},
        {"-o", "r.bmp", "--jpeg-quality", "0", "a.bmp"},
        {"-o", "r.bmp", "--jpeg-quality", "101", "a.bmp"},
        {"-o", "r.bmp", "--select-brightness", "256", "a.bmp"},
        {"-o", "r.bmp", "--motion", "20", "--reference", "ref.bmp", "a.bmp"},
        {"-o", "r.bmp", "--motion", "256,10", "--reference", "ref.bmp", "a.bmp"},
        {"-o", "r.bmp", "--motion", "20,10001", "--reference", "ref.bmp", "a.bmp"},
        {"-o", "r.bmp", "--motion", "20,100", "a.bmp"},
        {"-o", "r.bmp", "--select-quality", "100", "--select-brightness", "10", "a.bmp"},
        {"-o", "r.bmp", "--select-brightness", "10", "--motion", "1,1", "--reference", "ref.bmp", "a.bmp"},
    };
    for (const QStringList& args : refused) {
        const auto r = parse(args);
        EXPECT_EQ(r.outcome, ParsedCommandLine::Outcome::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(r.error.isEmpty());
    }
}

// The record beside a result takes the result's base name, whatever its format.
TEST(StackRecordPath, ReplacesTheExtensionOfABmpOrAFitsResult)
{
    using velumbra::stack::recordPathOf;
    const std::pair<const char*, const char*> cases[] = {
        {"night/m42.bmp", "night/m42.par"},   {"night/m42.BMP", "night/m42.par"},
        {"night/m42.fits", "night/m42.par"},  {"night/m42.fit", "night/m42.par"},
        {"night/m42.FTS", "night/m42.par"},   {"night/m42.png", "night/m42.png.par"},
    };
    for (const auto& [output, record] : cases)
        EXPECT_EQ(recordPathOf(QString::fromLatin1(output)), QString::fromLatin1(record)) << output;
}

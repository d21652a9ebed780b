// Command-line parsing of velumbra-stack: values, forms and refusals.
#include "app/stack/StackOptions.h"

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

// The pieces of the end-of-run report: the language of a run, the text
// table, the percentile stretch with its saturation count, the watch over
// tracking and the summary lines.
#include "app/stack/ResultStretch.h"
#include "app/stack/StackReport.h"
#include "app/stack/StackText.h"
#include "app/stack/TrackingWatch.h"
#include "processing/Planes.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace velumbra;
using namespace velumbra::stack;

TEST(StackText, TheFirstSetLocaleVariableChoosesTheLanguage)
{
    struct Case {
        const char *lcAll, *lcMessages, *lang;
        Language expected;
    };
    const Case cases[] = {
        {"", "", "", Language::English},
        {"", "", "fr_FR.UTF-8", Language::French},
        {"", "fr_CA", "en_US.UTF-8", Language::French},
        {"C", "fr_FR", "fr_FR", Language::English},
        {"fr_BE.UTF-8", "", "en_GB", Language::French},
        {"", "", "de_DE.UTF-8", Language::English},
        {"", "", "C.UTF-8", Language::English},
    };
    for (const Case& c : cases)
        EXPECT_EQ(languageOf(c.lcAll, c.lcMessages, c.lang), c.expected) << c.lcAll << "|" << c.lcMessages << "|" << c.lang;
}

namespace {

// The placeholders %1..%9 a text holds, sorted, each once.
std::vector<int> placeholdersOf(const QString& text)
{
    std::vector<int> found;
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == QLatin1Char('%') && text[i + 1] >= QLatin1Char('1') && text[i + 1] <= QLatin1Char('9'))
            found.push_back(text[i + 1].digitValue());
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

} // namespace

// Without arguments a text comes back with its placeholders: each id has a
// row in both languages, and both name the same arguments, %1 up to %n with
// none missing, so that no argument is dropped in one language.
TEST(StackText, EveryMessageHasBothLanguagesWithTheSamePlaceholders)
{
    const StackText english(Language::English), french(Language::French);
    for (int id = 0; id < int(Msg::End); ++id) {
        SCOPED_TRACE(id);
        const QString en = english(Msg(id)), fr = french(Msg(id));
        EXPECT_FALSE(en.isEmpty());
        EXPECT_FALSE(fr.isEmpty());
        const std::vector<int> held = placeholdersOf(en);
        EXPECT_EQ(placeholdersOf(fr), held) << en.toStdString() << "\n" << fr.toStdString();
        for (std::size_t k = 0; k < held.size(); ++k) EXPECT_EQ(held[k], int(k) + 1) << en.toStdString();
    }
    // Arguments are put in once: one holding a placeholder stays as it is.
    EXPECT_EQ(english(Msg::UnknownOption, {"--%1"}), QStringLiteral("unknown option --%1"));
    EXPECT_EQ(french.decimal(1.5, 2), QStringLiteral("1,50"));
    EXPECT_EQ(english.decimal(1.5, 2), QStringLiteral("1.50"));
}

// The reader gives its causes in French, the file writers in English: each
// comes out in the run's language, and a cause the table does not know stays.
TEST(StackText, LowerLayerCausesFollowTheRun)
{
    struct Case {
        const char* source;
        const char* english;
        const char* french;
    };
    const Case cases[] = {
        {"fichier tronqué", "truncated file", "fichier tronqué"},
        {"image vide", "empty image", "image vide"},
        {"it is a folder", "it is a folder", "c'est un dossier"},
        {"it is a FIFO that no program reads", "it is a FIFO that no program reads",
         "c'est une FIFO qu'aucun programme ne lit"},
        {"not a regular file", "not a regular file", "ce n'est pas un fichier ordinaire"},
        {"something new", "something new", "something new"},
    };
    const StackText english(Language::English), french(Language::French);
    for (const Case& c : cases) {
        EXPECT_EQ(english.cause(c.source), QString::fromUtf8(c.english)) << c.source;
        EXPECT_EQ(french.cause(c.source), QString::fromUtf8(c.french)) << c.source;
    }
}

// The help speaks of what a user sees, never of the program's inner names.
TEST(StackText, HelpAvoidsInnerNamesAndStatesTheLimits)
{
    struct Case {
        Language language;
        std::vector<const char*> needed;
    };
    const Case cases[] = {
        {Language::English,
         {"800x600", "1020", "65535", "0.1 %", "--version", "--planet", "LC_MESSAGES", "also an\ninput",
          "status 2", "left out", "symbolic link"}},
        {Language::French,
         {"800x600", "1020", "65535", "0,1 %", "--version", "--planet", "LC_MESSAGES", "aussi une entrée",
          "code 2", "écarté", "lien symbolique"}},
    };
    for (const Case& c : cases) {
        const QString help = StackText(c.language)(Msg::Usage);
        for (const char* inner : {"SPED_", "TNI_", "RDB_", "CKB_", "routine", "Nb_Bitmap"})
            EXPECT_FALSE(help.contains(QLatin1String(inner))) << inner;
        for (const char* needed : c.needed) EXPECT_TRUE(help.contains(QString::fromUtf8(needed))) << needed;
    }
}

namespace {

// A plane with every cell of the rectangle at `value` in every channel.
std::vector<int32_t> planeOf(const Rect& cells, int32_t value)
{
    std::vector<int32_t> plane(kPlaneElements, 0);
    for (int x = cells.left; x < cells.right; ++x)
        for (int y = cells.top; y < cells.bottom; ++y)
            for (int c = 0; c < kPlaneChannels; ++c) plane[planeIndex(x, y, c)] = value;
    return plane;
}

} // namespace

TEST(ResultStretch, PercentilesIgnoreAFewHotCellsAndCountSaturation)
{
    const Rect cells{0, 0, 100, 100}; // 10 000 cells, 30 000 values
    struct Case {
        const char* name;
        std::vector<std::pair<Point, int32_t>> changes; // cell, value in every channel
        ChannelSet channels;
        int32_t low, high;
        int64_t saturated;
    };
    // A ramp 0..9999 over the cells: the 0.1 % percentile of 30 000 values
    // is the 30th, cell 9; the 99.9 % one the 29 970th, cell 9989.
    const Case cases[] = {
        {"ramp", {}, {}, 9, 9989, 0},
        {"ramp, red only", {}, {true, false, false}, 9, 9989, 0},
        {"five hot cells", {{{1, 1}, 65535}, {{2, 2}, 65535}, {{3, 3}, 65535}, {{4, 4}, 65535}, {{5, 5}, 65535}},
         {}, 9, 9994, 5}, // the 99.9 % end moves by the five cells only
    };
    ResultStretch stretch;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int32_t> plane(kPlaneElements, 0);
        for (int x = 0; x < 100; ++x)
            for (int y = 0; y < 100; ++y)
                for (int ch = 0; ch < 3; ++ch) plane[planeIndex(x, y, ch)] = y * 100 + x;
        for (const auto& [cell, value] : c.changes)
            for (int ch = 0; ch < 3; ++ch) plane[planeIndex(cell.x, cell.y, ch)] = value;
        // Cells outside the rectangle take no part.
        for (int ch = 0; ch < 3; ++ch) plane[planeIndex(200, 200, ch)] = 65535;
        const PlaneFigures f = stretch.measure(plane.data(), plane.data(), cells, c.channels, 0.001, 0.999);
        EXPECT_EQ(f.low, c.low);
        EXPECT_EQ(f.high, c.high);
        EXPECT_EQ(f.cells, 10000);
        EXPECT_EQ(f.saturated, c.saturated);
    }
}

// An even result keeps a span, so that a saturated one shows white, never black.
TEST(ResultStretch, AnEvenResultStillHasASpan)
{
    const Rect cells{10, 10, 20, 20};
    ResultStretch stretch;
    struct Case {
        int32_t value, low, high;
    };
    for (const Case& c : {Case{65535, 65534, 65535}, Case{0, 0, 1}, Case{500, 499, 500}}) {
        const std::vector<int32_t> plane = planeOf(cells, c.value);
        const PlaneFigures f = stretch.measure(plane.data(), plane.data(), cells, {}, 0.001, 0.999);
        EXPECT_EQ(f.low, c.low) << c.value;
        EXPECT_EQ(f.high, c.high) << c.value;
        EXPECT_EQ(f.saturated, c.value == 65535 ? 100 : 0);
    }
    // Saturation is read from the sums, not from the shown (inverted) values.
    const std::vector<int32_t> sums = planeOf(cells, 65535), shown = planeOf(cells, 0);
    EXPECT_EQ(stretch.measure(shown.data(), sums.data(), cells, {}, 0.001, 0.999).saturated, 100);
}

TEST(TrackingWatch, LostAtTheBorderOrWhenTheContrastFades)
{
    struct Step {
        TrackedFrame frame;
        bool lost;
    };
    const Step steps[] = {
        {{true, 20, 250}, false},  // the reference contrast: 230
        {{true, 22, 200}, false},  // 178: still the object
        {{false, 20, 250}, true},  // pinned at the border
        {{true, 20, 134}, true},   // 114: below half the reference
        {{true, 20, 135}, false},  // 115: exactly half
        {{true, 30, 20}, true},    // nothing above the background
    };
    TrackingWatch watch;
    int lost = 0;
    for (const Step& s : steps) {
        EXPECT_EQ(watch.lost(s.frame), s.lost) << s.frame.intensityMin << ".." << s.frame.intensityMax;
        lost += s.lost ? 1 : 0;
    }
    EXPECT_EQ(watch.lostFrames(), lost);
    EXPECT_EQ(watch.trackedFrames(), int(std::size(steps)));
}

TEST(StackReport, SummaryNamesEveryFigureInOneLanguage)
{
    StackReport r;
    r.framesRead = 150;
    r.stacked = 148;
    r.skipped = 2;
    r.low = 310;
    r.high = 4200;
    r.highGiven = true;
    r.cells = 307200;
    r.saturatedCells = 12;
    r.tracking = true;
    r.trackedFrames = 150;
    r.lostFrames = 3;
    r.output = QStringLiteral("m42.bmp");
    r.width = 640;
    r.height = 480;
    r.elapsedMs = 1250;
    EXPECT_EQ(summaryLines(r, StackText(Language::English)),
              (QStringList{"frames: 150 read, 148 stacked, 2 skipped",
                           "thresholds: low 310 (0.1 % percentile), high 4200 (given), in plane units",
                           "saturated cells: 12 of 307200", "object lost: 3 of 150 frames", "result: m42.bmp (640x480)",
                           "time: 1.25 s"}));
    EXPECT_EQ(summaryLines(r, StackText(Language::French)),
              (QStringList{"images : 150 lues, 148 empilées, 2 ignorées",
                           "seuils : bas 310 (centile 0,1 %), haut 4200 (donné), en unités du plan",
                           "cellules saturées : 12 sur 307200", "objet perdu : 3 images sur 150",
                           "résultat : m42.bmp (640x480)", "durée : 1,25 s"}));
    r.tracking = false;
    EXPECT_EQ(summaryLines(r, StackText(Language::English)).size(), 5);
    EXPECT_EQ(framesBelowCeiling(1), 257);
    EXPECT_EQ(framesBelowCeiling(2), 64);
}

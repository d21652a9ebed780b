// The autofocus fed tables of widths: the focuser moves, their times and
// directions, the gauge and the end of the search.
#include "processing/PipelineControls.h"
#include "telescope/Autofocus.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace velumbra {
namespace {

// Every request of the autofocus, in order, as one line of text.
struct RecordingLinks final : AutofocusLinks {
    void focuser_move(int d, bool fast) override { log.push_back("move " + std::to_string(d) + (fast ? " fast" : " slow")); }
    void focuser_stop(int d) override { log.push_back("stop " + std::to_string(d)); }
    void startMoveTimer(int ms) override
    {
        timerMs = ms;
        log.push_back("timer " + std::to_string(ms));
    }
    void stopMoveTimer() override { timerMs = -1; }
    void setFocusMeasure(bool on) override { log.push_back(on ? "measure on" : "measure off"); }
    void holdAutoThreshold(bool on) override { autoThreshold = on; }
    void showAutofocus(bool r, int g) override
    {
        running = r;
        gauge = g;
    }
    void report(const QString& text) override { messages << text; }
    std::vector<std::string> log;
    QStringList messages;
    int timerMs = -1;
    bool autoThreshold = false;
    bool running = false;
    int gauge = -1;
};

struct AutofocusRun : ::testing::Test {
    RecordingLinks links;
    Autofocus af{links};
    // One measurement set, then the move it starts runs to its end.
    void measure(double width)
    {
        af.autofocus_step(width);
        if (links.timerMs >= 0) af.TMR_AutofocusTimer();
    }
};

TEST_F(AutofocusRun, FineStartsAtAQuarterOfTheBaseAndHalvesOnAWiderStar)
{
    af.start({10000, 2.0}, false);
    EXPECT_TRUE(links.running);
    EXPECT_EQ(links.gauge, 0);
    EXPECT_TRUE(af.waitingForWidth());

    struct Step {
        double width;
        int direction;
        int ms;
        int gauge;
    };
    // 4.0 and 3.5 narrow the star: same way, same time. 3.8 is wider than
    // 3.5: the third move goes the other way for half the time.
    const std::vector<Step> table = {
        {4.0, 0, 2500, 0},
        {3.5, 0, 2500, 0},
        {3.8, 1, 1250, 100 - int(100.0 / 9900 * 1250)},
        {3.9, 0, 625, 100 - int(100.0 / 9900 * 625)},
    };
    for (const Step& s : table) {
        links.log.clear();
        af.autofocus_step(s.width);
        EXPECT_FALSE(af.waitingForWidth()) << s.width;
        EXPECT_EQ(links.log, (std::vector<std::string>{"move " + std::to_string(s.direction) + " slow",
                                                       "timer " + std::to_string(s.ms)}))
            << s.width;
        EXPECT_EQ(links.gauge, s.gauge) << s.width;
        // A second set before the move ends is not taken.
        af.autofocus_step(1.0);
        EXPECT_TRUE(af.active());
        af.TMR_AutofocusTimer();
        EXPECT_EQ(links.log.back(), "stop " + std::to_string(s.direction));
        EXPECT_EQ(links.timerMs, -1);
        EXPECT_TRUE(af.waitingForWidth());
    }
    EXPECT_EQ(links.gauge, 94); // 100 - trunc(6.31)
}

TEST_F(AutofocusRun, RapideUsesTheWholeBaseAndMovesFast)
{
    af.start({10000, 2.0}, true);
    af.autofocus_step(5.0);
    EXPECT_EQ(links.log, (std::vector<std::string>{"measure on", "move 0 fast", "timer 10000"}));
}

TEST_F(AutofocusRun, StepNeverGoesBelowTheFloor)
{
    af.start({1000, 0.5}, false); // 250 ms
    // Each width wider than the one before: reverse and halve every time.
    const std::vector<double> widths = {3.0, 3.1, 3.2, 3.3, 3.4, 3.5};
    const std::vector<int> expected = {250, 125, 100, 100, 100, 100};
    const std::vector<int> directions = {0, 1, 0, 1, 0, 1};
    for (size_t i = 0; i < widths.size(); ++i) {
        af.autofocus_step(widths[i]);
        EXPECT_EQ(links.timerMs, expected[i]) << i;
        EXPECT_EQ(af.direction(), directions[i]) << i;
        af.TMR_AutofocusTimer();
    }
    EXPECT_EQ(links.gauge, 89); // at the floor: 100 - trunc(100 / 900 * 100)
}

TEST_F(AutofocusRun, StopWidthEndsTheSearch)
{
    struct Row {
        double stop;
        std::vector<double> widths; // the last one ends the search
        int direction;              // the focuser stopped in this direction
        int moves;
    };
    const std::vector<Row> rows = {
        {2.0, {4.0, 2.5, 2.0}, 0, 2},      // reached exactly
        {2.0, {4.0, 4.5, 1.2}, 1, 2},      // after a reversal, well below
        {5.0, {4.0}, 0, 0},                // the first set already good enough
        {0.0, {3.0, 3.5, 3.2, 0.0}, 1, 3}, // a zero stop needs a zero width
    };
    for (const Row& r : rows) {
        RecordingLinks l;
        Autofocus a{l};
        a.start({10000, r.stop}, false);
        for (size_t i = 0; i + 1 < r.widths.size(); ++i) {
            a.autofocus_step(r.widths[i]);
            a.TMR_AutofocusTimer();
        }
        l.log.clear();
        a.autofocus_step(r.widths.back());
        EXPECT_EQ(l.log, (std::vector<std::string>{"stop " + std::to_string(r.direction), "measure off"})) << r.stop;
        EXPECT_FALSE(a.active());
        EXPECT_FALSE(l.running);
        EXPECT_FALSE(a.waitingForWidth());
        EXPECT_EQ(a.moves(), r.moves) << r.stop;
        EXPECT_FALSE(l.autoThreshold) << "the user's threshold given back";
        ASSERT_EQ(l.messages.size(), 1) << r.stop;
        EXPECT_TRUE(l.messages[0].contains(QStringLiteral("est atteinte"))) << l.messages[0].toStdString();
        // Widths arriving afterwards start nothing.
        a.autofocus_step(9.0);
        EXPECT_EQ(l.log.size(), 2u);
    }
}

TEST_F(AutofocusRun, StopDuringAMoveStopsTheFocuserAndTheTimer)
{
    af.start({10000, 1.0}, false);
    measure(4.0);
    measure(4.5); // reversed: direction 1
    ASSERT_EQ(af.direction(), 1);
    af.autofocus_step(4.2);
    ASSERT_GE(links.timerMs, 0);
    links.log.clear();
    af.stop();
    EXPECT_EQ(links.log, (std::vector<std::string>{"stop 1", "measure off"}));
    EXPECT_EQ(links.timerMs, -1);
    // The timer's late tick does nothing.
    af.TMR_AutofocusTimer();
    EXPECT_EQ(links.log.size(), 2u);
}

TEST_F(AutofocusRun, RestartBeginsAfresh)
{
    af.start({10000, 1.0}, false);
    measure(4.0);
    measure(4.5);
    af.stop();
    af.start({8000, 1.0}, false);
    EXPECT_EQ(af.direction(), 0);
    EXPECT_EQ(af.stepMs(), 2000);
    EXPECT_EQ(af.lastWidth(), Autofocus::kStartWidth);
    EXPECT_EQ(links.gauge, 0);
}

TEST_F(AutofocusRun, AWidthThatIsNoNumberIsNoMeasurement)
{
    af.start({10000, 1.0}, false);
    links.log.clear();
    af.autofocus_step(std::numeric_limits<double>::quiet_NaN());
    af.autofocus_step(std::numeric_limits<double>::infinity());
    EXPECT_TRUE(links.log.empty());
    EXPECT_TRUE(af.waitingForWidth());
    af.autofocus_step(3.0);
    EXPECT_EQ(links.timerMs, 2500);
}

// A stop width below what the seeing allows: the widths only wobble at the
// shortest step. After four reversals there the focuser goes back to the
// narrower width and the search ends with a message.
TEST_F(AutofocusRun, HuntingAtTheShortestStepEndsAtTheLimit)
{
    af.start({400, 1.0}, false); // "Fin": 100 ms from the start
    const std::vector<double> widths = {3.0, 3.2, 3.0, 3.2, 3.0, 3.2, 3.0};
    for (double w : widths) measure(w);
    EXPECT_TRUE(af.active()) << "three reversals: still searching";
    links.log.clear();
    af.autofocus_step(3.2); // the fourth: back the other way, one last time
    EXPECT_EQ(links.log, (std::vector<std::string>{"move 0 slow", "timer 100"}));
    EXPECT_TRUE(links.messages.isEmpty());
    af.TMR_AutofocusTimer();
    EXPECT_EQ(links.log, (std::vector<std::string>{"move 0 slow", "timer 100", "stop 0", "measure off"}));
    EXPECT_FALSE(af.active());
    EXPECT_FALSE(links.running);
    ASSERT_EQ(links.messages, QStringList{autofocusLimitText(1.0, 4, 3.0)});
    EXPECT_TRUE(links.messages[0].contains(QStringLiteral("n'est pas atteinte")));
    af.autofocus_step(9.0);
    EXPECT_EQ(links.log.size(), 4u) << "widths after the end start nothing";
    // A new run starts with no reversal counted.
    af.start({400, 1.0}, false);
    for (double w : {3.0, 3.2, 3.0, 3.2}) measure(w);
    EXPECT_TRUE(af.active());
}

// Fed one focus sample per frame, as the tracking passes give them.
struct AutofocusFrames : AutofocusRun {
    static constexpr int kSet = 5;
    static FocusSample star(double width)
    {
        // The count of a disc that wide.
        const int count = int(std::lround(width * width * 3.14159265 / 4));
        return {count, 150, 12, 75, 1600};
    }
    void frame(const FocusSample& s) { af.focusReading(FocusWidth::widthOf(s.count), s, kSet); }
    void frames(int n, const FocusSample& s)
    {
        for (int i = 0; i < n; ++i) frame(s);
    }
    static constexpr FocusSample kNothing{0, 40, 12, 20, 1600};        // nothing above half a dim peak
    static constexpr FocusSample kClipped{60, 255, 12, 127, 1600};     // a saturated core
    static constexpr FocusSample kBackground{1200, 30, 14, 15, 1600}; // the whole zone counts
};

TEST_F(AutofocusFrames, ImpossibleSamplesAreLeftOutOfTheMean)
{
    af.start({10000, 2.0}, false);
    EXPECT_TRUE(links.autoThreshold) << "the threshold follows half the peak while it runs";
    // Two stars of 6 px among impossible readings: the width is 6, not a
    // mean pulled towards 0 (the 0.517 px a run once stopped on).
    frame(star(6));
    frame(kNothing);
    frame(star(6));
    frame(kBackground);
    EXPECT_TRUE(af.waitingForWidth()) << "four samples of a set of five";
    frame(star(6));
    ASSERT_FALSE(af.waitingForWidth());
    EXPECT_NEAR(af.lastWidth(), FocusWidth::widthOf(star(6).count), 1e-9);
    EXPECT_TRUE(af.active());
    EXPECT_EQ(links.log.back(), "timer 2500");
}

TEST_F(AutofocusFrames, SamplesDuringAMoveAndTheFirstAfterItAreLeftOut)
{
    af.start({10000, 2.0}, false);
    frames(kSet, star(8));
    ASSERT_EQ(af.moves(), 1);
    frames(20, star(3)); // smeared frames while the focuser runs
    EXPECT_EQ(af.moves(), 1);
    af.TMR_AutofocusTimer();
    frame(star(12)); // exposed partly during the move: left out
    frames(kSet - 1, star(6));
    EXPECT_EQ(af.moves(), 1) << "one sample short of a fresh set";
    frame(star(6));
    EXPECT_EQ(af.moves(), 2);
    EXPECT_EQ(af.direction(), 0) << "6 px after 8 px: the same way";
    EXPECT_NEAR(af.lastWidth(), FocusWidth::widthOf(star(6).count), 1e-9);
}

// Every end says why, in the message panel; the user's own stop says nothing.
TEST_F(AutofocusFrames, EachEndSaysWhy)
{
    struct Row {
        const char* name;
        std::vector<FocusSample> samples; // repeated set by set until the end
        AutofocusEnd end;
        const char* words;
    };
    const std::vector<Row> rows = {
        {"a star at the stop width", {star(2)}, AutofocusEnd::Reached, "est atteinte"},
        {"no star in the zone", {kNothing}, AutofocusEnd::NoStar, "pas d'étoile"},
        {"only the background", {kBackground}, AutofocusEnd::NoStar, "pas d'étoile"},
        {"a saturated core", {kClipped}, AutofocusEnd::Saturated, "saturé"},
    };
    for (const Row& r : rows) {
        RecordingLinks l;
        Autofocus a{l};
        a.start({10000, 2.5}, false);
        int sets = 0;
        for (; sets < 20 && a.active(); ++sets)
            for (int i = 0; i < kSet; ++i) a.focusReading(FocusWidth::widthOf(r.samples[0].count), r.samples[0], kSet);
        EXPECT_FALSE(a.active()) << r.name;
        EXPECT_EQ(a.lastEnd(), r.end) << r.name;
        EXPECT_EQ(a.moves(), 0) << r.name;
        ASSERT_EQ(l.messages.size(), 1) << r.name;
        EXPECT_TRUE(l.messages[0].contains(QString::fromUtf8(r.words))) << l.messages[0].toStdString();
        EXPECT_FALSE(l.running);
        if (r.end == AutofocusEnd::NoStar) EXPECT_EQ(sets, Autofocus::kMaxLostSets) << r.name;
    }
    af.start({10000, 2.5}, false);
    frames(kSet, star(6));
    af.stop();
    EXPECT_TRUE(links.messages.isEmpty());
    EXPECT_EQ(af.lastEnd(), AutofocusEnd::User);
}

// A move that loses the star went too far: it counts as wider, so the
// focuser turns back with half the time; a star lost for good ends the run.
TEST_F(AutofocusFrames, AStarLostAfterAMoveTurnsBack)
{
    af.start({10000, 2.0}, true); // "Rapide": 10 s fast, far past focus
    frames(kSet, star(7));
    af.TMR_AutofocusTimer();
    frames(1 + kSet, kNothing);
    EXPECT_EQ(af.moves(), 2);
    EXPECT_EQ(af.direction(), 1);
    EXPECT_EQ(af.stepMs(), 5000);
    EXPECT_TRUE(links.messages.isEmpty());
    af.TMR_AutofocusTimer();
    frames(1 + kSet, star(5)); // back in view, narrower than before
    EXPECT_EQ(af.moves(), 3);
    EXPECT_EQ(af.direction(), 1);
    // Lost set after set: the run ends there, saying so.
    for (int i = 0; i < Autofocus::kMaxLostSets && af.active(); ++i) {
        af.TMR_AutofocusTimer();
        frames(1 + kSet, kNothing);
    }
    EXPECT_FALSE(af.active());
    EXPECT_EQ(af.lastEnd(), AutofocusEnd::NoStar);
}

TEST_F(AutofocusFrames, ManyMovesWithoutTheStopWidthEndAtTheLimit)
{
    af.start({10000, 1.0}, false);
    // Narrower every time, never narrow enough: no reversal, no end but the limit.
    double w = 30;
    for (int i = 0; i <= Autofocus::kMaxMoves && af.active(); ++i) {
        frames(kSet, star(w));
        af.TMR_AutofocusTimer();
        frame(star(w)); // the settling sample
        w = std::max(1.5, w - 0.3);
    }
    EXPECT_FALSE(af.active());
    EXPECT_EQ(af.lastEnd(), AutofocusEnd::Moves);
    EXPECT_EQ(af.moves(), Autofocus::kMaxMoves);
    ASSERT_EQ(links.messages.size(), 1);
    EXPECT_TRUE(links.messages[0].contains(QStringLiteral("80 déplacements"))) << links.messages[0].toStdString();
}

TEST(AutofocusGauge, ShrinkFromTheBaseTowardsTheFloor)
{
    struct Row {
        int baseMs, stepMs, gauge;
    };
    const std::vector<Row> rows = {
        {10000, 5000, 50},  // 100 - trunc(50.505)
        {10000, 1250, 88},  // 100 - trunc(12.626)
        {10000, 100, 99},   // 100 - trunc(1.0101)
        {10000, 9900, 0},   // 100 - trunc(100)
        {10000, 10000, 0},  // would be -1: held at empty
        {200, 100, 0},      // 100 - trunc(100)
        {101, 100, 0},      // 100 - 10000: held at empty
        {100, 100, 100},    // no span to shrink: full, no division by zero
        {50, 100, 100},     // below the floor: full
        {0, 100, 100},
        {60000, 100, 100},  // 100 - trunc(0.167)
    };
    for (const Row& r : rows)
        EXPECT_EQ(Autofocus::gaugeFor(r.baseMs, r.stepMs), r.gauge) << r.baseMs << " " << r.stepMs;
}

TEST_F(AutofocusRun, BaseTimeOfExactlyTheFloorShowsAFullGauge)
{
    af.start({100, 1.0}, false); // "Fin": 25 ms first
    af.autofocus_step(5.0);
    EXPECT_EQ(links.timerMs, 25);
    af.TMR_AutofocusTimer();
    af.autofocus_step(6.0);
    EXPECT_EQ(links.timerMs, 100);
    EXPECT_EQ(links.gauge, 100);
    EXPECT_TRUE(af.active());
}

} // namespace
} // namespace velumbra

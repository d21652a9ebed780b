#include "acquisition/FrameChecks.h"
#include "acquisition/PlayControl.h"

#include <gtest/gtest.h>

using namespace velumbra;

namespace {

bool forwardEnabled(const PlayButtons& b)
{
    return b[PlayButton::Forw1].enabled && b[PlayButton::PlayForward].enabled && b[PlayButton::FF].enabled;
}
bool forwardDisabled(const PlayButtons& b)
{
    return !b[PlayButton::Forw1].enabled && !b[PlayButton::PlayForward].enabled && !b[PlayButton::FF].enabled;
}
bool backwardEnabled(const PlayButtons& b)
{
    return b[PlayButton::BACK1].enabled && b[PlayButton::PlayBackwards].enabled && b[PlayButton::REW].enabled;
}
bool backwardDisabled(const PlayButtons& b)
{
    return !b[PlayButton::BACK1].enabled && !b[PlayButton::PlayBackwards].enabled && !b[PlayButton::REW].enabled;
}

} // namespace

TEST(PlayControl, SingleFileDisablesBothDirectionsUnlessLoop)
{
    PlayButtons b;
    b.resetForStart();
    EXPECT_TRUE(forwardEnabled(b));
    EXPECT_TRUE(backwardDisabled(b));
    b.press(PlayButton::PlayForward);
    int index = 0;
    EXPECT_EQ(playTick(b, index, 1), PlayStep::Reshow); // PlayForward was released by the edge
    EXPECT_TRUE(forwardDisabled(b));
    EXPECT_TRUE(backwardDisabled(b));
    EXPECT_FALSE(b[PlayButton::PlayForward].down);
    EXPECT_EQ(index, 0);

    // With Loop: the same file plays again and again.
    b.resetForStart();
    b.SPDB_Loop = true;
    b.press(PlayButton::PlayForward);
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(playTick(b, index, 1), PlayStep::Load);
        EXPECT_EQ(index, 0);
        EXPECT_TRUE(forwardEnabled(b));
        EXPECT_TRUE(backwardEnabled(b));
        EXPECT_TRUE(b[PlayButton::PlayForward].down);
    }
    b.press(PlayButton::PlayBackwards);
    EXPECT_EQ(playTick(b, index, 1), PlayStep::Load);
    EXPECT_EQ(index, 0);
}

TEST(PlayControl, StepsPlaysAndWrapsThroughAList)
{
    PlayButtons b;
    b.resetForStart();
    int index = 0;
    b.press(PlayButton::Forw1);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Load);
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(b[PlayButton::Forw1].down); // a step button releases itself
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Reshow);
    EXPECT_TRUE(backwardEnabled(b)); // away from the first entry one can go back

    b.press(PlayButton::PlayForward);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Load);
    EXPECT_EQ(index, 2);
    // At the end without Loop the forward buttons stop.
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Reshow);
    EXPECT_TRUE(forwardDisabled(b));
    EXPECT_EQ(index, 2);

    b.press(PlayButton::REW);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Load);
    EXPECT_EQ(index, 0);
    // The forward buttons come back at the next tick, away from the last entry.
    EXPECT_TRUE(forwardDisabled(b));
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Reshow);
    EXPECT_TRUE(forwardEnabled(b));
    b.press(PlayButton::FF);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Load);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Reshow);
    b.press(PlayButton::BACK1);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Load);
    EXPECT_EQ(index, 1);

    // Loop: playing backwards from the first entry goes on from the last.
    b.SPDB_Loop = true;
    index = 0;
    b.press(PlayButton::PlayBackwards);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Load);
    EXPECT_EQ(index, 2);
    b.press(PlayButton::PlayForward);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Load);
    EXPECT_EQ(index, 0);

    // Stop shows nothing on its tick and is released.
    b.press(PlayButton::Stop);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Idle);
    EXPECT_FALSE(b[PlayButton::Stop].down);
    EXPECT_EQ(playTick(b, index, 3), PlayStep::Reshow);
}

TEST(PlayControl, GroupButtonsAndKeys)
{
    PlayButtons b;
    b.resetForStart();
    b.press(PlayButton::REW); // disabled at start: nothing happens
    EXPECT_FALSE(b[PlayButton::REW].down);
    b.press(PlayButton::PlayForward);
    b.press(PlayButton::Stop);
    EXPECT_FALSE(b[PlayButton::PlayForward].down);
    EXPECT_TRUE(b[PlayButton::Stop].down);
    EXPECT_EQ(playButtonForKey(Qt::Key_Space), PlayButton::Stop);
    EXPECT_EQ(playButtonForKey(Qt::Key_End), PlayButton::FF);
    EXPECT_EQ(playButtonForKey(Qt::Key_Home), PlayButton::REW);
    EXPECT_EQ(playButtonForKey(Qt::Key_Left), PlayButton::PlayBackwards);
    EXPECT_EQ(playButtonForKey(Qt::Key_Up), PlayButton::Forw1);
    EXPECT_EQ(playButtonForKey(Qt::Key_Right), PlayButton::PlayForward);
    EXPECT_EQ(playButtonForKey(Qt::Key_Down), PlayButton::BACK1);
    EXPECT_FALSE(playButtonForKey(Qt::Key_A).has_value());
}

TEST(FrameChecks, SizeLimitMessages)
{
    RecordingMessages m;
    EXPECT_TRUE(checkFrameSize(640, 480, m));
    EXPECT_TRUE(checkFrameSize(800, 600, m));
    EXPECT_TRUE(m.lines.isEmpty());
    m.lines = QStringList{QStringLiteral("earlier")};
    EXPECT_FALSE(checkFrameSize(1024, 768, m));
    ASSERT_EQ(m.lines.size(), 2); // the panel was cleared first
    EXPECT_EQ(m.lines[0].trimmed(), QStringLiteral("La taille des images video est limitée à 800x600"));
    EXPECT_EQ(m.lines[1], QStringLiteral("La taille actuelle est 1024x768, veuillez choisir un autre format."));
    EXPECT_FALSE(checkFrameSize(801, 600, m));
    EXPECT_FALSE(checkFrameSize(800, 601, m));
    m.lines.clear();
    EXPECT_FALSE(checkFrameSize(0, 480, m));
    EXPECT_EQ(m.lines.value(0),
              QStringLiteral("Impossible de determiner le format des images, veuillez en choisir un autre."));
}

TEST(FrameChecks, RateDisplayNeverFailsOnZeroOrNegativeIntervals)
{
    ManualClock clock(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59, 800)));
    RateMeter rate(clock);
    rate.reset();
    std::optional<QString> shown;
    for (int i = 0; i < 5; ++i) {
        clock.advanceMs(40);
        shown = rate.frameDelivered(5);
        if (i < 4) {
            EXPECT_FALSE(shown.has_value());
        }
    }
    ASSERT_TRUE(shown.has_value()); // 5 frames over midnight in 200 ms
    EXPECT_EQ(*shown, QStringLiteral("25"));
    for (int i = 0; i < 5; ++i) shown = rate.frameDelivered(5); // within one millisecond
    EXPECT_FALSE(shown.has_value());
    clock.advanceMs(-5000); // the clock was set back
    for (int i = 0; i < 5; ++i) shown = rate.frameDelivered(5);
    EXPECT_FALSE(shown.has_value());
    clock.advanceMs(3000);
    for (int i = 0; i < 30; ++i) shown = rate.frameDelivered(30);
    EXPECT_EQ(*shown, QStringLiteral("10"));
    EXPECT_EQ(rate.frameCounter(), 45);
}

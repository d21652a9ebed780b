// The hand paddle's commands byte for byte through a pseudo-terminal, and
// the replies it reads back, on test time.
#include "telescope/HandPaddle.h"

#include "MountFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

namespace velumbra {
namespace {

using test::MountFixture;

struct Paddle : ::testing::Test {
    MountFixture f{MountInterface::LX200};
    HandPaddle paddle{f.mount, f.timeline.pause()};
    int unguided = 0;

    void SetUp() override
    {
        f.settings.CKB_CR = true;
        f.settings.CKB_LF = false;
        paddle.endAutoguiding = [this] { ++unguided; };
        ASSERT_TRUE(f.pty.ok());
        ASSERT_TRUE(f.mount.mount_connect());
        ASSERT_EQ(f.pty.read(6), QByteArray("#:RG#\r"));
    }
    QByteArray wire(const std::vector<const char*>& commands) const
    {
        QByteArray all;
        for (const char* c : commands) all += QByteArray(c) + "\r";
        return all;
    }
    QByteArray read(const QByteArray& expected) { return f.pty.read(int(expected.size())); }
    // The mount's answer, in the port's queue before the program reads it
    // (a pseudo-terminal passes bytes on in its own time).
    void answer(const QByteArray& reply)
    {
        f.pty.write(reply);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
};

TEST_F(Paddle, EachDirectionButtonPressedAndReleased)
{
    struct Row {
        PaddleButton button;
        std::vector<const char*> press, release;
    };
    const std::vector<Row> rows = {
        {PaddleButton::N, {"#:Mn#"}, {"#:Qn#"}},
        {PaddleButton::NE, {"#:Mn#", "#:Me#"}, {"#:Qn#", "#:Qe#"}},
        {PaddleButton::E, {"#:Me#"}, {"#:Qe#"}},
        {PaddleButton::SE, {"#:Ms#", "#:Me#"}, {"#:Qs#", "#:Qe#"}},
        {PaddleButton::S, {"#:Ms#"}, {"#:Qs#"}},
        {PaddleButton::SW, {"#:Ms#", "#:Mw#"}, {"#:Qs#", "#:Qw#"}},
        {PaddleButton::W, {"#:Mw#"}, {"#:Qw#"}},
        {PaddleButton::NW, {"#:Mn#", "#:Mw#"}, {"#:Qn#", "#:Qw#"}},
    };
    int presses = 0;
    for (const Row& r : rows) {
        paddle.press(r.button);
        ++presses;
        const QByteArray press = wire(r.press);
        EXPECT_EQ(read(press), press) << int(r.button);
        EXPECT_EQ(unguided, presses) << "every press ends autoguiding first";
        paddle.release(r.button);
        const QByteArray release = wire(r.release);
        EXPECT_EQ(read(release), release) << int(r.button);
    }
    for (MoveDirection d : {East, West, North, South}) EXPECT_FALSE(f.mount.moving(d));
}

TEST_F(Paddle, NorthWestPressThenRelease)
{
    paddle.press(PaddleButton::NW);
    EXPECT_EQ(f.pty.read(12), QByteArray("#:Mn#\r#:Mw#\r"));
    EXPECT_TRUE(f.mount.moving(North));
    EXPECT_TRUE(f.mount.moving(West));
    paddle.release(PaddleButton::NW);
    EXPECT_EQ(f.pty.read(12), QByteArray("#:Qn#\r#:Qw#\r"));
}

TEST_F(Paddle, AReleaseWithoutItsPressSendsNothing)
{
    paddle.release(PaddleButton::N);
    paddle.press(PaddleButton::E);
    paddle.press(PaddleButton::E); // a repeated press is the same hold
    paddle.release(PaddleButton::E);
    paddle.release(PaddleButton::E);
    EXPECT_EQ(f.pty.read(12, 300), QByteArray("#:Me#\r#:Qe#\r"));
}

TEST_F(Paddle, ReleaseAllStopsEveryHeldButtonAndOnlyThose)
{
    paddle.press(PaddleButton::SW);
    paddle.press(PaddleButton::FocusOutFast);
    EXPECT_EQ(f.pty.read(24), wire({"#:Ms#", "#:Mw#", "#:FF#", "#:F+#"}));
    paddle.releaseAll();
    EXPECT_EQ(f.pty.read(18), wire({"#:Qs#", "#:Qw#", "#:FQ#"}));
    EXPECT_FALSE(paddle.held(PaddleButton::SW));
    // The buttons' own releases, arriving late, send nothing more.
    paddle.release(PaddleButton::SW);
    paddle.release(PaddleButton::FocusOutFast);
    paddle.releaseAll();
    EXPECT_EQ(f.pty.read(1, 200), QByteArray());
}

TEST_F(Paddle, FocuserButtons)
{
    struct Row {
        PaddleButton button;
        std::vector<const char*> press;
    };
    const std::vector<Row> rows = {
        {PaddleButton::FocusIn, {"#:FS#", "#:F-#"}},
        {PaddleButton::FocusInFast, {"#:FF#", "#:F-#"}},
        {PaddleButton::FocusOut, {"#:FS#", "#:F+#"}},
        {PaddleButton::FocusOutFast, {"#:FF#", "#:F+#"}},
    };
    for (const Row& r : rows) {
        paddle.press(r.button);
        EXPECT_EQ(read(wire(r.press)), wire(r.press)) << int(r.button);
        paddle.release(r.button);
        EXPECT_EQ(read(wire({"#:FQ#"})), wire({"#:FQ#"})) << int(r.button);
    }
    EXPECT_EQ(unguided, 0) << "the focuser leaves autoguiding alone";
}

TEST_F(Paddle, RatesAndStop)
{
    const std::vector<std::pair<int, const char*>> rates = {{0, "#:RG#"}, {1, "#:RC#"}, {2, "#:RM#"}, {3, "#:RS#"}};
    const std::vector<int> unguidedAfter = {0, 0, 1, 2};
    for (size_t i = 0; i < rates.size(); ++i) {
        paddle.chooseRate(rates[i].first);
        EXPECT_EQ(read(wire({rates[i].second})), wire({rates[i].second}));
        EXPECT_EQ(unguided, unguidedAfter[i]) << rates[i].second;
    }
    paddle.press(PaddleButton::N);
    read(wire({"#:Mn#"}));
    paddle.press(PaddleButton::E);
    read(wire({"#:Me#"}));
    // Stop ends every move under way, each in its own command.
    paddle.BTN_StopClick();
    EXPECT_EQ(read(wire({"#:Qe#", "#:Qn#"})), wire({"#:Qe#", "#:Qn#"}));
    EXPECT_FALSE(f.mount.moving(North));
    paddle.release(PaddleButton::N); // already stopped
    paddle.release(PaddleButton::E);
    EXPECT_EQ(f.pty.read(1, 200), QByteArray());
    // Stop leaves the focuser to its own button.
    paddle.press(PaddleButton::FocusIn);
    read(wire({"#:FS#", "#:F-#"}));
    paddle.BTN_StopClick();
    paddle.releaseAll();
    EXPECT_EQ(read(wire({"#:FQ#"})), wire({"#:FQ#"}));
}

TEST_F(Paddle, TheRateChosenIsSentAgainAtTheNextConnection)
{
    paddle.chooseRate(3);
    EXPECT_EQ(read(wire({"#:RS#"})), wire({"#:RS#"}));
    paddle.chooseRate(7); // no such rate: nothing sent, the choice kept
    f.mount.mount_disconnect();
    ASSERT_TRUE(f.mount.mount_connect());
    EXPECT_EQ(read(wire({"#:RS#"})), wire({"#:RS#"}));
}

TEST_F(Paddle, GotoMessier31)
{
    // The mount answers the slew with "0" (slewing possible).
    answer("0");
    const QByteArray reply = paddle.BTN_GOTOClick(HandPaddle::objectText(Catalogue::Messier, 31.9, 0));
    EXPECT_EQ(f.pty.read(24), QByteArray("#:Q#\r#:LM 31#\r#:MS#\r"));
    EXPECT_EQ(reply, QByteArray("0"));
    EXPECT_EQ(unguided, 1);
}

TEST_F(Paddle, GotoWaitsBetweenTheStopAndTheObject)
{
    const qint64 before = f.timeline.clock().nowMs();
    paddle.BTN_GOTOClick("S 900");
    EXPECT_EQ(f.pty.read(22), QByteArray("#:Q#\r#:LS 900#\r#:MS#\r"));
    // 100 ms after the stop and 200 ms before the reply is read.
    EXPECT_EQ(f.timeline.clock().nowMs() - before, 300);
}

TEST_F(Paddle, GotoReplyAsItCame)
{
    answer("1Below Horizon#");
    EXPECT_EQ(paddle.BTN_GOTOClick("C 7331"), QByteArray("1Below Horizon#"));
    EXPECT_EQ(f.pty.read(23), QByteArray("#:Q#\r#:LC 7331#\r#:MS#\r"));
}

// The position replies as a user reads them; what is no position is shown
// as it came.
TEST(PaddleReplies, PositionsInAReadableForm)
{
    struct Row {
        QByteArray reply;
        const char* ra;
        const char* dec;
    };
    const std::vector<Row> rows = {
        {"00:42:44#", "00h42m44s", "00:42:44"},
        {"23:59:59#", "23h59m59s", "23:59:59"},
        {"00:42.7#", "00h42.7m", "00:42.7"},
        {"+41*16:08#", "+41*16:08", "+41°16′08″"},
        {"-05*03:00#", "-05*03:00", "-05°03′00″"},
        {"+41*16#", "+41*16", "+41°16′"},
        {"+41\xdf" "16:08#", "+41\xdf" "16:08", "+41°16′08″"},
        {"+41'16'08#", "+41'16'08", "+41°16′08″"},
        {"", "", ""},
        {"#", "", ""},
        {"garbage#", "garbage", "garbage"},
        {"12::30#", "12::30", "12::30"},
    };
    for (const Row& r : rows) {
        const QString asLatin1Ra = QString::fromLatin1(r.ra), asLatin1Dec = QString::fromLatin1(r.dec);
        EXPECT_EQ(readableRa(r.reply), r.ra[0] == '+' || r.ra[0] == '-' ? asLatin1Ra : QString::fromUtf8(r.ra))
            << r.reply.constData();
        EXPECT_EQ(readableDec(r.reply), QString::fromUtf8(r.dec).contains(QChar(0x00B0)) ? QString::fromUtf8(r.dec)
                                                                                              : asLatin1Dec)
            << r.reply.constData();
    }
}

TEST(PaddleReplies, GotoRepliesInWords)
{
    struct Row {
        QByteArray reply;
        GotoReply kind;
        const char* text;
    };
    const std::vector<Row> rows = {
        {"0", GotoReply::Accepted, "GOTO accepté"},
        {"0#", GotoReply::Accepted, "GOTO accepté"},
        {"1Below Horizon#", GotoReply::BelowHorizon, "GOTO refusé : l'objet est sous l'horizon"},
        {"2Aucun objet choisi#", GotoReply::Refused, "GOTO refusé : Aucun objet choisi"},
        {"2#", GotoReply::Refused, "GOTO refusé : objet hors des limites de la monture"},
        {"", GotoReply::NoReply, "GOTO : la monture ne répond pas"},
        {"Z#", GotoReply::Unexpected, "GOTO : réponse inattendue « Z »"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(gotoReplyKind(r.reply), r.kind) << r.reply.constData();
        EXPECT_EQ(gotoReplyText(r.reply), QString::fromUtf8(r.text)) << r.reply.constData();
    }
}

TEST(PaddleObjects, ObjectTextOfEachCatalogue)
{
    struct Row {
        Catalogue c;
        double n;
        int planet;
        const char* text;
    };
    const std::vector<Row> rows = {
        {Catalogue::NGC, 7331, 0, "C 7331"},
        {Catalogue::Messier, 31, 4, "M 31"},
        {Catalogue::Messier, 1.99, 0, "M 1"},
        {Catalogue::Etoile, 120, 0, "S 120"},
        {Catalogue::Etoile, 9999, 0, "S 9999"},
        {Catalogue::Planete, 42, 0, "S 900"},
        {Catalogue::Planete, 1, 5, "S 905"},
        {Catalogue::Planete, 1, 9, "S 909"},
        // Out of the field's range: held in it, never a malformed command.
        {Catalogue::NGC, 0, 0, "C 1"},
        {Catalogue::NGC, -5, 0, "C 1"},
        {Catalogue::NGC, 1e12, 0, "C 9999"},
        {Catalogue::NGC, std::numeric_limits<double>::quiet_NaN(), 0, "C 1"},
        {Catalogue::Planete, 1, 12, "S 909"},
        {Catalogue::Planete, 1, -1, "S 900"},
    };
    for (const Row& r : rows) EXPECT_EQ(HandPaddle::objectText(r.c, r.n, r.planet), QByteArray(r.text)) << r.text;
}

TEST_F(Paddle, PositionQueryGivesTheWholeReplies)
{
    QByteArray dec, ra;
    qint64 decAt = -1;
    const qint64 start = f.timeline.clock().nowMs();
    // Both replies wait on the line; each read takes what is there.
    answer("+41*16#");
    paddle.BTN_Position_ActuelleClick(
        [&](const QByteArray& d) {
            dec = d;
            decAt = f.timeline.clock().nowMs() - start;
            answer("00:42:44#");
        },
        [&](const QByteArray& r) { ra = r; });
    EXPECT_EQ(f.pty.read(12), QByteArray("#:GD#\r#:GR#\r"));
    EXPECT_EQ(dec, QByteArray("+41*16#"));
    EXPECT_EQ(ra, QByteArray("00:42:44#"));
    EXPECT_EQ(decAt, 200);
    EXPECT_EQ(f.timeline.clock().nowMs() - start, 900);
}

TEST_F(Paddle, PositionQueryWithASilentMountShowsEmptyFields)
{
    QByteArray dec = "x", ra = "x";
    paddle.BTN_Position_ActuelleClick([&](const QByteArray& d) { dec = d; }, [&](const QByteArray& r) { ra = r; });
    EXPECT_TRUE(dec.isEmpty());
    EXPECT_TRUE(ra.isEmpty());
}

TEST_F(Paddle, DestroyedWhileHeldStopsItsMoves)
{
    {
        HandPaddle other{f.mount, f.timeline.pause()};
        other.press(PaddleButton::NE);
        EXPECT_EQ(f.pty.read(12), QByteArray("#:Mn#\r#:Me#\r"));
    }
    EXPECT_EQ(f.pty.read(12), QByteArray("#:Qn#\r#:Qe#\r"));
}

} // namespace
} // namespace velumbra

// The simulated mount's LX200 controller, byte for byte: the replies a
// program reads and the moves, slews and syncs the mount makes for them.
#include "simulator/Lx200Responder.h"
#include "simulator/SkyObjects.h"

#include <gtest/gtest.h>
#include <QRegularExpression>
#include <cmath>

using namespace velumbra;

namespace {

constexpr double kSidereal = 15.041; // arc seconds per second

struct Controller {
    ManualClock clock;
    MountModel mount{clock};
    Lx200Responder lx200{mount};
    Controller() { mount.pointAt({5.0, 30.0}); }
    QByteArray send(const char* bytes) { return lx200.receive(QByteArrayView(bytes)); }
    // Where the mount believes it points, arc seconds of each axis.
    double raArcsec() { return mount.currentPointing().raHours * 15 * 3600; }
    double decArcsec() { return mount.currentPointing().decDegrees * 3600; }
};

} // namespace

TEST(Lx200Responder, PositionTextsInLongAndShortFormat)
{
    struct Case {
        double ra, dec;
        const char *raLong, *decLong, *raShort, *decShort;
    };
    const Case cases[] = {
        {0.7123, 41.2689, "00:42:44", "+41*16:08", "00:42.7", "+41*16"},  // M 31
        {5.5881, -5.3911, "05:35:17", "-05*23:28", "05:35.3", "-05*23"},  // M 42
        {23.99999, -0.00001, "00:00:00", "+00*00:00", "00:00.0", "+00*00"}, // rounding wraps, no "-00"
        {12.5, 90.0, "12:30:00", "+90*00:00", "12:30.0", "+90*00"},
        {-1.0, -90.0, "23:00:00", "-90*00:00", "23:00.0", "-90*00"},
        {9.99999, -45.99999, "10:00:00", "-46*00:00", "10:00.0", "-46*00"}, // minutes never read 60
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lx200Responder::formatRa(c.ra, true), c.raLong) << c.ra;
        EXPECT_EQ(Lx200Responder::formatDec(c.dec, true), c.decLong) << c.dec;
        EXPECT_EQ(Lx200Responder::formatRa(c.ra, false), c.raShort) << c.ra;
        EXPECT_EQ(Lx200Responder::formatDec(c.dec, false), c.decShort) << c.dec;
    }
}

// The position query answers where the mount believes it points, in the
// format :U# chose.
TEST(Lx200Responder, PositionQueryFollowsTheMountAndTheFormat)
{
    Controller c;
    c.mount.pointAt({0.7123, 41.2689});
    EXPECT_EQ(c.send("#:GR#"), "00:42:44#");
    EXPECT_EQ(c.send("#:GD#\r\n"), "+41*16:08#");
    EXPECT_EQ(c.send(":U#:GR#:GD#"), "00:42.7#+41*16#");
    EXPECT_FALSE(c.lx200.longFormat());
    EXPECT_EQ(c.send(":U#:GD#"), "+41*16:08#");
    // The program shows the first 7 and 6 characters.
    c.mount.pointAt({18.6156, 38.7837});
    EXPECT_EQ(c.send("#:GR#").left(7), "18:36:5");
    EXPECT_EQ(c.send("#:GD#").left(6), "+38*47");
}

// :Sr and :Sd in the formats planetarium programs send, refused out of range.
TEST(Lx200Responder, TargetCoordinatesAreCheckedAndKept)
{
    struct Case {
        const char* command;
        const char* reply;
        const char* readBack; // :Gr# or :Gd# after it; nullptr when refused
    };
    const Case cases[] = {
        {":Sr 12:34:56#", "1", "12:34:56#"},
        {":Sr12:34:56#", "1", "12:34:56#"},
        {":Sr 12:34.5#", "1", "12:34:30#"},
        {":Sr 00:00:00#", "1", "00:00:00#"},
        {":Sr 24:00:00#", "0", nullptr},
        {":Sr 12:60:00#", "0", nullptr},
        {":Sr 12:34:60#", "0", nullptr},
        {":Sr ab:cd:ef#", "0", nullptr},
        {":Sr 12#", "0", nullptr},
        {":Sr #", "0", nullptr},
        {":Sr 12:34:56:78#", "0", nullptr},
        {":Sd +41*16:08#", "1", "+41*16:08#"},
        {":Sd -05*23:28#", "1", "-05*23:28#"},
        {":Sd 41*16#", "1", "+41*16:00#"},
        {":Sd -12:30:00#", "1", "-12*30:00#"},
        {":Sd +45\xDF" "30:15#", "1", "+45*30:15#"},
        {":Sd +90*00:00#", "1", "+90*00:00#"},
        {":Sd +90*00:01#", "0", nullptr},
        {":Sd +91*00:00#", "0", nullptr},
        {":Sd +45*60:00#", "0", nullptr},
        {":Sd ++45*00:00#", "0", nullptr},
        {":Sd#", "0", nullptr},
    };
    for (const Case& c : cases) {
        Controller m;
        EXPECT_EQ(m.send(c.command), c.reply) << c.command;
        const bool ra = QByteArray(c.command).startsWith(":Sr");
        const QByteArray back = m.send(ra ? ":Gr#" : ":Gd#");
        if (c.readBack) EXPECT_EQ(back, c.readBack) << c.command;
        else EXPECT_EQ(back, ra ? "00:00:00#" : "+00*00:00#") << c.command << ": a refused value is not kept";
    }
}

// Moves at the chosen rate, stops by direction or all at once, guide pulses
// that end by themselves; the program's '#' in front and CR/LF after change
// nothing.
TEST(Lx200Responder, MovesStopsAndPulses)
{
    struct Case {
        const char* start;
        int ms;
        const char* stop; // nullptr: nothing sent, the pulse ends by itself
        double raRate, decRate; // multiples of the sidereal rate
    };
    const Case cases[] = {
        {"#:RG#\r\n#:Me#\r\n", 2000, "#:Qe#\r\n", 0.5, 0},
        {":RC#:Mw#", 1000, ":Qw#", -8, 0},
        {":RM#:Mn#", 500, ":Qn#", 0, 64},
        {":RS#:Ms#", 100, ":Q#", 0, -500},
        {":RC#:Me#:Mn#", 1000, ":Q#", 8, 8},
        {":RC#:Me#", 1000, ":Qw#:Q#", 8, 0},    // stopping the other direction leaves it
        {":Mgw0500#", 500, nullptr, -0.5, 0},   // pulses run at the guide rate whatever the rate
        {":RS#:Mgn1500#", 1500, nullptr, 0, 0.5},
        {":Mge25#", 25, nullptr, 0.5, 0},
        {":Mx#:Mgq0500#:Mg#:Mgn#:Mgn12a#", 1000, ":Q#", 0, 0}, // nothing known: nothing moves
        {":Me:Qe#", 1000, ":Q#", 0, 0},          // a command cut off by the next never runs
    };
    for (const Case& c : cases) {
        Controller m;
        const double ra0 = m.raArcsec(), dec0 = m.decArcsec();
        EXPECT_EQ(m.send(c.start), "") << c.start;
        m.clock.advanceMs(c.ms);
        if (c.stop) {
            EXPECT_EQ(m.send(c.stop), "") << c.start;
        }
        m.clock.advanceMs(5000); // stopped: nothing more
        const double ra = c.raRate * kSidereal * c.ms / 1000, dec = c.decRate * kSidereal * c.ms / 1000;
        EXPECT_NEAR(m.raArcsec() - ra0, ra, 0.01 + std::abs(ra) * 1e-4) << c.start;
        EXPECT_NEAR(m.decArcsec() - dec0, dec, 0.01 + std::abs(dec) * 1e-4) << c.start;
    }
}

TEST(Lx200Responder, FocuserSpeedsAndDirections)
{
    struct Case {
        const char* start;
        double steps; // after one second, then a stop
    };
    const Case cases[] = {
        {"#:FS#\r\n#:F+#\r\n", 20}, {"#:FF#:F+#", 250}, {"#:FS#:F-#", -20},
        {"#:FF#:F-#", -250},        {"#:F+#", 20},       {"#:FF#:FS#:F-#", -20},
    };
    for (const Case& c : cases) {
        Controller m;
        const double before = m.mount.focuserPosition();
        m.send(c.start);
        m.clock.advanceMs(1000);
        m.send("#:FQ#");
        m.clock.advanceMs(1000);
        EXPECT_NEAR(m.mount.focuserPosition() - before, c.steps, 1e-6) << c.start;
    }
}

// The program's GOTO: stop, select the object, slew, read the reply; the
// position query then reports the object.
TEST(Lx200Responder, GotoSelectsTheObjectAndSlewsToIt)
{
    struct Case {
        const char* select;
        const char* object; // nullptr: nothing to slew to
    };
    const Case cases[] = {
        {"#:LM 31#", "M 31"},     {"#:LM31#", "M 31"},   {"#:LC 7000#", "NGC 7000"}, {"#:LS 905#", "Jupiter"},
        {"#:LS 906#", "Saturn"},  {"#:LS 5#", "Capella"},   {"#:LM 999#", nullptr},     {"#:LS 900#", nullptr},
        {"#:LX 31#", nullptr},    {"#:LM 3x#", nullptr}, {"#:LM #", nullptr},
    };
    for (const Case& c : cases) {
        Controller m;
        EXPECT_EQ(m.send("#:Q#"), "");
        EXPECT_EQ(m.send(c.select), "") << c.select;
        const QByteArray reply = m.send("#:MS#");
        if (!c.object) {
            EXPECT_EQ(reply, "2Aucun objet choisi#") << c.select;
            EXPECT_FALSE(m.mount.slewing());
            continue;
        }
        ASSERT_EQ(reply, "0") << c.select;
        EXPECT_EQ(m.send(":D#"), "\x7f#") << "the progress bar shows while the mount slews";
        m.clock.advanceMs(200000);
        EXPECT_EQ(m.send(":D#"), "#");
        const SkyObject o = *SkyObjects::find(QString::fromLatin1(c.object));
        EXPECT_EQ(m.send("#:GR#"), Lx200Responder::formatRa(o.raHours, true) + '#') << c.select;
        EXPECT_EQ(m.send("#:GD#"), Lx200Responder::formatDec(o.decDegrees, true) + '#') << c.select;
    }
}

// A target below the horizon is refused with a reason; one above it is
// slewed to; a sync changes what the mount believes, not where it points.
TEST(Lx200Responder, SlewBelowTheHorizonAndSync)
{
    Controller m;
    EXPECT_EQ(m.send(":MS#"), "2Aucun objet choisi#");
    EXPECT_EQ(m.send(":Sr 06:00:00#:Sd -80*00:00#"), "11");
    EXPECT_EQ(m.send(":MS#"), "1Objet sous l'horizon#");
    EXPECT_FALSE(m.mount.slewing());
    EXPECT_EQ(m.send(":LS 2#:MS#"), "1Objet sous l'horizon#") << "Vega sets on winter evenings";
    EXPECT_EQ(m.send(":Sr 06:00:00#:Sd +60*00:00#:MS#"), "110");
    m.clock.advanceMs(100000);
    EXPECT_EQ(m.send(":GR#:GD#"), "06:00:00#+60*00:00#");

    const Equatorial truth = m.mount.truePointing();
    const QByteArray synced = m.send(":Sr 06:10:00#:Sd +60*30:00#:CM#");
    ASSERT_TRUE(synced.startsWith("11"));
    EXPECT_TRUE(synced.endsWith('#'));
    EXPECT_GT(synced.size(), 3) << "the sync answers with a text";
    EXPECT_EQ(m.send(":GR#:GD#"), "06:10:00#+60*30:00#");
    EXPECT_NEAR(m.mount.truePointing().raHours, truth.raHours, 1e-9);
    EXPECT_NEAR(m.mount.truePointing().decDegrees, truth.decDegrees, 1e-9);
}

TEST(Lx200Responder, IdentityAndSiteQueries)
{
    Controller m;
    EXPECT_EQ(m.send(":GVP#"), "Velumbra LX200#");
    EXPECT_EQ(m.send(":GVN#"), "1.0#");
    EXPECT_EQ(m.send(":Gt#"), "+46*00#");
    const QByteArray lst = m.send(":GS#");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d#$")).match(QString::fromLatin1(lst)).hasMatch())
        << lst.constData();
    EXPECT_EQ(m.send("\x06"), "P") << "ACK: the mount is polar";
    EXPECT_EQ(m.send(":XYZ#:G#:GZZ#:R#:RX#:F#:FX#:U1#:D1#:CX#:S#:Sx12#"), "") << "unknown commands get no reply";
}

// Bytes come in any split: the replies are the same as for the whole
// stream; noise and overlong commands are dropped and the next command
// still answers.
TEST(Lx200Responder, AnySplitAndNoiseGiveTheSameReplies)
{
    static const char kScript[] = "#:RC#\r\n#:GR#\x06:Sr 01:02:03#:Sd -10*20:30#junk\xff\x00:GD#:U#:GR#:Q#";
    const QByteArray script(kScript, sizeof kScript - 1);
    Controller whole;
    const QByteArray expected = whole.lx200.receive(script);
    EXPECT_EQ(expected, "05:00:00#P11+30*00:00#05:00.0#");
    for (qsizetype step : {1, 2, 3, 7}) {
        Controller split;
        QByteArray got;
        for (qsizetype i = 0; i < script.size(); i += step) got += split.lx200.receive(QByteArrayView(script).sliced(i, std::min(step, script.size() - i)));
        EXPECT_EQ(got, expected) << step;
    }
    Controller noisy;
    const QByteArray overlong = ':' + QByteArray(Lx200Responder::kMaxCommand + 5, 'G') + "#";
    EXPECT_EQ(noisy.lx200.receive(overlong), "");
    EXPECT_EQ(noisy.send(":GR#"), "05:00:00#");
}

// What a planetarium program asks on connecting: every query answers, from
// the simulator's clock (here 01:02:03 on 8 Dec 2026 in a zone one hour east
// of Greenwich) and the mount's site (46 N 6 E).
TEST(Lx200Responder, ConnectQueriesAnswerFromTheClockAndTheSite)
{
    ManualClock clock(QDateTime(QDate(2026, 12, 8), QTime(1, 2, 3), Qt::OffsetFromUTC, 3600));
    MountModel mount(clock);
    Lx200Responder lx200(mount);
    const std::pair<const char*, const char*> cases[] = {
        {":Gc#", "24#"},       {":GM#", "Velumbra#"},   {":GT#", "60.1#"},       {":Gg#", "-006*00#"},
        {":Gt#", "+46*00#"},   {":GG#", "-01.0#"},      {":GL#", "01:02:03#"},   {":GC#", "12/08/26#"},
        {":GVD#", "Nov 30 2026#"}, {":GVT#", "20:00:00#"},
    };
    for (const auto& [query, reply] : cases) EXPECT_EQ(lx200.receive(QByteArrayView(query)), reply) << query;
    clock.advanceMs(23 * 3600 * 1000);
    EXPECT_EQ(lx200.receive(":GL#:GC#"), "00:02:03#12/09/26#") << "the controller's clock runs with the simulator's";
}

// The time and site commands: checked, answered "1" (a date with the two
// lines of the planetary update) or "0", and read back.
TEST(Lx200Responder, SiteAndTimeAreSetAndReadBack)
{
    struct Case {
        const char* command;
        const char* reply;
        const char* query;
        const char* readBack; // the query's reply afterwards
    };
    const Case cases[] = {
        {":St +52*30#", "1", ":Gt#", "+52*30#"},
        {":St-33:52:00#", "1", ":Gt#", "-33*52#"},
        {":St +91*00#", "0", ":Gt#", "+46*00#"},
        {":St north#", "0", ":Gt#", "+46*00#"},
        {":Sg 354*00#", "1", ":Gg#", "-006*00#"}, // 354 W is 6 E
        {":Sg 071*15#", "1", ":Gg#", "+071*15#"},
        {":Sg-013:24#", "1", ":Gg#", "-013*24#"},
        {":Sg 181*30#", "1", ":Gg#", "-178*30#"},
        {":Sg 361*00#", "0", ":Gg#", "-006*00#"},
        {":SG -05.5#", "1", ":GG#", "-05.5#"},
        {":SG +03#", "1", ":GG#", "+03.0#"},
        {":SG 25#", "0", ":GG#", "+00.0#"},
        {":SL 23:59:30#", "1", ":GL#", "23:59:30#"},
        {":SL 24:00:00#", "0", ":GL#", "22:00:00#"},
        {":SL 12:61:00#", "0", ":GL#", "22:00:00#"},
        {":SC 07/04/27#", "1Updating Planetary Data#                                #", ":GC#", "07/04/27#"},
        {":SC 02/30/27#", "0", ":GC#", "01/01/26#"},
        {":SC 13/01/27#", "0", ":GC#", "01/01/26#"},
        {":SC 1/2#", "0", ":GC#", "01/01/26#"},
    };
    for (const Case& c : cases) {
        ManualClock clock(QDateTime(QDate(2026, 1, 1), QTime(22, 0), Qt::UTC));
        MountModel mount(clock);
        Lx200Responder lx200(mount);
        EXPECT_EQ(lx200.receive(QByteArrayView(c.command)), c.reply) << c.command;
        EXPECT_EQ(lx200.receive(QByteArrayView(c.query)), c.readBack) << c.command;
    }
}

// A client's time in its order (offset, time, date): the controller shows
// it and runs on; the site moves the sky with it.
TEST(Lx200Responder, ASetTimeRunsOnAndTheSiteMovesTheSky)
{
    Controller m;
    EXPECT_EQ(m.send(":SG -02#:SL 05:04:05#"), "11");
    EXPECT_EQ(m.send(":SC 07/04/27#").left(1), "1");
    EXPECT_EQ(m.send(":GG#:GL#:GC#"), "-02.0#05:04:05#07/04/27#");
    m.clock.advanceMs(90000);
    EXPECT_EQ(m.send(":GL#"), "05:05:35#");
    EXPECT_EQ(m.send(":SG -03#:GL#:GG#"), "105:05:35#-03.0#") << "a new offset keeps the local time";

    // 15 degrees further west: the local sidereal time one hour earlier.
    const double lst = m.mount.siderealTime();
    EXPECT_EQ(m.send(":Sg 009*00#"), "1"); // 9 W
    EXPECT_NEAR(std::remainder(lst - m.mount.siderealTime(), 24.0), 1.0, 1e-6);
    // Vega (+38.8) never rises from 60 S.
    EXPECT_EQ(m.send(":Sr 18:36:56#:Sd +38*47:01#"), "11");
    m.send(":St -60*00#");
    EXPECT_EQ(m.send(":MS#"), "1Objet sous l'horizon#");
    EXPECT_DOUBLE_EQ(m.mount.settings().latitude, -60.0);
}

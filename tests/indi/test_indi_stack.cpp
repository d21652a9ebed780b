// velumbra-stack --indi: live frames of the INDI camera simulator stacked
// with no display, and the command line that asks for them.
#include "IndiServer.h"

#include "app/stack/StackOptions.h"
#include "results/SerFile.h"

#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

namespace velumbra {
namespace {

using stack::ParsedCommandLine;
using stack::parseStackCommandLine;

TEST(IndiStackOptions, TheCameraItsServerAndItsOptions)
{
    struct Case {
        QStringList args;
        ParsedCommandLine::Outcome outcome;
        const char* camera;
        const char* host;
        int port;
    };
    using O = ParsedCommandLine::Outcome;
    const Case cases[] = {
        {{"--indi", "CCD Simulator", "--count", "3", "-o", "r.bmp"}, O::Run, "CCD Simulator", "localhost", 7624},
        {{"--indi", "Cam@pi:7625", "--count", "3", "-o", "r.bmp"}, O::Run, "Cam", "pi", 7625},
        {{"--indi", "Cam@pi", "--count", "3", "-o", "r.bmp"}, O::Run, "Cam", "pi", 7624},
        {{"--indi", "@pi", "--count", "3", "-o", "r.bmp"}, O::Error, "", "", 0},
        {{"--indi", "Cam@pi:x", "--count", "3", "-o", "r.bmp"}, O::Error, "", "", 0},
        {{"--indi", "Cam", "-o", "r.bmp"}, O::Error, "", "", 0},                       // no --count
        {{"--indi", "Cam", "--count", "2", "a.bmp", "-o", "r.bmp"}, O::Error, "", "", 0}, // and files
        {{"--indi", "Cam", "--count", "2", "--simulate", "2", "-o", "r.bmp"}, O::Error, "", "", 0},
        {{"--indi", "Cam", "--count", "2", "--camera-binning", "5", "-o", "r.bmp"}, O::Error, "", "", 0},
        {{"--indi", "Cam", "--count", "2", "--subframe", "10", "-o", "r.bmp"}, O::Error, "", "", 0},
    };
    for (const Case& c : cases) {
        const ParsedCommandLine p = parseStackCommandLine(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        ASSERT_EQ(p.outcome, c.outcome) << p.error.toStdString();
        if (c.outcome != O::Run) continue;
        EXPECT_EQ(p.options.indiCamera, QString::fromLatin1(c.camera));
        EXPECT_EQ(p.options.indiHost, QString::fromLatin1(c.host));
        EXPECT_EQ(p.options.indiPort, c.port);
    }
    const ParsedCommandLine alone = parseStackCommandLine({"a.bmp", "--exposure", "100", "-o", "r.bmp"});
    ASSERT_EQ(alone.outcome, O::Run);
    EXPECT_EQ(alone.warnings.size(), 1) << "--exposure acts only with --indi";
}

TEST(IndiStack, StacksLiveFramesOfTheCameraWithNoDisplay)
{
    if (!test::IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
    test::IndiServer server({"indi_simulator_ccd"});
    ASSERT_TRUE(server.start());
    const QString dir = server.home();
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(VELUMBRA_STACK_COMMAND),
              {"--indi", QStringLiteral("CCD Simulator@localhost:%1").arg(server.port()), "--count", "3", "--exposure",
               "50", "--camera-binning", "2", "--ser", dir + "/live.ser", "-o", dir + "/live.bmp", "--quiet"});
    ASSERT_TRUE(run.waitForFinished(40000));
    const QString said = QString::fromUtf8(run.readAll());
    EXPECT_EQ(run.exitCode(), 0) << said.toStdString();
    const QImage result(dir + "/live.bmp");
    EXPECT_EQ(result.size(), QSize(640, 512)) << "binning 2 of the 1280 x 1024 sensor";
    SerReader ser;
    ASSERT_TRUE(ser.open(dir + "/live.ser")) << ser.errorString().toStdString();
    EXPECT_EQ(ser.frameCount(), 3);
    EXPECT_EQ(ser.header().width, 640);
    EXPECT_EQ(ser.header().height, 512);
    ASSERT_TRUE(ser.hasTimes());
    EXPECT_LT(ser.frameTime(0), ser.frameTime(2)) << "each frame keeps its own time";
}

TEST(IndiStack, AMissingServerWritesNothing)
{
    const QTemporaryDir dir;
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(VELUMBRA_STACK_COMMAND),
              {"--indi", QStringLiteral("CCD Simulator@localhost:%1").arg(test::freeLocalPort()), "--count", "2", "-o",
               dir.filePath("r.bmp")});
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(run.readAll()).contains(QStringLiteral("INDI camera CCD Simulator")));
    EXPECT_FALSE(QFile::exists(dir.filePath("r.bmp")));
}

} // namespace
} // namespace velumbra

// Ended by SIGTERM, SIGINT or SIGHUP in the middle of a mount move and of a
// long exposure, the program stops the mount and puts the camera lines to
// rest before it goes, with the exit status of that signal.
#include "../../telescope/PtyPair.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace velumbra::test {
namespace {

TEST(KilledBySignal, TheMountStopsAndTheCameraLinesRest)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        PtyPair mount;
        ASSERT_TRUE(mount.ok());
        QTemporaryDir dir; // the settings written at the end go there
        QProcess program;
        program.setWorkingDirectory(dir.path());
        program.start(QStringLiteral(VELUMBRA_KILLED_MID_MOVE), {mount.path()});
        ASSERT_TRUE(program.waitForStarted());
        QByteArray said;
        while (!said.contains("ready\n") && program.waitForReadyRead(30000)) said += program.readAllStandardOutput();
        ASSERT_TRUE(said.contains("ready\n")) << program.readAllStandardError().toStdString();
        QByteArray wire = mount.read(10);
        ASSERT_TRUE(wire.endsWith("#:Me#")) << wire.toStdString();

        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(30000));
        said += program.readAllStandardOutput();
        EXPECT_EQ(mount.read(4, 2000), QByteArray("#:Q#"));
        EXPECT_TRUE(said.contains("lines 00001111\n")) << said.toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 128 + signal);
    }
}

} // namespace
} // namespace velumbra::test

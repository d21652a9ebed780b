// A process killed at any moment while it saves leaves a settings file that
// reads whole: every key of one save, never a mix of two, never a torn file.
#include "IniFixture.h"
#include "SaveLoopLayout.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

namespace velumbra::test {
namespace {

using KilledWhileSaving = IniFixture;

// The generation every key of the file holds (0: no file yet); -1 when
// they disagree.
int wholeGeneration(const IniFile& ini)
{
    if (ini.ReadSections().isEmpty()) return 0;
    const int generation = ini.ReadInteger(kLoopSections[0], QStringLiteral("Generation"), 0);
    for (const QString& section : kLoopSections) {
        if (ini.ReadInteger(section, QStringLiteral("Generation"), -1) != generation) return -1;
        for (int k = 0; k < kLoopKeysPerSection; ++k)
            if (ini.ReadString(section, QStringLiteral("Cle_%1").arg(k), {}) != loopValue(generation, k)) return -1;
    }
    return generation;
}

TEST_F(KilledWhileSaving, FileHoldsOneWholeSaveAfterEveryKill)
{
    constexpr int kKills = 200;
    QRandomGenerator random(20260314);
    int previous = 0;
    int changedBetweenKills = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess saver;
        saver.start(QStringLiteral(VELUMBRA_SAVE_LOOP), {path()});
        ASSERT_TRUE(saver.waitForStarted()) << saver.errorString().toStdString();
        // Killed somewhere among the saves that follow its first one: a
        // save takes a few milliseconds, most of it waiting for the disk.
        ASSERT_TRUE(saver.waitForReadyRead(10000)) << "no first save";
        QThread::usleep(random.bounded(0, 8000));
        saver.kill(); // SIGKILL: no handler, no flush, no clean-up
        ASSERT_TRUE(saver.waitForFinished());
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit) << "the saver stopped by itself";

        messages.lines.clear();
        const IniFile ini = open();
        ASSERT_TRUE(messages.lines.isEmpty()) << "kill " << kill << ": " << messages.lines.join('\n').toStdString();
        const int generation = wholeGeneration(ini);
        ASSERT_GE(generation, previous) << "kill " << kill << ": torn or older file";
        if (generation > previous) ++changedBetweenKills;
        previous = generation;
    }
    // Each run saved at least once before its kill.
    EXPECT_EQ(changedBetweenKills, kKills);
    std::printf("%d kills, last generation %d\n", kKills, previous);
}

} // namespace
} // namespace velumbra::test

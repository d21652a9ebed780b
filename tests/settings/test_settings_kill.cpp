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

// The generation every key of the file holds; -1 when they disagree.
int wholeGeneration(const IniFile& ini)
{
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
        QThread::usleep(random.bounded(1000, 30000));
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
    // The kills did land among saves, not only before the first one.
    EXPECT_GT(previous, kKills);
    EXPECT_GT(changedBetweenKills, kKills / 2);
    std::printf("%d kills, last generation %d, file changed between %d of them\n", kKills, previous,
                changedBetweenKills);
}

} // namespace
} // namespace velumbra::test

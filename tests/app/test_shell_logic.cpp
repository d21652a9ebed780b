#include "app/HelpTopics.h"
#include "app/MemoryStatus.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace velumbra;

TEST(MemoryStatus, ReadsPhysicalSwapAndAddressSpace)
{
    const QString meminfo = QStringLiteral(
        "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    4000000 kB\n"
        "SwapTotal:       2000000 kB\nSwapFree:        1500000 kB\n");
    const QString status = QStringLiteral("Name:\tvelumbra\nVmSize:\t  100000 kB\nVmRSS:\t 50000 kB\n");
    const MemoryStatus s = parseMemoryStatus(meminfo, status);
    EXPECT_EQ(s.totalPhys, 16000000ull * 1024);
    EXPECT_EQ(s.availPhys, 4000000ull * 1024); // available, not merely free
    EXPECT_EQ(s.memoryLoad, 75);
    EXPECT_EQ(s.totalPageFile, 2000000ull * 1024);
    EXPECT_EQ(s.availPageFile, 1500000ull * 1024);
    EXPECT_EQ(s.totalVirtual - s.availVirtual, 100000ull * 1024);
}

TEST(MemoryStatus, MissingFiguresGiveZeroNotGarbage)
{
    const MemoryStatus s = parseMemoryStatus(QString(), QString());
    EXPECT_EQ(s.totalPhys, 0u);
    EXPECT_EQ(s.memoryLoad, 0);
    EXPECT_EQ(s.availVirtual, s.totalVirtual);
}

TEST(MemoryStatus, ThisProcessHasAResidentSize)
{
    EXPECT_GT(residentKilobytes(), 0u);
    EXPECT_GT(readMemoryStatus().totalPhys, 0u);
}

TEST(HelpTopics, AreasOfTheMainWindow)
{
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Alv"), QStringLiteral("Image1")), 16);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Alv"), QStringLiteral("GRB_Seuils")), 6);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Alv"), QStringLiteral("TBS_Flat")), 19);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Alv"), QStringLiteral("PNL_Reticule")), 3);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Alv"), QStringLiteral("RDB_Cadres")), 10);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Alv"), QStringLiteral("unknown")), 0);
}

TEST(HelpTopics, OtherWindowsAndPages)
{
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Main"), QStringLiteral("TBS_King")), 42);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Main"), QStringLiteral("TBS_Bigourdan")), 41);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Main"), QString()), 5);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Pref"), QStringLiteral("TBS_Autoguidage")), 32);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_PlayControl"), QString()), 33);
    EXPECT_EQ(helpTopicForArea(QStringLiteral("TFRM_Alv_Child"), QStringLiteral("PGC_Child")), 20);
    EXPECT_EQ(helpFileForTopic(6), QStringLiteral("topic-06.html"));
    EXPECT_EQ(helpFileForTopic(41), QStringLiteral("topic-41.html"));
    EXPECT_EQ(helpFileForTopic(0), QStringLiteral("index.html"));
}

TEST(HelpTopics, EveryTopicHasAPage)
{
    const int topics[] = {3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19, 20, 21,
                          22, 23, 24, 25, 26, 27, 28, 30, 31, 32, 33, 34, 35, 36, 37, 41, 42};
    const QString dir = QStringLiteral(VELUMBRA_SOURCE_DIR "/docs/help/");
    EXPECT_TRUE(QFile::exists(dir + helpFileForTopic(0)));
    for (int t : topics) EXPECT_TRUE(QFile::exists(dir + helpFileForTopic(t))) << t;
}

// The English contents page leads to pages that exist, and says they are French.
TEST(HelpTopics, TheEnglishContentsLeadToThePages)
{
    const QString dir = QStringLiteral(VELUMBRA_SOURCE_DIR "/docs/help/");
    QFile english(dir + QStringLiteral("index-en.html"));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(english.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("The help pages are written in French")));
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)"));
    int links = 0;
    for (auto it = link.globalMatch(text); it.hasNext();) {
        const QString target = it.next().captured(1);
        EXPECT_TRUE(QFile::exists(dir + target)) << target.toStdString();
        ++links;
    }
    EXPECT_GT(links, 30);
    QFile french(dir + QStringLiteral("index.html"));
    ASSERT_TRUE(french.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(french.readAll()).contains(QStringLiteral("href=\"index-en.html\"")));
}

#include "app/CloseQuestion.h"
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

// Every topic has its page in French and in English, and no page sends the
// user away with a feature said to be missing; every link leads somewhere.
TEST(HelpTopics, EveryTopicHasAPageInBothLanguagesThatDescribesIt)
{
    const int topics[] = {0,  3,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 19, 20, 21,
                          22, 23, 24, 25, 26, 27, 28, 30, 31, 32, 33, 34, 35, 36, 37, 41, 42};
    const QString dir = QStringLiteral(VELUMBRA_SOURCE_DIR "/docs/help/");
    const QStringList missing = {QStringLiteral("pas encore disponible"), QStringLiteral("à venir"),
                                 QStringLiteral("not yet available"), QStringLiteral("not available yet"),
                                 QStringLiteral("to come"), QStringLiteral("does not have yet"),
                                 QStringLiteral("written in French"), QStringLiteral("prochaine version"),
                                 QStringLiteral("next version")};
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)"));
    for (int t : topics)
        for (bool english : {false, true}) {
            const QString name = helpFileForTopic(t, english);
            QFile page(dir + name);
            ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << name.toStdString();
            const QString text = QString::fromUtf8(page.readAll());
            EXPECT_TRUE(text.contains(english ? QStringLiteral("lang=\"en\"") : QStringLiteral("lang=\"fr\"")))
                << name.toStdString();
            for (const QString& phrase : missing)
                EXPECT_FALSE(text.contains(phrase, Qt::CaseInsensitive)) << name.toStdString() << ": " << phrase.toStdString();
            // A page that only points elsewhere describes nothing.
            EXPECT_GT(text.size(), 900) << name.toStdString();
            for (auto it = link.globalMatch(text); it.hasNext();) {
                const QString target = it.next().captured(1);
                EXPECT_TRUE(QFile::exists(dir + target)) << name.toStdString() << " -> " << target.toStdString();
                if (target.startsWith(QStringLiteral("topic")))
                    EXPECT_EQ(target.endsWith(QStringLiteral("-en.html")), english) << name.toStdString() << " -> " << target.toStdString();
            }
        }
}

TEST(HelpTopics, TheLanguageChoosesThePages)
{
    EXPECT_EQ(helpFileForTopic(36, true), QStringLiteral("topic-36-en.html"));
    EXPECT_EQ(helpFileForTopic(0, true), QStringLiteral("index-en.html"));
    EXPECT_FALSE(helpInEnglish(QString()));
    EXPECT_FALSE(helpInEnglish(QStringLiteral("Français")));
    EXPECT_FALSE(helpInEnglish(QStringLiteral("francais")));
    EXPECT_TRUE(helpInEnglish(QStringLiteral("English")));
    EXPECT_TRUE(helpInEnglish(QStringLiteral("Deutsch")));
}

// Closing asks only while something runs, and names everything that does.
TEST(CloseQuestion, NamesWhatRunsAndAsksNothingOtherwise)
{
    const NamedTexts& fr = NamedTexts::builtIn();
    EXPECT_TRUE(closeQuestion(RunningWork{}, fr).isEmpty());
    const struct {
        bool RunningWork::*field;
        const char* named;
    } cases[] = {
        {&RunningWork::saving, "l'enregistrement automatique"}, {&RunningWork::stacking, "une intégration"},
        {&RunningWork::guiding, "l'autoguidage"},                {&RunningWork::longExposure, "une longue pose"},
        {&RunningWork::measuring, "une mesure"},
    };
    RunningWork all;
    QStringList everything;
    for (const auto& k : cases) {
        RunningWork one;
        one.*k.field = true;
        all.*k.field = true;
        everything << QString::fromUtf8(k.named);
        EXPECT_EQ(closeQuestion(one, fr), QStringLiteral("En cours : %1. Fermer Velumbra quand même ? Ce qui n'est pas "
                                                         "encore enregistré sera perdu.")
                                              .arg(QString::fromUtf8(k.named)));
    }
    EXPECT_TRUE(closeQuestion(all, fr).startsWith(QStringLiteral("En cours : ") + everything.join(QStringLiteral(", ")) +
                                                  QStringLiteral(". ")));
}

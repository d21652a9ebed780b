#include "core/ImageBuffers.h"
#include "results/SaveScheduler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <gtest/gtest.h>

using namespace velumbra;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A scheduler on a hand-driven clock, saving a 321 x 240 result image into
// a temporary folder. Every save with a record notes the time it ran.
class Saving : public ::testing::Test {
protected:
    Saving()
    {
        image.fill(QColor(40, 80, 120));
        SaveScheduler::Timers t = manualSaveTimers(timers);
        scheduler = std::make_unique<SaveScheduler>(clock, messages, std::move(t), QLocale::c());
        scheduler->setImage(&image, 321, 240);
        scheduler->controls.EDT_Nom_Image = dir.path() + QStringLiteral("/jup");
        scheduler->gatherParameters = [this] {
            saveTimes.push_back(int(start.msecsTo(clock.now())));
            return ParameterValues{};
        };
    }

    // Starts timed saving with records on; the rate unit is seconds unless given.
    void startTimed(int rateSeconds)
    {
        scheduler->controls.CKB_Enreg_Params = true;
        scheduler->controls.SPED_Freq_Sauve = rateSeconds;
        scheduler->controls.CBX_Unite = 1;
        ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    }

    QStringList files(const QString& filter) const
    {
        return QDir(dir.path()).entryList({filter}, QDir::Files, QDir::Name);
    }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }

    QTemporaryDir dir;
    ManualClock clock;
    const QDateTime start = clock.now();
    ManualTimers timers{clock};
    RecordingMessages messages;
    QImage image{kMaxFrameWidth, kMaxFrameHeight, kPixelFormat};
    std::unique_ptr<SaveScheduler> scheduler;
    std::vector<int> saveTimes;
};

} // namespace

TEST_F(Saving, ManualSaveWritesImageAndRecordThenAdvancesTheNumber)
{
    scheduler->controls.CKB_Enreg_Params = true;
    scheduler->controls.CKB_Longueur_Fixe = true;
    scheduler->controls.TNI_Num_Suffixe = 7;
    ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_EQ(QImage(path(QStringLiteral("jup0007.bmp"))).size(), QSize(321, 240));
    EXPECT_TRUE(readAll(path(QStringLiteral("jup0007.par"))).startsWith("Date/heure"));
    EXPECT_EQ(scheduler->number(), 8);
    // The panel names the file written.
    EXPECT_EQ(messages.lines, QStringList{QStringLiteral("Image enregistrée : ") + path(QStringLiteral("jup0007.bmp"))});
}

TEST_F(Saving, UneFoisJusquaLarretSavesAtOnceThenEveryRate)
{
    startTimed(2);
    timers.advanceMs(9000);
    EXPECT_EQ(saveTimes, (std::vector<int>{0, 2000, 4000, 6000, 8000}));
    EXPECT_TRUE(messages.lines.isEmpty()) << "a run is not told image by image";
    scheduler->BTN_Arreter_SauvClick();
    timers.advanceMs(10000);
    EXPECT_EQ(saveTimes.size(), 5u);
    EXPECT_EQ(files(QStringLiteral("*.bmp")).size(), 5);
    EXPECT_FALSE(scheduler->running());
    // Told once, at its end: how many, and the last file.
    EXPECT_EQ(messages.lines, QStringList{QStringLiteral("Enregistrement automatique terminé : 5 image(s), la dernière : ") +
                                          path(QStringLiteral("jup5.bmp"))});
}

// The sentence under the choices says the schedule the timers then keep
// (the tests above): "Une seule fois" is one series, not one image.
TEST(SavingSchedule, TheChoicesReadAsTheScheduleTheyMake)
{
    const struct {
        int unit, rate;
        bool once, untilStop, video;
        const char* said;
    } cases[] = {
        {1, 3, true, true, false, "Une seule série : une image toutes les 3 s, jusqu'à l'arrêt."},
        {2, 1, true, false, false, "Une seule série : une image toutes les 1 min, pendant 5 min."},
        {0, 4, true, true, false, "Une seule série : une image toutes les 4 images retenues, jusqu'à l'arrêt."},
        {1, 1, false, false, false, "Une série toutes les 10 h : une image toutes les 1 s, pendant 5 min."},
        {3, 2, false, true, false, "Jusqu'à l'arrêt : une image toutes les 2 h, et une image de plus toutes les 10 h."},
        {1, 1, true, true, true, "Vidéo SER des images brutes, jusqu'à l'arrêt."},
        {1, 1, false, false, true, "Vidéo SER des images brutes, pendant 5 min."},
    };
    for (const auto& k : cases) {
        SavingControls c;
        c.CBX_Unite = k.unit;
        c.SPED_Freq_Sauve = k.rate;
        c.RDB_Une_Fois = k.once;
        c.SPED_Toutes_les = 10;
        c.CBX_Toutes_les = 2;
        c.RDB_Arret = k.untilStop;
        c.SPED_Pendant = 5;
        c.CBX_Pendant = 1;
        c.RDB_Video_SER = k.video;
        EXPECT_EQ(describeSchedule(c, NamedTexts::builtIn()), QString::fromUtf8(k.said));
    }
}

TEST_F(Saving, UneFoisPendantStopsTheRunAfterTheDuration)
{
    scheduler->controls.RDB_Arret = false;
    scheduler->controls.SPED_Pendant = 5;
    startTimed(2);
    timers.advanceMs(4999);
    EXPECT_TRUE(scheduler->running());
    timers.advanceMs(20000);
    EXPECT_EQ(saveTimes, (std::vector<int>{0, 2000, 4000}));
    EXPECT_FALSE(scheduler->running());
    EXPECT_FALSE(scheduler->TMR_Sauve().enabled());
    EXPECT_FALSE(scheduler->TMR_Pendant().enabled());
}

TEST_F(Saving, TouteslesPendantSavesABurstEveryPeriod)
{
    // Every 10 s, a burst of one image at once and one per second for 2 s.
    scheduler->controls.RDB_Une_Fois = false;
    scheduler->controls.SPED_Toutes_les = 10;
    scheduler->controls.RDB_Arret = false;
    scheduler->controls.SPED_Pendant = 2;
    startTimed(1);
    timers.advanceMs(25000);
    EXPECT_EQ(saveTimes, (std::vector<int>{0, 1000, 2000, 10000, 11000, 12000, 20000, 21000, 22000}));
    EXPECT_TRUE(scheduler->running());
    scheduler->BTN_Arreter_SauvClick();
    timers.advanceMs(30000);
    EXPECT_EQ(saveTimes.size(), 9u);
}

TEST_F(Saving, TouteslesJusquaLarretAddsOneImageAtEveryPeriod)
{
    scheduler->controls.RDB_Une_Fois = false;
    scheduler->controls.SPED_Toutes_les = 5;
    startTimed(2);
    timers.advanceMs(11000);
    EXPECT_EQ(saveTimes, (std::vector<int>{0, 2000, 4000, 5000, 6000, 8000, 10000, 10000}));
    EXPECT_EQ(files(QStringLiteral("*.bmp")).size(), 8);
}

TEST_F(Saving, MinutesAndHoursScaleTheRate)
{
    EXPECT_EQ(rateUnitMs(1), 1000);
    EXPECT_EQ(rateUnitMs(2), 60000);
    EXPECT_EQ(rateUnitMs(3), 3600000);
    EXPECT_EQ(periodUnitMs(0), 1000);
    EXPECT_EQ(periodUnitMs(2), 3600000);
    scheduler->controls.CBX_Unite = 2;
    scheduler->controls.SPED_Freq_Sauve = 1;
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    EXPECT_EQ(scheduler->TMR_Sauve().interval(), 60000);
}

TEST_F(Saving, FrameCountModeCountsOnlySelectedFrames)
{
    scheduler->controls.CKB_Enreg_Params = true;
    scheduler->controls.CBX_Unite = 0;
    scheduler->controls.SPED_Freq_Sauve = 3;
    scheduler->frameCounted(true); // not running: nothing is counted
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    EXPECT_EQ(saveTimes.size(), 1u); // one at once
    EXPECT_TRUE(scheduler->saveByFrameCount());

    const bool frames[] = {true, false, true, false, false, true, true, true, false, true};
    std::vector<int> savedAfterFrame;
    for (int i = 0; i < 10; ++i) {
        const size_t before = saveTimes.size();
        scheduler->frameCounted(frames[i]);
        if (saveTimes.size() > before) savedAfterFrame.push_back(i);
    }
    // Selected frames are 0, 2, 5, 6, 7, 9: the 3rd and the 6th trigger a save.
    EXPECT_EQ(savedAfterFrame, (std::vector<int>{5, 9}));
    EXPECT_EQ(scheduler->savedFrameCounter(), 6);
    scheduler->BTN_Arreter_SauvClick();
    EXPECT_FALSE(scheduler->saveByFrameCount());
    for (int i = 0; i < 6; ++i) scheduler->frameCounted(true);
    EXPECT_EQ(files(QStringLiteral("*.bmp")).size(), 3);
}

TEST_F(Saving, FrameCountBurstsCountOnlyInsideTheDuration)
{
    scheduler->controls.CBX_Unite = 0;
    scheduler->controls.SPED_Freq_Sauve = 1;
    scheduler->controls.RDB_Une_Fois = false;
    scheduler->controls.SPED_Toutes_les = 10;
    scheduler->controls.RDB_Arret = false;
    scheduler->controls.SPED_Pendant = 2;
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    scheduler->frameCounted(true);
    EXPECT_EQ(files(QStringLiteral("*.bmp")).size(), 2);
    timers.advanceMs(3000); // burst over
    scheduler->frameCounted(true);
    EXPECT_EQ(files(QStringLiteral("*.bmp")).size(), 2);
    timers.advanceMs(7000); // next burst: one at once, then frames count again
    scheduler->frameCounted(true);
    EXPECT_EQ(files(QStringLiteral("*.bmp")).size(), 4);
}

TEST_F(Saving, SingleFileModeListsEveryImageOfTheRunInOneRecord)
{
    scheduler->controls.CKB_Un_seul_fichier = true;
    startTimed(1);
    EXPECT_TRUE(scheduler->singleFileRun());
    timers.advanceMs(2500);
    scheduler->BTN_Arreter_SauvClick();
    EXPECT_FALSE(scheduler->singleFileRun());

    EXPECT_EQ(files(QStringLiteral("*.bmp")), (QStringList{"jup1.bmp", "jup2.bmp", "jup3.bmp"}));
    EXPECT_EQ(files(QStringLiteral("*.par")), QStringList{QStringLiteral("jup1.par")});
    const QStringList lines = QString::fromUtf8(readAll(path(QStringLiteral("jup1.par")))).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 28 + 4 + 3 + 1);
    EXPECT_EQ(lines.filter(QStringLiteral("Date/heure")).size(), 1);
    EXPECT_EQ(lines[28], QString());
    EXPECT_EQ(lines[29], QStringLiteral("Liste des images enregistrées"));
    EXPECT_EQ(lines[30], QStringLiteral("============================="));
    EXPECT_EQ(lines[31], QStringLiteral("Nom,Date/Heure "));
    EXPECT_EQ(lines[32], QStringLiteral("jup1    1 Jan 2026 22:00:00.000"));
    EXPECT_EQ(lines[33], QStringLiteral("jup2    1 Jan 2026 22:00:01.000"));
    EXPECT_EQ(lines[34], QStringLiteral("jup3    1 Jan 2026 22:00:02.000"));

    // A manual save after the run writes a record of its own.
    ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_TRUE(readAll(path(QStringLiteral("jup4.par"))).startsWith("Date/heure"));
    EXPECT_EQ(readAll(path(QStringLiteral("jup1.par"))).count('\n'), 35);
}

TEST_F(Saving, TheLastNumberStopsTheRunInsteadOfReplacingItsFile)
{
    scheduler->controls.TNI_Num_Suffixe = 65534;
    startTimed(1);
    timers.advanceMs(5000);
    EXPECT_FALSE(scheduler->running());
    EXPECT_EQ(saveTimes, (std::vector<int>{0, 1000}));
    EXPECT_EQ(scheduler->number(), 65535);
    EXPECT_TRUE(messages.lines.contains(QStringLiteral("La valeur doit être comprise entre 1 and 65535")));
    EXPECT_TRUE(messages.lines.filter(QStringLiteral("arrêté")).size() == 1);

    // Neither a manual save nor a new run overwrite the image at 65535.
    const QByteArray kept = readAll(path(QStringLiteral("jup65535.bmp")));
    ASSERT_FALSE(kept.isEmpty());
    image.fill(Qt::white);
    EXPECT_FALSE(scheduler->BTN_Enregistrer_ImageClick());
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    EXPECT_FALSE(scheduler->running());
    EXPECT_EQ(readAll(path(QStringLiteral("jup65535.bmp"))), kept);
    EXPECT_EQ(files(QStringLiteral("*.bmp")).size(), 2);
    EXPECT_EQ(messages.lines.filter(QStringLiteral("Aucun numéro libre")).size(), 2);
}

TEST_F(Saving, AFolderThatCannotBeCreatedReportsAndKeepsTheNumber)
{
    QFile plain(path(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    scheduler->controls.EDT_Nom_Image = path(QStringLiteral("plain/sub/jup"));
    scheduler->controls.CKB_Enreg_Params = true;
    scheduler->controls.TNI_Num_Suffixe = 5;
    EXPECT_FALSE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_EQ(messages.lines,
              QStringList{QStringLiteral("Ne peut créer le fichier ") + path(QStringLiteral("plain/sub/jup5.bmp"))});
    EXPECT_EQ(scheduler->number(), 5);
    EXPECT_TRUE(saveTimes.empty()); // no record attempted
}

// Here the record's name is taken between the choice of the number and the
// write of the record: that file stays, and so do the image and the number.
TEST_F(Saving, ARecordThatCannotBeWrittenKeepsTheImageAndTheNumber)
{
    scheduler->gatherParameters = [this] {
        QDir().mkpath(path(QStringLiteral("jup1.par")));
        return ParameterValues{};
    };
    scheduler->controls.CKB_Enreg_Params = true;
    EXPECT_FALSE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("jup1.bmp"))));
    EXPECT_EQ(scheduler->number(), 1);
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].contains(path(QStringLiteral("jup1.par"))));
}

TEST_F(Saving, ARunWhoseListFileCannotBeCreatedDoesNotStart)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("jup1.par"))));
    scheduler->controls.CKB_Enreg_Params = true;
    scheduler->controls.CKB_Un_seul_fichier = true;
    EXPECT_FALSE(scheduler->BTN_Demarrer_SauvClick());
    EXPECT_FALSE(scheduler->running());
    EXPECT_FALSE(scheduler->TMR_Sauve().enabled());
    EXPECT_TRUE(files(QStringLiteral("*.bmp")).isEmpty());
    EXPECT_EQ(messages.lines.size(), 1);
}

// A second night with the same prefix starts again at 1: the saves move on
// to the next number whose files do not exist and say so; what was there
// stays as it was, links included.
TEST_F(Saving, ASaveNeverReplacesAnEarlierImageOrRecord)
{
    const auto put = [this](const char* name) {
        QFile f(path(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(name);
    };
    put("jup1.bmp");
    put("jup2.bmp");
    put("jup4.par"); // a record whose image was deleted
    put("elsewhere");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("elsewhere")), path(QStringLiteral("jup5.bmp"))));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("none")), path(QStringLiteral("jup6.bmp")))); // broken
    scheduler->controls.CKB_Enreg_Params = true;

    struct Step {
        int savedAs;
        const char* message; // "" when the number was free
    };
    const Step steps[] = {
        {3, "jup1.bmp"}, // 1 and 2 taken
        {7, "jup4.par"}, // 4 has a record, 5 and 6 are links
        {8, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.savedAs);
        messages.lines.clear();
        ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
        const QString image = path(QStringLiteral("jup%1.bmp").arg(step.savedAs));
        EXPECT_EQ(QImage(image).size(), QSize(321, 240));
        EXPECT_TRUE(readAll(path(QStringLiteral("jup%1.par").arg(step.savedAs))).startsWith("Date/heure"));
        EXPECT_EQ(scheduler->number(), step.savedAs + 1);
        QStringList expected =
            *step.message ? QStringList{QStringLiteral("Fichier %1 existant : image enregistree sous %2")
                                            .arg(path(QString::fromLatin1(step.message)), image)}
                          : QStringList{};
        expected << QStringLiteral("Image enregistrée : ") + image;
        EXPECT_EQ(messages.lines, expected);
    }
    for (const char* name : {"jup1.bmp", "jup2.bmp", "jup4.par", "elsewhere"})
        EXPECT_EQ(readAll(path(QString::fromLatin1(name))), QByteArray(name)) << name;
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("jup5.bmp"))).isSymLink());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("jup6.bmp"))).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("none"))));
    EXPECT_TRUE(files(QStringLiteral("*.part*")).isEmpty());

    // Without records of their own, a lone record does not hold its number.
    scheduler->controls.CKB_Enreg_Params = false;
    scheduler->controls.TNI_Num_Suffixe = 4;
    ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("jup4.bmp"))));
    EXPECT_EQ(readAll(path(QStringLiteral("jup4.par"))), QByteArray("jup4.par"));
}

// The list file of a run is added to, never replaced; the run starts at the
// first number whose image does not exist yet.
TEST_F(Saving, ARunListFileIsAppendedAndItsImagesMoveOnToFreeNumbers)
{
    QFile old(path(QStringLiteral("jup1.par")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("last night\n");
    old.close();
    scheduler->controls.CKB_Un_seul_fichier = true;
    startTimed(1);
    timers.advanceMs(1500);
    scheduler->BTN_Arreter_SauvClick();
    const QByteArray list = readAll(path(QStringLiteral("jup1.par")));
    EXPECT_TRUE(list.startsWith("last night\nDate/heure")) << list.left(40).constData();
    EXPECT_TRUE(list.contains("jup2    "));

    // Next run: images 1 and 2 exist, so the list is named after image 3.
    messages.lines.clear();
    scheduler->controls.TNI_Num_Suffixe = 1; // as after a restart
    startTimed(1);
    scheduler->BTN_Arreter_SauvClick();
    EXPECT_EQ(files(QStringLiteral("*.bmp")), (QStringList{"jup1.bmp", "jup2.bmp", "jup3.bmp"}));
    EXPECT_EQ(files(QStringLiteral("*.par")), (QStringList{"jup1.par", "jup3.par"}));
    EXPECT_EQ(readAll(path(QStringLiteral("jup1.par"))), list);
    ASSERT_FALSE(messages.lines.isEmpty());
    EXPECT_EQ(messages.lines[0], QStringLiteral("Fichier %1 existant : images enregistrees a partir de %2")
                                     .arg(path(QStringLiteral("jup1.bmp")), path(QStringLiteral("jup3.bmp"))));
}

TEST_F(Saving, StopRunsTheStopLinkOnlyForARunningSave)
{
    int stops = 0;
    scheduler->runStopped = [&] { ++stops; };
    scheduler->stopIfRunning();
    EXPECT_EQ(stops, 0);
    startTimed(1);
    scheduler->stopIfRunning();
    EXPECT_EQ(stops, 1);
}

// ---------------------------------------------------------------- FITS and SER

TEST_F(Saving, FitsFormatWritesThroughTheFitsWriterUnderTheFitsName)
{
    QStringList asked;
    scheduler->writeFits = [&](const QString& path, QString&) {
        asked << path;
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("SIMPLE") == 6;
    };
    scheduler->controls.CBX_Format = kFormatFits;
    QFile taken(path(QStringLiteral("jup1.fits")));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_EQ(asked, QStringList{path(QStringLiteral("jup2.fits"))}) << "an existing FITS file keeps its number";
    EXPECT_EQ(files(QStringLiteral("*.bmp")), QStringList{});
    EXPECT_EQ(scheduler->number(), 3);
    scheduler->controls.CBX_Format = kFormatBmp;
    ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_EQ(files(QStringLiteral("*.bmp")), QStringList{QStringLiteral("jup3.bmp")});
    EXPECT_EQ(asked.size(), 1);
}

// An image of the other format holds its number too, record or not: a BMP and
// a FITS file under one number would share one record.
TEST_F(Saving, AnImageOfEitherFormatHoldsItsNumber)
{
    scheduler->writeFits = [](const QString& path, QString&) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("SIMPLE") == 6;
    };
    const auto put = [this](const QString& name) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    put(QStringLiteral("jup1.fits")); // a FITS image whose record the crash lost
    put(QStringLiteral("jup2.bmp"));
    for (const bool records : {true, false}) {
        SCOPED_TRACE(records);
        scheduler->controls.CKB_Enreg_Params = records;
        scheduler->controls.TNI_Num_Suffixe = 1;
        scheduler->controls.CBX_Format = kFormatBmp;
        messages.lines.clear();
        ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
        scheduler->controls.TNI_Num_Suffixe = 2;
        scheduler->controls.CBX_Format = kFormatFits;
        ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
        ASSERT_EQ(messages.lines.size(), 4); // each save: the number moved on, then the file written
        EXPECT_TRUE(messages.lines[0].startsWith(QStringLiteral("Fichier %1 existant").arg(path(QStringLiteral("jup1.fits")))));
        EXPECT_TRUE(messages.lines[1].startsWith(QStringLiteral("Image enregistrée : ")));
        EXPECT_TRUE(messages.lines[2].startsWith(QStringLiteral("Fichier %1 existant").arg(path(QStringLiteral("jup2.bmp")))));
    }
    EXPECT_EQ(files(QStringLiteral("jup1.*")), QStringList{QStringLiteral("jup1.fits")});
    EXPECT_EQ(files(QStringLiteral("jup2.*")), QStringList{QStringLiteral("jup2.bmp")});
    EXPECT_EQ(files(QStringLiteral("*.bmp")), (QStringList{QStringLiteral("jup2.bmp"), QStringLiteral("jup3.bmp"),
                                                           QStringLiteral("jup5.bmp")}));
    EXPECT_EQ(files(QStringLiteral("*.fits")), (QStringList{QStringLiteral("jup1.fits"), QStringLiteral("jup4.fits"),
                                                            QStringLiteral("jup6.fits")}));
}

TEST_F(Saving, AFitsWriterThatFailsSaysSoAndKeepsTheNumber)
{
    scheduler->controls.CBX_Format = kFormatFits;
    scheduler->writeFits = [](const QString&, QString& error) {
        error = QStringLiteral("disk full");
        return false;
    };
    EXPECT_FALSE(scheduler->BTN_Enregistrer_ImageClick());
    EXPECT_EQ(scheduler->number(), 1);
    ASSERT_FALSE(messages.lines.isEmpty());
    EXPECT_TRUE(messages.lines.last().contains(QStringLiteral("jup1.fits")));
}

namespace {

QImage frameOf(int n)
{
    QImage f(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    f.fill(QColor(n * 10, n * 20, n * 30));
    return f;
}

} // namespace

TEST_F(Saving, VideoRunRecordsTheArrivingFramesUntilStopped)
{
    scheduler->controls.RDB_Video_SER = true;
    scheduler->controls.RDB_Une_Fois = false;
    scheduler->frameArrived(frameOf(9), 64, 48, QDateTime()); // before the run: not recorded
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    EXPECT_TRUE(scheduler->running());
    EXPECT_EQ(files(QStringLiteral("*")), QStringList{}) << "no image is saved by a video run";
    for (int n = 1; n <= 4; ++n) {
        clock.advanceMs(40);
        scheduler->frameArrived(frameOf(n), 64, 48, QDateTime());
        scheduler->frameCounted(true);
    }
    EXPECT_EQ(scheduler->video().frames(), 4);
    scheduler->BTN_Arreter_SauvClick();
    EXPECT_FALSE(scheduler->running());
    EXPECT_EQ(files(QStringLiteral("*")), QStringList{QStringLiteral("jup1.ser")});
    EXPECT_EQ(scheduler->number(), 2);

    SerReader reader;
    ASSERT_TRUE(reader.open(path(QStringLiteral("jup1.ser"))));
    EXPECT_EQ(reader.frameCount(), 4);
    EXPECT_EQ(reader.header().width, 64);
    EXPECT_EQ(reader.frameTime(0), start.addMSecs(40).toUTC());
    EXPECT_EQ(reader.frameTime(3), start.addMSecs(160).toUTC());
    QImage back(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    ASSERT_TRUE(reader.readFrame(2, back));
    EXPECT_EQ(back.pixel(5, 5), frameOf(3).pixel(5, 5));
    ASSERT_FALSE(messages.lines.isEmpty());
    EXPECT_TRUE(messages.lines.last().contains(QStringLiteral("4 images")));
}

TEST_F(Saving, VideoRunEndsAfterItsDuration)
{
    scheduler->controls.RDB_Video_SER = true;
    scheduler->controls.RDB_Arret = false;
    scheduler->controls.SPED_Pendant = 1;
    scheduler->controls.CBX_Pendant = 0; // seconds
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    int sent = 0;
    for (int t = 0; t < 2000; t += 100) {
        scheduler->frameArrived(frameOf(1), 32, 24, QDateTime());
        ++sent;
        timers.advanceMs(100);
    }
    EXPECT_FALSE(scheduler->running());
    SerReader reader;
    ASSERT_TRUE(reader.open(path(QStringLiteral("jup1.ser"))));
    EXPECT_EQ(reader.frameCount(), 10) << "frames of the first second only, of " << sent;
}

TEST_F(Saving, AFrameOfAnotherSizeEndsTheVideoWithAMessage)
{
    scheduler->controls.RDB_Video_SER = true;
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    scheduler->frameArrived(frameOf(1), 64, 48, QDateTime());
    scheduler->frameArrived(frameOf(2), 64, 48, QDateTime());
    scheduler->frameArrived(frameOf(3), 320, 240, QDateTime());
    EXPECT_FALSE(scheduler->running());
    SerReader reader;
    ASSERT_TRUE(reader.open(path(QStringLiteral("jup1.ser"))));
    EXPECT_EQ(reader.frameCount(), 2);
    EXPECT_TRUE(messages.lines.join(QLatin1Char('\n')).contains(QStringLiteral("taille")));
}

TEST_F(Saving, AVideoTakesTheNextFreeNumberAndNeverReplacesAFile)
{
    QFile old(path(QStringLiteral("jup1.ser")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older video");
    old.close();
    scheduler->controls.RDB_Video_SER = true;
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    scheduler->frameArrived(frameOf(1), 16, 16, QDateTime());
    scheduler->BTN_Arreter_SauvClick();
    EXPECT_EQ(readAll(path(QStringLiteral("jup1.ser"))), QByteArray("older video"));
    SerReader reader;
    ASSERT_TRUE(reader.open(path(QStringLiteral("jup2.ser"))));
    EXPECT_EQ(reader.frameCount(), 1);
}

namespace {

// Files cannot grow past `bytes` while it lives, as on a disk that filled up:
// a write beyond fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    bool ok_ = false;
};

} // namespace

// The disk fills during a timed run: one message with the cause, the run
// stops, the images saved before stay whole, no temporary file is left, and
// once there is room a new run saves again under the next number.
TEST_F(Saving, ADiskFillingUpStopsTheTimedRunAndKeepsWhatWasSaved)
{
    startTimed(2);
    timers.advanceMs(6000); // saves at 0, 2, 4 and 6 s
    ASSERT_EQ(files(QStringLiteral("*.bmp")).size(), 4);
    const QByteArray third = readAll(path(QStringLiteral("jup3.bmp")));
    {
        FileSizeLimit full(100000); // a record fits, an image does not
        ASSERT_TRUE(full.ok());
        messages.lines.clear();
        timers.advanceMs(10000);
        EXPECT_FALSE(scheduler->running());
        EXPECT_FALSE(scheduler->TMR_Sauve().enabled());
        ASSERT_EQ(messages.lines.size(), 3) << messages.lines.join('\n').toStdString();
        // What the run saved before the disk filled is told as it stops.
        EXPECT_EQ(messages.lines[2], QStringLiteral("Enregistrement automatique terminé : 4 image(s), la dernière : ") +
                                         path(QStringLiteral("jup4.bmp")));
        EXPECT_EQ(messages.lines[0], QStringLiteral("Ne peut créer le fichier %1").arg(path(QStringLiteral("jup5.bmp"))));
        EXPECT_EQ(messages.lines[1].toStdString(), QStringLiteral("Enregistrement automatique arrêté : %1")
                                                       .arg(QString::fromLocal8Bit(std::strerror(EFBIG)))
                                                       .toStdString());
    }
    EXPECT_EQ(files(QStringLiteral("*")), (QStringList{QStringLiteral("jup1.bmp"), QStringLiteral("jup1.par"),
                                                       QStringLiteral("jup2.bmp"), QStringLiteral("jup2.par"),
                                                       QStringLiteral("jup3.bmp"), QStringLiteral("jup3.par"),
                                                       QStringLiteral("jup4.bmp"), QStringLiteral("jup4.par")}));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral("part")).isEmpty());
    EXPECT_EQ(readAll(path(QStringLiteral("jup3.bmp"))), third);
    EXPECT_EQ(QImage(path(QStringLiteral("jup4.bmp"))).size(), QSize(321, 240));
    EXPECT_EQ(scheduler->number(), 5);

    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("jup5.bmp"))));
}

// The same during a video: the recording stops with a message, and what
// reached the disk reads up to its last whole frame.
TEST_F(Saving, ADiskFillingUpDuringAVideoKeepsItsWholeFrames)
{
    scheduler->controls.RDB_Video_SER = true;
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    const int frameBytes = 64 * 48 * 3;
    int arrived = 0;
    {
        FileSizeLimit full(kSerHeaderSize + 5 * frameBytes + frameBytes / 2);
        ASSERT_TRUE(full.ok());
        while (scheduler->running() && arrived < 20) {
            clock.advanceMs(40);
            scheduler->frameArrived(frameOf(++arrived), 64, 48, QDateTime());
        }
    }
    EXPECT_FALSE(scheduler->running());
    EXPECT_EQ(arrived, 6);
    ASSERT_GE(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].startsWith(QStringLiteral("Erreur d'écriture de %1").arg(path(QStringLiteral("jup1.ser")))))
        << messages.lines.join('\n').toStdString();
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(left.size(), 1) << left.join(' ').toStdString();
    SerReader reader;
    ASSERT_TRUE(reader.open(path(left[0]))) << reader.errorString().toStdString();
    EXPECT_EQ(reader.frameCount(), 5);
    QImage back(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    for (int k = 0; k < reader.frameCount(); ++k) {
        ASSERT_TRUE(reader.readFrame(k, back));
        EXPECT_EQ(back.pixel(7, 9), frameOf(k + 1).pixel(7, 9)) << k;
    }
}

namespace velumbra {
namespace {

// A camera that stamps its frames: the video keeps the camera's times (not
// the arrival on this computer), the record of an image the time of its
// last frame; a frame without a time of its own is stamped on arrival.
TEST_F(Saving, TheCamerasFrameTimesGoToTheVideoAndTheRecords)
{
    const QDateTime taken(QDate(2023, 8, 12), QTime(1, 2, 3, 456), Qt::UTC);
    scheduler->controls.RDB_Video_SER = true;
    scheduler->controls.RDB_Une_Fois = false;
    ASSERT_TRUE(scheduler->BTN_Demarrer_SauvClick());
    for (int n = 0; n < 3; ++n) {
        clock.advanceMs(1000); // arrival is far from the camera's time
        scheduler->frameArrived(frameOf(n + 1), 64, 48, taken.addMSecs(n * 40));
    }
    clock.advanceMs(1000);
    scheduler->frameArrived(frameOf(4), 64, 48, QDateTime());
    scheduler->BTN_Arreter_SauvClick();
    SerReader reader;
    ASSERT_TRUE(reader.open(path(QStringLiteral("jup1.ser"))));
    ASSERT_EQ(reader.frameCount(), 4);
    EXPECT_EQ(reader.frameTime(0), taken);
    EXPECT_EQ(reader.frameTime(2), taken.addMSecs(80));
    EXPECT_EQ(reader.frameTime(3), clock.now().toUTC());
    EXPECT_EQ(fromSerTicks(reader.header().dateTimeUtc), taken);

    scheduler->controls.RDB_Video_SER = false;
    scheduler->controls.CKB_Enreg_Params = true;
    scheduler->frameArrived(frameOf(5), 64, 48, taken.addSecs(60));
    clock.advanceMs(5000);
    ASSERT_TRUE(scheduler->BTN_Enregistrer_ImageClick());
    const QByteArray record = readAll(path(QStringLiteral("jup2.par")));
    const QString when = formatRecordDateTime(taken.addSecs(60).toLocalTime(), QLocale::c());
    EXPECT_TRUE(record.contains(when.toUtf8())) << record.left(80).constData() << " / " << when.toStdString();
}

} // namespace
} // namespace velumbra

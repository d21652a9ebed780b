// What the built velumbra-stack command does to the files around it: an
// input is never written, a link or a FIFO given as output is handled
// without harm, and a run whose calibration or side outputs fail says so
// in its exit status.
#include "StackTestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using namespace stacktest;

namespace {

constexpr int W = 40, H = 30;

Rgb pattern(int k, int x, int y) { return {(x * 5 + y * 3 + k * 17) % 200 + 10, (x * 2 + y * 7 + k * 31) % 180 + 5, (x * 11 + y + k * 13) % 190 + 1}; }

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class StackFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        a = frame(QStringLiteral("light1.bmp"), 1);
        b = frame(QStringLiteral("light2.bmp"), 2);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString frame(const QString& name, int k, int w = W, int h = H)
    {
        EXPECT_TRUE(QDir(dir.path()).mkpath(QFileInfo(path(name)).path()));
        EXPECT_TRUE(writeFile(path(name), bmp24(w, h, [k](int x, int y) { return pattern(k, x, y); })));
        return path(name);
    }
    // Every file under the folder with its bytes, links as their target text.
    std::map<QString, QByteArray> snapshot() const
    {
        std::map<QString, QByteArray> files;
        QDir root(dir.path());
        const auto list = [&](const auto& self, const QString& sub) -> void {
            const QDir d(root.filePath(sub));
            for (const QFileInfo& e : d.entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
                const QString name = root.relativeFilePath(e.filePath());
                if (e.isSymLink()) files[name] = "-> " + e.symLinkTarget().toUtf8();
                else if (e.isDir()) self(self, name);
                else files[name] = contents(e.filePath());
            }
        };
        list(list, QString());
        return files;
    }

    QTemporaryDir dir;
    QString a, b;
};

} // namespace

// An output that is also an input, or two outputs on one file, stops the
// run before anything is written: no file of the folder changes.
TEST_F(StackFiles, AnOutputOnAnInputIsAUsageErrorAndWritesNothing)
{
    frame(QStringLiteral("saved/frame-00001.bmp"), 3);
    frame(QStringLiteral("saved/frame-00002.bmp"), 4);
    ASSERT_TRUE(QFile::link(a, path(QStringLiteral("link.bmp"))));
    ASSERT_TRUE(writeFile(path(QStringLiteral("out.par")), "a flat by mistake"));
    const QString saved1 = path(QStringLiteral("saved/frame-00001.bmp"));
    const QString saved2 = path(QStringLiteral("saved/frame-00002.bmp"));
    const QString out = path(QStringLiteral("out.bmp"));
    const QString log = path(QStringLiteral("run.csv"));
    struct Case {
        const char* what;
        QStringList args;
        QString named; // the file the message must name
    };
    const QList<Case> cases = {
        {"result over the first frame", {"-o", a, a, b}, a},
        {"result over a link to a frame", {"-o", path("link.bmp"), a, b}, path("link.bmp")},
        {"result over a dark", {"-o", path("d.bmp"), "--dark", path("d.bmp"), a}, path("d.bmp")},
        {"record over a flat", {"-o", out, "--par", "--flat", path("out.par"), a}, path("out.par")},
        {"log without its name takes a frame's", {"-o", out, "--log", a, b}, a},
        {"log over a frame", {"-o", out, "--log", path("run.csv"), a, log}, log},
        {"log over the result", {"-o", out, "--log", out, a, b}, out},
        {"saved frames over the frames", {"-o", out, "--save-frames", path("saved"), saved1, saved2}, saved1},
        {"saved frames over a dark", {"-o", out, "--save-frames", path("saved"), "--dark", saved2, a, b}, saved2},
        {"saved frames over the result", {"-o", saved1, "--save-frames", path("saved"), a, b}, saved1},
    };
    ASSERT_TRUE(writeFile(path(QStringLiteral("d.bmp")), bmp24(W, H, [](int, int) { return Rgb{}; })));
    ASSERT_TRUE(writeFile(log, bmp24(W, H, [](int, int) { return Rgb{9, 9, 9}; })));
    const auto before = snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CommandRun run = runCommand(c.args);
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.named)) << run.err.toStdString();
        EXPECT_TRUE(snapshot() == before);
    }
}

// The same command run twice over a wildcard meets its own last result and
// record among the frames: they are left out, the run goes on.
TEST_F(StackFiles, AnEarlierResultAmongTheFramesIsLeftOut)
{
    const QString out = path(QStringLiteral("stack.bmp"));
    const QStringList thresholds = {"--min", "0", "--max", "512", "--par"};
    const CommandRun first = runCommand(QStringList{"-o", out} + thresholds + QStringList{a, b});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QImage firstResult(out);
    ASSERT_FALSE(firstResult.isNull());

    const QStringList wildcard = {a, b, path(QStringLiteral("stack.bmp")), path(QStringLiteral("stack.par"))};
    const CommandRun second = runCommand(QStringList{"-o", out} + thresholds + wildcard);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(second.err.contains(QStringLiteral("stack.bmp"))) << second.err.toStdString();
    EXPECT_TRUE(second.err.contains(QStringLiteral("stack.par"))) << second.err.toStdString();
    EXPECT_EQ(QImage(out), firstResult);
}

// A link given as output leads to the file that is written; a FIFO that no
// program reads is refused at once.
TEST_F(StackFiles, ALinkOutputWritesItsTargetAndAnUnreadFifoIsRefused)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("results")));
    ASSERT_TRUE(writeFile(path(QStringLiteral("results/night.bmp")), "old result"));
    ASSERT_TRUE(QFile::link(QStringLiteral("results/night.bmp"), path(QStringLiteral("latest.bmp"))));
    const CommandRun linked = runCommand({"-o", path("latest.bmp"), "--min", "0", "--max", "512", a, b});
    EXPECT_EQ(linked.exitCode, 0) << linked.err.toStdString();
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("latest.bmp"))).isSymLink());
    EXPECT_EQ(QImage(path(QStringLiteral("results/night.bmp"))).size(), QSize(W, H));

    const QString fifo = path(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const CommandRun piped = runCommand({"-o", fifo, a, b});
    EXPECT_EQ(piped.exitCode, 1) << piped.err.toStdString();
    EXPECT_TRUE(piped.err.contains(QStringLiteral("pipe.bmp"))) << piped.err.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// Frames that could not be saved, or a log that could not be written, fail
// the run even though the result itself is written.
TEST_F(StackFiles, AFailedFrameSaveOrLogGivesStatusOne)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("saved/frame-00002.bmp"))); // a folder in the way
    const CommandRun saving = runCommand({"-o", path("out.bmp"), "--save-frames", path("saved"), a, b});
    EXPECT_EQ(saving.exitCode, 1) << saving.err.toStdString();
    EXPECT_TRUE(saving.err.contains(QStringLiteral("frame-00002.bmp"))) << saving.err.toStdString();
    EXPECT_EQ(QImage(path(QStringLiteral("saved/frame-00001.bmp"))).size(), QSize(W, H));

    // A log nobody reads: refused without waiting for a reader.
    const QString fifo = path(QStringLiteral("log.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const CommandRun logging = runCommand({"-o", path("out2.bmp"), "--log", fifo, a, b});
    EXPECT_EQ(logging.exitCode, 1) << logging.err.toStdString();
    EXPECT_TRUE(logging.err.contains(QStringLiteral("log.csv"))) << logging.err.toStdString();
}

// A dark or flat that cannot be used is named and nothing is written; the
// light frames are not blamed for it.
TEST_F(StackFiles, CalibrationThatCannotBeUsedStopsTheRun)
{
    frame(QStringLiteral("big.bmp"), 5, 48, 36);
    ASSERT_TRUE(writeFile(path(QStringLiteral("cut.bmp")), "BM too short"));
    ASSERT_TRUE(writeFile(path(QStringLiteral("noblue.bmp")),
                          bmp24(W, H, [](int x, int y) { return Rgb{100 + x, 90 + y, 0}; })));
    struct Case {
        const char* what;
        QStringList calibration;
        QString named;
        QString reason;
    };
    const QList<Case> cases = {
        {"missing dark", {"--dark", path("none.bmp")}, path("none.bmp"), "cannot read"},
        {"unreadable flat", {"--flat", path("cut.bmp")}, path("cut.bmp"), "cannot read"},
        {"dark of another size", {"--dark", path("big.bmp")}, path("big.bmp"), "48x36"},
        {"flat of another size", {"--flat", path("big.bmp")}, path("big.bmp"), "48x36"},
        {"flat without blue", {"--flat", path("noblue.bmp")}, path("noblue.bmp"), "blue"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CommandRun run = runCommand(QStringList{"-o", path("out.bmp")} + c.calibration + QStringList{a, b});
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.named)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("light1.bmp"))) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("out.bmp"))));
    }
    // Without blue in use, the same flat corrects the other channels.
    const CommandRun redGreen =
        runCommand({"-o", path("out.bmp"), "--channels", "rg", "--flat", path("noblue.bmp"), a, b});
    EXPECT_EQ(redGreen.exitCode, 0) << redGreen.err.toStdString();
}

// Every message about the files of a run, in each language: a French run
// says all of it in French, the reader's and the writers' causes included,
// and an English run never slips into French.
TEST_F(StackFiles, FileMessagesSpeakOneLanguage)
{
    frame(QStringLiteral("big.bmp"), 5, 48, 36);
    ASSERT_TRUE(writeFile(path(QStringLiteral("cut.bmp")), "BM too short"));
    ASSERT_TRUE(writeFile(path(QStringLiteral("noblue.bmp")),
                          bmp24(W, H, [](int x, int y) { return Rgb{100 + x, 90 + y, 0}; })));
    ASSERT_TRUE(QFile::link(a, path(QStringLiteral("link.bmp"))));
    ASSERT_TRUE(writeFile(path(QStringLiteral("kept.par")), "an earlier record"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("saved/frame-00002.bmp"))); // a folder in the way
    const QString fifo = path(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString out = path(QStringLiteral("out.bmp"));
    const QString earlier = path(QStringLiteral("earlier.bmp"));
    ASSERT_EQ(runCommand({"-o", earlier, a, b}).exitCode, 0);

    struct Case {
        const char* what;
        QStringList args;
        int status;
        QStringList english, french; // each must be told in its run
    };
    const QList<Case> cases = {
        {"result over a frame", {"-o", a, a, b}, 2,
         {"is both the result and a light frame: it would be overwritten"},
         {"est à la fois le résultat et une image à empiler : ce fichier serait écrasé"}},
        {"result over a link to a frame", {"-o", path("link.bmp"), a, b}, 2,
         {"(the result) is the same file as", "(a light frame)"},
         {"(le résultat) est le même fichier que", "(une image à empiler)"}},
        {"log over a dark", {"-o", out, "--log", path("d.csv"), "--dark", path("d.csv"), a}, 2,
         {"is both the log and a dark frame"}, {"est à la fois le journal et une image de noir"}},
        {"record over a flat", {"-o", out, "--par", "--flat", path("out.par"), a}, 2,
         {"the record", "a flat frame"}, {"la fiche des paramètres", "une image de plage uniforme"}},
        {"saved frames over the frames", {"-o", out, "--save-frames", path("saved"), path("saved/frame-00001.bmp")}, 2,
         {"a frame saved by --save-frames"}, {"une image enregistrée par --save-frames"}},
        {"log named like an image", {"-o", out, "--log", path("run.bmp"), a}, 2,
         {"has the name of a BMP image"}, {"porte le nom d'une image BMP"}},
        {"record among the frames", {"-o", path("kept.bmp"), "--par", a, b, path("kept.par")}, 0,
         {"is the record of the result; left out of the frames"},
         {"est la fiche du résultat ; elle est écartée des images"}},
        {"earlier result among the frames", {"-o", earlier, a, b, earlier}, 0,
         {"is a result of an earlier run, to be replaced by this one; left out of the frames"},
         {"est le résultat d'une exécution précédente, que celle-ci va remplacer ; il est écarté des images"}},
        {"missing dark", {"-o", out, "--dark", path("none.bmp"), a}, 1,
         {"cannot read the dark frame", "; nothing written"}, {"impossible de lire l'image de noir", "; rien n'est écrit"}},
        {"unreadable flat", {"-o", out, "--flat", path("cut.bmp"), a}, 1,
         {"cannot read the flat frame", ": not a BMP file;"},
         {"impossible de lire l'image de plage uniforme", " : ce n'est pas un fichier BMP ;"}},
        {"dark of another size", {"-o", out, "--dark", path("big.bmp"), a}, 1,
         {"is 48x36 but the light frames are 40x30"}, {"mesure 48x36 mais les images à empiler mesurent 40x30"}},
        {"flat of another size", {"-o", out, "--flat", path("big.bmp"), a}, 1,
         {"the flat frame", "48x36"}, {"l'image de plage uniforme", "48x36"}},
        {"flat without blue", {"-o", out, "--flat", path("noblue.bmp"), a}, 1,
         {"a mean of 0 in the blue channel"}, {"une moyenne nulle dans la couche bleue"}},
        {"frame save over a folder", {"-o", out, "--save-frames", path("saved"), a, b}, 1,
         {"it is a folder; no further frame is saved"}, {"c'est un dossier ; plus aucune image n'est enregistrée"}},
        {"result into a FIFO nobody reads", {"-o", fifo, a, b}, 1,
         {"cannot write", "it is a FIFO that no program reads"},
         {"impossible d'écrire", "c'est une FIFO qu'aucun programme ne lit"}},
    };
    // Words that only one of the languages uses, whatever the message.
    const QStringList englishOnly = {" is ", " the ", "cannot", "written", "left out"};
    const QStringList frenchOnly = {" est ", " une ", "impossible", "écrit", "à", "é"};
    struct Run {
        const char* locale;
        bool french;
    };
    for (const Run& language : {Run{"C", false}, Run{"fr_FR.UTF-8", true}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " in " + language.locale);
            const CommandRun run = runCommand(c.args, QString::fromLatin1(language.locale));
            EXPECT_EQ(run.exitCode, c.status) << run.err.toStdString();
            for (const QString& told : language.french ? c.french : c.english)
                EXPECT_TRUE(run.err.contains(told)) << told.toStdString() << "\n" << run.err.toStdString();
            for (const QString& other : language.french ? englishOnly : frenchOnly)
                EXPECT_FALSE(run.err.contains(other)) << other.toStdString() << "\n" << run.err.toStdString();
        }
    }
}

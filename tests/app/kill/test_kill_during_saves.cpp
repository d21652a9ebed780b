// A process killed at any moment while it saves images, records, FITS files,
// SER videos and settings: no file under its final name is ever torn or made
// of two saves, a new run never takes the number of an earlier image, and a
// cut video reads up to its last whole frame.
#include "KillLayout.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "results/FitsFile.h"
#include "results/ImageNaming.h"
#include "results/SerFile.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace velumbra::test {
namespace {

// What identifies a file already checked: replacing it, even by the same
// bytes, changes its inode or its time.
struct Seen {
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const Seen&) const = default;
};

Seen seenOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {st.st_ino, st.st_size, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

class KilledWhileSaving : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // Checks every file of the folder after a kill; returns false (with the
    // reason in `why`) at the first fault.
    bool checkFolder(QString& why)
    {
        const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        cutVideos = leftovers = 0;
        QHash<int, int> imageTokens; // number -> token
        static const QRegularExpression image(QStringLiteral("^m42_(\\d+)\\.(bmp|fits)$"));
        static const QRegularExpression record(QStringLiteral("^m42_(\\d+)\\.par$"));
        static const QRegularExpression video(QStringLiteral("^video_(\\d+)\\.ser$"));
        static const QRegularExpression cutVideo(QStringLiteral("^video_(\\d+)\\.ser\\.part-"));
        for (const QString& name : names) {
            if (const auto m = image.match(name); m.hasMatch()) {
                const int number = m.captured(1).toInt();
                if (imageTokens.contains(number)) return fail(why, name, QStringLiteral("two images under one number"));
                const int token = checkImage(name, m.captured(2) == QLatin1String("fits"), why);
                if (token < 0) return false;
                imageTokens.insert(number, token);
            }
        }
        for (const QString& name : names) {
            if (const auto m = record.match(name); m.hasMatch()) {
                const int number = m.captured(1).toInt();
                if (!imageTokens.contains(number)) return fail(why, name, QStringLiteral("a record without its image"));
                if (!checkRecord(name, imageTokens.value(number), why)) return false;
            } else if (const auto v = video.match(name); v.hasMatch()) {
                if (!checkVideo(name, v.captured(1).toInt(), false, why)) return false;
            } else if (const auto c = cutVideo.match(name); c.hasMatch()) {
                if (!checkVideo(name, c.captured(1).toInt(), true, why)) return false;
            } else if (name == QLatin1String("Velumbra.ini")) {
                if (!checkSettings(why)) return false;
                continue; // replaced by every save
            } else if (!image.match(name).hasMatch()) {
                ++leftovers; // a temporary file the kill left behind
                continue;
            }
        }
        // Files of earlier checks are still there, unchanged.
        for (auto it = checked.cbegin(); it != checked.cend(); ++it)
            if (seenOf(path(it.key())) != it.value()) return fail(why, it.key(), QStringLiteral("changed after a later run"));
        for (const QString& name : names)
            if (name != QLatin1String("Velumbra.ini") && !name.contains(QLatin1String(".part-"))
                && !name.startsWith(QLatin1Char('.')))
                checked.insert(name, seenOf(path(name)));
        images = int(imageTokens.size());
        return true;
    }

    static bool fail(QString& why, const QString& name, const QString& what)
    {
        why = name + QStringLiteral(": ") + what;
        return false;
    }

    // The image's token, or -1 when it is torn or mixed.
    int checkImage(const QString& name, bool fits, QString& why)
    {
        if (checked.contains(name)) return tokens.value(name);
        QImage read(kKillImageWidth, kKillImageHeight, QImage::Format_RGB32);
        if (fits) {
            const FitsReadResult r = readFitsFrame(path(name), read);
            if (!r.ok || r.width != kKillImageWidth || r.height != kKillImageHeight)
                return fail(why, name, QStringLiteral("unreadable FITS: ") + r.error), -1;
        } else {
            if (QFileInfo(path(name)).size() != bmpFileSize(kKillImageWidth, kKillImageHeight))
                return fail(why, name, QStringLiteral("BMP of the wrong size")), -1;
            if (!read.load(path(name), "BMP") || read.size() != QSize(kKillImageWidth, kKillImageHeight))
                return fail(why, name, QStringLiteral("unreadable BMP")), -1;
        }
        const int token = killTokenOf(read);
        if (!killImageWhole(read, token, kKillImageWidth, kKillImageHeight))
            return fail(why, name, QStringLiteral("pixels of two saves")), -1;
        tokens.insert(name, token);
        return token;
    }

    bool checkRecord(const QString& name, int token, QString& why)
    {
        if (checked.contains(name)) return true;
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly)) return fail(why, name, f.errorString());
        const QString text = QString::fromUtf8(f.readAll());
        // The threshold line is the record's last.
        static const QRegularExpression last(QStringLiteral("Seuil de selection +: (\\d+)\\n$"));
        const auto m = last.match(text);
        if (!m.hasMatch()) return fail(why, name, QStringLiteral("torn record"));
        if (m.captured(1).toInt() != token) return fail(why, name, QStringLiteral("record of another image"));
        return true;
    }

    bool checkVideo(const QString& name, int token, bool cut, QString& why)
    {
        if (checked.contains(name)) return true;
        SerReader reader;
        if (!reader.open(path(name))) {
            // Killed before its header was whole: nothing to read, nothing lost.
            if (cut && QFileInfo(path(name)).size() < kSerHeaderSize) return true;
            return fail(why, name, reader.errorString());
        }
        const int expected = cut ? int((QFileInfo(path(name)).size() - kSerHeaderSize) / reader.header().frameBytes())
                                 : kKillVideoFrames;
        if (reader.frameCount() != std::min(expected, kKillVideoFrames))
            return fail(why, name, QStringLiteral("%1 frames read").arg(reader.frameCount()));
        if (!cut && (!reader.hasTimes() || reader.announcedMissing() != 0))
            return fail(why, name, QStringLiteral("finished video without its times"));
        QImage frame(kKillVideoWidth, kKillVideoHeight, QImage::Format_RGB32);
        for (int k = 0; k < reader.frameCount(); ++k)
            if (!reader.readFrame(k, frame) || !killImageWhole(frame, token, kKillVideoWidth, kKillVideoHeight, k))
                return fail(why, name, QStringLiteral("frame %1 torn").arg(k));
        if (cut && reader.frameCount() > 0) ++cutVideos;
        return true;
    }

    bool checkSettings(QString& why)
    {
        ManualClock clock;
        RecordingMessages messages;
        const IniFile ini(path(QStringLiteral("Velumbra.ini")), IniFile::Mode::ReadOnly, clock, messages);
        if (!messages.lines.isEmpty()) return fail(why, QStringLiteral("Velumbra.ini"), messages.lines.join('\n'));
        const int token = ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Jeton"), -1);
        for (int k = 0; k < kKillSettingsKeys; ++k)
            if (ini.ReadString(QStringLiteral("Exposure"), QStringLiteral("Cle_%1").arg(k), {}) != killSetting(token, k))
                return fail(why, QStringLiteral("Velumbra.ini"), QStringLiteral("keys of two saves"));
        if (token < settingsToken) return fail(why, QStringLiteral("Velumbra.ini"), QStringLiteral("older than before"));
        settingsToken = token;
        return true;
    }

    QTemporaryDir dir;
    QHash<QString, Seen> checked;
    QHash<QString, int> tokens;
    // Of the last check:
    int images = 0;
    int cutVideos = 0; // with at least one whole frame
    int leftovers = 0;
    int settingsToken = 0;
};

TEST_F(KilledWhileSaving, EveryFileIsWholeAndNoRunOverwritesAnother)
{
    constexpr int kKills = 200;
    QRandomGenerator random(20261207);
    int imagesBefore = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        QProcess saver;
        saver.start(QStringLiteral(VELUMBRA_SAVE_EVERYTHING), {dir.path(), QString::number(kill)});
        ASSERT_TRUE(saver.waitForStarted()) << saver.errorString().toStdString();
        ASSERT_TRUE(saver.waitForReadyRead(20000)) << "no first round: " << saver.readAllStandardError().toStdString();
        // A round takes a few milliseconds; the kill lands anywhere in the next ones.
        QThread::usleep(random.bounded(0, 12000));
        saver.kill(); // SIGKILL: no handler, no flush, no clean-up
        ASSERT_TRUE(saver.waitForFinished());
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit)
            << "the saver stopped by itself: " << saver.readAllStandardError().toStdString();

        QString why;
        if (!checkFolder(why)) dir.setAutoRemove(false);
        ASSERT_TRUE(why.isEmpty()) << "kill " << kill << ": " << why.toStdString() << " in " << dir.path().toStdString();
        // Every run saved its first round under new numbers.
        ASSERT_GE(images, imagesBefore + 2) << "kill " << kill;
        imagesBefore = images;
    }
    std::printf("%d kills: %d images, %d cut videos read, %d temporary files left\n", kKills, images, cutVideos,
                leftovers);
}

} // namespace
} // namespace velumbra::test

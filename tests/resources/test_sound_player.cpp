// The sounds the program carries, and the player on a machine without a
// sound output.
#include "resources/QtSoundPlayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace velumbra;

TEST(CueSounds, EveryCueIsAShortSpokenPcmWave)
{
    for (const QString& name : QtSoundPlayer::cueNames()) {
        SCOPED_TRACE(name.toStdString());
        QFile f(QtSoundPlayer::cueResource(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray wav = f.readAll();
        ASSERT_GT(wav.size(), 44);
        EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
        EXPECT_EQ(wav.mid(8, 4), QByteArray("WAVE"));
        const auto* h = reinterpret_cast<const uchar*>(wav.constData());
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 20), 1) << "PCM";
        const int channels = qFromLittleEndian<quint16>(h + 22);
        const int rate = int(qFromLittleEndian<quint32>(h + 24));
        const int bits = qFromLittleEndian<quint16>(h + 34);
        ASSERT_GT(rate * channels * bits, 0);
        const double seconds = double(wav.size() - 44) / (rate * channels * bits / 8.0);
        EXPECT_GT(seconds, 0.1) << "a word, not a click";
        EXPECT_LT(seconds, 1.0) << "a cue must not lag behind the frames";
        // Not silence: some samples are loud.
        int loud = 0;
        for (int i = 44; i + 1 < wav.size(); i += 2)
            if (std::abs(qFromLittleEndian<qint16>(h + i)) > 8000) ++loud;
        EXPECT_GT(loud, 100);
    }
}

TEST(SoundPlayer, NoSoundOutputIsSaidOnceNeverPerFrame)
{
    RecordingMessages messages;
    int asked = 0;
    QtSoundPlayer player(messages, [&] {
        ++asked;
        return false;
    });
    for (int frame = 0; frame < 25; ++frame) {
        player.playCue(QStringLiteral("TOP"));
        player.playCue(QStringLiteral("NON"));
        player.playFile(QStringLiteral("/tmp/alerte.wav"));
    }
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].contains(QStringLiteral("Aucune sortie son")));
    EXPECT_EQ(asked, 1) << "the outputs are asked once";
}

TEST(SoundPlayer, UnknownCueNameIsSaidOnce)
{
    RecordingMessages messages;
    QtSoundPlayer player(messages, [] { return false; });
    for (int i = 0; i < 5; ++i) player.playCue(QStringLiteral("BIP"));
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].contains(QStringLiteral("\"BIP\"")));
    // The language file may name any of the five sounds.
    for (const QString& name : QtSoundPlayer::cueNames()) player.playCue(name);
    EXPECT_EQ(messages.lines.size(), 2) << "then only the missing output";
}

TEST(SoundPlayer, MissingUserFileIsSaidOnceWhenSoundWorks)
{
    RecordingMessages messages;
    QtSoundPlayer player(messages, [] { return true; });
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("parti.wav"));
    for (int i = 0; i < 4; ++i) player.playFile(missing);
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].contains(missing));
}

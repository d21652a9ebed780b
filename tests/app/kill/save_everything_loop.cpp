// Saves, over and over until killed, everything the program writes while it
// observes: a BMP image with its parameter record, a FITS image with its
// record, a short SER video and the settings file. Each round's files carry
// the token run * 10000 + round. Every run starts numbering at 1, as a new
// night with the same prefix would. Says "saved" after its first round.
// Used by test_kill_during_saves.
#include "KillLayout.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "results/FitsFile.h"
#include "results/SaveScheduler.h"
#include "results/SerFile.h"
#include "settings/IniFile.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    QCoreApplication app(argc, argv);
    using namespace velumbra;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int run = QString::fromLocal8Bit(argv[2]).toInt();
    SystemClock clock;
    RecordingMessages messages;
    ManualClock timerClock;
    ManualTimers timers{timerClock};
    SaveScheduler::Timers t = manualSaveTimers(timers);
    SaveScheduler saving(clock, messages, std::move(t), QLocale::c());
    QImage image(test::kKillImageWidth, test::kKillImageHeight, QImage::Format_RGB32);
    saving.setImage(&image, image.width(), image.height());
    saving.controls.EDT_Nom_Image = folder + QStringLiteral("/m42_");
    saving.controls.CKB_Enreg_Params = true;
    int token = 0;
    // The record carries the token as its selection threshold.
    saving.gatherParameters = [&token] {
        ParameterValues v;
        v.CKB_Selection = true;
        v.TNI_Seuil_Selection = token;
        return v;
    };
    saving.writeFits = [&image](const QString& path, QString& error) {
        return writeNewFitsFile(path, imageValues(image, image.width(), image.height()), FitsKeywords{}, error);
    };
    QImage frame(test::kKillVideoWidth, test::kKillVideoHeight, QImage::Format_RGB32);
    for (int round = 1;; ++round) {
        token = run * 10000 + round;
        test::fillKillImage(image, token, image.width(), image.height());
        saving.controls.CBX_Format = kFormatBmp;
        if (!saving.BTN_Enregistrer_ImageClick()) return 3;
        saving.controls.CBX_Format = kFormatFits;
        if (!saving.BTN_Enregistrer_ImageClick()) return 4;

        messages.lines.clear(); // "file exists, saved under …" is expected after a kill

        SerRecorder video;
        if (!video.start(folder + QStringLiteral("/video_%1.ser").arg(token), frame.width(), frame.height(), true,
                         clock.now()))
            return 5;
        for (int k = 0; k < test::kKillVideoFrames; ++k) {
            test::fillKillImage(frame, token, frame.width(), frame.height(), k);
            if (!video.addFrame(frame, clock.now())) return 6;
        }
        if (!video.finish()) return 7;

        {
            IniFile ini(folder + QStringLiteral("/Velumbra.ini"), IniFile::Mode::Session, clock, messages);
            ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Jeton"), token);
            for (int k = 0; k < test::kKillSettingsKeys; ++k)
                ini.WriteString(QStringLiteral("Exposure"), QStringLiteral("Cle_%1").arg(k), test::killSetting(token, k));
        }
        if (!messages.lines.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(messages.lines.join('\n')));
            return 8;
        }
        if (round == 1) {
            std::puts("saved");
            std::fflush(stdout);
        }
    }
}

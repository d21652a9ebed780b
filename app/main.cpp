#include "app/QtTranslations.h"
#include "app/TerminationSignals.h"
#include "core/Version.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/HintTimings.h"
#include "app/ui/ShellLanguage.h"
#include "resources/QtSoundPlayer.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// The general exception report: a box with the exception's text.
class VelumbraApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, applicationName(), QString::fromUtf8(e.what()));
        }
        return false;
    }
};

// Where the program finds its own files, for whoever installs or packages it.
int printDataPaths()
{
    const auto line = [](const char* what, const QString& path) {
        std::printf("%s: %s\n", what, qUtf8Printable(path));
    };
    line("help", velumbra::HelpWindow::helpFolder());
    line("sounds", velumbra::QtSoundPlayer::cueSource(QStringLiteral("TOP")));
    line("languages", velumbra::ShellLanguage::installedLanguagePath());
    return 0;
}

// The options answered before any window exists, so that they work without
// a display; Qt's own options (-platform, -style, ...) go on to Qt.
enum class Answer { None, Version, Help, DataPaths };

Answer answerFor(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--version") == 0) return Answer::Version;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return Answer::Help;
        if (std::strcmp(arg, "--data-paths") == 0) return Answer::DataPaths;
    }
    return Answer::None;
}

int printUsage()
{
    std::fputs("Usage: velumbra [OPTION]\n"
               "Webcam imaging, stacking, mount control and autoguiding for amateur astronomers.\n"
               "Without an option the windows open; the settings file Velumbra.ini is read from\n"
               "and written to the folder the program is started from.\n"
               "\n"
               "  --data-paths  print where the help pages, sounds and languages were found\n"
               "  -h, --help    print this help\n"
               "  --version     print the version\n"
               "\n"
               "Qt's own options (-platform, -style, ...) are passed on to Qt.\n"
               "Batch stacking without windows: velumbra-stack --help\n",
               stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    switch (answerFor(argc, argv)) {
    case Answer::Version:
        std::printf("velumbra %s\n", qUtf8Printable(velumbra::programVersion()));
        return 0;
    case Answer::Help:
        return printUsage();
    case Answer::DataPaths: {
        const QCoreApplication noWindows(argc, argv); // finds the program's own folder
        return printDataPaths();
    }
    case Answer::None:
        break;
    }

    VelumbraApplication app(argc, argv);
    QApplication::setApplicationName(velumbra::programTitle());
    velumbra::loadQtTranslations(app);
    velumbra::HintTimings::install(app);

    velumbra::WindowSet windows;
    // Told to end by a signal, the program ends as when its window closes,
    // with the exit status a shell gives a process ended by that signal.
    velumbra::TerminationSignals termination;
    QObject::connect(&termination, &velumbra::TerminationSignals::arrived, &app, [&windows] { windows.endOnSignal(); });
    windows.restorePlaces();
    windows.main()->show();
    const int code = app.exec();
    return termination.received() ? 128 + termination.received() : code;
}

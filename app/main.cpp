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
#include <QMessageBox>
#include <cstdio>
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

} // namespace

int main(int argc, char* argv[])
{
    VelumbraApplication app(argc, argv);
    QApplication::setApplicationName(velumbra::programTitle());
    if (QApplication::arguments().contains(QStringLiteral("--data-paths"))) return printDataPaths();
    velumbra::loadQtTranslations(app);
    velumbra::HintTimings::install(app);

    velumbra::WindowSet windows;
    // Told to end by a signal, the program ends as when its window closes,
    // with the exit status a shell gives a process ended by that signal.
    velumbra::TerminationSignals termination;
    QObject::connect(&termination, &velumbra::TerminationSignals::arrived, &app, [&windows] { windows.endOnSignal(); });
    windows.main()->show();
    const int code = app.exec();
    return termination.received() ? 128 + termination.received() : code;
}

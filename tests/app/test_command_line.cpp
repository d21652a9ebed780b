// The built program answers its own options before any window exists: on a
// machine without a display (a script, a package build, a remote shell) they
// print and end instead of aborting.
#include "core/Version.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct Answered {
    int exitCode = -1;
    QString out;
    QString err;
};

Answered runWithoutDisplay(const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(VELUMBRA_COMMAND), args);
    Answered a;
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        return a;
    }
    if (program.exitStatus() == QProcess::NormalExit) a.exitCode = program.exitCode();
    a.out = QString::fromUtf8(program.readAllStandardOutput());
    a.err = QString::fromUtf8(program.readAllStandardError());
    return a;
}

TEST(CommandLine, OptionsAreAnsweredWithoutADisplay)
{
    struct Case {
        QStringList args;
        QStringList printed; // each one a whole line of the output
    };
    const Case cases[] = {
        {{"--version"}, {QStringLiteral("velumbra ") + velumbra::programVersion()}},
        {{"--help"}, {"  --version     print the version", "  -h, --help    print this help"}},
        {{"-h"}, {"Usage: velumbra [OPTION]"}},
        // Qt's options before ours do not bring the windows up either.
        {{"-style", "fusion", "--version"}, {QStringLiteral("velumbra ") + velumbra::programVersion()}},
    };
    for (const Case& c : cases) {
        const Answered a = runWithoutDisplay(c.args);
        const std::string what = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(a.exitCode, 0) << what << "\n" << a.err.toStdString();
        const QStringList lines = a.out.split(QLatin1Char('\n'));
        for (const QString& line : c.printed) EXPECT_TRUE(lines.contains(line)) << what << ": " << line.toStdString();
    }
    // The version is one plain line.
    EXPECT_EQ(runWithoutDisplay({"--version"}).out.toStdString(), "velumbra " + velumbra::programVersion().toStdString() + "\n");
}

TEST(CommandLine, DataPathsNeedNoDisplay)
{
    const Answered a = runWithoutDisplay({"--data-paths"});
    EXPECT_EQ(a.exitCode, 0) << a.err.toStdString();
    for (const char* what : {"help: /", "sounds: ", "languages: /"})
        EXPECT_TRUE(a.out.contains(QLatin1String(what))) << what << "\n" << a.out.toStdString();
}

} // namespace

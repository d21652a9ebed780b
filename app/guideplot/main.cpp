// velumbra-guideplot: draws guide logs, the star's offset against time.
//   velumbra-guideplot -o plot.png "sans guidage=Guidage_a.txt" "guidé=Guidage_b.txt"
#include "telescope/GuidePlot.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdio>

using namespace velumbra;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString out;
    QString title = QStringLiteral("Autoguidage : position de l'etoile");
    const QColor colours[] = {QColor(200, 60, 40), QColor(30, 90, 200), QColor(40, 150, 60), QColor(150, 60, 160)};
    std::vector<GuidePlotRun> runs;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("-o") && i + 1 < args.size()) {
            out = args[++i];
            continue;
        }
        if (args[i] == QLatin1String("-t") && i + 1 < args.size()) {
            title = args[++i];
            continue;
        }
        const qsizetype eq = args[i].indexOf(QLatin1Char('='));
        const QString label = eq > 0 ? args[i].left(eq) : args[i];
        QFile file(eq > 0 ? args[i].mid(eq + 1) : args[i]);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "velumbra-guideplot: cannot read %s\n", qPrintable(file.fileName()));
            return 1;
        }
        runs.push_back({label, colours[runs.size() % 4], readGuideLog(file)});
        std::printf("%s: %zu corrections, RMS A.D. %.2f\"\n", qPrintable(label), runs.back().run.points.size(),
                    raRms(runs.back().run));
    }
    if (out.isEmpty() || runs.empty()) {
        std::fprintf(stderr, "usage: velumbra-guideplot -o plot.png [-t title] label=guide-log ...\n");
        return 2;
    }
    if (!plotGuideRuns(runs, title).save(out)) {
        std::fprintf(stderr, "velumbra-guideplot: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}

#pragma once
#include "telescope/GuideLog.h"
#include "telescope/GuideTrace.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace velumbra {

// One guide log to draw, with its legend.
struct GuidePlotRun {
    QString label;
    QColor colour;
    GuideLogRun run;
};

// The RMS of a run's right-ascension offsets, arc seconds.
double raRms(const GuideLogRun& run);

// The star's offset along right ascension (top) and declination (bottom),
// arc seconds against minutes, one line per run, each labelled with its RMS.
QImage plotGuideRuns(const std::vector<GuidePlotRun>& runs, const QString& title, QSize size = {1000, 620});

// The words of the live graph, in the chosen language.
struct GuideTraceTexts {
    QString axis = QStringLiteral("Sec.Arc");
    QString time = QStringLiteral("secondes");
    QString ra = QStringLiteral("A.D.");
    QString dec = QStringLiteral("Dec");
};
// "A.D. RMS 0.85″": an axis and its RMS in arc seconds.
QString guideRmsText(const QString& axis, double rms);
// The live graph of the autoguiding window: the RA and Dec offsets of the
// corrections held, arc seconds against seconds, with their RMS.
void drawGuideTrace(QPainter& p, const QRectF& area, const GuideTrace& trace,
                    const GuideTraceTexts& texts = GuideTraceTexts{});

} // namespace velumbra

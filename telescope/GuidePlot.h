#pragma once
#include "telescope/GuideLog.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

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

} // namespace velumbra

#pragma once
#include "app/stack/StackText.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace velumbra::stack {

// What a run did, for the summary at its end.
struct StackReport {
    int framesRead = 0;   // light frames that went into the frame routine
    int stacked = 0;      // frames integrated into the result
    int skipped = 0;      // frames reported and skipped
    int low = 0, high = 0;           // thresholds used, plane units
    bool lowGiven = false, highGiven = false;
    int64_t cells = 0;               // cells of the result
    int64_t saturatedCells = 0;      // cells that reached the sum ceiling
    bool tracking = false;
    int trackedFrames = 0;
    int lostFrames = 0;              // frames where tracking lost its object
    bool registering = false;        // --register: frames brought onto the first
    bool onPlanet = false;           // --register planet rather than stars
    int bestPercent = 0, bestKept = 0, bestOf = 0; // --best
    int registered = 0, unregistered = 0;
    int commonX = 0, commonY = 0, commonWidth = 0, commonHeight = 0; // the result's part of the frame
    QString output;
    int width = 0, height = 0;       // of the result image
    int64_t elapsedMs = 0;
};

// The summary printed at the end of a run, one line each, in the language of `text`.
QStringList summaryLines(const StackReport& report, const StackText& text);

// Most frames of full white a cell can take without reaching the ceiling.
int framesBelowCeiling(int binning);

} // namespace velumbra::stack

#include "app/stack/StackReport.h"
#include "processing/Planes.h"

namespace velumbra::stack {

QStringList summaryLines(const StackReport& r, const StackText& text)
{
    const auto n = [](int64_t v) { return QString::number(v); };
    QStringList lines;
    lines << text(Msg::SummaryFrames, {n(r.framesRead), n(r.stacked), n(r.skipped)});
    lines << text(Msg::SummaryThresholds,
                  {n(r.low), text(r.lowGiven ? Msg::ThresholdGiven : Msg::ThresholdLowPercentile), n(r.high),
                   text(r.highGiven ? Msg::ThresholdGiven : Msg::ThresholdHighPercentile)});
    lines << text(Msg::SummarySaturated, {n(r.saturatedCells), n(r.cells)});
    if (r.tracking) lines << text(Msg::SummaryLost, {n(r.lostFrames), n(r.trackedFrames)});
    if (r.bestPercent > 0) lines << text(Msg::SummaryBest, {n(r.bestKept), n(r.bestOf), n(r.bestPercent)});
    if (r.registering) {
        lines << text(r.onPlanet ? Msg::SummaryRegisteredPlanet : Msg::SummaryRegistered,
                      {n(r.registered), n(r.registered + r.unregistered), n(r.unregistered)});
        if (r.commonWidth > 0)
            lines << text(Msg::SummaryCommonArea, {n(r.commonWidth), n(r.commonHeight), n(r.commonX), n(r.commonY)});
    }
    lines << text(Msg::SummaryResult, {r.output, n(r.width), n(r.height)});
    lines << text(Msg::SummaryTime, {text.decimal(double(r.elapsedMs) / 1000.0, 2)});
    return lines;
}

int framesBelowCeiling(int binning) { return kSumCeiling / cellMax(binning); }

} // namespace velumbra::stack

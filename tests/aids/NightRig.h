#pragma once
// A night at the telescope for the measurements: the simulated sky and
// mount, the frame routine with its tracking, and the sequencer fed by the
// frame's last stage, all on one manual clock.
#include "aids/OperationSequencer.h"
#include "aids/PolarAlignment.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "simulator/MountModel.h"
#include "simulator/SkySimulator.h"

#include <cmath>

namespace velumbra::test {

constexpr int kWidth = 640, kHeight = 480;
constexpr double kFocal = 2000; // mm

struct QuietView : OperationView {
    void setActionLabel(const QString&) override {}
    void setExecuteEnabled(bool) override {}
    void setAbortEnabled(bool) override {}
    void setOperationsMenuEnabled(bool) override {}
    void overlaysOn() override {}
};

// The sensor's pixel, in micrometres, that gives `scale` arc seconds per
// pixel at the focal length.
inline double pixelFor(double scale)
{
    return std::tan(scale / 206264.80624709636) * kFocal * 1000;
}

// A night at the telescope: the simulated sky, the frame routine with its
// tracking, and the sequencer fed by the frame's last stage.
class Night : public PolarAlignmentView {
public:
    Night(SimulatedMount mountSetUp, Equatorial where, bool tracking, double scale = 1.5)
    {
        SkyParameters p = sky.parameters();
        p.jitter = 0.3;
        p.scale = scale;
        sky.setParameters(p);
        sky.mount().setSettings(mountSetUp);
        sky.mount().pointAt(where);
        sky.mount().setTracking(tracking);
        core.buffers.create();
        core.buffers.setFrameSize(kWidth, kHeight);
        core.pipeline.setStages(&stages);
        core.flags.targetActive = true;
        core.controls.CKB_Suivi = true;
        core.controls.TNI_Taille_ZDetect = 40;
        core.controls.tracking.RDB_Somax = true;
        stages.setMeasurement([this](Point p, bool verdict) {
            lost = lost || !verdict;
            seq.frame(p, verdict);
        });
        settings.TNI_Larg_Pix = settings.TNI_Haut_Pix = pixelFor(p.scale);
        settings.TNI_NbPix_X = kWidth;
        settings.TNI_NbPix_Y = kHeight;
        settings.effectiveFocal = kFocal;
        settings.TNI_Echantillonnage = p.scale;
    }
    ~Night() override { core.pipeline.setStages(nullptr); }

    // A frame rendered and processed; the clock then moves on.
    void frame(int msAfter)
    {
        sky.render(core.buffers.frameSlots[0], kWidth, kHeight);
        core.pipeline.ProcessFrame(true);
        clock.advanceMs(msAfter);
    }
    // Clicks the brightest unsaturated star far enough from the borders.
    bool pickStar(int margin)
    {
        sky.render(core.buffers.frameSlots[0], kWidth, kHeight);
        const int id = sky.brightestStarInView(kWidth, kHeight, margin, 200);
        if (id < 0) return false;
        const QPointF at = sky.starPosition(id, kWidth, kHeight);
        core.zone.starPos = {int(std::lround(at.x())), int(std::lround(at.y()))};
        core.pipeline.ProcessFrame(true); // the search settles on the star
        return true;
    }
    void execute() { seq.BTN_ExecuterClick(core.zone.starPos, kWidth, kHeight); }

    PolarSettings polarSettings() const override { return settings; }
    void showBigourdan(const BigourdanFrame& f) override { bigourdan = f; }
    void showKing(const KingResult& r, const KingDrawing&) override { king = r; }

    ManualClock clock{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    SkySimulator sky{clock};
    ImageCore core{clock};
    CoreStages stages{core};
    RecordingMessages messages;
    QuietView view;
    OperationSequencer seq{clock, messages, view};
    PolarSettings settings;
    BigourdanFrame bigourdan;
    KingResult king;
    bool lost = false;
};

} // namespace velumbra::test

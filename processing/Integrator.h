#pragma once
#include "core/Clock.h"
#include "processing/LoopRing.h"
#include "processing/ZoneState.h"
#include "core/Geometry.h"
#include "core/ImageBuffers.h"
#include "processing/Planes.h"
#include "processing/DisplayMapping.h"
#include "processing/PipelineControls.h"

#include <QFont>
#include <array>
#include <cstdint>
#include <memory>

namespace velumbra {

class FramePipeline;

// Elapsed milliseconds of the parts of the last IntegrateAndRender call, as
// the resources window shows them.
struct IntegrationTimings {
    int EDT_Temps_addition = 0;  // settings, ring, counting, accumulation
    int EDT_Temps_Dark_Flat = 0; // correction pass and range
    int EDT_Temps_Seuils = 0;    // evolving thresholds
    int EDT_Temps_Collage = 0;   // mapping into the result image
};

// What the integration tells the windows. Every member may be left as is.
class IntegrationView {
public:
    virtual ~IntegrationView() = default;
    // EDT_NBCaps: frames in the sum of the current mode.
    virtual void showCount(int /*count*/) {}
    // TNI_Min/TNI_Max and the threshold controls changed (GRB_Seuils).
    virtual void thresholdsChanged() {}
    // Running or idle, CKB_Active_Flat availability, dark level, Suivi lock.
    virtual void integrationStateChanged() {}
    virtual void resultRendered() {}
    virtual void showTimings(const IntegrationTimings& /*timings*/) {}
    // The display-zone size slider: new maximum and position, and whether
    // the user may move it.
    virtual void zoneSliderChanged(int /*maximum*/, int /*position*/, bool /*enabled*/) {}
    // CKB_Suivi is forced off and locked during dark and flat runs.
    virtual void suiviLocked(bool /*locked*/) {}
    // The play control's "Ajouter" follows CKB_Integration.
    virtual void ajouterEnabled(bool /*enabled*/) {}
    // Reset enables the operations menu again.
    virtual void operationsMenuEnabled() {}
};

// Integration of selected frames into the sum planes, dark and flat
// correction, and the 8-bit rendering of the result.
class Integrator {
public:
    Integrator(ImageBuffers& buffers, ZoneState& zone, RunFlags& flags, PipelineControls& controls,
               LoopRing& loop, FramePipeline& pipeline, const Clock& clock);
    ~Integrator();
    Integrator(const Integrator&) = delete;
    Integrator& operator=(const Integrator&) = delete;

    void setView(IntegrationView* view) { view_ = view ? view : &noView_; }

    void IntegrateAndRender(Plane plane, bool add, bool restart, bool render);
    // Re-render of the current plane after a display control changed.
    void renderCurrent();

    // Mean of the Flat plane per channel over the cells a frame fills.
    void FlatMeans();

    // Buttons and mode controls of the integration panel.
    void BTN_Demarrer_AddClick();
    void BTN_Arreter_AddClick();
    void BTN_Reset_AddClick();
    void CKB_IntegrationClick();
    void RDB_UniqueClick();
    void RDB_BoucleClick();
    void RDB_DarkClick();
    void RDB_FlatClick();
    void CKB_Active_FlatClick();
    // Dark level or smart-dark radius changed (SCB_Seuil_dark, SPED_RDark).
    void SCB_Seuil_darkChange();
    // Play control "Ajouter": the shown zone is added once.
    void BTN_AjouterClick();
    // Whether a video source delivers frames.
    void setSourceRunning(bool running) { sourceRunning_ = running; }

    bool running() const { return !controls_.BTN_Demarrer_Add_Enabled; }
    // The binning may not change while a run sums: 1x1 and 2x2 cells would
    // mix, and the loop would subtract its oldest frame at the other binning.
    bool binningLocked() const { return running(); }
    // Largest display-zone size: 640 in loop mode, else the frame width.
    int zoneSliderMaximum() const;
    // Sets the shown result size from the display zone, the mode and the binning.
    void updateResultSize();
    // Whether the vector kernels may run (when the processor has them);
    // tests turn them off to check the plain loops.
    void allowAvx2(bool allowed);
    bool avx2() const;

    // The sum planes and the result of the last render of this integrator.
    IntegrationPlanes planes;
    // Cell columns gathered together by the accumulation pass.
    static constexpr int kStripColumns = 8;
    PlaneStatistics stats;
    int loopSize = 2;
    const IntegrationTimings& timings() const { return timings_; }
    // The cells of the planes that the last render mapped into the result
    // image; the image pixel (x, y) shows cell (x, y).
    const Rect& renderedCells() const { return renderedCells_; }
    // Exact flat sums behind flatMean, and the cells they cover.
    int64_t flatSum(int channel) const { return flatSum_[channel]; }
    int64_t flatCells() const { return flatCells_; }

private:
    struct Span {
        int x0 = 0, xEnd = 0, y0 = 0, yEnd = 0; // zone pixels, steps of binning
        int cx0 = 0, cxEnd = 0, cy0 = 0, cyEnd = 0; // cells
    };
    Span accumulationSpan(int binning, bool useRing) const;
    struct CorrectionPass;
    struct FlatGains;
    // writeResult: the uncorrected values are the result, so their range is
    // taken, and with storeResult they are written to resultPlane.
    void accumulate(Plane plane, const Span& span, int binning, bool add, bool subtractOldest, bool writeResult,
                    bool storeResult, CorrectionPass* correction);
    bool prepareCorrection(Plane plane, const Span& span, int binning, CorrectionPass& pass);
    void correct(Plane plane, const Span& span, CorrectionPass& pass);
    void mapToResult(const Span& span, int binning);
    void prepareFlatGains();
    template <bool DarkSub, bool DarkSmart, bool FlatOn, bool Inverse>
    void correctColumns(CorrectionPass& pass, const Span& span, int radius);
    void correctColumnsVector(CorrectionPass& pass, int from, int to);
    static int64_t hotCellValue(const int32_t* sums, const Span& span, int cx, int cy, int channel, int radius,
                                int64_t fallback);
    void showRange(Plane plane);
    int sumCount(Plane plane) const;
    bool loopMode() const;
    void enterWholeFrameZone(Point star);
    void showPlaneFigures(Plane plane);
    void freeRing();
    int zoneSliderPosition() const;
    int elapsedSince(qint64 startMs) const;
    int64_t darkLevelHundredths() const;

    ImageBuffers& buffers_;
    ZoneState& zone_;
    RunFlags& flags_;
    PipelineControls& controls_;
    LoopRing& loop_;
    FramePipeline& pipeline_;
    const Clock& clock_;
    IntegrationView noView_;
    IntegrationView* view_ = &noView_;
    DisplayMapping mapping_;
    IntegrationTimings timings_;
    Rect renderedCells_;
    QFont font_;
    int previousDarkLevel_ = 0;
    int64_t flatSum_[3] = {0, 0, 0};
    int64_t flatCells_ = 1;
    std::array<int16_t, kStripColumns * kPlaneRows * kPlaneChannels> strip_{}; // new pixels of a few columns
    bool avx2Allowed_ = true;
    bool sourceRunning_ = false;
    std::unique_ptr<FlatGains> flatGains_;     // flat gains of the last flat master
    std::unique_ptr<int32_t[]> darkAmounts_;   // dark amount per dark value, per render
};

} // namespace velumbra

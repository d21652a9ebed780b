#pragma once
#include "core/Geometry.h"
#include "processing/ImageCore.h"
#include "processing/TrackingHandOffs.h"

#include <Qt>
#include <array>
#include <cstdint>

class QImage;

namespace velumbra {

class DebugLog;

// Pushes a detection zone of half-size `half` centred on p back inside a
// width x height frame, so that every scan of the zone stays inside it.
// Returns true when p was moved.
bool ClampDetectZone(Point& p, int half, int width, int height);

// Star detection and tracking in the detection zone: one pass per frame
// (TrackObject), with the method chosen in the tracking panel.
class Tracker {
public:
    explicit Tracker(ImageCore& core);

    // Scans the detection zone of `slot` around starPos. With track, moves
    // starPos to the object (or hands the offset to the guide correction
    // while autoguiding) and recomputes the display zone; returns false when
    // the zone had to be pushed back inside the frame. Without track, only
    // the zone sums of the "Non-vide" selection are gathered.
    bool TrackObject(Point& starPos, int detectSize, int slot, bool track);

    // Restarts the drift prediction from `reference` at the current time
    // of day (RDB_Derive clicked, or a star designated by a click).
    void restartDrift(Point reference);

    // The search after a click: when tracking is on, a tracking pass with
    // the detection size centred on `at`; the object found there becomes
    // starPos (while autoguiding, its offset from `at` goes to the guiding).
    bool starSearch(Point at);

    void setGuideCorrection(GuideCorrection* g) { guide_ = g ? g : &noGuide_; }
    void setFocusMeasure(FocusMeasure* f) { focus_ = f ? f : &noFocus_; }
    void setDebugLog(DebugLog* log) { debugLog_ = log; }

private:
    // Brightness statistics and per-pixel accounting of one pass.
    struct Pass {
        int intensityMin = 255;
        int intensityMax = 0;
        int zoneSum = 0;
        int focusTotal = 0;
        int focusCount = 0;
        bool focusOn = false;
        int focusThreshold = 0;
        // Threshold of the focus count; 255 counts nothing.
        int countAbove() const { return focusOn ? focusThreshold : 255; }
        // Per-pixel accounting, a row at a time: the focus sums while the
        // focus measure is on, else the zone sum.
        void accountRow(int sum, int above)
        {
            if (focusOn) {
                focusTotal += sum;
                focusCount += above;
            } else {
                zoneSum += sum;
            }
        }
    };
    // The scanned part of the frame, inclusive bounds already clipped to it.
    struct Span {
        int x0, x1, y0, y1;
        bool empty() const { return x1 < x0 || y1 < y0; }
    };

    Span clip(long long x0, long long x1, long long y0, long long y1) const;
    Pass newPass() const;
    void ZoneStatistics(const QImage& img, Point centre, int h, Pass& pass);
    Point TrackSomax(const QImage& img, Point centre, int h, Pass& pass);
    Point TrackColimacon(const QImage& img, Point centre, int h, Pass& pass);
    Point TrackCadres(const QImage& img, Point centre, int h, Point starPos, Pass& pass);
    Point PredictDrift(Point starPos);
    void reportOutsideRead(Point centre, Point pixel, Point starPos, int l, int t, int r, int b);
    void drawEdgeFrame(int left, int top, int right, int bottom);
    void storeMeanBrightness(int zoneTotal);
    const QImage* slotImage(int slot) const;

    ImageCore& core_;
    const Clock& clock_;
    GuideCorrection noGuide_;
    FocusMeasure noFocus_;
    GuideCorrection* guide_ = &noGuide_;
    FocusMeasure* focus_ = &noFocus_;
    DebugLog* debugLog_ = nullptr;
    int frameW_ = 0; // frame analysed by the current pass
    int frameH_ = 0;

    // Work tables, kept between passes so a pass allocates nothing.
    std::array<int, kMaxFrameWidth> columnSums_{};
    std::array<int, kMaxFrameHeight> rowSums_{};
    std::array<uint8_t, kMaxFrameWidth> line_{};    // one row of the zone
    std::array<uint8_t, kMaxFrameWidth> darkest_{}; // its darkest channels
};

} // namespace velumbra

#pragma once
#include "processing/FocusWidth.h"

#include <QString>

namespace velumbra {

// The autofocus group of the preferences, read at each use.
struct AutofocusSettings {
    int baseMs = 10000;    // SPED_Tps_Base_Autofocus: the first focuser move ("Rapide")
    double fwhmStop = 4.0; // TNI_FWHM_Stop: the width that ends the search
};

// What the autofocus drives: the focuser, the timer that ends each move, the
// focus measure of the main window, and the controls of its group.
class AutofocusLinks {
public:
    virtual ~AutofocusLinks() = default;
    virtual void focuser_move(int direction, bool fast) = 0;
    virtual void focuser_stop(int direction) = 0;
    virtual void startMoveTimer(int ms) = 0; // TMR_Autofocus enabled with that interval
    virtual void stopMoveTimer() = 0;
    // CKB_MAP checked or unchecked, with its click handler.
    virtual void setFocusMeasure(bool on) = 0;
    // The focus measure gathers a full set of fresh values from now on.
    virtual void resetMeasureCount() = 0;
    // "Demarrer" enabled while idle, "Arrêter" while running; the gauge 0..100.
    virtual void showAutofocus(bool running, int gauge) = 0;
    // A line for the message panel.
    virtual void report(const QString& text) = 0;
};

// The autofocus: moves the focuser one way for a time, and each time the
// focus measure has a full set of widths compares the width with the one
// before the move. A wider star reverses the direction and halves the time
// (never below 100 ms); a width at or below the stop value ends the search.
// A stop value the seeing never allows would keep it hunting at 100 ms: after
// a few reversals at that step the focuser goes back to the narrowest width
// and the search ends with a message.
// Fed one width per measurement set; no window code here.
class Autofocus final : public AutofocusHandOff {
public:
    static constexpr int kMinStepMs = 100;
    static constexpr double kStartWidth = 1000;
    // Reversals at the shortest step before the search gives up.
    static constexpr int kFloorReversals = 4;

    explicit Autofocus(AutofocusLinks& links) : links_(links) {}

    // BTN_Demarrer_Autofocus; fast is "Rapide" chosen rather than "Fin".
    void start(const AutofocusSettings& settings, bool fast);
    // BTN_Arreter_Autofocus, and the stop width reached.
    void stop();
    // The focus measure's full set of widths.
    bool waitingForWidth() const override { return afRunning_; }
    void autofocus_step(double width) override;
    // TMR_Autofocus: the move ends; fresh measurements are awaited.
    void TMR_AutofocusTimer();

    // The gauge after a reversal: how far the step has shrunk from the base
    // time towards the 100 ms floor. A base time at or below the floor leaves
    // nothing to shrink: the gauge is full.
    static int gaugeFor(int baseMs, int stepMs);

    bool active() const { return active_; }
    int direction() const { return afDirection_; }
    int stepMs() const { return afStepMs_; }
    double lastWidth() const { return afLastWidth_; }
    int gauge() const { return gauge_; }

private:
    AutofocusLinks& links_;
    AutofocusSettings settings_;
    bool active_ = false;    // between "Demarrer" and the end
    bool afRunning_ = false; // waiting for the next width
    bool moving_ = false;    // the focuser runs until the timer ends the move
    int afDirection_ = 0;
    int afStepMs_ = 0;
    double afLastWidth_ = kStartWidth;
    bool afFast_ = false;
    int gauge_ = 0;
    int floorReversals_ = 0;
    bool lastMove_ = false; // back to the narrowest width, then the end
};

// "The stop width was not reached": the stop width, the reversals made and
// the width where the focuser was left.
QString autofocusLimitText(double stopWidth, int reversals, double narrowest);

} // namespace velumbra

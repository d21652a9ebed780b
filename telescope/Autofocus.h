#pragma once
#include "core/LanguageTable.h"
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
    // While the search runs the focus threshold follows half the star's
    // peak ("Auto"): a fixed threshold counts fewer pixels on a defocused,
    // fainter star, which would read as a sharper one. Off gives the user's
    // own choice back.
    virtual void holdAutoThreshold(bool /*on*/) {}
    // "Demarrer" enabled while idle, "Arrêter" while running; the gauge 0..100.
    virtual void showAutofocus(bool running, int gauge) = 0;
    // A line for the message panel.
    virtual void report(const QString& text) = 0;
};

// Why a search ended.
enum class AutofocusEnd { User, Reached, Limit, Moves, NoStar, Saturated };

// The autofocus: moves the focuser one way for a time, and each time it has
// a full set of fresh widths compares their mean with the one before the
// move. A wider star reverses the direction and halves the time (never below
// 100 ms); a width at or below the stop value ends the search.
//
// It is fed one focus sample per frame. Samples taken while the focuser
// moves, and the first one after each move, are left out. A sample without a
// measurable star (nothing above the threshold, a width under one pixel,
// the background above the threshold) or with a saturated core is no width:
// a set made mostly of them is no measurement. A star lost after a move
// counts as wider than any width (the move went too far); no star at the
// start, or lost for several sets in a row, ends the search, and so does a
// saturated core. A stop value the seeing never allows would keep it hunting
// at 100 ms: after a few reversals at that step the focuser goes back to the
// narrowest width and the search ends; so does a search that has made many
// moves. Every end but the user's says why in the message panel.
// No window code here.
class Autofocus final : public AutofocusHandOff {
public:
    static constexpr int kMinStepMs = 100;
    static constexpr double kStartWidth = 1000;
    // Reversals at the shortest step before the search gives up.
    static constexpr int kFloorReversals = 4;
    // Moves before the search gives up.
    static constexpr int kMaxMoves = 80;
    // Sets in a row without a star before the search gives up.
    static constexpr int kMaxLostSets = 4;
    // What a set without a star weighs: wider than any star.
    static constexpr double kLostWidth = 1e9;

    explicit Autofocus(AutofocusLinks& links) : links_(links) {}

    void setTexts(const NamedTexts* texts) { texts_ = texts ? texts : &NamedTexts::builtIn(); }

    // BTN_Demarrer_Autofocus; fast is "Rapide" chosen rather than "Fin".
    void start(const AutofocusSettings& settings, bool fast);
    // BTN_Arreter_Autofocus.
    void stop() { end(AutofocusEnd::User); }
    // One frame's focus sample.
    void focusReading(double width, const FocusSample& sample, int setSize) override;
    // Waiting for the next set of widths (the design's afRunning).
    bool waitingForWidth() const { return afRunning_; }
    // One step with a set's mean width.
    void autofocus_step(double width);
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
    int moves() const { return moves_; }
    AutofocusEnd lastEnd() const { return lastEnd_; }

private:
    void end(AutofocusEnd why);
    void clearSet();
    void takeSet();

    AutofocusLinks& links_;
    const NamedTexts* texts_ = &NamedTexts::builtIn();
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
    int moves_ = 0;
    bool lastMove_ = false; // back to the narrowest width, then the end
    AutofocusEnd lastEnd_ = AutofocusEnd::User;
    double narrowest_ = kStartWidth;
    bool sawStar_ = false; // a set with a star in this run
    int lostSets_ = 0;     // sets in a row without one
    // The set being gathered.
    int settle_ = 0; // samples still to leave out after a move
    int seen_ = 0;
    int stars_ = 0;
    int saturated_ = 0;
    double widthSum_ = 0;
};

// The message of each end but the user's.
QString autofocusEndText(const NamedTexts& texts, AutofocusEnd why, double stopWidth, double width, int count);
// "The stop width was not reached": the stop width, the reversals made and
// the width where the focuser was left.
QString autofocusLimitText(double stopWidth, int reversals, double narrowest);

} // namespace velumbra

#pragma once
#include "core/Geometry.h"
#include "core/LanguageTable.h"

#include <QString>

#include <array>
#include <cstdint>

namespace velumbra {

class Clock;
class MessageSink;

// The measuring operations of the main window. Each is armed in its odd
// state and measures in the even state after it.
enum class Operation : uint8_t {
    Bigourdan = 1,
    King = 3,
    PixelSize = 5,
    Orientation = 7,
    PeriodicError = 9,
    DriftDefinition = 11,
    GuideCalibration = 13,
};

// What "Executer" captured: the star's position (one copy for the
// measurement, one kept as it was) and the instant on the steady clock.
struct OperationStart {
    Point position;
    Point untouched;
    qint64 steadyMs = 0;
    int imageWidth = 0;
    int imageHeight = 0;
};

// One measurement, fed one star position per frame while it runs.
class OperationStep {
public:
    virtual ~OperationStep() = default;
    // "Executer" pressed in the armed state. False: the measurement cannot
    // start (its output file cannot be made) and the operation stays armed.
    virtual bool begin(const OperationStart& start) = 0;
    // One frame; `elapsedMs` since the start on the steady clock. False ends
    // the measurement on its own (besides a star lost at the border).
    virtual bool frame(Point starPos, int elapsedMs, bool verdict) = 0;
    // The measuring state is left, `elapsedMs` after the start: by
    // "Arrêter" (`byAbort`) or because the measurement ended.
    virtual void leave(bool /*byAbort*/, int /*elapsedMs*/) {}
};

// The controls of the main window the sequencer drives.
class OperationView {
public:
    virtual ~OperationView() = default;
    virtual void setActionLabel(const QString& text) = 0;
    virtual void setExecuteEnabled(bool on) = 0;
    virtual void setAbortEnabled(bool on) = 0;
    virtual void setOperationsMenuEnabled(bool on) = 0;
    // Reticle, circles and cross switched on.
    virtual void overlaysOn() = 0;
};

// The operation state of the main window (0 none, odd armed, even
// measuring), "Executer", "Arrêter" and the per-frame dispatch.
class OperationSequencer {
public:
    OperationSequencer(const Clock& clock, MessageSink& messages, OperationView& view);

    // The measurement of an operation; without one its states only arm and abort.
    void setStep(Operation op, OperationStep* step);
    // The language of the end message; never null.
    void setTexts(const NamedTexts* texts) { texts_ = texts ? texts : &NamedTexts::builtIn(); }

    int state() const { return state_; }
    bool measuring() const { return state_ != 0 && state_ % 2 == 0; }
    bool armed() const { return state_ % 2 == 1; }
    bool armedFor(Operation op) const { return state_ == int(op); }
    bool measuringFor(Operation op) const { return state_ == int(op) + 1; }

    // A start button: the operation waits for "Executer". The action label
    // changes (to `label` when one is given) except for the pixel-size
    // measurement; `abortToo` also offers "Arrêter" at once.
    void arm(Operation op, const QString& label = {}, bool abortToo = false);
    // "Executer": only in an armed state.
    void BTN_ExecuterClick(Point starPos, int imageWidth, int imageHeight);
    // "Arrêter": a measurement goes back to armed with "Execution terminée";
    // an armed operation ends.
    void BTN_AbortClick();
    // A measurement that ends on its own clock, between frames: back to
    // armed with "Execution terminée", as when a frame ends it.
    void endMeasurement();
    // Closing the window of an operation: whatever runs is stopped and the
    // sequencer is idle.
    void endAll();

    // Called by the frame pipeline's last stage with the frame's verdict
    // (false when the star reached the frame border).
    void frame(Point starPos, bool verdict);

    // The action label of a state.
    static QString actionLabel(int state, const NamedTexts& texts = NamedTexts::builtIn());
    // Polar alignment and periodic error run from a window of their own.
    static bool ownsAWindow(Operation op);
    // The label of the idle sequencer again, in the language of the moment.
    void showIdleLabel()
    {
        if (state_ == 0) view_.setActionLabel(actionLabel(0, *texts_));
    }

private:
    const NamedTexts* texts_ = &NamedTexts::builtIn();
    OperationStep* stepOf(int state) const;
    void backToArmed(bool byAbort);
    int elapsedMs() const;

    const Clock& clock_;
    MessageSink& messages_;
    OperationView& view_;
    std::array<OperationStep*, 7> steps_{};
    int state_ = 0;
    OperationStart start_;
};

// "Execution terminée"
QString executionFinishedText(const NamedTexts& texts);

} // namespace velumbra

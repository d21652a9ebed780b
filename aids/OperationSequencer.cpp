#include "aids/OperationSequencer.h"

#include "core/Clock.h"
#include "core/Messages.h"

#include <algorithm>
#include <limits>

namespace velumbra {

QString executionFinishedText(const NamedTexts& texts)
{
    return texts.text(u"MSG_ExecutionTerminee");
}

OperationSequencer::OperationSequencer(const Clock& clock, MessageSink& messages, OperationView& view)
    : clock_(clock), messages_(messages), view_(view)
{
}

void OperationSequencer::setStep(Operation op, OperationStep* step)
{
    steps_[(int(op) - 1) / 2] = step;
}

OperationStep* OperationSequencer::stepOf(int state) const
{
    if (state <= 0 || state > 14) return nullptr;
    return steps_[(state - 1) / 2];
}

QString OperationSequencer::actionLabel(int state, const NamedTexts& texts)
{
    switch ((state + 1) / 2) {
    case 0: return texts.text(u"MSG_Action_Aucune");
    case 1:
    case 2: return texts.text(u"MSG_Action_MES");
    case 4: return texts.text(u"MSG_Action_Orientation");
    case 5: return texts.text(u"MSG_Action_EP");
    case 6: return texts.text(u"MSG_Action_Derive");
    case 7: return texts.text(u"MSG_Action_Guidage");
    default: return {};
    }
}

void OperationSequencer::arm(Operation op, const QString& label, bool abortToo)
{
    state_ = int(op);
    if (op != Operation::PixelSize) view_.setActionLabel(label.isEmpty() ? actionLabel(state_, *texts_) : label);
    view_.setExecuteEnabled(true);
    if (abortToo) view_.setAbortEnabled(true);
}

void OperationSequencer::BTN_ExecuterClick(Point starPos, int imageWidth, int imageHeight)
{
    if (!armed()) return;
    start_ = {starPos, starPos, clock_.steadyMs(), imageWidth, imageHeight};
    const auto op = Operation(state_);
    switch (op) {
    case Operation::Bigourdan:
    case Operation::King:
    case Operation::PeriodicError:
    case Operation::GuideCalibration: view_.overlaysOn(); break;
    default: break;
    }
    if (OperationStep* step = stepOf(state_ + 1); step && !step->begin(start_)) return;
    state_ += 1;
    if (op != Operation::PixelSize) view_.setActionLabel(actionLabel(state_, *texts_));
    view_.setExecuteEnabled(false);
    view_.setAbortEnabled(true);
}

void OperationSequencer::backToArmed(bool byAbort)
{
    OperationStep* step = stepOf(state_);
    state_ -= 1;
    view_.setExecuteEnabled(true);
    // The run is over: the menu is offered again, unless the operation has
    // a window of its own (polar alignment, periodic error), which gives the
    // menu back when it closes.
    if (!ownsAWindow(Operation(state_))) view_.setOperationsMenuEnabled(true);
    messages_.showMessage(true, executionFinishedText(*texts_));
    if (step) step->leave(byAbort, elapsedMs());
}

bool OperationSequencer::ownsAWindow(Operation op)
{
    return op == Operation::Bigourdan || op == Operation::King || op == Operation::PeriodicError;
}

int OperationSequencer::elapsedMs() const
{
    const qint64 ms = clock_.steadyMs() - start_.steadyMs;
    return int(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max()));
}

void OperationSequencer::BTN_AbortClick()
{
    if (state_ == 0) return;
    if (measuring()) {
        backToArmed(true);
        return;
    }
    state_ = 0;
    view_.setActionLabel(actionLabel(0, *texts_));
    view_.setOperationsMenuEnabled(true);
    view_.setExecuteEnabled(false);
    view_.setAbortEnabled(false);
}

void OperationSequencer::endMeasurement()
{
    if (measuring()) backToArmed(false);
}

void OperationSequencer::endAll()
{
    if (measuring()) BTN_AbortClick();
    if (armed()) BTN_AbortClick();
    // Idle already: the controls still end as after an abort.
    state_ = 0;
    view_.setOperationsMenuEnabled(true);
    view_.setExecuteEnabled(false);
    view_.setAbortEnabled(false);
}

void OperationSequencer::frame(Point starPos, bool verdict)
{
    if (!measuring()) return;
    OperationStep* step = stepOf(state_);
    const bool goesOn = step ? step->frame(starPos, elapsedMs(), verdict) : true;
    if (!verdict || !goesOn) backToArmed(false);
}

} // namespace velumbra

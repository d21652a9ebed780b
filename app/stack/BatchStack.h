#pragma once
#include "core/Messages.h"
#include "app/stack/StackOptions.h"
#include "app/stack/StackReport.h"
#include "app/stack/StackText.h"

namespace velumbra::stack {

// Exit statuses of velumbra-stack.
inline constexpr int kExitStacked = 0;     // every frame was stacked
inline constexpr int kExitNothing = 1;     // nothing stacked, or the result not written
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSomeSkipped = 3; // some frames could not be read and were skipped

// Told after each frame (darks and flats included) of the run.
class StackProgress {
public:
    virtual ~StackProgress() = default;
    virtual void frameDone(int done, int total) = 0;
};

struct StackOutcome {
    int exitStatus = kExitNothing;
    int stacked = 0;    // frames integrated into the result
    int unreadable = 0; // frames reported and skipped
    int resultWidth = 0;
    int resultHeight = 0;
    StackReport report; // the figures of the summary
};

// Runs one stack with the engine of the windows: each frame is loaded into
// the working slot and passed through ProcessFrame with the controls set as
// the options say; the result image is then saved with the result window's
// writers. Every problem is reported through `messages`, one line each, in
// the language of `text`; saturated cells and a lost object are told at the end.
StackOutcome runStack(const StackOptions& options, MessageSink& messages, StackProgress* progress = nullptr,
                      const StackText& text = StackText());

} // namespace velumbra::stack

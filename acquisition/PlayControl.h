#pragma once
#include <array>
#include <optional>

namespace velumbra {

// Speed buttons of the play control, in their group order.
enum class PlayButton { REW, BACK1, PlayBackwards, Stop, PlayForward, Forw1, FF };
inline constexpr int kPlayButtonCount = 7;

struct SpeedButton {
    bool enabled = true;
    bool down = false;
};

// State of the play control's buttons. The speed buttons form one group: at
// most one is down. Loop is a separate toggle.
struct PlayButtons {
    std::array<SpeedButton, kPlayButtonCount> group;
    bool SPDB_Loop = false;

    SpeedButton& operator[](PlayButton b) { return group[size_t(b)]; }
    const SpeedButton& operator[](PlayButton b) const { return group[size_t(b)]; }
    // Pressing a group button releases the others; a disabled one does nothing.
    void press(PlayButton b);
    void release(PlayButton b) { (*this)[b].down = false; }
    // State after a playback start: forward buttons and Stop usable, backward ones not.
    void resetForStart();
};

// What a timer tick of the playback asks for.
enum class PlayStep {
    Reshow, // show the current frame again (nothing down)
    Load,   // load the entry at the (new) index
    Idle,   // Stop was down: nothing to show
};

// One timer tick: applies the edge rules at the first and last entries,
// then lets the first button found down act on index.
PlayStep playTick(PlayButtons& buttons, int& index, int count);

// Keyboard shortcuts of the play control (Qt key codes).
std::optional<PlayButton> playButtonForKey(int qtKey);

} // namespace velumbra

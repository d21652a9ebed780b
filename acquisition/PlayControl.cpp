#include "acquisition/PlayControl.h"

#include <Qt>

namespace velumbra {
namespace {

constexpr PlayButton kBackward[] = {PlayButton::BACK1, PlayButton::PlayBackwards, PlayButton::REW};
constexpr PlayButton kForward[] = {PlayButton::Forw1, PlayButton::PlayForward, PlayButton::FF};

void setEnabled(PlayButtons& b, const PlayButton (&which)[3], bool enabled)
{
    for (PlayButton p : which) {
        b[p].enabled = enabled;
        if (!enabled) b[p].down = false;
    }
}

} // namespace

void PlayButtons::press(PlayButton b)
{
    if (!(*this)[b].enabled) return;
    for (auto& s : group) s.down = false;
    (*this)[b].down = true;
}

void PlayButtons::resetForStart()
{
    for (auto& s : group) s = {};
    setEnabled(*this, kBackward, false);
    setEnabled(*this, kForward, true);
    (*this)[PlayButton::Stop].enabled = true;
}

PlayStep playTick(PlayButtons& b, int& index, int count)
{
    if (count <= 0) return PlayStep::Idle;
    const int last = count - 1;
    if (index == 0) {
        if (b.SPDB_Loop) {
            setEnabled(b, kBackward, true);
            if (b[PlayButton::PlayBackwards].down || b[PlayButton::BACK1].down) index = count;
        } else {
            setEnabled(b, kBackward, false);
        }
    } else {
        // Away from the first entry the user can always step back.
        setEnabled(b, kBackward, true);
    }
    if (index == last) {
        if (b.SPDB_Loop) {
            setEnabled(b, kForward, true);
            if (b[PlayButton::PlayForward].down || b[PlayButton::Forw1].down) index = -1;
        } else {
            setEnabled(b, kForward, false);
        }
    } else {
        setEnabled(b, kForward, true);
    }

    if (b[PlayButton::REW].down) {
        index = 0;
        b.release(PlayButton::REW);
        return PlayStep::Load;
    }
    if (b[PlayButton::FF].down) {
        index = last;
        b.release(PlayButton::FF);
        return PlayStep::Load;
    }
    if (b[PlayButton::BACK1].down) {
        if (index > 0) --index;
        b.release(PlayButton::BACK1);
        return PlayStep::Load;
    }
    if (b[PlayButton::Forw1].down) {
        if (index < last) ++index;
        b.release(PlayButton::Forw1);
        return PlayStep::Load;
    }
    if (b[PlayButton::PlayBackwards].down) {
        if (index > 0) --index;
        return PlayStep::Load;
    }
    if (b[PlayButton::PlayForward].down) {
        if (index < last) ++index;
        return PlayStep::Load;
    }
    if (b[PlayButton::Stop].down) {
        b.release(PlayButton::Stop);
        return PlayStep::Idle;
    }
    return PlayStep::Reshow;
}

std::optional<PlayButton> playButtonForKey(int key)
{
    switch (key) {
    case Qt::Key_Space: return PlayButton::Stop;
    case Qt::Key_End: return PlayButton::FF;
    case Qt::Key_Home: return PlayButton::REW;
    case Qt::Key_Left: return PlayButton::PlayBackwards;
    case Qt::Key_Up: return PlayButton::Forw1;
    case Qt::Key_Right: return PlayButton::PlayForward;
    case Qt::Key_Down: return PlayButton::BACK1;
    default: return std::nullopt;
    }
}

} // namespace velumbra

#pragma once

namespace velumbra {

// A wait of the user-interface thread that keeps its length and its place in
// the sequence (the 200 ms before a serial read, the pauses of the position
// query and of GOTO) without freezing the window: timers and repaints go on
// while it runs. Frame sources ask pausing() and skip their tick meanwhile,
// so a frame whose processing is itself waiting is never overtaken by the
// next one, and none is processed twice.
class Pause {
public:
    virtual ~Pause() = default;
    void wait(int ms)
    {
        ++depth_;
        run(ms);
        --depth_;
    }
    bool pausing() const { return depth_ > 0; }

protected:
    virtual void run(int ms) = 0;

private:
    int depth_ = 0;
};

// The program's pause: a local event loop that lets timers and paint events
// through and holds back keyboard and mouse input until the wait is over, so
// a click cannot start a second command in the middle of the first.
class EventLoopPause final : public Pause {
protected:
    void run(int ms) override;
};

} // namespace velumbra

#pragma once
#include <QObject>
#include <QString>
#include <optional>

namespace velumbra {

class IndiClient;

// An INDI focuser behind the paddle's focus buttons and the autofocus:
// direction 0 moves in, 1 out, as for the other focusers. A press is a
// FOCUS_MOTION with a FOCUS_TIMER long enough for any hold, or, where the
// device has no timer, a relative step (REL_FOCUS_POSITION); the release
// sends FOCUS_ABORT_MOTION. A lost server counts the move as stopped.
class IndiFocuser final : public QObject {
    Q_OBJECT
public:
    IndiFocuser(IndiClient& client, QString device);

    bool connect();
    bool linkUp() const { return linkUp_; }
    QString lastError() const { return error_; }

    void focuser_move(int direction, bool fast);
    void focuser_stop(int direction);
    bool moving() const { return moving_; }
    // The absolute position where the device reports one.
    std::optional<double> position() const;

    // The longest hold a press covers, and the relative step (fast: ten times).
    static constexpr int kHoldMs = 60000;
    static constexpr int kStep = 100;

private:
    IndiClient& client_;
    QString device_;
    bool linkUp_ = false;
    bool moving_ = false;
    QString error_;
};

} // namespace velumbra

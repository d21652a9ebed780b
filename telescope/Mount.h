#pragma once
#include "telescope/MountControls.h"
#include "telescope/MountProtocols.h"
#include "telescope/MountRequests.h"
#include "telescope/MountSettings.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <memory>

namespace velumbra {

class ComIo;
class IndiMount;
class IndiMountLink;
class ExCom;
class MessageSink;
class MountTimer;
class PortAccess;
class SteadyClock;
class TrafficLog;

// What the mount layer shows in the windows: the Preferences' link controls
// and test value, the autoguiding window's last move per axis.
class MountView {
public:
    virtual ~MountView() = default;
    virtual void linkControlsChanged(const LinkControls&) {}
    virtual void showAxisMove(Axis, const QString& /*direction*/, int /*durationMs*/) {}
    virtual void showTestValue(const QString& /*eightDigits*/) {}
};

struct MountDevices {
    ComIo& com;
    PortAccess& ports;
    TrafficLog& traffic;
    MessageSink& messages;
    const SteadyClock& clock;
    std::unique_ptr<MountTimer> TMR_Suivi_AD;
    std::unique_ptr<MountTimer> TMR_Suivi_Dec;
};

// The mount layer: moves, stops and the focuser through the interface the
// settings choose (LX200 commands, the serial box's bytes, the parallel box's
// lines, the clocked box's codes), timed moves ended by the two axis timers.
//
// A serial failure never escapes: it is reported once in the message panel,
// the link is closed, the moves are stopped as far as the link still allows,
// and the next connection sends the stop before anything else. Every timed
// move ends at its deadline, checked again at each request.
class Mount final : public MountRequests {
public:
    Mount(MountSettings& settings, MountDevices devices);
    ~Mount();
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

    enum class ConnectCause { Button, OnDemand, Autoguiding };
    bool mount_connect(ConnectCause cause = ConnectCause::Button);
    void mount_disconnect();
    void mount_move(MoveDirection d, bool inMs, double amount) override;
    void mount_stop(MoveDirection d) override;
    void mount_stop_all() override;
    Pulse lastPulse(Axis a) const override;
    void focuser_move(int direction, bool fast);
    void focuser_stop(int direction);
    void set_rate(int index);
    void send_lx200(const QByteArray& command);
    // The reply after a position query or a slew (get_string on the link).
    QByteArray readReply();

    // Axis timer ticks (RA: East/West, Dec: North/South).
    void TMR_Suivi_ADTimer() { axisTimer(Axis::RA); }
    void TMR_Suivi_DecTimer() { axisTimer(Axis::Dec); }

    // Preferences, group "Test": BTN_Nord, BTN_Est, BTN_Ouest, BTN_Sud
    // pressed and released; BTN_Stop.
    void testButtonPressed(MoveDirection d) { mount_move(d, false, CONTINUOUS_MOVE); }
    void testButtonReleased(MoveDirection d) { mount_stop(d); }
    void BTN_StopClick();

    // The program closes: the moves are stopped and the link closed.
    void closeForExit();

    // The senders: text commands with the settings' CR/LF, and bytes; both
    // logged in the traffic window.
    void send_command(QByteArray text);
    void send_byte(quint8 byte);

    bool linkUp() const { return linkUp_; }
    bool moving(MoveDirection d) const { return moving_[d]; }
    int tolvirRemaining(Axis a) const { return tolvirRemaining_[int(a)]; }
    MountTimer& timer(Axis a) const { return *timers_[int(a)]; }
    const MountSettings& settings() const { return settings_; }

    void setView(MountView* view) { view_ = view ? view : &noView_; }
    // The way to an INDI mount, for the "INDI" interface; null: none.
    void setIndi(IndiMountLink* link) { indi_ = link; }
    // The INDI mount (connected on demand) while the interface chosen is
    // INDI; null otherwise or when it cannot be reached (said once).
    IndiMount* indiMount();

private:
    void guarded(bool explicitRequest, const std::function<void()>& request, bool endOverdue = true);
    void linkFailed(const ExCom& e, bool explicitRequest);
    bool connectImpl(ConnectCause cause);
    bool ensureLink();
    void openSerialLink();
    void moveImpl(MoveDirection d, bool inMs, double amount);
    void stopImpl(MoveDirection d);
    void axisTimer(Axis axis);
    void tick(Axis axis);
    void endOverdueMoves();
    void startAxisTimer(Axis axis, MoveDirection d, int ms);
    void notePulse(Axis axis, MoveDirection d, int ms);
    void stopEverything(); // all directions and the focuser, as the interface allows
    bool anyMoving() const;
    void clearMoves();

    // What a move started, so that its stop undoes exactly that whatever
    // the settings say meanwhile: the parallel box's line (port and bit) of
    // each direction and of each focuser direction, and the axis inversion
    // in force at the start (startedInverted_).
    struct DrivenLine {
        quint16 address = 0;
        VarnekLine line{0, 0};
    };
    MoveDirection stopTarget(MoveDirection requested) const;
    DrivenLine focuserLine(int direction) const;
    void varnekGoDirection(MoveDirection d);
    void varnekStopDirection(MoveDirection d);
    void varnekFocuser(int direction, bool start);
    void dremlaSend(bool stop, MoveDirection d = East);
    void dremlaInit();
    void changeLine(LineStep step);
    void writeModemControl(quint8 value);

    MountSettings& settings_;
    ComIo& com_;
    PortAccess& ports_;
    TrafficLog& traffic_;
    MessageSink& messages_;
    const SteadyClock& clock_;
    std::array<std::unique_ptr<MountTimer>, 2> timers_;
    MountView noView_;
    MountView* view_ = &noView_;
    IndiMountLink* indi_ = nullptr;

    bool linkUp_ = false;
    MountInterface linkInterface_ = MountInterface::Aucun; // the interface the link was made for
    QString portName_;                                     // as the traffic log names the port
    quint16 dremlaBase_ = 0;
    std::array<bool, 4> moving_{};
    bool focuserMoving_ = false;
    std::array<bool, 2> startedInverted_{};
    std::array<DrivenLine, 4> driven_{};
    std::array<DrivenLine, 2> focuserDriven_{};
    std::array<int, 2> tolvirRemaining_{};
    std::array<qint64, 2> deadline_{}; // end of the timed move on each axis
    bool failureReported_ = false;     // one message per failure, not one per tick
    bool stopFirst_ = false;           // a link lost while moving: stop first at reconnection
    std::array<Pulse, 2> pulses_{};    // the last timed move sent on each axis
    bool reissuing_ = false;           // a serial-box tick sends the rest of a move already counted
};

} // namespace velumbra

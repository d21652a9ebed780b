#include "telescope/Mount.h"
#include "telescope/IndiMountLink.h"
#include "core/Messages.h"
#include "core/SteadyClock.h"
#include "telescope/ComIo.h"
#include "telescope/ModemLines.h"
#include "telescope/MountTimer.h"
#include "telescope/PortAccess.h"
#include "telescope/SerialPortItems.h"
#include "telescope/TrafficLog.h"

#include <algorithm>
#include <cerrno>
#include <map>

namespace velumbra {

namespace {
constexpr quint8 kPort = 1; // the program's one serial port
constexpr int kContinuous = int(CONTINUOUS_MOVE);

SerialPortItem chosenPort(const MountSettings& s)
{
    SerialPortItem item = serialPortItemOf(s.CBX_AG_PortSerie);
    if (!s.serialDevicePath.isEmpty()) item.devicePath = s.serialDevicePath;
    if (item.portName.isEmpty()) item.portName = item.devicePath;
    return item;
}
} // namespace

Mount::Mount(MountSettings& settings, MountDevices devices)
    : settings_(settings), com_(devices.com), ports_(devices.ports), traffic_(devices.traffic),
      messages_(devices.messages), clock_(devices.clock),
      timers_{std::move(devices.TMR_Suivi_AD), std::move(devices.TMR_Suivi_Dec)}
{
    timers_[0]->onTimeout = [this] { TMR_Suivi_ADTimer(); };
    timers_[1]->onTimeout = [this] { TMR_Suivi_DecTimer(); };
}

Mount::~Mount()
{
    timers_[0]->onTimeout = nullptr;
    timers_[1]->onTimeout = nullptr;
}

// ---- failures -------------------------------------------------------------

void Mount::guarded(bool explicitRequest, const std::function<void()>& request, bool endOverdue)
{
    try {
        if (endOverdue) endOverdueMoves();
        request();
    } catch (const ExCom& e) {
        linkFailed(e, explicitRequest);
    }
}

void Mount::linkFailed(const ExCom& e, bool explicitRequest)
{
    const bool wasUp = linkUp_;
    const bool wasMoving = anyMoving() || focuserMoving_ || timers_[0]->active() || timers_[1]->active();
    // Stops through whatever still answers; a write that timed out would
    // only hold the window again.
    if (wasUp && e.code() != ETIMEDOUT) {
        try {
            stopEverything();
        } catch (const ExCom&) {
        }
    }
    timers_[0]->stop();
    timers_[1]->stop();
    clearMoves();
    com_.close_com(kPort);
    linkUp_ = false;
    if (wasUp) stopFirst_ = true;
    view_->linkControlsChanged(linkControlsFor(false));

    if (failureReported_ && !explicitRequest) return;
    failureReported_ = true;
    QString text = e.text();
    if (QLatin1String(e.operation()) == QLatin1String("open_com") && (e.code() == EACCES || e.code() == EPERM))
        text += QStringLiteral(" : accès refusé à %1, ajoutez votre compte au groupe « dialout » puis ouvrez une "
                               "nouvelle session")
                    .arg(chosenPort(settings_).devicePath);
    else if (QLatin1String(e.operation()) == QLatin1String("open_com") && e.code() == ENOTTY)
        text += QStringLiteral(" : %1 n'est pas un port série").arg(chosenPort(settings_).devicePath);
    if (wasUp)
        text += wasMoving ? QStringLiteral(" : liaison avec la monture coupée, mouvements arrêtés.")
                          : QStringLiteral(" : liaison avec la monture coupée.");
    messages_.showMessage(false, text);
}

// ---- link -------------------------------------------------------------------

bool Mount::mount_connect(ConnectCause cause)
{
    bool up = false;
    guarded(cause != ConnectCause::OnDemand, [&] { up = connectImpl(cause); });
    return up && linkUp_;
}

bool Mount::ensureLink()
{
    // An INDI mount whose server went away is down: the next request connects again.
    if (linkUp_ && linkInterface_ == MountInterface::Indi && !(indi_ && indi_->up())) {
        linkUp_ = false;
        clearMoves();
        view_->linkControlsChanged(linkControlsFor(false));
    }
    return linkUp_ || connectImpl(ConnectCause::OnDemand);
}

IndiMount* Mount::indiMount()
{
    if (settings_.interface != MountInterface::Indi || !indi_) return nullptr;
    bool up = false;
    guarded(false, [&] { up = ensureLink(); });
    return up && linkInterface_ == MountInterface::Indi ? indi_->mount() : nullptr;
}

MountRequests::Pulse Mount::lastPulse(Axis a) const
{
    if (linkUp_ && linkInterface_ == MountInterface::Indi && indi_ && indi_->mount()) return indi_->mount()->lastPulse(a);
    return pulses_[int(a)];
}

void Mount::openSerialLink()
{
    const SerialPortItem port = chosenPort(settings_);
    const int parity = parityCode(settings_.CBX_AG_Parite);
    const int stopBits = stopBitsCode(settings_.CBX_AG_StopBits);
    com_.open_com(kPort, port.devicePath);
    com_.set_com(kPort, settings_.CBX_AG_Vitesse.trimmed().toInt(), parity, settings_.CBX_AG_Databits.trimmed().toInt(),
                 stopBits);
    com_.set_timeout(kPort, 1000, 100);
    com_.set_buf(kPort, 4096, 4096);
}

bool Mount::connectImpl(ConnectCause cause)
{
    if (linkUp_) return true;
    const MountInterface choice = settings_.interface;
    const SerialPortItem port = chosenPort(settings_);
    portName_ = port.portName;
    switch (choice) {
    case MountInterface::Aucun:
    case MountInterface::NoneChecked: return false;
    case MountInterface::Varnek: break; // nothing to open: the port lines are written as needed
    case MountInterface::Dremla:
        // COM3..COM8 have no UART address: the clocked box cannot use them.
        if (port.uartBase == 0 && port.portName.startsWith(QLatin1String("COM"))) return false;
        if (port.devicePath.isEmpty()) return false;
        com_.open_com(kPort, port.devicePath);
        dremlaBase_ = port.uartBase;
        linkInterface_ = choice;
        dremlaInit();
        break;
    case MountInterface::LX200:
    case MountInterface::Tolvir: openSerialLink(); break;
    case MountInterface::Indi:
        // Connecting stops both axes and sends the paddle's rate.
        if (!indi_ || !indi_->connect()) return false;
        stopFirst_ = false;
        break;
    }
    linkUp_ = true;
    linkInterface_ = choice;
    failureReported_ = false;
    view_->linkControlsChanged(linkControlsFor(true));
    if (stopFirst_) {
        stopFirst_ = false;
        // The link was lost in a move: whatever the box still does is stopped
        // before any other command (the clocked box's initialisation is its stop).
        if (choice == MountInterface::LX200) send_command(lx200::stopAll());
        if (choice == MountInterface::Varnek) stopEverything();
    }
    if (cause != ConnectCause::Autoguiding && choice == MountInterface::LX200) {
        const QByteArray rate = lx200::rate(settings_.paddleRate);
        if (!rate.isEmpty()) send_command(rate);
    }
    return true;
}

void Mount::mount_disconnect()
{
    guarded(true, [&] {
        if (linkUp_ && (anyMoving() || focuserMoving_)) {
            stopEverything();
            messages_.showMessage(false, QStringLiteral("Mouvements de la monture arrêtés avant la déconnexion."));
        }
    });
    // Timers left running would reconnect the link to end their moves.
    timers_[0]->stop();
    timers_[1]->stop();
    if (indi_ && linkInterface_ == MountInterface::Indi) indi_->disconnect();
    com_.close_com(kPort);
    if (linkUp_) {
        linkUp_ = false;
        view_->linkControlsChanged(linkControlsFor(false));
    }
}

void Mount::closeForExit()
{
    if (!linkUp_) {
        com_.close_com(kPort);
        return;
    }
    mount_disconnect();
}

// ---- senders ----------------------------------------------------------------

void Mount::send_command(QByteArray text)
{
    if (settings_.CKB_CR) text += '\r';
    if (settings_.CKB_LF) text += '\n';
    if (settings_.CKB_Historique_Comm) traffic_.logText(portName_, text);
    com_.put_string(kPort, text);
}

void Mount::send_byte(quint8 byte)
{
    com_.put_byte(kPort, byte);
    traffic_.logByte(portName_, byte);
}

void Mount::send_lx200(const QByteArray& command)
{
    guarded(false, [&] {
        if (ensureLink()) send_command(command);
    });
}

QByteArray Mount::readReply()
{
    QByteArray reply;
    guarded(false, [&] { reply = com_.get_string(kPort); });
    return reply;
}

void Mount::set_rate(int index)
{
    // The rate chosen is the one the next connection sends again.
    if (!lx200::rate(index).isEmpty()) settings_.paddleRate = index;
    guarded(false, [&] {
        if (!ensureLink()) return;
        if (settings_.interface == MountInterface::Indi && indi_ && indi_->mount()) indi_->mount()->set_rate(index);
        if (settings_.interface != MountInterface::LX200) return;
        const QByteArray rate = lx200::rate(index);
        if (!rate.isEmpty()) send_command(rate);
    });
}

// ---- moves ------------------------------------------------------------------

void Mount::mount_move(MoveDirection d, bool inMs, double amount)
{
    guarded(false, [&] { moveImpl(d, inMs, amount); });
}

void Mount::mount_stop(MoveDirection d)
{
    guarded(false, [&] { stopImpl(d); });
}

void Mount::mount_stop_all()
{
    guarded(false, [&] {
        for (MoveDirection d : {East, West, North, South}) stopImpl(d);
    });
}

void Mount::BTN_StopClick()
{
    mount_stop_all();
    timers_[0]->stop();
    timers_[1]->stop();
}

void Mount::startAxisTimer(Axis axis, MoveDirection d, int ms)
{
    deadline_[int(axis)] = clock_.nowMs() + ms;
    timers_[int(axis)]->start(ms);
    view_->showAxisMove(axis, directionName(d), ms);
    notePulse(axis, d, ms);
}

void Mount::notePulse(Axis axis, MoveDirection d, int ms)
{
    if (reissuing_) return;
    Pulse& p = pulses_[int(axis)];
    p = {p.count + 1, d, ms};
}

void Mount::moveImpl(MoveDirection requested, bool inMs, double amount)
{
    const Axis axis = axisOf(requested);
    const bool continuous = amount == CONTINUOUS_MOVE;
    if (!inMs && continuous) timers_[int(axis)]->stop();
    if (!ensureLink()) return;
    const MoveDirection d = swapped(requested, settings_);
    startedInverted_[int(axis)] = d != requested;
    const int ms = continuous ? 0 : moveDurationMs(settings_, d, inMs, amount);
    const MoveDirection other = opposite(d);

    switch (settings_.interface) {
    case MountInterface::Aucun:
    case MountInterface::NoneChecked: return;
    case MountInterface::Indi:
        // The INDI mount applies the inversions and ends its timed moves itself.
        if (IndiMount* m = indi_ ? indi_->mount() : nullptr) {
            m->mount_move(requested, inMs, amount);
            for (MoveDirection each : {East, West, North, South}) moving_[each] = m->moving(each);
        }
        return;
    case MountInterface::LX200:
        if (moving_[d]) return;
        if (moving_[other]) {
            send_command(lx200::stop(other));
            moving_[other] = false;
        }
        if (!continuous) startAxisTimer(axis, d, ms);
        send_command(lx200::move(d));
        moving_[d] = true;
        return;
    case MountInterface::Tolvir:
        if (!continuous) {
            const int chunk = std::min(kTolvirChunkMs, ms);
            tolvirRemaining_[int(axis)] = ms;
            view_->showAxisMove(axis, directionName(d), chunk);
            send_byte(tolvirByte(chunk, d));
            notePulse(axis, d, ms);
            // The box times each byte itself; the move's end is now + ms.
            deadline_[int(axis)] = clock_.nowMs() + ms;
            timers_[int(axis)]->start(chunk);
        } else {
            send_byte(tolvirByte(settings_.SPED_Duree_impulsions, d));
            tolvirRemaining_[int(axis)] = kContinuous;
            timers_[int(axis)]->start(int(0.9 * settings_.SPED_Duree_impulsions));
        }
        // The box ends the other direction of the axis at this byte: what is
        // left to send belongs to this move alone.
        moving_[other] = false;
        moving_[d] = true;
        return;
    case MountInterface::Varnek:
        varnekStopDirection(other);
        if (!continuous) startAxisTimer(axis, d, ms);
        varnekGoDirection(d);
        return;
    case MountInterface::Dremla:
        dremlaSend(true);
        if (!continuous) startAxisTimer(axis, d, ms);
        dremlaSend(false, d);
        moving_[d] = true;
        return;
    }
}

// While its axis moves, a stop aims through the inversion the move was
// started with: ticking "Inverser" meanwhile must not leave the move running.
MoveDirection Mount::stopTarget(MoveDirection requested) const
{
    const Axis axis = axisOf(requested);
    const MoveDirection first = axis == Axis::RA ? East : North;
    if (!moving_[first] && !moving_[opposite(first)]) return swapped(requested, settings_);
    return startedInverted_[int(axis)] ? opposite(requested) : requested;
}

void Mount::stopImpl(MoveDirection requested)
{
    if (!ensureLink()) return;
    const MoveDirection d = stopTarget(requested);
    switch (settings_.interface) {
    case MountInterface::Aucun:
    case MountInterface::NoneChecked: return;
    case MountInterface::Indi:
        if (IndiMount* m = indi_ ? indi_->mount() : nullptr) {
            m->mount_stop(requested);
            for (MoveDirection each : {East, West, North, South}) moving_[each] = m->moving(each);
        }
        return;
    case MountInterface::LX200:
        if (moving_[d]) {
            send_command(lx200::stop(d));
            moving_[d] = false;
        }
        return;
    case MountInterface::Varnek: {
        const quint16 address = moving_[d] ? driven_[d].address : varnekAddress(settings_);
        varnekStopDirection(d);
        view_->showTestValue(binaryDigits(ports_.outputByte(address)));
        return;
    }
    case MountInterface::Dremla:
        if (moving_[d]) dremlaSend(true);
        view_->showTestValue(binaryDigits(ports_.outputByte(varnekAddress(settings_))));
        return;
    case MountInterface::Tolvir:
        // The pulse already sent runs out by itself. A direction not under
        // way leaves the axis's move alone (the opposite one may run).
        if (!moving_[d]) return;
        moving_[d] = false;
        tolvirRemaining_[int(axisOf(d))] = 0;
        return;
    }
}

void Mount::axisTimer(Axis axis)
{
    // A tick may come inside a wait of another request: its failures are
    // handled here, never thrown through the message loop.
    guarded(false, [&] { tick(axis); }, false);
}

void Mount::tick(Axis axis)
{
    MountTimer& timer = *timers_[int(axis)];
    const MoveDirection first = axis == Axis::RA ? East : North;
    if (settings_.interface == MountInterface::Tolvir) {
        int& remaining = tolvirRemaining_[int(axis)];
        // What is left is measured from the move's end, so a late tick
        // shortens the next chunk instead of pushing the end back.
        if (remaining != kContinuous && remaining > 0)
            remaining = int(std::max<qint64>(0, deadline_[int(axis)] - clock_.nowMs()));
        if (remaining > 0) {
            MoveDirection d = moving_[first] ? first : opposite(first);
            d = swapped(d, settings_); // undone by the swap inside the move
            // A failure thrown out of the move must not leave the flag set.
            struct Reissue {
                bool& flag;
                explicit Reissue(bool& f) : flag(f) { flag = true; }
                ~Reissue() { flag = false; }
            } reissue(reissuing_);
            moveImpl(d, true, remaining);
            return;
        }
    }
    stopImpl(first);
    stopImpl(opposite(first));
    timer.stop();
}

void Mount::endOverdueMoves()
{
    // A timer held back (the window busy elsewhere) must not lengthen a move:
    // any request first ends the moves whose time is up.
    if (settings_.interface == MountInterface::Tolvir) return; // the box ends its pulses itself
    for (Axis axis : {Axis::RA, Axis::Dec})
        if (timers_[int(axis)]->active() && clock_.nowMs() >= deadline_[int(axis)]) tick(axis);
}

bool Mount::anyMoving() const { return std::any_of(moving_.begin(), moving_.end(), [](bool m) { return m; }); }

void Mount::clearMoves()
{
    moving_.fill(false);
    focuserMoving_ = false;
    tolvirRemaining_.fill(0);
}

void Mount::stopEverything()
{
    switch (linkUp_ ? linkInterface_ : settings_.interface) {
    case MountInterface::Aucun:
    case MountInterface::NoneChecked:
    case MountInterface::Tolvir: break; // its pulses end by themselves
    case MountInterface::LX200:
        send_command(lx200::stopAll());
        if (focuserMoving_) send_command(lx200::focuserStop());
        break;
    case MountInterface::Varnek: {
        // The lines the moves started, where they started them, and the
        // lines the settings name now; one write per register.
        std::map<quint16, quint8> bytes;
        const auto release = [&](quint16 address, const auto& change) {
            auto it = bytes.try_emplace(address, ports_.outputByte(address)).first;
            it->second = change(it->second);
        };
        const quint16 base = varnekAddress(settings_);
        for (MoveDirection d : {East, West, North, South}) {
            if (moving_[d]) release(driven_[d].address, [&](quint8 b) { return varnekStop(b, driven_[d].line); });
            release(base, [&](quint8 b) { return varnekStop(b, varnekLine(settings_, d)); });
        }
        if (focuserMoving_)
            for (int f : {0, 1}) {
                const DrivenLine line = focuserLine(f);
                release(line.address, [&](quint8 b) { return focuserControlStop(b, f, line.line.active); });
                focuserDriven_[f] = {};
            }
        for (const auto& [address, byte] : bytes) ports_.writePort(address, byte);
        break;
    }
    case MountInterface::Dremla: dremlaSend(true); break;
    case MountInterface::Indi:
        if (IndiMount* m = indi_ ? indi_->mount() : nullptr) m->mount_stop_all();
        if (focuserMoving_ && indi_)
            if (IndiFocuser* f = indi_->focuser()) f->focuser_stop(0);
        break;
    }
    clearMoves();
}

// ---- focuser ------------------------------------------------------------------

void Mount::focuser_move(int direction, bool fast)
{
    guarded(false, [&] {
        if (!ensureLink()) return;
        if (settings_.interface == MountInterface::LX200) {
            send_command(lx200::focuserSpeed(fast));
            send_command(lx200::focuserMove(direction));
            focuserMoving_ = true;
        } else if (settings_.interface == MountInterface::Varnek) {
            varnekFocuser(direction, true);
        } else if (settings_.interface == MountInterface::Indi && indi_) {
            if (IndiFocuser* f = indi_->focuser()) {
                f->focuser_move(direction, fast);
                focuserMoving_ = f->moving();
            }
        }
    });
}

void Mount::focuser_stop(int direction)
{
    guarded(false, [&] {
        if (!ensureLink()) return;
        if (settings_.interface == MountInterface::LX200) {
            send_command(lx200::focuserStop());
            focuserMoving_ = false;
        } else if (settings_.interface == MountInterface::Varnek) {
            varnekFocuser(direction, false);
        } else if (settings_.interface == MountInterface::Indi && indi_) {
            if (IndiFocuser* f = indi_->focuser()) f->focuser_stop(direction);
            focuserMoving_ = false;
        }
    });
}

// ---- the parallel box -------------------------------------------------------------

void Mount::varnekGoDirection(MoveDirection d)
{
    DrivenLine& driven = driven_[d];
    driven = {varnekAddress(settings_), varnekLine(settings_, d)};
    ports_.writePort(driven.address, varnekGo(ports_.outputByte(driven.address), driven.line));
    moving_[d] = true;
}

void Mount::varnekStopDirection(MoveDirection d)
{
    if (!moving_[d]) return;
    const DrivenLine& driven = driven_[d];
    ports_.writePort(driven.address, varnekStop(ports_.outputByte(driven.address), driven.line));
    moving_[d] = false;
}

// The focuser line of a direction: where its move started it (address 0
// when none did), else where the settings put it now.
Mount::DrivenLine Mount::focuserLine(int direction) const
{
    const DrivenLine& driven = focuserDriven_[direction];
    if (driven.address != 0) return driven;
    const int active = direction == 0 ? settings_.TNI_Focus_In_Activevalue : settings_.TNI_Focus_Out_Activevalue;
    return {quint16(varnekAddress(settings_) + 2), {0, active}};
}

void Mount::varnekFocuser(int direction, bool start)
{
    direction = direction == 0 ? 0 : 1;
    if (start) focuserDriven_[direction] = {}; // a start takes the settings as they are now
    const DrivenLine line = focuserLine(direction);
    const quint8 control = ports_.outputByte(line.address);
    ports_.writePort(line.address, start ? focuserControlStart(control, direction, line.line.active)
                                         : focuserControlStop(control, direction, line.line.active));
    focuserDriven_[direction] = start ? line : DrivenLine{};
    focuserMoving_ = start;
}

// ---- the clocked box --------------------------------------------------------------

void Mount::changeLine(LineStep step)
{
    SerialDevice* device = com_.device(kPort);
    if (!device) throw ExCom("modem_lines", EBADF);
    ModemLines& lines = device->modemLines();
    const bool modem = step.line != LineStep::Latch;
    const quint8 bit = step.line == LineStep::Data    ? ModemLines::kDtr
                       : step.line == LineStep::Clock ? ModemLines::kRts
                                                      : ModemLines::kBreak;
    // Read, change one bit, write back; three times, as the box expects.
    for (int i = 0; i < 3; ++i) {
        quint8 value = 0;
        if (int e = modem ? lines.readModemControl(value) : lines.readLineControl(value)) throw ExCom("modem_lines", e);
        value = step.on ? quint8(value | bit) : quint8(value & ~bit);
        if (int e = modem ? lines.writeModemControl(value) : lines.writeLineControl(value))
            throw ExCom("modem_lines", e);
        if (settings_.CKB_Historique_Comm) traffic_.logPortWrite(quint16(dremlaBase_ + (modem ? 4 : 3)), value);
    }
}

void Mount::writeModemControl(quint8 value)
{
    SerialDevice* device = com_.device(kPort);
    if (!device) throw ExCom("modem_lines", EBADF);
    if (int e = device->modemLines().writeModemControl(value)) throw ExCom("modem_lines", e);
    if (settings_.CKB_Historique_Comm) traffic_.logPortWrite(quint16(dremlaBase_ + 4), value);
}

void Mount::dremlaSend(bool stop, MoveDirection d)
{
    for (const LineStep& step : dremlaCode(stop, d)) changeLine(step);
    if (stop) moving_.fill(false);
}

void Mount::dremlaInit()
{
    for (quint8 v : {0, 0, 0, 8, 8, 8, 0, 0, 0}) writeModemControl(v);
    for (const LineStep& step : dremlaCode(true)) changeLine(step);
}

} // namespace velumbra

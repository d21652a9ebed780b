#include "telescope/IndiMount.h"

#include "core/SteadyClock.h"
#include "indi/IndiClient.h"
#include "telescope/MountProtocols.h"

namespace velumbra {

namespace {
constexpr int kConnectWaitMs = 10000;
const QString kMotionNS = QStringLiteral("TELESCOPE_MOTION_NS");
const QString kMotionWE = QStringLiteral("TELESCOPE_MOTION_WE");
const QString kGuideNS = QStringLiteral("TELESCOPE_TIMED_GUIDE_NS");
const QString kGuideWE = QStringLiteral("TELESCOPE_TIMED_GUIDE_WE");
const QString kSlewRate = QStringLiteral("TELESCOPE_SLEW_RATE");
const QString kCoord = QStringLiteral("EQUATORIAL_EOD_COORD");
} // namespace

IndiMount::IndiMount(IndiClient& client, QString device, MountSettings& settings,
                     std::array<std::unique_ptr<MountTimer>, 2> timers, const SteadyClock& clock)
    : client_(client), device_(std::move(device)), settings_(settings), timers_(std::move(timers)), clock_(clock)
{
    timers_[0]->onTimeout = [this] { axisTimer(Axis::RA); };
    timers_[1]->onTimeout = [this] { axisTimer(Axis::Dec); };
    QObject::connect(&client_, &IndiClient::serverLost, this, &IndiMount::onServerLost);
}

IndiMount::~IndiMount() { disconnect(); }

bool IndiMount::connect()
{
    if (linkUp_) return true;
    error_.clear();
    if (!client_.isConnected()) {
        error_ = QStringLiteral("serveur INDI non connecté");
        return false;
    }
    if (!client_.connectDevice(device_)) {
        error_ = QStringLiteral("monture INDI \"%1\" absente").arg(device_);
        return false;
    }
    const bool ready = client_.waitFor([&] {
        return client_.deviceConnected(device_) && client_.property(device_, kMotionNS)
            && client_.property(device_, kMotionWE) && client_.property(device_, kCoord);
    }, kConnectWaitMs);
    if (!ready) {
        error_ = QStringLiteral("monture INDI \"%1\" ne répond pas").arg(device_);
        return false;
    }
    linkUp_ = true;
    // A move left from an earlier session stops before anything else.
    setMotion(Axis::RA, std::nullopt);
    setMotion(Axis::Dec, std::nullopt);
    set_rate(settings_.paddleRate);
    return true;
}

void IndiMount::disconnect()
{
    if (linkUp_ && client_.isConnected()) mount_stop_all();
    timers_[0]->stop();
    timers_[1]->stop();
    linkUp_ = false;
    moving_ = {};
    timedMotion_ = {};
    deadline_ = {};
}

void IndiMount::onServerLost()
{
    // Nothing can be sent any more: every move counts as stopped.
    timers_[0]->stop();
    timers_[1]->stop();
    linkUp_ = false;
    moving_ = {};
    timedMotion_ = {};
    deadline_ = {};
}

bool IndiMount::guideProperty(Axis axis) const
{
    return client_.property(device_, axis == Axis::RA ? kGuideWE : kGuideNS) != nullptr;
}

bool IndiMount::hasTimedGuide() const { return guideProperty(Axis::RA) && guideProperty(Axis::Dec); }

bool IndiMount::setMotion(Axis axis, std::optional<MoveDirection> d)
{
    if (axis == Axis::Dec)
        return client_.sendSwitches(device_, kMotionNS, {{"MOTION_NORTH", d == North}, {"MOTION_SOUTH", d == South}});
    return client_.sendSwitches(device_, kMotionWE, {{"MOTION_WEST", d == West}, {"MOTION_EAST", d == East}});
}

void IndiMount::endTimedMove(Axis axis)
{
    timers_[int(axis)]->stop();
    deadline_[int(axis)] = 0;
    if (timedMotion_[int(axis)]) {
        timedMotion_[int(axis)] = false;
        setMotion(axis, std::nullopt);
        if (settings_.paddleRate != 0) set_rate(settings_.paddleRate);
    }
    for (MoveDirection d : {East, West, North, South})
        if (axisOf(d) == axis) moving_[d] = false;
}

void IndiMount::endOverdueMoves()
{
    const qint64 now = clock_.nowMs();
    for (Axis axis : {Axis::RA, Axis::Dec})
        if (deadline_[int(axis)] != 0 && now >= deadline_[int(axis)]) endTimedMove(axis);
}

void IndiMount::axisTimer(Axis axis)
{
    if (deadline_[int(axis)] != 0 && clock_.nowMs() >= deadline_[int(axis)]) endTimedMove(axis);
    else if (deadline_[int(axis)] == 0) timers_[int(axis)]->stop();
}

void IndiMount::mount_move(MoveDirection requested, bool inMs, double amount)
{
    if (!linkUp_) return;
    endOverdueMoves();
    const Axis axis = axisOf(requested);
    const MoveDirection d = swapped(requested, settings_);
    if (amount == CONTINUOUS_MOVE) {
        if (moving_[d] && deadline_[int(axis)] == 0) return;
        if (deadline_[int(axis)] != 0) endTimedMove(axis);
        if (setMotion(axis, d)) {
            moving_[d] = true;
            moving_[opposite(d)] = false;
        }
        return;
    }
    const int ms = moveDurationMs(settings_, d, inMs, amount);
    if (ms <= 0 || deadline_[int(axis)] != 0) return; // a timed move under way on the axis is not sent again
    bool sent = false;
    if (guideProperty(axis)) {
        const char* element = d == North ? "TIMED_GUIDE_N" : d == South ? "TIMED_GUIDE_S" : d == West ? "TIMED_GUIDE_W"
                                                                                                   : "TIMED_GUIDE_E";
        sent = client_.sendNumbers(device_, axis == Axis::RA ? kGuideWE : kGuideNS, {{element, double(ms)}});
    } else {
        // No timed guiding: a move at the guide rate, stopped at its deadline.
        set_rate(0);
        sent = setMotion(axis, d);
        timedMotion_[int(axis)] = sent;
    }
    if (!sent) return;
    moving_[d] = true;
    deadline_[int(axis)] = clock_.nowMs() + ms;
    timers_[int(axis)]->start(ms);
    Pulse& p = pulses_[int(axis)];
    p = {p.count + 1, d, ms};
}

void IndiMount::mount_stop(MoveDirection requested)
{
    if (!linkUp_) return;
    endOverdueMoves();
    const MoveDirection d = swapped(requested, settings_);
    const Axis axis = axisOf(d);
    if (deadline_[int(axis)] != 0) return; // a timed move ends at its deadline
    if (!moving_[d]) return;
    setMotion(axis, std::nullopt);
    moving_[d] = false;
}

void IndiMount::mount_stop_all()
{
    if (!linkUp_) return;
    for (Axis axis : {Axis::RA, Axis::Dec}) {
        timers_[int(axis)]->stop();
        deadline_[int(axis)] = 0;
        timedMotion_[int(axis)] = false;
        setMotion(axis, std::nullopt);
    }
    moving_ = {};
}

void IndiMount::set_rate(int index)
{
    if (!linkUp_) return;
    const IndiProperty* rates = client_.property(device_, kSlewRate);
    if (!rates || rates->elements.empty()) return;
    const size_t i = size_t(std::clamp(index, 0, int(rates->elements.size()) - 1));
    const QByteArray name = rates->elements[i].name.toUtf8();
    client_.sendSwitches(device_, kSlewRate, {{name.constData(), true}});
}

bool IndiMount::goTo(double raHours, double decDegrees)
{
    if (!linkUp_) return false;
    if (!client_.sendSwitches(device_, QStringLiteral("ON_COORD_SET"), {{"TRACK", true}})) return false;
    return client_.sendNumbers(device_, kCoord, {{"RA", raHours}, {"DEC", decDegrees}});
}

bool IndiMount::sync(double raHours, double decDegrees)
{
    if (!linkUp_) return false;
    if (!client_.sendSwitches(device_, QStringLiteral("ON_COORD_SET"), {{"SYNC", true}})) return false;
    const bool sent = client_.sendNumbers(device_, kCoord, {{"RA", raHours}, {"DEC", decDegrees}});
    // Later coordinates are targets again.
    client_.sendSwitches(device_, QStringLiteral("ON_COORD_SET"), {{"TRACK", true}});
    return sent;
}

void IndiMount::abort()
{
    if (!linkUp_) return;
    client_.sendSwitches(device_, QStringLiteral("TELESCOPE_ABORT_MOTION"), {{"ABORT", true}});
    for (Axis axis : {Axis::RA, Axis::Dec}) {
        timers_[int(axis)]->stop();
        deadline_[int(axis)] = 0;
        timedMotion_[int(axis)] = false;
    }
    moving_ = {};
}

std::optional<IndiMount::Position> IndiMount::position() const
{
    const IndiProperty* p = client_.property(device_, kCoord);
    if (!linkUp_ || !p) return std::nullopt;
    return Position{p->number(u"RA"), p->number(u"DEC"), p->state == IndiProperty::State::Busy};
}

} // namespace velumbra

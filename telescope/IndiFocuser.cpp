#include "telescope/IndiFocuser.h"

#include "indi/IndiClient.h"

namespace velumbra {

namespace {
const QString kMotion = QStringLiteral("FOCUS_MOTION");
const QString kTimer = QStringLiteral("FOCUS_TIMER");
const QString kRelative = QStringLiteral("REL_FOCUS_POSITION");
const QString kAbsolute = QStringLiteral("ABS_FOCUS_POSITION");
} // namespace

IndiFocuser::IndiFocuser(IndiClient& client, QString device) : client_(client), device_(std::move(device))
{
    QObject::connect(&client_, &IndiClient::serverLost, this, [this] {
        linkUp_ = false;
        moving_ = false;
    });
}

bool IndiFocuser::connect()
{
    if (linkUp_) return true;
    error_.clear();
    if (!client_.connectDevice(device_)) {
        error_ = QStringLiteral("focaliseur INDI \"%1\" absent").arg(device_);
        return false;
    }
    const bool ready = client_.waitFor([&] {
        return client_.deviceConnected(device_) && client_.property(device_, kMotion)
            && (client_.property(device_, kTimer) || client_.property(device_, kRelative));
    }, 10000);
    if (!ready) {
        error_ = QStringLiteral("focaliseur INDI \"%1\" ne répond pas").arg(device_);
        return false;
    }
    linkUp_ = true;
    return true;
}

void IndiFocuser::focuser_move(int direction, bool fast)
{
    if (!linkUp_) return;
    const bool out = direction != 0;
    if (!client_.sendSwitches(device_, kMotion, {{"FOCUS_INWARD", !out}, {"FOCUS_OUTWARD", out}})) return;
    bool sent = false;
    if (client_.property(device_, kTimer)) {
        if (const IndiProperty* speed = client_.property(device_, QStringLiteral("FOCUS_SPEED")); speed && !speed->elements.empty())
            client_.sendNumbers(device_, QStringLiteral("FOCUS_SPEED"),
                                {{"FOCUS_SPEED_VALUE", fast ? speed->elements.front().maximum : speed->elements.front().minimum}});
        sent = client_.sendNumbers(device_, kTimer, {{"FOCUS_TIMER_VALUE", double(kHoldMs)}});
    } else {
        sent = client_.sendNumbers(device_, kRelative, {{"FOCUS_RELATIVE_POSITION", double(fast ? 10 * kStep : kStep)}});
    }
    moving_ = sent;
}

void IndiFocuser::focuser_stop(int /*direction*/)
{
    if (!linkUp_ || !moving_) return;
    client_.sendSwitches(device_, QStringLiteral("FOCUS_ABORT_MOTION"), {{"ABORT", true}});
    moving_ = false;
}

std::optional<double> IndiFocuser::position() const
{
    const IndiProperty* p = client_.property(device_, kAbsolute);
    if (!p) return std::nullopt;
    return p->number(u"FOCUS_ABSOLUTE_POSITION");
}

} // namespace velumbra

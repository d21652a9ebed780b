#include "telescope/IndiMountLink.h"

#include "core/Messages.h"
#include "indi/IndiClient.h"

namespace velumbra {

namespace {
constexpr int kDeviceWaitMs = 3000;
}

IndiMountLink::IndiMountLink(IndiClient& client, IndiSettings& settings, MountSettings& mountSettings,
                             MessageSink& messages, const SteadyClock& clock, TimerFactory timers)
    : client_(client), settings_(settings), mountSettings_(mountSettings), messages_(messages), clock_(clock),
      timers_(std::move(timers))
{
}

IndiMountLink::~IndiMountLink() = default;

bool IndiMountLink::fail(const QString& text)
{
    if (!failureSaid_) messages_.showMessage(false, text);
    failureSaid_ = true;
    return false;
}

QString IndiMountLink::chosen(const QString& wanted, IndiDeviceKind kind) const
{
    const std::vector<QString> offered = client_.devicesOfKind(kind);
    if (!wanted.isEmpty()) return std::find(offered.begin(), offered.end(), wanted) != offered.end() ? wanted : QString();
    return offered.empty() ? QString() : offered.front();
}

bool IndiMountLink::connect()
{
    if (up()) return true;
    if (!client_.isConnected() && !client_.connectToServer(settings_.host, settings_.port, failureSaid_)) {
        failureSaid_ = true; // the client said it
        return false;
    }
    client_.waitFor([&] { return !chosen(settings_.mount, IndiMountKind).isEmpty(); }, kDeviceWaitMs);
    const QString device = chosen(settings_.mount, IndiMountKind);
    if (device.isEmpty())
        return fail(settings_.mount.isEmpty() ? QStringLiteral("Aucune monture sur le serveur INDI (%1)").arg(client_.serverText())
                                              : QStringLiteral("Monture INDI \"%1\" absente").arg(settings_.mount));
    if (!mount_ || mount_->objectName() != device) {
        mount_ = std::make_unique<IndiMount>(client_, device, mountSettings_,
                                             std::array<std::unique_ptr<MountTimer>, 2>{timers_(), timers_()}, clock_);
        mount_->setObjectName(device);
    }
    if (!mount_->connect()) return fail(QStringLiteral("Monture INDI : %1").arg(mount_->lastError()));
    failureSaid_ = false;
    return true;
}

void IndiMountLink::disconnect()
{
    if (mount_) mount_->disconnect();
    if (focuser_) focuser_->focuser_stop(0);
}

IndiFocuser* IndiMountLink::focuser()
{
    if (focuser_ && focuser_->linkUp()) return focuser_.get();
    if (!client_.isConnected()) return nullptr;
    const QString device = chosen(settings_.focuser, IndiFocuserKind);
    if (device.isEmpty()) return nullptr;
    if (!focuser_ || focuser_->objectName() != device) {
        focuser_ = std::make_unique<IndiFocuser>(client_, device);
        focuser_->setObjectName(device);
    }
    if (!focuser_->connect()) {
        fail(QStringLiteral("Focaliseur INDI : %1").arg(focuser_->lastError()));
        return nullptr;
    }
    return focuser_.get();
}

} // namespace velumbra

#pragma once
#include "indi/IndiSettings.h"
#include "indi/IndiTypes.h"
#include "telescope/IndiFocuser.h"
#include "telescope/IndiMount.h"

#include <functional>
#include <memory>

namespace velumbra {

class IndiClient;
class MessageSink;

// The mount layer's way to an INDI mount and focuser: the server of the
// [INDI] settings (connected on demand), the mount they name or else the
// first the server offers, the focuser likewise. Failures are said once
// until a connection succeeds.
class IndiMountLink {
public:
    using TimerFactory = std::function<std::unique_ptr<MountTimer>()>;
    IndiMountLink(IndiClient& client, IndiSettings& settings, MountSettings& mountSettings, MessageSink& messages,
                  const SteadyClock& clock, TimerFactory timers);
    ~IndiMountLink();

    bool connect();
    void disconnect();
    bool up() const { return mount_ && mount_->linkUp(); }
    IndiMount* mount() const { return up() ? mount_.get() : nullptr; }
    // The focuser, connected on first use; null when the server has none.
    IndiFocuser* focuser();

private:
    bool fail(const QString& text);
    QString chosen(const QString& wanted, IndiDeviceKind kind) const;

    IndiClient& client_;
    IndiSettings& settings_;
    MountSettings& mountSettings_;
    MessageSink& messages_;
    const SteadyClock& clock_;
    TimerFactory timers_;
    std::unique_ptr<IndiMount> mount_;
    std::unique_ptr<IndiFocuser> focuser_;
    bool failureSaid_ = false;
};

} // namespace velumbra

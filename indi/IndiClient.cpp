#include "indi/IndiClient.h"

#include "core/Messages.h"

#include <libindi/basedevice.h>
#include <libindi/baseclient.h>
#include <libindi/indiproperty.h>

#include <csignal>

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

namespace velumbra {

unsigned indiKindsOfInterface(unsigned driverInterface)
{
    unsigned kinds = 0;
    if (driverInterface & INDI::BaseDevice::CCD_INTERFACE) kinds |= IndiCameraKind;
    if (driverInterface & INDI::BaseDevice::TELESCOPE_INTERFACE) kinds |= IndiMountKind;
    if (driverInterface & INDI::BaseDevice::FOCUSER_INTERFACE) kinds |= IndiFocuserKind;
    return kinds;
}

namespace {

IndiProperty::State stateOf(IPState s)
{
    switch (s) {
    case IPS_OK: return IndiProperty::State::Ok;
    case IPS_BUSY: return IndiProperty::State::Busy;
    case IPS_ALERT: return IndiProperty::State::Alert;
    default: return IndiProperty::State::Idle;
    }
}

// Runs on the library's thread: copies the property into plain values.
IndiProperty copyOf(const INDI::Property& p)
{
    IndiProperty r;
    r.device = QString::fromUtf8(p.getDeviceName());
    r.name = QString::fromUtf8(p.getName());
    r.state = stateOf(p.getState());
    switch (p.getType()) {
    case INDI_NUMBER:
        r.kind = IndiProperty::Kind::Number;
        for (const auto& n : *p.getNumber())
            r.elements.push_back({QString::fromUtf8(n.getName()), n.getValue(), n.getMin(), n.getMax(), n.getStep(), false, {}});
        break;
    case INDI_SWITCH:
        r.kind = IndiProperty::Kind::Switch;
        r.oneOfMany = p.getSwitch()->getRule() == ISR_1OFMANY;
        for (const auto& s : *p.getSwitch())
            r.elements.push_back({QString::fromUtf8(s.getName()), 0, 0, 0, 0, s.getState() == ISS_ON, {}});
        break;
    case INDI_TEXT:
        r.kind = IndiProperty::Kind::Text;
        for (const auto& t : *p.getText())
            r.elements.push_back({QString::fromUtf8(t.getName()), 0, 0, 0, 0, false, QString::fromUtf8(t.getText())});
        break;
    case INDI_LIGHT:
        r.kind = IndiProperty::Kind::Light;
        for (const auto& l : *p.getLight())
            r.elements.push_back({QString::fromUtf8(l.getName()), double(l.getState()), 0, 0, 0, l.getState() == IPS_OK, {}});
        break;
    case INDI_BLOB:
        r.kind = IndiProperty::Kind::Blob;
        for (const auto& b : *p.getBLOB()) r.elements.push_back({QString::fromUtf8(b.getName()), 0, 0, 0, 0, false, {}});
        break;
    default: break;
    }
    return r;
}

} // namespace

class IndiClient::Listener final : public INDI::BaseClient {
public:
    Listener(IndiClient* owner, quint64 generation) : owner_(owner), generation_(generation) {}

protected:
    void newProperty(INDI::Property property) override { post(property); }
    void updateProperty(INDI::Property property) override
    {
        if (property.getType() == INDI_BLOB) {
            for (const auto& b : *property.getBLOB()) {
                if (b.getBlobLen() <= 0 || !b.getBlob()) continue;
                IndiBlob blob{QString::fromUtf8(property.getDeviceName()), QString::fromUtf8(property.getName()),
                              QString::fromUtf8(b.getFormat()),
                              QByteArray(static_cast<const char*>(b.getBlob()), b.getBlobLen()),
                              QDateTime::currentDateTimeUtc()};
                const quint64 g = generation_;
                QMetaObject::invokeMethod(owner_, [o = owner_, g, blob = std::move(blob)] {
                    if (g == o->generation_) o->onBlob(blob);
                }, Qt::QueuedConnection);
            }
            return;
        }
        post(property);
    }
    void removeProperty(INDI::Property property) override
    {
        const QString device = QString::fromUtf8(property.getDeviceName());
        const QString name = QString::fromUtf8(property.getName());
        const quint64 g = generation_;
        QMetaObject::invokeMethod(owner_, [o = owner_, g, device, name] {
            if (g == o->generation_) o->onPropertyRemoved(device, name);
        }, Qt::QueuedConnection);
    }
    void serverDisconnected(int exitCode) override
    {
        const quint64 g = generation_;
        QMetaObject::invokeMethod(owner_, [o = owner_, g, exitCode] { o->onDisconnected(g, exitCode); },
                                  Qt::QueuedConnection);
    }

private:
    void post(const INDI::Property& property)
    {
        IndiProperty copy = copyOf(property);
        const quint64 g = generation_;
        QMetaObject::invokeMethod(owner_, [o = owner_, g, copy = std::move(copy)] {
            if (g == o->generation_) o->onProperty(copy);
        }, Qt::QueuedConnection);
    }

    IndiClient* owner_;
    const quint64 generation_;
};

IndiClient::IndiClient(MessageSink& messages, QObject* parent) : QObject(parent), messages_(messages) {}

IndiClient::~IndiClient()
{
    ++generation_;
    if (listener_) listener_->disconnectServer(0);
}

bool IndiClient::serverAlive() const { return connected_ && listener_ && listener_->isServerConnected(); }

QString IndiClient::serverText() const { return host_ + QLatin1Char(':') + QString::number(port_); }

namespace {
// The client library writes to its socket with plain write(): once the server
// has gone, that write would end the whole program with SIGPIPE before the
// loss could be reported. Ignore the signal (unless someone set a handler) so
// the write fails and the loss is reported as a lost server.
void ignoreBrokenPipes()
{
    static const bool done = [] {
        struct sigaction current {};
        if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            ::sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGPIPE, &ignore, nullptr);
        }
        return true;
    }();
    (void)done;
}
} // namespace

bool IndiClient::connectToServer(const QString& host, int port, bool quiet)
{
    ignoreBrokenPipes();
    disconnectFromServer();
    host_ = host;
    port_ = port;
    ++generation_;
    listener_ = std::make_unique<Listener>(this, generation_);
    listener_->setServer(host.toUtf8().constData(), unsigned(port));
    listener_->setConnectionTimeout(3, 0);
    if (!listener_->connectServer()) {
        listener_.reset();
        if (!quiet) messages_.showMessage(false, QStringLiteral("Serveur INDI injoignable (%1)").arg(serverText()));
        return false;
    }
    connected_ = true;
    emit connectedChanged(true);
    return true;
}

void IndiClient::disconnectFromServer()
{
    ++generation_; // what the old connection still posts is dropped
    if (listener_) {
        listener_->disconnectServer(0);
        listener_.reset();
    }
    const bool was = connected_;
    connected_ = false;
    mirror_.clear();
    order_.clear();
    if (was) {
        emit devicesChanged();
        emit connectedChanged(false);
    }
}

void IndiClient::onDisconnected(quint64 generation, int exitCode)
{
    if (generation != generation_ || !connected_) return;
    connected_ = false;
    mirror_.clear();
    order_.clear();
    if (exitCode != 0)
        messages_.showMessage(false, QStringLiteral("Serveur INDI perdu (%1)").arg(serverText()));
    emit devicesChanged();
    emit serverLost();
    emit connectedChanged(false);
}

void IndiClient::onProperty(const IndiProperty& p)
{
    auto it = mirror_.find(p.device);
    const bool newDevice = it == mirror_.end();
    if (newDevice) {
        it = mirror_.insert(p.device, DeviceMirror{});
        order_ << p.device;
    }
    it->properties.insert(p.name, p);
    bool listChanged = newDevice;
    if (p.name == QLatin1String("DRIVER_INFO")) {
        const IndiElement* e = p.element(u"DRIVER_INTERFACE");
        const unsigned kinds = e ? indiKindsOfInterface(e->text.toUInt()) : 0;
        listChanged = listChanged || kinds != it->kinds;
        it->kinds = kinds;
    }
    if (listChanged) emit devicesChanged();
    emit propertyUpdated(it->properties[p.name]);
}

void IndiClient::onPropertyRemoved(const QString& device, const QString& name)
{
    auto it = mirror_.find(device);
    if (it != mirror_.end()) it->properties.remove(name);
}

void IndiClient::onBlob(const IndiBlob& blob) { emit blobArrived(blob); }

std::vector<IndiDevice> IndiClient::devices() const
{
    std::vector<IndiDevice> list;
    for (const QString& name : order_) list.push_back({name, mirror_.value(name).kinds});
    return list;
}

std::vector<QString> IndiClient::devicesOfKind(IndiDeviceKind kind) const
{
    std::vector<QString> list;
    for (const QString& name : order_)
        if (mirror_.value(name).kinds & kind) list.push_back(name);
    return list;
}

const IndiProperty* IndiClient::property(const QString& device, const QString& name) const
{
    auto d = mirror_.constFind(device);
    if (d == mirror_.constEnd()) return nullptr;
    auto p = d->properties.constFind(name);
    return p == d->properties.constEnd() ? nullptr : &*p;
}

bool IndiClient::deviceConnected(const QString& device) const
{
    const IndiProperty* c = property(device, QStringLiteral("CONNECTION"));
    return c && c->isOn(u"CONNECT") && c->state == IndiProperty::State::Ok;
}

bool IndiClient::waitFor(const std::function<bool()>& done, int timeoutMs)
{
    if (done()) return true;
    if (!connected_) return false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(this, &IndiClient::propertyUpdated, &loop, [&] {
        if (done()) loop.quit();
    });
    QObject::connect(this, &IndiClient::connectedChanged, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

bool IndiClient::connectDevice(const QString& device)
{
    if (!connected_ || !listener_ || !mirror_.contains(device)) return false;
    listener_->connectDevice(device.toUtf8().constData());
    return true;
}

bool IndiClient::receiveBlobs(const QString& device)
{
    if (!connected_ || !listener_) return false;
    listener_->setBLOBMode(B_ALSO, device.toUtf8().constData(), nullptr);
    return true;
}

bool IndiClient::sendNumbers(const QString& device, const QString& name,
                             std::initializer_list<std::pair<const char*, double>> values)
{
    if (!connected_ || !listener_) return false;
    INDI::BaseDevice dev = listener_->getDevice(device.toUtf8().constData());
    if (!dev.isValid()) return false;
    INDI::PropertyNumber np = dev.getNumber(name.toUtf8().constData());
    if (!np.isValid()) return false;
    for (const auto& [element, value] : values) {
        INumber* w = np.findWidgetByName(element);
        if (!w) return false;
        w->value = value;
    }
    listener_->sendNewNumber(np);
    return true;
}

bool IndiClient::sendSwitches(const QString& device, const QString& name,
                              std::initializer_list<std::pair<const char*, bool>> states)
{
    if (!connected_ || !listener_) return false;
    INDI::BaseDevice dev = listener_->getDevice(device.toUtf8().constData());
    if (!dev.isValid()) return false;
    INDI::PropertySwitch sp = dev.getSwitch(name.toUtf8().constData());
    if (!sp.isValid()) return false;
    for (const auto& [element, on] : states)
        if (!sp.findWidgetByName(element)) return false;
    if (sp.getRule() == ISR_1OFMANY) sp.reset();
    for (const auto& [element, on] : states) sp.findWidgetByName(element)->s = on ? ISS_ON : ISS_OFF;
    listener_->sendNewSwitch(sp);
    return true;
}

} // namespace velumbra

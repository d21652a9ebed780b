#pragma once
#include "indi/IndiTypes.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace velumbra {

class MessageSink;

// One connection to an INDI server, through the INDI client library.
//
// Thread boundary: the library reads the server on a thread of its own and
// calls back there. Those callbacks only copy what they are given into plain
// values (IndiProperty, IndiBlob) and post them to this object with queued
// calls; everything below — the mirror of the devices and properties, the
// signals, the messages — happens on the thread this object lives on (the
// user-interface thread). Nothing of the program is touched from the
// library's thread.
class IndiClient final : public QObject {
    Q_OBJECT
public:
    explicit IndiClient(MessageSink& messages, QObject* parent = nullptr);
    ~IndiClient() override;

    // Connects (waiting at most a few seconds). A client already connected
    // is disconnected first. False, with a message, when the server does not answer.
    // `quiet`: a server that does not answer is not said (a list being filled).
    bool connectToServer(const QString& host, int port, bool quiet = false);
    void disconnectFromServer();
    bool isConnected() const { return connected_; }
    // The library's own view, ahead of the queued news: false as soon as
    // the socket is gone.
    bool serverAlive() const;
    QString serverText() const;

    // The devices the server offers, in the order they appeared.
    std::vector<IndiDevice> devices() const;
    std::vector<QString> devicesOfKind(IndiDeviceKind kind) const;
    // The last known value of a property, or null.
    const IndiProperty* property(const QString& device, const QString& name) const;

    // Runs a local event loop (user input held back) until `done` holds,
    // the connection changes or timeoutMs passed; says whether `done` holds.
    bool waitFor(const std::function<bool()>& done, int timeoutMs);

    // Requests; false when the server or the property is missing.
    bool connectDevice(const QString& device);
    bool deviceConnected(const QString& device) const;
    // Frames (BLOBs) of the device are sent to this client.
    bool receiveBlobs(const QString& device);
    // Sets the listed elements of a number vector, keeping the others, in one request.
    bool sendNumbers(const QString& device, const QString& name,
                     std::initializer_list<std::pair<const char*, double>> values);
    // Sets the listed switches of a switch vector in one request; in a
    // one-of-many vector the others go off.
    bool sendSwitches(const QString& device, const QString& name,
                      std::initializer_list<std::pair<const char*, bool>> states);

signals:
    void connectedChanged(bool connected);
    void serverLost();
    void devicesChanged();
    void propertyUpdated(const velumbra::IndiProperty& property);
    void blobArrived(const velumbra::IndiBlob& blob);

private:
    class Listener;
    friend class Listener;
    // Called on this object's thread.
    void onProperty(const IndiProperty& p);
    void onPropertyRemoved(const QString& device, const QString& name);
    void onBlob(const IndiBlob& blob);
    void onDisconnected(quint64 generation, int exitCode);

    MessageSink& messages_;
    std::unique_ptr<Listener> listener_;
    quint64 generation_ = 0; // callbacks of an earlier connection are ignored
    bool connected_ = false;
    QString host_;
    int port_ = 0;
    struct DeviceMirror {
        unsigned kinds = 0;
        QHash<QString, IndiProperty> properties;
    };
    QHash<QString, DeviceMirror> mirror_;
    QStringList order_;
};

} // namespace velumbra

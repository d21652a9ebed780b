#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <vector>

namespace velumbra {

// Plain copies of what an INDI server says, made on the client library's
// thread and handed to the user-interface thread by value.
struct IndiElement {
    QString name;
    double value = 0, minimum = 0, maximum = 0, step = 0; // numbers
    bool on = false;                                      // switches
    QString text;                                         // texts
};

struct IndiProperty {
    enum class Kind { Number, Switch, Text, Light, Blob, Unknown };
    enum class State { Idle, Ok, Busy, Alert };
    QString device;
    QString name;
    Kind kind = Kind::Unknown;
    State state = State::Idle;
    bool oneOfMany = false; // a switch vector where exactly one is on
    std::vector<IndiElement> elements;

    const IndiElement* element(QStringView elementName) const
    {
        for (const IndiElement& e : elements)
            if (e.name == elementName) return &e;
        return nullptr;
    }
    double number(QStringView elementName, double missing = 0) const
    {
        const IndiElement* e = element(elementName);
        return e ? e->value : missing;
    }
    bool isOn(QStringView elementName) const
    {
        const IndiElement* e = element(elementName);
        return e && e->on;
    }
};

struct IndiBlob {
    QString device;
    QString property;
    QString format; // ".fits", ".stream", ...
    QByteArray data;
    QDateTime arrival;
};

// The kinds of device the program uses, from the driver's interface bits.
enum IndiDeviceKind : unsigned { IndiCameraKind = 1u, IndiMountKind = 2u, IndiFocuserKind = 4u };
unsigned indiKindsOfInterface(unsigned driverInterface);

struct IndiDevice {
    QString name;
    unsigned kinds = 0;
};

} // namespace velumbra

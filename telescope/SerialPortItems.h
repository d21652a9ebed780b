#pragma once
#include <QString>
#include <QStringList>
#include <vector>

namespace velumbra {

// One entry of the serial port list: the text the list shows (and the
// settings keep), the device it opens, the short name the traffic log uses,
// and the UART base address the clocked box needs (0 when none).
struct SerialPortItem {
    QString text;
    QString devicePath;
    QString portName;
    quint16 uartBase = 0;
};

// The simulated observatory's two serial devices, as the list shows them
// and the settings keep them: the LX200 mount, and the port on which the
// serial guide box takes bytes and the clocked box takes its control lines.
// Their device paths are kSimulatorDevice + "lx200" or "boxes": the serial
// layer's opener (SimulatorSerialOpener) turns them into the simulator's
// pseudo-terminals, which exist only while the program runs.
inline const QString kSimulatorLx200Item = QStringLiteral("Simulateur (LX200)");
inline const QString kSimulatorBoxesItem = QStringLiteral("Simulateur (boîtiers série)");
inline const QString kSimulatorDevice = QStringLiteral("simulateur:");

// The list: the serial devices present under devRoot first, by their
// /dev/serial/by-id name where they have one, then the ttyUSB*, ttyACM* and
// ttyS* devices that exist (a ttyS* only when sysRoot's class/tty says it
// has a UART, or says nothing); then the texts `kept` names (the port the
// settings hold, such as "$03F8 (COM1)", present or not), then the
// simulator's two devices. COMn is /dev/ttySn-1.
std::vector<SerialPortItem> serialPortItems(const QString& devRoot = QStringLiteral("/dev"),
                                            const QStringList& kept = {},
                                            const QString& sysRoot = QStringLiteral("/sys"));

// The item a stored text stands for: one of the COM items, a by-id name, or
// a typed device path (a pseudo-terminal, a device the list lacks). An empty
// or unknown text gives an item without a device.
SerialPortItem serialPortItemOf(const QString& text, const QString& devRoot = QStringLiteral("/dev"));

} // namespace velumbra

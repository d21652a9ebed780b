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

// The list: "$03F8 (COM1)", "$02F8 (COM2)", then COM3..COM8 behind seven
// blanks (COMn is /dev/ttySn-1); then the USB and ACM serial devices present
// under devRoot, by their /dev/serial/by-id name when they have one; then
// the simulator's two devices.
std::vector<SerialPortItem> serialPortItems(const QString& devRoot = QStringLiteral("/dev"));

// The item a stored text stands for: one of the COM items, a by-id name, or
// a typed device path (a pseudo-terminal, a device the list lacks). An empty
// or unknown text gives an item without a device.
SerialPortItem serialPortItemOf(const QString& text, const QString& devRoot = QStringLiteral("/dev"));

} // namespace velumbra

#include "telescope/SerialPortItems.h"
#include "telescope/ComIo.h"

#include <QDir>
#include <QFileInfo>

namespace velumbra {

namespace {

SerialPortItem comItem(int n, const QString& devRoot)
{
    SerialPortItem item;
    item.text = n == 1 ? QStringLiteral("$03F8 (COM1)") : n == 2 ? QStringLiteral("$02F8 (COM2)")
                                                                 : QStringLiteral("       COM%1").arg(n);
    item.portName = item.text.mid(7, 4); // characters 8 to 11
    item.uartBase = hex_to_int(item.text.mid(1, 4));
    item.devicePath = devRoot + QStringLiteral("/ttyS%1").arg(n - 1);
    return item;
}

// The short name of a device for the traffic log: its path under /dev.
QString shortName(const QString& path, const QString& devRoot)
{
    const QString prefix = devRoot + QLatin1Char('/');
    return path.startsWith(prefix) ? path.mid(prefix.size()) : path;
}

} // namespace

std::vector<SerialPortItem> serialPortItems(const QString& devRoot)
{
    std::vector<SerialPortItem> items;
    for (int n = 1; n <= 8; ++n) items.push_back(comItem(n, devRoot));

    QMap<QString, QString> byId; // canonical device -> by-id name
    const QDir idDir(devRoot + QStringLiteral("/serial/by-id"));
    for (const QFileInfo& link : idDir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        byId.insert(link.canonicalFilePath(), link.fileName());

    const QDir dev(devRoot);
    for (const QString& name : dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System | QDir::Files, QDir::Name)) {
        SerialPortItem item;
        item.devicePath = dev.filePath(name);
        item.portName = name;
        const QString canonical = QFileInfo(item.devicePath).canonicalFilePath();
        item.text = byId.value(canonical, item.devicePath);
        items.push_back(item);
    }
    items.push_back(serialPortItemOf(kSimulatorLx200Item, devRoot));
    items.push_back(serialPortItemOf(kSimulatorBoxesItem, devRoot));
    return items;
}

SerialPortItem serialPortItemOf(const QString& text, const QString& devRoot)
{
    for (int n = 1; n <= 8; ++n)
        if (comItem(n, devRoot).text == text) return comItem(n, devRoot);
    SerialPortItem item;
    item.text = text;
    if (text.trimmed().isEmpty()) return item;
    if (text == kSimulatorLx200Item || text == kSimulatorBoxesItem) {
        item.devicePath = kSimulatorDevice + (text == kSimulatorLx200Item ? QLatin1String("lx200") : QLatin1String("boxes"));
        item.portName = QStringLiteral("SIM");
        return item;
    }
    if (text.startsWith(QLatin1Char('/')))
        item.devicePath = text;
    else
        item.devicePath = devRoot + QStringLiteral("/serial/by-id/") + text;
    item.portName = shortName(QFileInfo(item.devicePath).canonicalFilePath().isEmpty()
                                  ? item.devicePath
                                  : QFileInfo(item.devicePath).canonicalFilePath(),
                              devRoot);
    return item;
}

} // namespace velumbra

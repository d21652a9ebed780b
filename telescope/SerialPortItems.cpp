#include "telescope/SerialPortItems.h"
#include "telescope/ComIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

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

namespace {

// "ttyS2" before "ttyS10".
bool numberedBefore(const QString& a, const QString& b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// A ttyS node exists for every possible UART; the kernel says which have one
// (its "type" is 0 when there is none). Without that word it counts as present.
bool uartPresent(const QString& name, const QString& sysRoot)
{
    QFile type(sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly)) return true;
    return type.readAll().trimmed() != "0";
}

} // namespace

std::vector<SerialPortItem> serialPortItems(const QString& devRoot, const QStringList& kept, const QString& sysRoot)
{
    std::vector<SerialPortItem> items;
    QStringList listedDevices; // canonical paths already offered

    // By their stable names first: the adapter keeps its name whatever
    // order the system found it in.
    const QDir idDir(devRoot + QStringLiteral("/serial/by-id"));
    for (const QFileInfo& link : idDir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString canonical = link.canonicalFilePath();
        if (canonical.isEmpty()) continue; // a link to nothing
        SerialPortItem item = serialPortItemOf(link.fileName(), devRoot);
        items.push_back(item);
        listedDevices << canonical;
    }

    const QDir dev(devRoot);
    for (const QString& pattern : {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"), QStringLiteral("ttyS*")}) {
        QStringList names = dev.entryList({pattern}, QDir::System | QDir::Files, QDir::NoSort);
        std::sort(names.begin(), names.end(), numberedBefore);
        for (const QString& name : names) {
            const QString path = dev.filePath(name);
            const QString canonical = QFileInfo(path).canonicalFilePath();
            if (listedDevices.contains(canonical)) continue;
            if (pattern.startsWith(QLatin1String("ttyS")) && !uartPresent(name, sysRoot)) continue;
            SerialPortItem item;
            item.devicePath = path;
            item.portName = name;
            item.text = path;
            items.push_back(item);
            listedDevices << canonical;
        }
    }

    // What the settings name stays offered, present or not.
    for (const QString& text : kept) {
        if (text.trimmed().isEmpty()) continue;
        if (std::any_of(items.cbegin(), items.cend(), [&](const SerialPortItem& i) { return i.text == text; })) continue;
        if (text == kSimulatorLx200Item || text == kSimulatorBoxesItem) continue;
        items.push_back(serialPortItemOf(text, devRoot));
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

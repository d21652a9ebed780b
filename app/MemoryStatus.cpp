#include "app/MemoryStatus.h"

#include <QFile>
#include <QRegularExpression>

namespace velumbra {
namespace {

uint64_t field(const QString& text, const char* name)
{
    const QRegularExpression re(QStringLiteral("^%1:\\s+(\\d+)\\s*kB").arg(QLatin1String(name)),
                                QRegularExpression::MultilineOption);
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toULongLong() * 1024u : 0u;
}

QString readAll(const char* path)
{
    QFile f(QString::fromLatin1(path));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromLatin1(f.readAll());
}

// User address space of a 64-bit Linux process (47 bits).
constexpr uint64_t kUserAddressSpace = uint64_t(1) << 47;

} // namespace

MemoryStatus parseMemoryStatus(const QString& meminfo, const QString& selfStatus)
{
    MemoryStatus s;
    s.totalPhys = field(meminfo, "MemTotal");
    s.availPhys = field(meminfo, "MemAvailable");
    if (s.availPhys == 0) s.availPhys = field(meminfo, "MemFree");
    s.totalPageFile = field(meminfo, "SwapTotal");
    s.availPageFile = field(meminfo, "SwapFree");
    if (s.totalPhys > 0 && s.availPhys <= s.totalPhys)
        s.memoryLoad = int((s.totalPhys - s.availPhys) * 100u / s.totalPhys);
    s.totalVirtual = kUserAddressSpace;
    const uint64_t used = field(selfStatus, "VmSize");
    s.availVirtual = used < s.totalVirtual ? s.totalVirtual - used : 0;
    return s;
}

MemoryStatus readMemoryStatus()
{
    return parseMemoryStatus(readAll("/proc/meminfo"), readAll("/proc/self/status"));
}

uint64_t residentKilobytes() { return field(readAll("/proc/self/status"), "VmRSS") / 1024u; }

} // namespace velumbra

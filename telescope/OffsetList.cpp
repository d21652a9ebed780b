#include "telescope/OffsetList.h"
#include "processing/ZoneState.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace velumbra {
namespace {

// A decimal whole number in the signed 32-bit range, blanks around it
// allowed; anything else is 0.
int wholeNumberOr0(QByteArrayView text)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) return 0;
    return int(v);
}

// A coordinate moved by an offset read from a file: saturated, never wrapped.
int shifted(int v, qint64 by)
{
    const qint64 r = qint64(v) + by;
    return int(std::clamp<qint64>(r, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

bool OffsetList::load_offset_file(const QString& fileName)
{
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) return false;
    read(file);
    return true;
}

void OffsetList::read(QIODevice& device)
{
    entries_.fill({});
    count_ = 0;
    next_ = 0;
    // Line by line, so a huge file is never held whole.
    constexpr qint64 kLongestLine = 4096;
    while (count_ < kCapacity && !device.atEnd()) {
        QByteArray line = device.readLine(kLongestLine);
        if (line.isEmpty() && !device.atEnd()) break; // a read error
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        if (line.contains("//")) continue;
        const qsizetype comma = line.indexOf(',');
        if (comma < 0 || comma == line.size() - 1) continue;
        entries_[size_t(count_++)] = {wholeNumberOr0(QByteArrayView(line).first(comma)),
                                      wholeNumberOr0(QByteArrayView(line).sliced(comma + 1))};
    }
}

std::optional<Point> OffsetList::takeNext()
{
    if (count_ <= 0) return std::nullopt;
    const int i = next_ % count_;
    next_ = i + 1;
    return entries_[size_t(i)];
}

std::optional<Point> apply_next_offset(OffsetList& list, const OffsetConditions& c, ZoneState& zone)
{
    if (!c.CKB_Suivi || !c.CKB_Fichier_decalage || !c.CKB_Autoguidage) return std::nullopt;
    const std::optional<Point> d = list.takeNext();
    if (!d) return std::nullopt;
    zone.prevStarPos = zone.starPos;
    zone.starPos = {shifted(zone.starPos.x, d->x), shifted(zone.starPos.y, d->y)};
    if (!c.CKB_Zones_Liees)
        zone.zoneOffset = {shifted(zone.zoneOffset.x, -qint64(d->x)), shifted(zone.zoneOffset.y, -qint64(d->y))};
    return d;
}

} // namespace velumbra

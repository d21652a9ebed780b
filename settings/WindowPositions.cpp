#include "settings/WindowPositions.h"

#include "settings/IniFile.h"

#include <climits>

namespace velumbra {

namespace {

const QString kSection = QString::fromLatin1(WindowPositions::section);
// Beyond this a coordinate is a damaged value, not a screen.
constexpr int kFarthest = 100000;
constexpr int kSmallest = 50;
constexpr int kLargest = 20000;

QString key(const QString& name, const char* what) { return name + QLatin1Char('_') + QLatin1String(what); }

} // namespace

void WindowPositions::load(const IniFile& ini, const QStringList& names)
{
    places_.clear();
    for (const QString& name : names) {
        const int x = ini.ReadInteger(kSection, key(name, "X"), INT_MIN);
        const int y = ini.ReadInteger(kSection, key(name, "Y"), INT_MIN);
        if (x < -kFarthest || x > kFarthest || y < -kFarthest || y > kFarthest) continue;
        WindowPlace place{QPoint(x, y), QSize()};
        const int w = ini.ReadInteger(kSection, key(name, "Largeur"), 0);
        const int h = ini.ReadInteger(kSection, key(name, "Hauteur"), 0);
        if (w >= kSmallest && w <= kLargest && h >= kSmallest && h <= kLargest) place.size = QSize(w, h);
        places_.insert(name, place);
    }
}

void WindowPositions::save(IniFile& ini) const
{
    for (auto it = places_.cbegin(); it != places_.cend(); ++it) {
        ini.WriteInteger(kSection, key(it.key(), "X"), it->frameTopLeft.x());
        ini.WriteInteger(kSection, key(it.key(), "Y"), it->frameTopLeft.y());
        if (it->size.isValid() && !it->size.isEmpty()) {
            ini.WriteInteger(kSection, key(it.key(), "Largeur"), it->size.width());
            ini.WriteInteger(kSection, key(it.key(), "Hauteur"), it->size.height());
        }
    }
}

std::optional<WindowPlace> WindowPositions::place(const QString& name) const
{
    const auto it = places_.constFind(name);
    if (it == places_.cend()) return std::nullopt;
    return *it;
}

} // namespace velumbra

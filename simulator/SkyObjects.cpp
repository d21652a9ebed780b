#include "simulator/SkyObjects.h"

#include <array>

namespace velumbra {
namespace {

QString squeezed(const QString& name)
{
    QString out;
    for (QChar c : name)
        if (!c.isSpace()) out += c.toUpper();
    return out;
}

} // namespace

std::span<const SkyObject> SkyObjects::all()
{
    using K = SkyObjectKind;
    static constexpr std::array<SkyObject, 30> kObjects = {{
        {"M 1", K::Messier, 5.5756, 22.0145, 8.4, 360},
        {"M 13", K::Messier, 16.6948, 36.4613, 5.8, 1000},
        {"M 27", K::Messier, 19.9934, 22.7212, 7.5, 480},
        {"M 31", K::Messier, 0.7123, 41.2689, 3.4, 10800},
        {"M 42", K::Messier, 5.5881, -5.3911, 4.0, 3900},
        {"M 45", K::Messier, 3.7833, 24.1167, 1.6, 6600},
        {"M 51", K::Messier, 13.4980, 47.1952, 8.4, 660},
        {"M 57", K::Messier, 18.8931, 33.0292, 8.8, 85},
        {"M 81", K::Messier, 9.9259, 69.0653, 6.9, 1500},
        {"M 101", K::Messier, 14.0535, 54.3488, 7.9, 1700},
        {"NGC 869", K::Ngc, 2.3194, 57.1333, 4.3, 1800},
        {"NGC 884", K::Ngc, 2.3722, 57.1333, 4.4, 1800},
        {"NGC 6543", K::Ngc, 17.9758, 66.6331, 8.1, 20},
        {"NGC 7000", K::Ngc, 20.9794, 44.3306, 4.0, 7200},
        {"NGC 7662", K::Ngc, 23.4322, 42.5350, 8.6, 30},
        {"Polaris", K::Star, 2.5303, 89.2641, 2.0, 0},
        {"Vega", K::Star, 18.6156, 38.7837, 0.0, 0},
        {"Deneb", K::Star, 20.6905, 45.2803, 1.3, 0},
        {"Altair", K::Star, 19.8464, 8.8683, 0.8, 0},
        {"Capella", K::Star, 5.2782, 45.9980, 0.1, 0},
        {"Betelgeuse", K::Star, 5.9195, 7.4071, 0.5, 0},
        {"Rigel", K::Star, 5.2423, -8.2016, 0.1, 0},
        {"Sirius", K::Star, 6.7525, -16.7161, -1.5, 0},
        {"Aldebaran", K::Star, 4.5987, 16.5093, 0.9, 0},
        {"Arcturus", K::Star, 14.2610, 19.1825, -0.1, 0},
        {"Jupiter", K::Planet, 7.3500, 22.4500, -2.7, 46},
        {"Saturn", K::Planet, 23.9000, -2.6000, 1.0, 17},
        {"Mars", K::Planet, 19.5000, -23.0000, 1.3, 4},
        {"Venus", K::Planet, 19.6500, -22.5000, -3.9, 10},
        {"Uranus", K::Planet, 3.6500, 19.3500, 5.7, 4},
    }};
    return kObjects;
}

std::optional<SkyObject> SkyObjects::find(const QString& name)
{
    const QString wanted = squeezed(name);
    if (wanted.isEmpty()) return std::nullopt;
    for (const SkyObject& o : all())
        if (squeezed(QString::fromLatin1(o.name)) == wanted) return o;
    return std::nullopt;
}

const SkyObject& SkyObjects::planet()
{
    for (const SkyObject& o : all())
        if (o.kind == SkyObjectKind::Planet) return o;
    return all().front();
}

} // namespace velumbra

#include "app/LiveImageGestures.h"
#include "core/Angles.h"

#include <algorithm>
#include <cmath>

namespace velumbra {

Measurement measureBetween(Point previous, Point last, double sampling, double objectDistance)
{
    Measurement m;
    const double dx = last.x - previous.x, dy = last.y - previous.y;
    m.angleArcSeconds = std::sqrt(dx * dx + dy * dy) * sampling;
    m.distance = std::sin(m.angleArcSeconds * M_PI / 648000.0) * std::max(objectDistance, 0.000001);
    m.angleText = FormatDMS(m.angleArcSeconds);
    m.distanceText = QString::number(m.distance, 'g', 3);
    return m;
}

GestureEffects LiveImageGestures::mouseUp(Point click, Qt::MouseButton button, Qt::KeyboardModifiers keys,
                                          const GestureContext& ctx, ZoneState& zone, RunFlags& flags)
{
    GestureEffects fx;
    if (!ctx.running) return fx;
    fx.ignored = false;
    keys &= (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const Point centre{ctx.imageWidth / 2, ctx.imageHeight / 2};

    if (button == Qt::RightButton) {
        if (ctx.integratingDarkOrFlat) return fx;
        if (keys == Qt::NoModifier || keys == Qt::ShiftModifier) {
            const Point at = keys == Qt::ShiftModifier ? centre : click;
            zone.prevZoneOffset = zone.zoneOffset;
            zone.zoneOffset = {at.x - zone.starPos.x, at.y - zone.starPos.y};
        }
        return fx;
    }
    if (button != Qt::LeftButton) return fx;

    if (keys == Qt::NoModifier || keys == Qt::ShiftModifier) {
        if (ctx.integratingDarkOrFlat) return fx;
        const Point at = keys == Qt::ShiftModifier ? centre : click;
        zone.prevStarPos = zone.starPos;
        zone.starPos = at;
        flags.targetActive = true;
        if (keys == Qt::NoModifier) {
            fx.storeTarget = true;
            fx.target = click;
        }
        if (!ctx.CKB_Zones_Liees) {
            zone.zoneOffset.x += zone.prevStarPos.x - zone.starPos.x;
            zone.zoneOffset.y += zone.prevStarPos.y - zone.starPos.y;
        }
    } else if (keys == (Qt::ShiftModifier | Qt::ControlModifier)) {
        if (ctx.mountSelected) {
            fx.guideMove = true;
            fx.guideOffset = {click.x - zone.starPos.x, click.y - zone.starPos.y};
        }
    } else if (keys == Qt::ControlModifier) {
        if (ctx.CKB_Reticule) {
            fx.moveReticle = true;
            fx.reticleCentre = click;
        }
    } else if (keys == Qt::AltModifier) {
        previousPoint = lastPoint;
        lastPoint = click;
        const Measurement m = measureBetween(previousPoint, lastPoint, ctx.TNI_Echantillonnage, ctx.TNI_DistObjet);
        angleArcSeconds = m.angleArcSeconds;
        distance = m.distance;
        fx.measured = true;
        fx.angleText = m.angleText;
        fx.distanceText = m.distanceText;
    }

    const bool searchKeys = keys != Qt::AltModifier && keys != Qt::ControlModifier;
    const bool knownKeys = keys == Qt::NoModifier || keys == Qt::ShiftModifier ||
                           keys == (Qt::ShiftModifier | Qt::ControlModifier);
    if (!ctx.integratingDarkOrFlat && searchKeys && knownKeys && ctx.CKB_Suivi) {
        fx.starSearch = true;
        fx.searchAt = click;
    }
    return fx;
}

} // namespace velumbra

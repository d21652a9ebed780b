#include "acquisition/V4l2Controls.h"

#include <algorithm>
#include <cstring>
#include <linux/videodev2.h>

namespace velumbra {

std::optional<DriverControl> driverControlFrom(
    const v4l2_queryctrl& q, int value, const std::function<std::optional<QString>(uint32_t index)>& menuItem)
{
    if (q.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) return std::nullopt;
    DriverControl c;
    c.id = q.id;
    c.name = QString::fromUtf8(reinterpret_cast<const char*>(q.name),
                               int(strnlen(reinterpret_cast<const char*>(q.name), sizeof q.name)));
    c.minimum = q.minimum;
    c.maximum = q.maximum;
    c.step = std::max(q.step, 1);
    c.value = value;
    // Inactive: set automatically by another control; grabbed: locked while streaming.
    c.enabled = !(q.flags & (V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_GRABBED));
    c.updatesOthers = (q.flags & V4L2_CTRL_FLAG_UPDATE) != 0;
    switch (q.type) {
    case V4L2_CTRL_TYPE_INTEGER: c.kind = DriverControl::Kind::Slider; break;
    case V4L2_CTRL_TYPE_BOOLEAN: c.kind = DriverControl::Kind::CheckBox; break;
    case V4L2_CTRL_TYPE_MENU:
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        c.kind = DriverControl::Kind::Menu;
        // The driver answers only for the items it supports: indexes between
        // the limits may be missing (exposure modes 1 and 3 only).
        for (int i = std::max(q.minimum, 0); i <= q.maximum && i <= 255; ++i)
            if (const auto label = menuItem(uint32_t(i))) c.items.push_back({i, *label});
        if (c.items.empty()) return std::nullopt;
        break;
    default: return std::nullopt;
    }
    return c;
}

} // namespace velumbra

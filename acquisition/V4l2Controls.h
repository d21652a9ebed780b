#pragma once
#include "acquisition/VideoDriver.h"

#include <cstdint>
#include <functional>
#include <optional>

struct v4l2_queryctrl;

namespace velumbra {

// The source dialog's entry for one V4L2 control, from its description, its
// current value and, for menus, the driver's answer for each item index
// (nothing for the indexes the driver skips). Nothing for controls the
// dialog cannot show (disabled, read-only, buttons, strings, classes).
std::optional<DriverControl> driverControlFrom(
    const v4l2_queryctrl& query, int value,
    const std::function<std::optional<QString>(uint32_t index)>& menuItem);

} // namespace velumbra

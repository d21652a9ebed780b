#pragma once
#include "processing/ImageCore.h"
#include "results/ParameterRecord.h"

namespace velumbra {

// The record's values that the image core holds: frame and zone geometry,
// integration mode and count, range and thresholds, dark and flat, display
// channels, tracking, selection and the quality figures of the last selected
// frame. `resultWidth` x `resultHeight` is the size of the saved image.
// Values of other windows (long exposure) keep their defaults.
ParameterValues parameterValuesOf(const ImageCore& core, int resultWidth, int resultHeight);

} // namespace velumbra

#pragma once
#include "processing/ImageCore.h"
#include "results/FitsFile.h"
#include "results/ParameterRecord.h"

namespace velumbra {

// The record's values that the image core holds: frame and zone geometry,
// integration mode and count, range and thresholds, dark and flat, display
// channels, tracking, selection and the quality figures of the last selected
// frame. `resultWidth` x `resultHeight` is the size of the saved image.
// Values of other windows (long exposure) keep their defaults.
ParameterValues parameterValuesOf(const ImageCore& core, int resultWidth, int resultHeight);

// The FITS header of the core's result: frames, binning, dark and flat
// applied, grey or colour, the thresholds as display range, the exposure
// when long exposures ran. Date and optics are the caller's.
FitsKeywords fitsKeywordsOf(const ImageCore& core, const ParameterValues& values);
// The corrected sums of the core's last render, as the result image shows them.
FitsValues resultValuesOf(const ImageCore& core, int resultWidth, int resultHeight);

} // namespace velumbra

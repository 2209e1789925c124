#pragma once

namespace varnholt {

// Percentage of a progress fraction, truncated toward zero (0.999 gives 99).
// Fractions that are not finite or out of range are clamped first, so an
// exporter reporting 0 of 0 items as NaN cannot break a trace line or a bar.
int percentOf(double fraction);
double clampFraction(double fraction);

} // namespace varnholt

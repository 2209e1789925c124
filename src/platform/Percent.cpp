#include "platform/Percent.h"

#include <cmath>

namespace varnholt {

double clampFraction(double fraction)
{
    if (std::isnan(fraction))
        return 0.0;
    if (fraction < 0.0)
        return 0.0;
    if (fraction > 1.0)
        return 1.0;
    return fraction;
}

int percentOf(double fraction)
{
    return static_cast<int>(std::trunc(clampFraction(fraction) * 100.0));
}

} // namespace varnholt

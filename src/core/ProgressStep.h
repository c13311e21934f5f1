#pragma once

#include "core/Protocol.h"

#include <QtGlobal>

#include <cmath>

namespace vq250
{

// Percent the bar moves per device buffer's worth of work out of `total`:
// all of it when the work is smaller, else 8192 / total * 100 rounded half
// to even (nearbyint in the default rounding mode).
inline qint32 progressStepFor(qint32 total)
{
    if (total < DeviceBufferBytes)
        return 100;
    return qint32(std::nearbyint(double(DeviceBufferBytes) / double(total) * 100.0));
}

} // namespace vq250

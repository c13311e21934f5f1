#pragma once

#include <QString>
#include <QtGlobal>

#include <cmath>

namespace vq250
{

// The progress window as the commands drive it. The real window is created
// on first use with its bar at 0 and is only hidden afterwards.
class ProgressView
{
public:
    virtual ~ProgressView() = default;
    virtual void setMessage(const QString &text) = 0;
    virtual void setValue(float percent) = 0; // 0 to 100
    virtual void setVisible(bool visible) = 0;
    virtual void refresh() = 0;
};

// Percent the bar moves per 8192 units of work out of `total`: all of it
// when the work is smaller, else 8192 / total * 100 rounded half to even
// (nearbyint in the default rounding mode).
inline qint32 progressStepFor(qint32 total)
{
    constexpr qint32 Chunk = 8192;
    if (total < Chunk)
        return 100;
    return qint32(std::nearbyint(double(Chunk) / double(total) * 100.0));
}

} // namespace vq250

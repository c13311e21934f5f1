#pragma once

#include <QString>

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

} // namespace vq250

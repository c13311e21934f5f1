#pragma once

#include <QString>
#include <optional>

namespace vq250
{

// The file-open dialog. `filter` is a list of "description|pattern" pairs
// joined by "|", `filterIndex` counts from 1. Yields the chosen path, or
// nothing when the operator cancels.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual std::optional<QString> openFile(
        const QString &filter, const QString &initialFolder, int filterIndex)
        = 0;
};

} // namespace vq250

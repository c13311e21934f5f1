#pragma once

#include <QString>

namespace vq250::convert
{

// True when writing `output` would replace `input`: the same name once both
// are made absolute, or, when both exist, the same file reached through a
// link or another spelling of the path.
bool isSameFile(const QString &input, const QString &output);

// The sound name the loader will propose for `path`: the file name without
// folders, up to its first "." and at most 10 characters.
QString proposedSoundName(const QString &path);

} // namespace vq250::convert

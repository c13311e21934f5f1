#pragma once

#include <QImage>
#include <QString>

namespace vq250
{

// The window pictures compiled into the program: "background", "open",
// "load", "truncate", "quit". A null image if the name is unknown.
QImage picture(const QString &name);

} // namespace vq250

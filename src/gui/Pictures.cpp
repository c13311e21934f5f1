#include "gui/Pictures.h"

#include <QtGlobal>

// Resources of a static library must be pulled in by name, or the linker
// drops them.
static void initPictureResources()
{
    Q_INIT_RESOURCE(assets);
}

namespace vq250
{

QImage picture(const QString &name)
{
    static const bool once = (initPictureResources(), true);
    Q_UNUSED(once);
    return QImage(QStringLiteral(":/pictures/%1.jpg").arg(name));
}

} // namespace vq250

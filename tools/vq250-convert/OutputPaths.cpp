#include "vq250-convert/OutputPaths.h"

#include "sound/SoundText.h"

#include <QStringDecoder>

namespace vq250::convert
{

QString proposedSoundName(const QByteArray &path)
{
    const QByteArray fileName = path.mid(path.lastIndexOf('/') + 1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8.decode(fileName);
    if (utf8.hasError())
        name = QString::fromLatin1(fileName);
    return DeviceSoundName(name.section(QLatin1Char('.'), 0, 0));
}

} // namespace vq250::convert

#include "sound/SoundText.h"

#include "core/Protocol.h"

#include <QLocale>

namespace vq250
{

QString SoundNameFromPath(const QString &path)
{
    const qsizetype lastSeparator
        = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    const QString fileName = path.mid(lastSeparator + 1);
    return fileName.section(QLatin1Char('.'), 0, 0).left(SoundNameMax);
}

qint64 SoundSeconds(qint32 byteCount)
{
    // byteCount / 8000 s = byteCount * 5 / 4 ten-thousandths; integer
    // arithmetic keeps the ties exact.
    const qint64 scaled = qint64(byteCount) * 5;
    const bool negative = scaled < 0;
    const qint64 magnitude = negative ? -scaled : scaled;
    qint64 quotient = magnitude / 4;
    const qint64 remainder = magnitude % 4;
    if (remainder > 2 || (remainder == 2 && quotient % 2 != 0))
        ++quotient;
    return negative ? -quotient : quotient;
}

QString secondsText(qint32 byteCount)
{
    const qint64 value = SoundSeconds(byteCount);
    const qint64 magnitude = value < 0 ? -value : value;
    QString text = value < 0 ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / 10000);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        text += QLocale().decimalPoint() + fraction;
    return text + QStringLiteral(" Sec.");
}

namespace
{

bool deviceCanShow(QChar c)
{
    return deviceHoldsNameChar(c.unicode());
}

} // namespace

QString DeviceSoundName(const QString &name)
{
    QString held;
    for (const QChar c : name) {
        if (deviceCanShow(c)) {
            held += c;
            continue;
        }
        for (const QChar part : QString(c).normalized(QString::NormalizationForm_KD))
            if (deviceCanShow(part))
                held += part;
    }
    held.truncate(SoundNameMax);
    return held.isEmpty() ? QStringLiteral("Sound") : held;
}

} // namespace vq250

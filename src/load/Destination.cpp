#include "load/Destination.h"

namespace vq250
{

quint8 HexDigitValue(const QString &text)
{
    if (text.isEmpty())
        return 32;
    const char16_t c = text.at(0).unicode();
    if (c >= u'0' && c <= u'9')
        return quint8(c - u'0');
    if (c >= u'A' && c <= u'F')
        return quint8(c - u'A' + 10);
    if (c >= u'a' && c <= u'f')
        return quint8(c - u'a' + 10);
    if (c == u'*')
        return 25;
    return 32;
}

Destination parseDestination(const QString &entry)
{
    return { HexDigitValue(entry.left(1)), HexDigitValue(entry.mid(1, 1)) };
}

} // namespace vq250

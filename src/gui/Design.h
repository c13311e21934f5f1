#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QtGlobal>

namespace vq250
{

// The windows are laid out in twips, 15 to the pixel. Each value is rounded
// to the nearest pixel on its own, so 1136 x 530 twips becomes 76 x 35.
constexpr int TwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(
        twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

// Colours are written &H00BBGGRR&: blue in the high byte, red in the low one.
inline QColor colourFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// The beige of the panels, also the buttons' mask colour.
constexpr quint32 PanelBgr = 0x00A9B9B8;
// The version label's teal.
constexpr quint32 VersionTextBgr = 0x00808000;

// Arial, which fontconfig resolves to the metric-compatible Liberation Sans.
inline QFont arialFont(qreal points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

inline QFont largeBoldFont()
{
    return arialFont(9.75, true);
}
inline QFont smallBoldFont()
{
    return arialFont(8.25, true);
}
// The window's own font, which controls without a font of their own use.
inline QFont windowDefaultFont()
{
    return arialFont(8.25, false);
}

} // namespace vq250

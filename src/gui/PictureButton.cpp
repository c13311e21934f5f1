#include "gui/PictureButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cstdlib>

namespace vq250
{
namespace
{

bool near(int a, int b, int tolerance)
{
    return std::abs(a - b) <= tolerance;
}

} // namespace

QImage maskedPicture(const QImage &picture, const QColor &mask, int tolerance)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            if (near(qRed(p), mask.red(), tolerance) && near(qGreen(p), mask.green(), tolerance)
                && near(qBlue(p), mask.blue(), tolerance))
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return out;
}

PictureButton::PictureButton(const QImage &picture, const QColor &background, QWidget *parent)
    : QAbstractButton(parent)
    , m_face(QPixmap::fromImage(maskedPicture(picture, background)))
    , m_background(background)
{
    setFocusPolicy(Qt::StrongFocus);
}

QSize PictureButton::sizeHint() const
{
    return m_face.size();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    const int shift = isDown() ? 1 : 0;
    const QPoint at(
        (width() - m_face.width()) / 2 + shift, (height() - m_face.height()) / 2 + shift);
    if (!isEnabled())
        painter.setOpacity(0.4);
    painter.drawPixmap(at, m_face);
    painter.setOpacity(1.0);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        option.backgroundColor = m_background;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace vq250

#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPixmap>

namespace vq250
{

// JPEG moves colours a little, most near edges, so a pixel counts as the mask
// colour when every channel lies within this distance of it. The faces keep
// their own colours far further away than this.
constexpr int MaskTolerance = 12;

// A copy of `picture` in which the pixels of the mask colour are transparent.
QImage maskedPicture(const QImage &picture, const QColor &mask, int tolerance = MaskTolerance);

// A button that shows only a picture: its background colour, and on it the
// picture centred with the mask colour left out. Pressing shifts the picture
// by one pixel, a disabled button shows it faded, keyboard focus shows as a
// dotted frame.
class PictureButton final : public QAbstractButton
{
    Q_OBJECT
public:
    PictureButton(const QImage &picture, const QColor &background, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    const QPixmap &face() const { return m_face; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_face;
    QColor m_background;
};

} // namespace vq250

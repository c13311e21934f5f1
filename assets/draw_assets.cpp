// Draws the main window's pictures: the 600 x 400 background and the four
// 75 x 35 button faces, as JPEG files, and the program's icon at 48 and 128
// pixels, as PNG files, into the folder given on the command line. Run it
// with QT_QPA_PLATFORM=offscreen; see README.md.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace
{

const QColor Beige(184, 185, 169); // panels, and the buttons' mask colour
const QColor Teal(0, 128, 128);
const QColor PaleCyan(214, 240, 240);
constexpr int JpegQuality = 95;

QFont sans(int pixels, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QImage background()
{
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(PaleCyan);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const int barHeight = 48;
    const int panelWidth = 107;
    p.fillRect(0, 0, 600, barHeight, Beige);
    p.fillRect(0, barHeight, panelWidth, 400 - barHeight, Beige);
    // Thin shadows where the beige meets the field.
    p.fillRect(panelWidth, barHeight, 600 - panelWidth, 2, Beige.darker(130));
    p.fillRect(panelWidth, barHeight, 2, 400 - barHeight, Beige.darker(130));

    // The device name, one large letter below the other.
    const QString name = QStringLiteral("VQ250");
    const int cell = (400 - barHeight - 12) / name.size();
    p.setFont(sans(62, true));
    for (int i = 0; i < name.size(); ++i) {
        const QRect box(0, barHeight + 6 + i * cell, panelWidth, cell);
        p.setPen(Teal.darker(160));
        p.drawText(box.translated(2, 2), Qt::AlignCenter, name.mid(i, 1));
        p.setPen(Teal);
        p.drawText(box, Qt::AlignCenter, name.mid(i, 1));
    }
    return image;
}

struct Face {
    const char *file;
    QColor body;
    QColor ink;
    const char *big;
    const char *small; // empty for one line
};

QImage buttonFace(const Face &face)
{
    QImage image(75, 35, QImage::Format_RGB32);
    image.fill(Beige);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // A rounded body with a bevel: light above, dark below. JPEG keeps
    // colour at half resolution, in 2 x 2 blocks from the top left, so the
    // body stays inside x 2..71, y 2..31: the outer ring of blocks then holds
    // only the mask colour and stays exactly maskable.
    const QRectF body(2, 2, 70, 30);
    QPainterPath path;
    path.addRoundedRect(body, 7, 7);
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0.0, face.body.lighter(112));
    shade.setColorAt(0.45, face.body);
    shade.setColorAt(1.0, face.body.darker(135));
    p.fillPath(path, shade);
    QPainterPath outline;
    outline.addRoundedRect(body.adjusted(0.6, 0.6, -0.6, -0.6), 6.4, 6.4);
    p.setPen(QPen(face.body.darker(190), 1.2));
    p.drawPath(outline);

    p.setPen(face.ink);
    const QString small = QString::fromLatin1(face.small);
    if (small.isEmpty()) {
        p.setFont(sans(15, true));
        p.drawText(body, Qt::AlignCenter, QString::fromLatin1(face.big));
    } else {
        const QString big = QString::fromLatin1(face.big);
        p.setFont(sans(big.size() > 5 ? 11 : 13, true));
        p.drawText(QRectF(body.left(), 4, body.width(), 15), Qt::AlignCenter, big);
        p.setFont(sans(9, true));
        p.drawText(QRectF(body.left(), 18, body.width(), 12), Qt::AlignCenter, small);
    }
    return image;
}

// The menu icon: the window's teal and beige, a sound wave above "VQ250",
// drawn on a 128-unit grid at any size.
QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 128.0, size / 128.0);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(6, 6, 116, 116), 22, 22);
    QLinearGradient shade(0, 6, 0, 122);
    shade.setColorAt(0.0, Teal.lighter(125));
    shade.setColorAt(1.0, Teal.darker(130));
    p.fillPath(tile, shade);

    // One burst of a decaying tone, as a sound file shows it.
    QPainterPath wave;
    for (int x = 0; x <= 88; ++x) {
        const double envelope = 1.0 - x / 100.0;
        const double y = 50 - 26 * envelope * std::sin(x * 0.42) * std::sin(x * 3.1416 / 88);
        if (x == 0)
            wave.moveTo(20 + x, y);
        else
            wave.lineTo(20 + x, y);
    }
    p.setPen(QPen(PaleCyan, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);

    p.setPen(Beige.lighter(115));
    p.setFont(sans(34, true));
    p.drawText(QRectF(6, 78, 116, 36), Qt::AlignCenter, QStringLiteral("VQ250"));
    return image;
}

bool save(const QImage &image, const QDir &folder, const char *file)
{
    const QString path = folder.filePath(QString::fromLatin1(file));
    const bool png = QString::fromLatin1(file).endsWith(QLatin1String(".png"));
    if (png ? image.save(path, "PNG") : image.save(path, "JPG", JpegQuality))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));

    const Face faces[] = {
        { "open.jpg", QColor(140, 140, 140), Qt::black, "OPEN", "File to Buff" },
        { "load.jpg", Teal, Qt::white, "LOAD", "Buff to BG" },
        { "truncate.jpg", QColor(228, 198, 112), QColor(60, 40, 0), "TRUNCATE", "for BG#8" },
        { "quit.jpg", QColor(200, 30, 30), Qt::white, "QUIT", "" },
    };
    bool ok = save(background(), folder, "background.jpg");
    for (const Face &face : faces)
        ok = save(buttonFace(face), folder, face.file) && ok;
    ok = save(icon(48), folder, "vq250-loader-48.png") && ok;
    ok = save(icon(128), folder, "vq250-loader-128.png") && ok;
    return ok ? 0 : 1;
}

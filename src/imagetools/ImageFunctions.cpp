#include "ImageFunctions.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <utility>

QImage PngRoundTrip(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return QImage();
    buffer.close();
    QImage decoded;
    if (!decoded.loadFromData(bytes, "PNG"))
        return QImage();
    return decoded;
}

namespace {

// Rows [top, top + rows) of the image drawn with its top-left corner at
// `origin` onto a transparent premultiplied canvas, clipped to the path.
// Every band is drawn moved up by its top, the whole canvas by 0, so a band
// holds exactly the pixels of those rows of the whole.
QImage ClippedRows(const QImage &image, const QSize &canvasSize, const QPainterPath &clip,
                   const QPoint &origin, int top, int rows)
{
    QImage canvas(canvasSize.width(), rows, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return QImage();
    canvas.fill(Qt::transparent);

    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.translate(0, -top);
    painter.setClipPath(clip, Qt::ReplaceClip);
    painter.drawImage(origin, image);
    painter.end();
    return canvas;
}

} // namespace

QImage RoundRectRows(const QImage &image, int radius, int top, int rows)
{
    if (image.isNull())
        return QImage();
    QPainterPath path;
    path.addRoundedRect(0, 0, image.width(), image.height(), radius, radius, Qt::AbsoluteSize);
    return ClippedRows(image, image.size(), path, QPoint(0, 0), top, rows);
}

QImage RoundRectImage(const QImage &image, int radius)
{
    return RoundRectRows(image, radius, 0, image.height());
}

bool CircleCutsSquare(const QSize &imageSize, int radius)
{
    // In 64 bits, so that a radius near the int limit means "larger than the
    // image" instead of overflowing into a negative side.
    const qint64 side = 2 * qint64(radius);
    return side <= imageSize.width() && side <= imageSize.height();
}

QRect CircleSquare(const QSize &imageSize, int radius)
{
    const int side = 2 * radius;
    const int left = static_cast<int>(std::trunc((imageSize.width() - side) * 0.5));
    const int top = static_cast<int>(std::trunc((imageSize.height() - side) * 0.5));
    return QRect(left, top, side, side);
}

QImage CircleRows(const QImage &image, int radius, int top, int rows)
{
    const QRect square = CircleSquare(image.size(), radius);
    QPainterPath path;
    path.addEllipse(0, 0, square.width(), square.height());
    return ClippedRows(image, square.size(), path, -square.topLeft(), top, rows);
}

QImage CircleImage(const QImage &image, int radius)
{
    if (image.isNull())
        return QImage();
    if (!CircleCutsSquare(image.size(), radius))
        return image;
    if (radius <= 0)
        return QImage();
    return CircleRows(image, radius, 0, 2 * radius);
}

QPixmap CheckerTilePixmap(int n, int square)
{
    if (n <= 0 || square <= 0)
        return QPixmap();
    QImage tile(n, n, QImage::Format_RGB32);
    tile.fill(Qt::white);
    QPainter painter(&tile);
    painter.setPen(Qt::NoPen);
    const QColor grey(220, 220, 220);
    for (int y = 0; y < n; y += square) {
        for (int x = 0; x < n; x += square) {
            if ((x / square + y / square) % 2 == 0)
                painter.fillRect(QRect(x, y, square, square), grey);
        }
    }
    painter.end();
    return QPixmap::fromImage(tile);
}

QPixmap SolidTilePixmap(int n, const QColor &colour)
{
    if (n <= 0)
        return QPixmap();
    QImage tile(n, n, QImage::Format_RGB32);
    tile.fill(colour);
    return QPixmap::fromImage(tile);
}

QImage ComposeRowsOverTiles(const QImage &rows, const QImage &tile, int top)
{
    if (rows.isNull())
        return QImage();
    QImage source = rows;
    if (source.format() != QImage::Format_ARGB32 && source.format() != QImage::Format_ARGB32_Premultiplied)
        source = source.convertToFormat(QImage::Format_ARGB32);

    QImage canvas(source.size(), QImage::Format_ARGB32);
    if (canvas.isNull())
        return QImage();
    canvas.fill(Qt::transparent);

    QPainter painter(&canvas);
    painter.translate(0, -top);
    // An empty tile would never advance the loops.
    if (!tile.isNull()) {
        for (int y = top / tile.height() * tile.height(); y < top + canvas.height(); y += tile.height()) {
            for (int x = 0; x < canvas.width(); x += tile.width())
                painter.drawImage(x, y, tile);
        }
    }
    painter.drawImage(0, top, source);
    painter.end();
    return canvas;
}

QImage ComposeOverTiles(const QImage &image, const QPixmap &tile)
{
    return ComposeRowsOverTiles(image, tile.toImage(), 0);
}

QIcon MakeIcon(QImage image, int width, int height)
{
    QIcon icon;
    if (image.isNull())
        return icon;
    QImage scaled = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!scaled.isNull())
        // The rvalue overload converts in place, sparing a copy of the image.
        icon.addPixmap(QPixmap::fromImage(std::move(scaled)), QIcon::Normal, QIcon::Off);
    return icon;
}

QImage LoadImageFile(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    // The size is in the header, so a file that would decode into an
    // oversized image is turned away before anything is allocated.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaximumImagePixels)
        return QImage();
    QImage image = reader.read();
    if (!image.isNull() && qint64(image.width()) * image.height() > MaximumImagePixels)
        return QImage();
    return image;
}

bool PngRoundTripKeepsImage(const QImage &image)
{
    if (image.isNull())
        return false;
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_Indexed8:
    case QImage::Format_Mono:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
        return true;
    default:
        // Premultiplied and packed formats are stored converted and come back
        // in another format, or with rounded colours.
        return false;
    }
}

QImage NormalisedImage(const QImage &image)
{
    return PngRoundTripKeepsImage(image) ? image : PngRoundTrip(image);
}

bool SaveIconFile(const QIcon &icon, const QString &path)
{
    const QList<QSize> sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
    const QPixmap pixmap = icon.pixmap(sizes.last(), QIcon::Normal, QIcon::Off);
    return SaveImageFile(pixmap.toImage(), path, "ICO");
}

QList<int> IconSizes(int width, int height, bool multiSize)
{
    if (!multiSize || width != height || width <= 0)
        return {};
    const int side = std::min(width, MaximumIconSide);
    QList<int> sides;
    for (const int usual : {16, 24, 32, 48, 64, 128, 256}) {
        if (usual < side)
            sides.append(usual);
    }
    sides.append(side);
    return sides;
}

namespace {

void AppendLittleEndian(QByteArray &data, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        data.append(char((value >> (8 * i)) & 0xff));
}

QByteArray PngData(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "png") ? png : QByteArray();
}

QByteArray DibData(const QImage &image)
{
    const int width = image.width();
    const int height = image.height();
    const int maskStride = (width + 31) / 32 * 4;
    QByteArray data;
    AppendLittleEndian(data, 40, 4);
    AppendLittleEndian(data, quint32(width), 4);
    // The height covers the colour rows and the mask rows together.
    AppendLittleEndian(data, quint32(2 * height), 4);
    AppendLittleEndian(data, 1, 2);
    AppendLittleEndian(data, 32, 2);
    AppendLittleEndian(data, 0, 4);
    AppendLittleEndian(data, quint32((4 * width + maskStride) * height), 4);
    data.append(16, '\0');
    for (int y = height - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            AppendLittleEndian(data, row[x], 4);
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray mask(maskStride, '\0');
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            // Set bits are transparent where a reader ignores the alpha.
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask.at(x / 8) | (0x80 >> (x % 8)));
        }
        data.append(mask);
    }
    return data;
}

bool SaveFileData(const QByteArray &data, const QString &path)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

QByteArray IcoFileData(const QList<QImage> &images)
{
    QList<QByteArray> entries;
    for (const QImage &image : images) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        entries.append(argb.width() >= MaximumIconSide || argb.height() >= MaximumIconSide ? PngData(argb)
                                                                                           : DibData(argb));
        if (argb.isNull() || entries.last().isEmpty())
            return QByteArray();
    }
    QByteArray data;
    AppendLittleEndian(data, 0, 2);
    AppendLittleEndian(data, 1, 2);
    AppendLittleEndian(data, quint32(images.size()), 2);
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        // A side of 256 does not fit the byte and is stored as 0.
        AppendLittleEndian(data, quint32(images.at(i).width() & 0xff), 1);
        AppendLittleEndian(data, quint32(images.at(i).height() & 0xff), 1);
        AppendLittleEndian(data, 0, 2);
        AppendLittleEndian(data, 1, 2);
        AppendLittleEndian(data, 32, 2);
        AppendLittleEndian(data, quint32(entries.at(i).size()), 4);
        AppendLittleEndian(data, offset, 4);
        offset += quint32(entries.at(i).size());
    }
    for (const QByteArray &entry : entries)
        data.append(entry);
    return data;
}

bool SaveMultiSizeIconFile(const QImage &source, const QList<int> &sides, const QString &path)
{
    QList<QImage> images;
    for (const int side : sides)
        images.append(source.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const QByteArray data = IcoFileData(images);
    return !data.isEmpty() && SaveFileData(data, path);
}

bool SaveImageFile(const QImage &image, const QString &path, const char *format, int quality)
{
    if (image.isNull())
        return false;
    QSaveFile file(path);
    // A file that may be replaced in a folder that may not be written to is
    // still overwritten in place, as a plain write would.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

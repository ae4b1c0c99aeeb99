#include "RoundedRender.h"

#include "ImageFunctions.h"
#include "PngEncoder.h"

#include <QBrush>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

bool ShapedImageIsNull(const QImage &normalised, RoundedShape shape, int radius)
{
    if (normalised.isNull())
        return true;
    return shape == RoundedShape::Circle && CircleCutsSquare(normalised.size(), radius) && radius <= 0;
}

QImage BuildShapedImage(const RoundedRenderInputs &inputs, const QImage &normalised)
{
    const QImage image = normalised.isNull() ? NormalisedImage(inputs.source) : normalised;
    return inputs.shape == RoundedShape::RoundRect ? RoundRectImage(image, inputs.radius)
                                                   : CircleImage(image, inputs.radius);
}

QImage BuildCompositeImage(const QImage &shaped, const RoundedRenderInputs &inputs)
{
    const QPixmap tile
        = inputs.transparentBackground ? CheckerTilePixmap(20) : SolidTilePixmap(20, inputs.backgroundColor);
    return ComposeOverTiles(shaped, tile);
}

QImage BuildExportImage(const RoundedRenderInputs &inputs, const QImage &normalised)
{
    const QImage shaped = BuildShapedImage(inputs, normalised);
    return inputs.transparentBackground ? shaped : BuildCompositeImage(shaped, inputs);
}

namespace {

// Rows [top, top + count) of BuildExportImage, as the PNG writer wants them.
QImage ExportRows(const RoundedRenderInputs &inputs, const QImage &normalised, const QImage &tile, int top,
                  int count)
{
    QImage rows;
    if (inputs.shape == RoundedShape::RoundRect)
        rows = RoundRectRows(normalised, inputs.radius, top, count);
    else if (CircleCutsSquare(normalised.size(), inputs.radius))
        rows = CircleRows(normalised, inputs.radius, top, count);
    else
        rows = normalised.copy(0, top, normalised.width(), count);
    if (!inputs.transparentBackground)
        rows = ComposeRowsOverTiles(rows, tile, top);
    // Qt's writer turns premultiplied rows into these the same way.
    return rows.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

bool SaveExportPng(const RoundedRenderInputs &inputs, const QImage &normalised, const QString &path,
                   int bandRows)
{
    const bool cuts
        = inputs.shape == RoundedShape::RoundRect || CircleCutsSquare(normalised.size(), inputs.radius);
    if (!cuts && inputs.transparentBackground)
        return SaveImageFile(normalised, path, "png", ExportPngQuality);
    const QSize size = cuts && inputs.shape == RoundedShape::Circle
        ? CircleSquare(normalised.size(), inputs.radius).size()
        : normalised.size();
    // The solid tile is made here, on the window's thread, as pixmaps must be.
    const QImage tile
        = inputs.transparentBackground ? QImage() : SolidTilePixmap(20, inputs.backgroundColor).toImage();
    // Any new image carries the resolution Qt's writer stores for the canvas.
    const QImage probe(1, 1, QImage::Format_ARGB32);
    // About 2 MB of pixels a band: enough to keep every core busy between
    // the flushes, few enough to keep the memory small.
    if (bandRows <= 0)
        bandRows = qMax(8, (2 << 20) / (4 * size.width()));

    QSaveFile file(path);
    // As SaveImageFile: a file that may be replaced in a folder that may not
    // be written to is still overwritten in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto rows = [&inputs, &normalised, &tile](int top, int count) {
        return ExportRows(inputs, normalised, tile, top, count);
    };
    if (!WritePng(file, size, rows, bandRows, QSize(probe.dotsPerMeterX(), probe.dotsPerMeterY()))) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

namespace {

QSize DeviceSize(const QSize &area, qreal devicePixelRatio)
{
    return QSize(int(area.width() * devicePixelRatio), int(area.height() * devicePixelRatio));
}

} // namespace

QImage RoundedPreviewRenderer::Render(const RoundedRenderInputs &inputs, const QSize &area,
                                      qreal devicePixelRatio)
{
    const QImage &source = inputs.source;
    if (ShapedImageIsNull(source, inputs.shape, inputs.radius))
        return QImage();

    QRect part = source.rect();
    bool clipToCircle = false;
    if (inputs.shape == RoundedShape::Circle && CircleCutsSquare(source.size(), inputs.radius)) {
        part = CircleSquare(source.size(), inputs.radius);
        clipToCircle = true;
    }
    const QSize size = part.size().scaled(DeviceSize(area, devicePixelRatio), Qt::KeepAspectRatio);
    if (size.isEmpty())
        return QImage();
    const QImage scaled = ScaledPart(source, part, size);
    if (scaled.isNull())
        return QImage();

    // The backgrounds are opaque, so the preview is too.
    QImage canvas(size, QImage::Format_RGB32);
    QPainter painter(&canvas);
    if (inputs.transparentBackground) {
        const int square = qMax(1, qRound(10 * devicePixelRatio));
        painter.fillRect(canvas.rect(), QBrush(CheckerTilePixmap(2 * square, square)));
    } else {
        painter.fillRect(canvas.rect(), inputs.backgroundColor);
    }

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRectF bounds(0, 0, size.width(), size.height());
    QPainterPath clip;
    if (inputs.shape == RoundedShape::RoundRect) {
        const qreal scaleX = qreal(size.width()) / part.width();
        const qreal scaleY = qreal(size.height()) / part.height();
        clip.addRoundedRect(bounds, inputs.radius * scaleX, inputs.radius * scaleY, Qt::AbsoluteSize);
        painter.setClipPath(clip, Qt::ReplaceClip);
    } else if (clipToCircle) {
        clip.addEllipse(bounds);
        painter.setClipPath(clip, Qt::ReplaceClip);
    }
    painter.drawImage(0, 0, scaled);
    painter.end();
    canvas.setDevicePixelRatio(devicePixelRatio);
    return canvas;
}

QImage RoundedPreviewRenderer::RenderPlain(const QImage &source, const QSize &area, qreal devicePixelRatio)
{
    if (source.isNull())
        return QImage();
    const QSize size = source.size().scaled(DeviceSize(area, devicePixelRatio), Qt::KeepAspectRatio);
    if (size.isEmpty())
        return QImage();
    QImage plain = ScaledPart(source, source.rect(), size);
    plain.setDevicePixelRatio(devicePixelRatio);
    return plain;
}

QImage RoundedPreviewRenderer::ScaledPart(const QImage &source, const QRect &part, const QSize &size)
{
    if (ScaledKey == source.cacheKey() && ScaledPartRect == part && ScaledImage.size() == size)
        return ScaledImage;

    const QImage &display = DisplaySource(source);
    if (display.isNull())
        return QImage();
    QImage scaled;
    if (part == display.rect()) {
        scaled = display.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        // A view into the display copy: the part is scaled without copying it out first.
        const QImage view(display.constScanLine(part.top()) + part.left() * 4, part.width(), part.height(),
                          display.bytesPerLine(), display.format());
        scaled = view.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.constBits() == view.constBits())
            scaled = view.copy();
    }
    ScaledKey = source.cacheKey();
    ScaledPartRect = part;
    ScaledImage = scaled;
    return scaled;
}

const QImage &RoundedPreviewRenderer::DisplaySource(const QImage &source)
{
    if (DisplaySourceKey == source.cacheKey())
        return DisplaySourceImage;
    // The smooth scaler is fast only on these two formats and converts any
    // other on every call; converting once keeps each preview cheap.
    if (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32_Premultiplied)
        DisplaySourceImage = source;
    else
        DisplaySourceImage = source.convertToFormat(
            source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    DisplaySourceKey = source.cacheKey();
    return DisplaySourceImage;
}

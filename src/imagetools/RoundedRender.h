#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

enum class RoundedShape { RoundRect, Circle };

// Everything one render of the rounded-image page depends on. The full-size
// result is a function of these alone, so it is kept as this recipe and
// built only when an export needs its pixels.
struct RoundedRenderInputs
{
    QImage source; // the page's image as it was at the render
    RoundedShape shape = RoundedShape::RoundRect;
    int radius = 0;
    bool transparentBackground = true; // else the colour below
    QColor backgroundColor;
};

// Whether the shaped image of these inputs is null, known without building
// it (the source is the normalised image or one the round trip keeps).
bool ShapedImageIsNull(const QImage &normalised, RoundedShape shape, int radius);

// The full-resolution shaped image and composite of the inputs, pixel for
// pixel what PngRoundTrip, RoundRectImage or CircleImage and ComposeOverTiles
// give. `normalised`, when not null, is NormalisedImage(inputs.source)
// already at hand.
QImage BuildShapedImage(const RoundedRenderInputs &inputs, const QImage &normalised = QImage());
QImage BuildCompositeImage(const QImage &shaped, const RoundedRenderInputs &inputs);

// What the export writes: the shape with transparent surroundings for the
// transparent background (not the checkerboard, which only stands for
// transparency on screen), the composite over the colour otherwise.
QImage BuildExportImage(const RoundedRenderInputs &inputs, const QImage &normalised = QImage());

// Writes BuildExportImage(inputs, normalised) as a PNG through a temporary
// file that replaces the path only when complete, band by band on every
// core, so the full-size image is never held. `normalised` is
// NormalisedImage(inputs.source) and not null. The pixels read back are
// those Qt's writer stores; a circle larger than the image on a transparent
// background is the image itself and goes to Qt's writer in its own format.
// Bands hold `bandRows` rows, or about 2 MB of pixels when 0.
bool SaveExportPng(const RoundedRenderInputs &inputs, const QImage &normalised, const QString &path,
                   int bandRows = 0);

// Draws the page's previews at the size they are shown: the part of the
// source that the full-size result covers is scaled down once to display
// size and shaped there, with checker squares of screen size. The scaled
// copy is kept, so further radius changes over the same area only reshape a
// display-size image. On a scaled screen the preview has the screen's device
// pixels (area times the ratio, which the image carries), so it stays sharp,
// and the checker squares stay 10 device-independent pixels, rounded to
// whole device pixels.
class RoundedPreviewRenderer
{
public:
    // null when the shaped image of the inputs is null or nothing fits.
    QImage Render(const RoundedRenderInputs &inputs, const QSize &area, qreal devicePixelRatio = 1);
    // The whole source, scaled to fit, without shape or background.
    QImage RenderPlain(const QImage &source, const QSize &area, qreal devicePixelRatio = 1);

private:
    QImage ScaledPart(const QImage &source, const QRect &part, const QSize &size);
    const QImage &DisplaySource(const QImage &source);

    qint64 DisplaySourceKey = 0;
    QImage DisplaySourceImage;
    qint64 ScaledKey = 0;
    QRect ScaledPartRect;
    QImage ScaledImage;
};

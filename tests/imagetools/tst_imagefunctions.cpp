#include "SampleImages.h"
#include "imagetools/ImageFunctions.h"
#include "imagetools/RoundedRender.h"
#include "kit/TestKit.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(RoundedShape)

namespace {

const QColor Colour(12, 200, 90);

// 10-pixel squares, grey (220, 220, 220) at the top-left, white between.
QImage Checker(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (x / 10 + y / 10) % 2 == 0 ? qRgb(220, 220, 220) : qRgb(255, 255, 255));
    }
    return image;
}

QImage Filled(const QSize &size, const QColor &colour, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

// Every pixel a different colour, so a shifted copy cannot pass for the original.
QImage ColumnCodedImage(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, (x / 256) * 64 + y % 64, y % 256));
    }
    return image;
}

// The page's pipeline at full resolution, step by step as the page is
// described, nothing skipped: the reference for every faster path.
QImage LiteralShaped(const QImage &source, RoundedShape shape, int radius)
{
    const QImage normalised = PngRoundTrip(source);
    return shape == RoundedShape::RoundRect ? RoundRectImage(normalised, radius)
                                            : CircleImage(normalised, radius);
}

QImage LiteralComposite(const QImage &shaped, bool transparent)
{
    return ComposeOverTiles(shaped, transparent ? CheckerTilePixmap(20) : SolidTilePixmap(20, Colour));
}

RoundedRenderInputs Inputs(const QImage &source, RoundedShape shape, int radius, bool transparent)
{
    return {source, shape, radius, transparent, Colour};
}

int ChannelDistance(QRgb a, QRgb b)
{
    return qMax(qMax(qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b))), qAbs(qBlue(a) - qBlue(b)));
}

} // namespace

class TestImageFunctions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void composeOverTiles_data();
    void composeOverTiles();
    void pngRoundTrip_data();
    void pngRoundTrip();
    void shapes_data();
    void shapes();
    void makeIcon();
    void loadImageFile_data();
    void loadImageFile();
    void fullResolutionMatchesPipeline_data();
    void fullResolutionMatchesPipeline();
    void previewFollowsANewSource();

private:
    QTemporaryDir Folder;
    QList<SampleImage> Samples;
};

void TestImageFunctions::initTestCase()
{
    Samples = WriteSampleImages(Folder.path());
}

void TestImageFunctions::composeOverTiles_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QPixmap>("tile");
    QTest::addColumn<QImage>("expected");
    const QImage clear = Filled(QSize(73, 47), Qt::transparent);
    QTest::newRow("checker runs on across tiles") << clear << CheckerTilePixmap(20) << Checker(clear.size());
    // Fully transparent pixels show the tile, opaque ones the image.
    QImage holes = PatternImage(QSize(45, 31), false).convertToFormat(QImage::Format_ARGB32);
    QImage filledHoles = holes;
    for (const QPoint point : {QPoint(3, 4), QPoint(12, 4), QPoint(44, 30)}) {
        holes.setPixel(point, qRgba(10, 20, 30, 0));
        filledHoles.setPixel(point, Colour.rgb());
    }
    QTest::newRow("holes") << holes << SolidTilePixmap(20, Colour) << filledHoles;
    QTest::newRow("null") << QImage() << CheckerTilePixmap(20) << QImage();
}

void TestImageFunctions::composeOverTiles()
{
    QFETCH(QImage, image);
    QFETCH(QPixmap, tile);
    QFETCH(QImage, expected);
    QCOMPARE(ComposeOverTiles(image, tile), expected);
}

void TestImageFunctions::pngRoundTrip_data()
{
    QTest::addColumn<QImage>("image");
    // Odd widths leave padding at the end of lines.
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Grayscale8, QImage::Format_Grayscale16,
          QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_RGBX64, QImage::Format_RGBA64,
          QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888, QImage::Format_RGBA8888,
          QImage::Format_MonoLSB, QImage::Format_RGBA64_Premultiplied}) {
        QImage random(37, 23, QImage::Format_RGBA64);
        QRandomGenerator generator {quint32(format)};
        for (int y = 0; y < random.height(); ++y)
            generator.fillRange(reinterpret_cast<quint32 *>(random.scanLine(y)), random.width() * 2);
        QTest::addRow("format %d", int(format)) << random.convertToFormat(format);
    }
    QTest::newRow("null") << QImage();
}

// The round trip may be skipped only where it gives the image back unchanged.
void TestImageFunctions::pngRoundTrip()
{
    QFETCH(QImage, image);
    const QImage roundTrip = PngRoundTrip(image);
    QCOMPARE(roundTrip.isNull(), image.isNull());
    QCOMPARE(NormalisedImage(image), roundTrip);
}

void TestImageFunctions::shapes_data()
{
    QTest::addColumn<RoundedShape>("shape");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("radius");
    QTest::addColumn<QRect>("part"); // of the source the result shows; null: null result
    QTest::addColumn<QSize>("corner"); // radii of the rounded corners
    const auto rect = RoundedShape::RoundRect;
    const auto circle = RoundedShape::Circle;
    const QSize size(300, 200);
    const QRect whole(QPoint(0, 0), size);
    const int largest = std::numeric_limits<int>::max();
    const int smallest = std::numeric_limits<int>::min();
    QTest::newRow("rect 0: square corners") << rect << size << 0 << whole << QSize(0, 0);
    QTest::newRow("rect 30") << rect << size << 30 << whole << QSize(30, 30);
    QTest::newRow("rect 1000: the ellipse") << rect << size << 1000 << whole << QSize(150, 100);
    QTest::newRow("rect, null image") << rect << QSize() << 10 << QRect() << QSize();
    QTest::newRow("circle 100") << circle << size << 100 << QRect(50, 0, 200, 200) << QSize(100, 100);
    QTest::newRow("circle 100 on 301 x 200: 50.5 truncated")
        << circle << QSize(301, 200) << 100 << QRect(50, 0, 200, 200) << QSize(100, 100);
    QTest::newRow("circle 100 on 200 x 301")
        << circle << QSize(200, 301) << 100 << QRect(0, 50, 200, 200) << QSize(100, 100);
    QTest::newRow("circle 60 on 301 x 203")
        << circle << QSize(301, 203) << 60 << QRect(90, 41, 120, 120) << QSize(60, 60);
    QTest::newRow("circle 101: unchanged") << circle << size << 101 << whole << QSize(0, 0);
    QTest::newRow("circle, largest int: unchanged") << circle << size << largest << whole << QSize(0, 0);
    QTest::newRow("circle 0: null") << circle << size << 0 << QRect() << QSize();
    QTest::newRow("circle, smallest int: null") << circle << size << smallest << QRect() << QSize();
    QTest::newRow("circle, null image") << circle << QSize() << 10 << QRect() << QSize();
}

void TestImageFunctions::shapes()
{
    QFETCH(RoundedShape, shape);
    QFETCH(QSize, size);
    QFETCH(int, radius);
    QFETCH(QRect, part);
    QFETCH(QSize, corner);
    const QImage source = ColumnCodedImage(size);
    const QImage shaped
        = shape == RoundedShape::Circle ? CircleImage(source, radius) : RoundRectImage(source, radius);
    QCOMPARE(shaped.isNull(), part.isNull());
    if (part.isNull())
        return;
    QCOMPARE(shaped.size(), part.size());
    // Clear of the antialiased edge: the source inside, transparency outside.
    const qreal margin = corner.isEmpty() ? 0 : 1.5 / qMin(corner.width(), corner.height());
    const auto reach = [](qreal at, int side, int r) {
        return r == 0 ? 0.0 : qMax(0.0, qAbs(at - side / 2.0) - (side / 2.0 - r)) / r;
    };
    for (int y = 0; y < shaped.height(); ++y) {
        for (int x = 0; x < shaped.width(); ++x) {
            const qreal distance = std::hypot(reach(x + 0.5, shaped.width(), corner.width()),
                                              reach(y + 0.5, shaped.height(), corner.height()));
            if (distance < 1 - margin)
                QCOMPARE(shaped.pixel(x, y), source.pixel(part.topLeft() + QPoint(x, y)));
            else if (distance > 1 + margin)
                QCOMPARE(qAlpha(shaped.pixel(x, y)), 0);
        }
    }
}

// Stretched to exactly the size asked for, not letter-boxed: each half of a
// wide image reaches the top and the bottom of a tall icon.
void TestImageFunctions::makeIcon()
{
    QImage halves = Filled(QSize(100, 50), Qt::red, QImage::Format_RGB32);
    QPainter(&halves).fillRect(50, 0, 50, 50, Qt::blue);
    const QIcon icon = MakeIcon(halves, 16, 64);
    QCOMPARE(icon.availableSizes(), QList<QSize> {QSize(16, 64)});
    const QImage pixels = icon.pixmap(QSize(16, 64)).toImage();
    QCOMPARE(
        (QList<QRgb> {pixels.pixel(1, 0), pixels.pixel(14, 0), pixels.pixel(1, 63), pixels.pixel(14, 63)}),
        (QList<QRgb> {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 0, 255)}));
}

void TestImageFunctions::loadImageFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("fileName"); // empty: no file
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    PatternImage(QSize(9, 7), true).save(&buffer, "PNG");
    // A BMP header announcing 20000 x 20000 pixels with no pixels behind it.
    const QByteArray hugeBmp
        = QByteArray::fromHex("424d9a000000000000003600000028000000204e0000204e0000010018000000"
                              "000000000000130b0000130b00000000000000000000")
        + QByteArray(100, '\0');
    QTest::newRow("PNG under a JPEG name: content decides") << png << "picture.jpg";
    QTest::newRow("400-megapixel header") << hugeBmp << "huge.bmp";
    QTest::newRow("missing file") << QByteArray() << QString();
}

void TestImageFunctions::loadImageFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("missing.png"));
    if (!fileName.isEmpty()) {
        path = dir.filePath(fileName);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QCOMPARE(LoadImageFile(path), fileName == "picture.jpg" ? PatternImage(QSize(9, 7), true) : QImage());
}

void TestImageFunctions::fullResolutionMatchesPipeline_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("format");
    QTest::addColumn<RoundedShape>("shape");
    QTest::addColumn<int>("radius");
    // The samples are 61 x 43 or 43 x 61: a circle radius of 21 still cuts
    // (42 <= 43), 22 does not.
    for (const SampleImage &sample : Samples) {
        const auto row = [&sample](const char *what, RoundedShape shape, int radius) {
            QTest::addRow("%s, %s", qPrintable(sample.name), what)
                << sample.path << int(sample.decodedFormat) << shape << radius;
        };
        row("rect 9", RoundedShape::RoundRect, 9);
        row("circle 21", RoundedShape::Circle, 21);
        row("circle 22, whole image", RoundedShape::Circle, 22);
        row("circle 0, null", RoundedShape::Circle, 0);
    }
}

// The export's path, which skips the round trip where it changes nothing,
// gives exactly what the literal pipeline gives, for every kind of input.
void TestImageFunctions::fullResolutionMatchesPipeline()
{
    QFETCH(QString, path);
    QFETCH(int, format);
    QFETCH(RoundedShape, shape);
    QFETCH(int, radius);
    const QImage source = LoadImageFile(path);
    QCOMPARE(int(source.format()), format);
    const QImage literalShaped = LiteralShaped(source, shape, radius);
    QCOMPARE(ShapedImageIsNull(source, shape, radius), literalShaped.isNull());
    for (const bool transparent : {true, false}) {
        const RoundedRenderInputs inputs = Inputs(source, shape, radius, transparent);
        const QImage literalComposite = LiteralComposite(literalShaped, transparent);
        const QImage shaped = BuildShapedImage(inputs);
        QCOMPARE(shaped, literalShaped);
        QCOMPARE(BuildCompositeImage(shaped, inputs), literalComposite);
        // With the normalised image handed in, as the export does when the
        // last render was made from the page's current image.
        QCOMPARE(BuildExportImage(inputs, NormalisedImage(source)),
                 transparent ? literalShaped : literalComposite);
    }
    // The preview, drawn from a display copy of the source, shows the same
    // picture: compared at the centre, clear of the edges.
    RoundedPreviewRenderer renderer;
    const QSize area(250, 250);
    const QImage preview = renderer.Render(Inputs(source, shape, radius, false), area);
    const QImage literal
        = LiteralComposite(literalShaped, false).scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(preview.size(), literal.size());
    const QPoint centre(preview.width() / 2, preview.height() / 2);
    if (!preview.isNull())
        QVERIFY(ChannelDistance(preview.pixel(centre), literal.pixel(centre)) <= 16);
    const QImage plain = renderer.RenderPlain(source, area).convertToFormat(QImage::Format_ARGB32);
    const QImage whole = source.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(plain.size(), whole.size());
    QVERIFY(ChannelDistance(plain.pixel(centre), whole.pixel(centre)) <= 16);
}

// The display copies are kept between renders; a new image of the same size
// must not be shown with the old one's pixels.
void TestImageFunctions::previewFollowsANewSource()
{
    const QImage red = Filled(QSize(300, 200), Qt::red, QImage::Format_RGB32);
    const QImage blue = Filled(QSize(300, 200), Qt::blue, QImage::Format_RGB32);
    RoundedPreviewRenderer renderer;
    const QSize area(150, 100);
    const auto centre = [&](const QImage &image, int radius) {
        return renderer.Render(Inputs(image, RoundedShape::RoundRect, radius, true), area).pixel(75, 50);
    };
    QCOMPARE(centre(red, 10), qRgb(255, 0, 0));
    QCOMPARE(centre(blue, 10), qRgb(0, 0, 255));
    QCOMPARE(renderer.RenderPlain(red, area).pixel(75, 50), qRgb(255, 0, 0));
    QCOMPARE(centre(red, 20), qRgb(255, 0, 0));
}

VARNO_TEST_MAIN(TestImageFunctions)
#include "tst_imagefunctions.moc"

#include "SampleImages.h"
#include "imagetools/ImageFunctions.h"
#include "kit/TestKit.h"

#include <QDataStream>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

const QRgb Grey = qRgb(220, 220, 220);
const QRgb White = qRgb(255, 255, 255);

QRgb CheckerAt(int x, int y)
{
    return (x / 10 + y / 10) % 2 == 0 ? Grey : White;
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

QImage RandomImage(QImage::Format format, const QSize &size, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(size, format);
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono) {
        const int colours = format == QImage::Format_Mono ? 2 : 256;
        QVector<QRgb> table;
        for (int i = 0; i < colours; ++i)
            table.append(random.generate());
        image.setColorTable(table);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, random.bounded(colours));
        }
        return image;
    }
    // Raw bytes, except where the format fixes bits (the unused alpha of the
    // RGB and RGBX formats is always opaque in a valid image).
    for (int y = 0; y < size.height(); ++y) {
        uchar *line = image.scanLine(y);
        for (int i = 0; i < image.bytesPerLine(); ++i)
            line[i] = uchar(random.bounded(256));
    }
    if (format == QImage::Format_RGB32) {
        for (int y = 0; y < size.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x)
                line[x] |= 0xff000000u;
        }
    } else if (format == QImage::Format_RGBX64) {
        for (int y = 0; y < size.height(); ++y) {
            auto *line = reinterpret_cast<QRgba64 *>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x)
                line[x].setAlpha(65535);
        }
    }
    return image;
}

} // namespace

class TestImageFunctions : public QObject
{
    Q_OBJECT

private slots:
    void checkerTile_data();
    void checkerTile();
    void checkerRunsOnAcrossTiles();
    void solidTile();
    void composeOverTiles_data();
    void composeOverTiles();
    void pngRoundTrip_data();
    void pngRoundTrip();
    void roundRect_data();
    void roundRect();
    void roundRectEllipse();
    void circleOffsets_data();
    void circleOffsets();
    void circleEdgeCases_data();
    void circleEdgeCases();
    void makeIcon_data();
    void makeIcon();
    void makeIconStretches();
    void loadImageFile_data();
    void loadImageFile();
    void saveImageFile();
};

void TestImageFunctions::checkerTile_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("20, the page's tile") << 20;
    QTest::newRow("25, cut inside a square") << 25;
    QTest::newRow("7, smaller than a square") << 7;
    QTest::newRow("40") << 40;
}

void TestImageFunctions::checkerTile()
{
    QFETCH(int, n);
    const QImage tile = CheckerTilePixmap(n).toImage();
    QCOMPARE(tile.size(), QSize(n, n));
    QVERIFY(!tile.hasAlphaChannel());
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x)
            QCOMPARE(tile.pixel(x, y), CheckerAt(x, y));
    }
}

void TestImageFunctions::checkerRunsOnAcrossTiles()
{
    QImage clear(73, 47, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage composite = ComposeOverTiles(clear, CheckerTilePixmap(20));
    QCOMPARE(composite.format(), QImage::Format_ARGB32);
    QCOMPARE(composite.size(), clear.size());
    for (int y = 0; y < composite.height(); ++y) {
        for (int x = 0; x < composite.width(); ++x) {
            if (composite.pixel(x, y) != CheckerAt(x, y))
                QFAIL(qPrintable(QStringLiteral("seam at %1,%2").arg(x).arg(y)));
        }
    }
}

void TestImageFunctions::solidTile()
{
    const QColor colour(5, 10, 200);
    const QImage tile = SolidTilePixmap(20, colour).toImage();
    QCOMPARE(tile.size(), QSize(20, 20));
    QImage clear(33, 21, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage composite = ComposeOverTiles(clear, SolidTilePixmap(20, colour));
    for (const QImage &image : {tile, composite}) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(image.pixel(x, y), colour.rgb());
        }
    }
    QVERIFY(SolidTilePixmap(0, colour).isNull());
}

void TestImageFunctions::composeOverTiles_data()
{
    QTest::addColumn<QImage>("image");
    QTest::newRow("opaque RGB32") << PatternImage(QSize(45, 31), false);
    QTest::newRow("grey, converted first")
        << PatternImage(QSize(45, 31), false).convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("premultiplied, drawn as is")
        << PatternImage(QSize(45, 31), false).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QTest::newRow("null") << QImage();
}

void TestImageFunctions::composeOverTiles()
{
    QFETCH(QImage, image);
    const QImage composite = ComposeOverTiles(image, CheckerTilePixmap(20));
    if (image.isNull()) {
        QVERIFY(composite.isNull());
        return;
    }
    // An opaque image hides the tiles completely.
    QCOMPARE(composite.format(), QImage::Format_ARGB32);
    QVERIFY(SameImage(composite, image.convertToFormat(QImage::Format_ARGB32)));

    // Fully transparent pixels show the tile, opaque ones the image.
    QImage holes = image.convertToFormat(QImage::Format_ARGB32);
    holes.setPixel(3, 4, qRgba(10, 20, 30, 0));
    holes.setPixel(12, 4, qRgba(10, 20, 30, 0));
    const QImage withHoles = ComposeOverTiles(holes, SolidTilePixmap(20, QColor(0, 255, 0)));
    QCOMPARE(withHoles.pixel(3, 4), qRgb(0, 255, 0));
    QCOMPARE(withHoles.pixel(12, 4), qRgb(0, 255, 0));
    QCOMPARE(withHoles.pixel(5, 5), holes.pixel(5, 5));
}

void TestImageFunctions::pngRoundTrip_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("kept");
    const QSize size(37, 23); // odd widths leave padding at the end of lines
    const struct
    {
        const char *name;
        QImage::Format format;
        bool kept;
    } formats[] = {
        {"RGB32", QImage::Format_RGB32, true},
        {"ARGB32", QImage::Format_ARGB32, true},
        {"Grayscale8", QImage::Format_Grayscale8, true},
        {"Grayscale16", QImage::Format_Grayscale16, true},
        {"Indexed8", QImage::Format_Indexed8, true},
        {"Mono", QImage::Format_Mono, true},
        {"RGBX64", QImage::Format_RGBX64, true},
        {"RGBA64", QImage::Format_RGBA64, true},
        {"ARGB32_Premultiplied", QImage::Format_ARGB32_Premultiplied, false},
        {"RGB888", QImage::Format_RGB888, false},
        {"RGBA8888", QImage::Format_RGBA8888, false},
        {"MonoLSB", QImage::Format_MonoLSB, false},
        {"RGBA64_Premultiplied", QImage::Format_RGBA64_Premultiplied, false},
    };
    for (const auto &entry : formats) {
        for (quint32 seed : {1u, 2u, 3u})
            QTest::addRow("%s #%u", entry.name, seed) << RandomImage(entry.format, size, seed) << entry.kept;
    }
}

// The round trip may be skipped exactly for the formats it gives back
// unchanged; NormalisedImage must give the round trip's result for all.
void TestImageFunctions::pngRoundTrip()
{
    QFETCH(QImage, image);
    QFETCH(bool, kept);
    const QImage roundTrip = PngRoundTrip(image);
    QVERIFY(!roundTrip.isNull());
    QCOMPARE(PngRoundTripKeepsImage(image), kept);
    if (kept)
        QVERIFY2(SameImage(roundTrip, image), qPrintable(DescribeDifference(roundTrip, image)));
    const QImage normalised = NormalisedImage(image);
    QVERIFY2(SameImage(normalised, roundTrip), qPrintable(DescribeDifference(normalised, roundTrip)));

    QVERIFY(PngRoundTrip(QImage()).isNull());
    QVERIFY(NormalisedImage(QImage()).isNull());
}

void TestImageFunctions::roundRect_data()
{
    QTest::addColumn<int>("radius");
    QTest::addColumn<bool>("squareCorners");
    QTest::newRow("0") << 0 << true;
    QTest::newRow("negative") << -7 << true;
    QTest::newRow("30") << 30 << false;
    QTest::newRow("half the height") << 100 << false;
}

void TestImageFunctions::roundRect()
{
    QFETCH(int, radius);
    QFETCH(bool, squareCorners);
    const QImage source = ColumnCodedImage(QSize(300, 200));
    const QImage shaped = RoundRectImage(source, radius);
    QCOMPARE(shaped.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(shaped.size(), source.size());

    if (squareCorners) {
        QVERIFY(SameImage(shaped, source.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
        return;
    }
    // Corners cut away; away from the corners the image is untouched.
    for (const QPoint corner : {QPoint(0, 0), QPoint(299, 0), QPoint(0, 199), QPoint(299, 199)})
        QCOMPARE(qAlpha(shaped.pixel(corner)), 0);
    for (int y = 0; y < 200; ++y) {
        for (int x = radius; x < 300 - radius; ++x)
            QCOMPARE(shaped.pixel(x, y), source.pixel(x, y));
    }
    // Inside the quarter circle of the top-left corner, well clear of its edge.
    const qreal inner = radius - 2;
    for (int y = 0; y < radius; ++y) {
        for (int x = 0; x < radius; ++x) {
            const qreal distance = std::hypot(radius - (x + 0.5), radius - (y + 0.5));
            if (distance < inner)
                QCOMPARE(shaped.pixel(x, y), source.pixel(x, y));
            else if (distance > radius + 1)
                QCOMPARE(qAlpha(shaped.pixel(x, y)), 0);
        }
    }
    QVERIFY(RoundRectImage(QImage(), radius).isNull());
}

// A radius of 1000 is limited to half of each side: the ellipse that fills
// the image, not a rounded rectangle with 100-pixel corners.
void TestImageFunctions::roundRectEllipse()
{
    const QImage source = ColumnCodedImage(QSize(300, 200));
    const QImage shaped = RoundRectImage(source, 1000);
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            const qreal dx = (x + 0.5 - 150) / 150;
            const qreal dy = (y + 0.5 - 100) / 100;
            const qreal value = dx * dx + dy * dy;
            if (value < 0.97) {
                QCOMPARE(shaped.pixel(x, y), source.pixel(x, y));
                ++inside;
            } else if (value > 1.03) {
                QCOMPARE(qAlpha(shaped.pixel(x, y)), 0);
                ++outside;
            }
        }
    }
    QVERIFY(inside > 40000 && outside > 10000);
    // Inside a 100-pixel corner but outside the ellipse.
    QCOMPARE(qAlpha(shaped.pixel(60, 10)), 0);
}

void TestImageFunctions::circleOffsets_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("radius");
    QTest::addColumn<QPoint>("offset"); // where the result's (0, 0) lies in the source
    QTest::newRow("300x200, even surplus") << QSize(300, 200) << 100 << QPoint(50, 0);
    QTest::newRow("301x200, odd surplus: 50.5 truncated") << QSize(301, 200) << 100 << QPoint(50, 0);
    QTest::newRow("200x301, odd surplus below") << QSize(200, 301) << 100 << QPoint(0, 50);
    QTest::newRow("301x203, both") << QSize(301, 203) << 60 << QPoint(90, 41);
    QTest::newRow("square") << QSize(120, 120) << 60 << QPoint(0, 0);
}

void TestImageFunctions::circleOffsets()
{
    QFETCH(QSize, size);
    QFETCH(int, radius);
    QFETCH(QPoint, offset);
    const QImage source = ColumnCodedImage(size);
    const QImage shaped = CircleImage(source, radius);
    const int side = 2 * radius;
    QCOMPARE(shaped.size(), QSize(side, side));
    QCOMPARE(shaped.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(CircleSquare(size, radius), QRect(offset, QSize(side, side)));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const qreal distance = std::hypot(x + 0.5 - radius, y + 0.5 - radius);
            if (distance < radius - 1.5)
                QCOMPARE(shaped.pixel(x, y), source.pixel(x + offset.x(), y + offset.y()));
            else if (distance > radius + 1)
                QCOMPARE(qAlpha(shaped.pixel(x, y)), 0);
        }
    }
}

void TestImageFunctions::circleEdgeCases_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("radius");
    QTest::addColumn<QString>("expected"); // "null" or "unchanged"
    const QImage source = ColumnCodedImage(QSize(300, 200));
    QTest::newRow("radius 101 on 300x200: 202 > 200") << source << 101 << "unchanged";
    QTest::newRow("radius 151, wider than the image") << source << 151 << "unchanged";
    QTest::newRow("largest int, no overflow") << source << std::numeric_limits<int>::max() << "unchanged";
    QTest::newRow("grey image kept in its format")
        << source.convertToFormat(QImage::Format_Grayscale8) << 500 << "unchanged";
    QTest::newRow("radius 0") << source << 0 << "null";
    QTest::newRow("negative radius") << source << -3 << "null";
    QTest::newRow("smallest int") << source << std::numeric_limits<int>::min() << "null";
    QTest::newRow("null image") << QImage() << 10 << "null";
}

void TestImageFunctions::circleEdgeCases()
{
    QFETCH(QImage, image);
    QFETCH(int, radius);
    QFETCH(QString, expected);
    const QImage shaped = CircleImage(image, radius);
    if (expected == "null")
        QVERIFY(shaped.isNull());
    else
        QVERIFY(SameImage(shaped, image));
}

void TestImageFunctions::makeIcon_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("valid");
    const QImage source = PatternImage(QSize(90, 60), true);
    QTest::newRow("48x48") << source << 48 << 48 << true;
    QTest::newRow("16x64") << source << 16 << 64 << true;
    QTest::newRow("256x256") << source << 256 << 256 << true;
    QTest::newRow("1x1") << source << 1 << 1 << true;
    QTest::newRow("zero width") << source << 0 << 48 << false;
    QTest::newRow("negative height") << source << 48 << -2 << false;
    QTest::newRow("null image") << QImage() << 48 << 48 << false;
}

void TestImageFunctions::makeIcon()
{
    QFETCH(QImage, image);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, valid);
    const QIcon icon = MakeIcon(image, width, height);
    QCOMPARE(icon.isNull(), !valid);
    if (!valid)
        return;
    const QList<QSize> sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
    QCOMPARE(sizes, QList<QSize>() << QSize(width, height));
    const QImage pixels = icon.pixmap(sizes.last(), QIcon::Normal, QIcon::Off).toImage();
    QCOMPARE(pixels.size(), QSize(width, height));
    const QImage expected = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(pixels.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
}

// A tall icon from a wide image is stretched, not letter-boxed.
void TestImageFunctions::makeIconStretches()
{
    QImage halves(100, 50, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < 50; ++y) {
        for (int x = 50; x < 100; ++x)
            halves.setPixel(x, y, qRgb(0, 0, 255));
    }
    const QImage icon = MakeIcon(halves, 16, 64).pixmap(QSize(16, 64)).toImage();
    for (int y : {0, 32, 63}) {
        QCOMPARE(icon.pixel(2, y), qRgb(255, 0, 0));
        QCOMPARE(icon.pixel(13, y), qRgb(0, 0, 255));
    }
}

void TestImageFunctions::loadImageFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("loads");

    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        PatternImage(QSize(9, 7), true).save(&buffer, "PNG");
    }
    // A BMP header announcing 20000 x 20000 pixels with no pixels behind it.
    QByteArray hugeBmp;
    {
        QDataStream out(&hugeBmp, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("BM", 2);
        out << quint32(54 + 100) << quint16(0) << quint16(0) << quint32(54);
        out << quint32(40) << qint32(20000) << qint32(20000) << quint16(1) << quint16(24) << quint32(0)
            << quint32(0) << qint32(2835) << qint32(2835) << quint32(0) << quint32(0);
        hugeBmp.append(100, '\0');
    }
    QTest::newRow("PNG") << png << "picture.png" << true;
    QTest::newRow("PNG under a JPEG name: content decides") << png << "picture.jpg" << true;
    QTest::newRow("not an image") << QByteArray("hello, not a picture") << "text.png" << false;
    QTest::newRow("empty file") << QByteArray() << "empty.png" << false;
    QTest::newRow("truncated PNG") << png.left(40) << "cut.png" << false;
    QTest::newRow("400-megapixel header") << hugeBmp << "huge.bmp" << false;
    QTest::newRow("missing file") << QByteArray() << QString() << false;
}

void TestImageFunctions::loadImageFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, fileName);
    QFETCH(bool, loads);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("missing.png"));
    if (!fileName.isEmpty()) {
        path = dir.filePath(fileName);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const QImage image = LoadImageFile(path);
    QCOMPARE(!image.isNull(), loads);
    if (loads)
        QVERIFY(SameImage(image, PatternImage(QSize(9, 7), true)));
}

void TestImageFunctions::saveImageFile()
{
    QTemporaryDir dir;
    const QImage image = PatternImage(QSize(20, 10), true);
    const QString path = dir.filePath(QStringLiteral("out.png"));

    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous content");
    old.close();
    QVERIFY(SaveImageFile(image, path, "png"));
    QVERIFY(SameImage(QImage(path), image));

    const QString icon = dir.filePath(QStringLiteral("out.ico"));
    QVERIFY(SaveImageFile(image, icon, "ICO"));
    QCOMPARE(QImage(icon).size(), image.size());

    QVERIFY(!SaveImageFile(image, dir.filePath(QStringLiteral("no/such/folder/out.png")), "png"));
    // A file standing where the folder should be: fails even for root.
    QVERIFY(!SaveImageFile(image, path + QStringLiteral("/out.png"), "png"));
    QVERIFY(!SaveImageFile(QImage(), dir.filePath(QStringLiteral("null.png")), "png"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("null.png"))));
    QVERIFY(SameImage(QImage(path), image));
}

VARNO_TEST_MAIN(TestImageFunctions)
#include "tst_imagefunctions.moc"

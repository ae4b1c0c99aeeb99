#include "SampleImages.h"
#include "imagetools/ImageFunctions.h"
#include "imagetools/PngEncoder.h"
#include "imagetools/ReducedImage.h"
#include "imagetools/RoundedRender.h"
#include "kit/TestKit.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>

namespace {

// The pixels of the icon Windows itself makes of the file for that size.
QImage WindowsIcon(const QString &path, int side)
{
    const auto icon = static_cast<HICON>(LoadImageW(nullptr, reinterpret_cast<LPCWSTR>(path.utf16()),
                                                    IMAGE_ICON, side, side, LR_LOADFROMFILE));
    ICONINFO info {};
    if (!icon || !GetIconInfo(icon, &info))
        return QImage();
    QImage pixels(side, side, QImage::Format_ARGB32);
    BITMAPINFO format {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    const bool read
        = GetDIBits(screen, info.hbmColor, 0, side, pixels.bits(), &format, DIB_RGB_COLORS) == side;
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return read ? pixels : QImage();
}

} // namespace
#endif

// The image pipeline's plain functions, pixel by pixel: the reference the
// page tests compare what the pages write against.
namespace {

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

// Smooth, so a copy averaged over blocks and one scaled by Qt agree closely.
QImage Gradient(const QSize &size, QImage::Format format)
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgba(x, y, (x + 2 * y) / 3, 255 - (x + y) / 2));
    }
    return image.convertToFormat(format);
}

// Pixels no two neighbours of which agree, so every PNG row filter wins
// some rows; opaque when asked.
QImage Noise(const QSize &size, quint32 alphaMask = 0)
{
    QImage image(size, QImage::Format_ARGB32);
    quint32 value = 1;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (value = value * 1103515245 + 12345) | alphaMask);
    }
    return image;
}

// The image through the export's own PNG writer, in bands of bandRows.
QByteArray WrittenPng(const QImage &image, int bandRows = 64)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    const auto rows = [&image](int top, int count) { return image.copy(0, top, image.width(), count); };
    return WritePng(buffer, image.size(), rows, bandRows) ? png : QByteArray();
}

QByteArray Encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}

} // namespace

class TestImageFunctions : public QObject
{
    Q_OBJECT

private slots:
    // Transparent pixels show the tile, opaque ones the image (the checker
    // itself is checked square by square with the preview's).
    void composeOverTiles()
    {
        QImage holes = PatternImage(QSize(45, 31), false).convertToFormat(QImage::Format_ARGB32);
        QImage filled = holes;
        holes.setPixel(12, 4, qRgba(10, 20, 30, 0));
        filled.setPixel(12, 4, qRgb(12, 200, 90));
        QCOMPARE(ComposeOverTiles(holes, SolidTilePixmap(20, QColor(12, 200, 90))), filled);
        QVERIFY(ComposeOverTiles(QImage(), CheckerTilePixmap(20)).isNull());
    }

    void pngRoundTrip_data()
    {
        QTest::addColumn<QImage>("image");
        // Kept where the round trip changes nothing, done where it rounds or
        // converts; odd widths leave padding at the end of lines.
        for (const QImage::Format format :
             {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_RGBA64,
              QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888})
            QTest::addRow("format %d", int(format))
                << PatternImage(QSize(37, 23), true).convertToFormat(format);
        QTest::newRow("null") << QImage();
    }

    void pngRoundTrip()
    {
        QFETCH(QImage, image);
        QCOMPARE(NormalisedImage(image), PngRoundTrip(image));
    }

    // Bands deflated apart join into one zlib stream that zlib's own inflate
    // reads with its checksum, one IDAT chunk a band; libpng (Qt's reader)
    // reads the file back exactly. Noise lets every filter type win a row.
    void pngWriter_data()
    {
        QTest::addColumn<int>("bandRows");
        QTest::addColumn<int>("bands");
        QTest::newRow("1 band") << 20 << 1;
        QTest::newRow("2 bands") << 10 << 2;
        QTest::newRow("7 bands, the last of 2 rows") << 3 << 7;
    }

    void pngWriter()
    {
        QFETCH(int, bandRows);
        QFETCH(int, bands);
        const QImage image = Noise(QSize(13, 20));
        const QByteArray png = WrittenPng(image, bandRows);
        QVERIFY(!png.isEmpty());
        QByteArray stream(4, '\0');
        qToBigEndian(quint32(20 * (4 * 13 + 1)), stream.data());
        int idat = 0;
        for (int at = 8; at + 8 <= png.size(); at += qFromBigEndian<quint32>(png.constData() + at) + 12) {
            if (png.mid(at + 4, 4) == "IDAT" && ++idat)
                stream += png.mid(at + 8, qFromBigEndian<quint32>(png.constData() + at));
        }
        QCOMPARE(idat, bands);
        const QByteArray filtered = qUncompress(stream);
        QCOMPARE(filtered.size(), 20 * (4 * 13 + 1));
        QSet<char> types;
        for (int y = 0; y < 20; ++y)
            types.insert(filtered.at(y * (4 * 13 + 1)));
        QCOMPARE(types.size(), 5);
        QCOMPARE(QImage::fromData(png, "PNG"), image);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(!WritePng(
            buffer, image.size(), [](int, int) { return QImage(); }, bandRows));
    }

    // Written in bands of 7 rows, the export reads back as the whole image
    // written by Qt's writer.
    void exportInBands_data()
    {
        QTest::addColumn<bool>("circle");
        QTest::addColumn<int>("radius");
        QTest::addColumn<bool>("colour");
        QTest::newRow("rect") << false << 30 << false;
        QTest::newRow("rect over a colour") << false << 30 << true;
        QTest::newRow("circle") << true << 30 << false;
        QTest::newRow("circle over a colour") << true << 30 << true;
        QTest::newRow("circle larger than the image") << true << 40 << false;
        QTest::newRow("circle larger than the image, over a colour") << true << 40 << true;
    }

    void exportInBands()
    {
        QFETCH(bool, circle);
        QFETCH(int, radius);
        QFETCH(bool, colour);
        RoundedRenderInputs inputs {PatternImage(QSize(90, 61), true),
                                    circle ? RoundedShape::Circle : RoundedShape::RoundRect, radius, !colour,
                                    QColor(10, 200, 30)};
        QTemporaryDir folder;
        const QString path = folder.filePath("band.png");
        QVERIFY(SaveExportPng(inputs, NormalisedImage(inputs.source), path, 7));
        QCOMPARE(QImage(path), PngRoundTrip(BuildExportImage(inputs)));
        QVERIFY(!SaveExportPng(inputs, NormalisedImage(inputs.source), folder.filePath("gone/band.png"), 7));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList("band.png"));
    }

    void shapes_data()
    {
        QTest::addColumn<bool>("circle");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("radius");
        QTest::addColumn<QRect>("part"); // of the source the result shows; null: null result
        QTest::addColumn<QSize>("corner"); // radii of the rounded corners
        const QSize size(300, 200);
        const QRect whole(QPoint(0, 0), size);
        QTest::newRow("rect 0: square corners") << false << size << 0 << whole << QSize(0, 0);
        QTest::newRow("rect 30") << false << size << 30 << whole << QSize(30, 30);
        QTest::newRow("rect 1000: the ellipse") << false << size << 1000 << whole << QSize(150, 100);
        QTest::newRow("circle 100") << true << size << 100 << QRect(50, 0, 200, 200) << QSize(100, 100);
        QTest::newRow("circle 60 on 301 x 203")
            << true << QSize(301, 203) << 60 << QRect(90, 41, 120, 120) << QSize(60, 60);
        QTest::newRow("circle 101: unchanged") << true << size << 101 << whole << QSize(0, 0);
        QTest::newRow("circle, largest int: unchanged")
            << true << size << std::numeric_limits<int>::max() << whole << QSize(0, 0);
        QTest::newRow("circle 0: null") << true << size << 0 << QRect() << QSize();
        QTest::newRow("circle, null image") << true << QSize() << 10 << QRect() << QSize();
    }

    void shapes()
    {
        QFETCH(bool, circle);
        QFETCH(QSize, size);
        QFETCH(int, radius);
        QFETCH(QRect, part);
        QFETCH(QSize, corner);
        const QImage source = ColumnCodedImage(size);
        const QImage shaped = circle ? CircleImage(source, radius) : RoundRectImage(source, radius);
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
    void makeIcon()
    {
        QImage halves = Filled(QSize(100, 50), Qt::red, QImage::Format_RGB32);
        QPainter(&halves).fillRect(50, 0, 50, 50, Qt::blue);
        const QIcon icon = MakeIcon(halves, 16, 64);
        QCOMPARE(icon.availableSizes(), QList<QSize> {QSize(16, 64)});
        const QImage pixels = icon.pixmap(QSize(16, 64)).toImage();
        QCOMPARE((QList<QRgb> {pixels.pixel(1, 0), pixels.pixel(14, 0), pixels.pixel(1, 63),
                               pixels.pixel(14, 63)}),
                 (QList<QRgb> {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 0, 255)}));
    }

    void iconSizes()
    {
        QCOMPARE(IconSizes(48, 48, true), (QList<int> {16, 24, 32, 48}));
        QCOMPARE(IconSizes(100, 100, true), (QList<int> {16, 24, 32, 48, 64, 100}));
        QCOMPARE(IconSizes(256, 256, true), (QList<int> {16, 24, 32, 48, 64, 128, 256}));
        QCOMPARE(IconSizes(300, 300, true), IconSizes(256, 256, true));
        // Empty: the typed size alone, written as without the box.
        QCOMPARE(IconSizes(64, 32, true), QList<int> {});
        QCOMPARE(IconSizes(48, 48, false), QList<int> {});
    }

    // Read back by Qt and icotool; the left half is transparent, so is the mask's.
    void multiSizeIconFile()
    {
        QImage source = Filled(QSize(300, 200), Qt::transparent);
        QPainter(&source).drawImage(150, 0, ColumnCodedImage(QSize(150, 200)));
        const QList<int> sides = IconSizes(256, 256, true);
        QTemporaryDir folder;
        const QString path = folder.filePath("multi.ico");
        QVERIFY(SaveMultiSizeIconFile(source, sides, path));
        QImageReader reader(path);
        QCOMPARE(reader.imageCount(), sides.size());
        QFile file(path);
        const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QStringList listed;
        for (int i = 0; i < sides.size(); ++i) {
            const int side = sides.at(i);
            QVERIFY(reader.jumpToImage(i));
            const QImage expected = source.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                        .convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(reader.read().convertToFormat(QImage::Format_ARGB32), expected);
            const char *entry = data.constData() + 6 + 16 * i;
            const quint32 offset = qFromLittleEndian<quint32>(entry + 12);
            const quint32 dibSize = 40 + side * (4 * side + (side + 31) / 32 * 4);
            QCOMPARE(qFromLittleEndian<quint32>(entry + 8), side == 256 ? data.size() - offset : dibSize);
            QCOMPARE(data.mid(offset, 4), QByteArray(side == 256 ? "\x89PNG" : "\x28\0\0\0", 4));
            if (side == 24)
                QCOMPARE(data.mid(offset + 40 + 4 * 24 * 24, 4).toHex(), "fff00000");
#ifdef Q_OS_WIN
            // Windows takes the entry of the size asked for, not a neighbour
            // scaled: the opaque columns match it pixel for pixel.
            const QImage shown = WindowsIcon(QDir::toNativeSeparators(path), side);
            QVERIFY(!shown.isNull());
            for (int x = side / 2 + 1; x < side; ++x)
                QCOMPARE(shown.pixel(x, side / 2) & 0xffffff, expected.pixel(x, side / 2) & 0xffffff);
#endif
            listed << QString("--icon --index=%1 --width=%2 --height=%2 --bit-depth=32 --palette-size=0")
                          .arg(i + 1)
                          .arg(side);
        }
        if (QStandardPaths::findExecutable("icotool").isEmpty())
            QSKIP("icotool (icoutils) is not installed");
        QProcess icotool;
        icotool.start("icotool", {"-l", path});
        QVERIFY(icotool.waitForFinished());
        QCOMPARE(QString(icotool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), listed);
    }

    void loadImageFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("fileName");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        PatternImage(QSize(9, 7), true).save(&buffer, "PNG");
        // A BMP header announcing 20000 x 20000 pixels with none behind it.
        const QByteArray hugeBmp
            = QByteArray::fromHex("424d9a000000000000003600000028000000204e0000204e0000010018000000"
                                  "000000000000130b0000130b00000000000000000000")
            + QByteArray(100, '\0');
        QTest::newRow("PNG under a JPEG name: content decides") << png << "picture.jpg";
        QTest::newRow("400-megapixel header: refused") << hugeBmp << "huge.bmp";
    }

    void loadImageFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        QFile file(dir.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        QCOMPARE(LoadImageFile(file.fileName()),
                 fileName == "picture.jpg" ? PatternImage(QSize(9, 7), true) : QImage());
    }

    // The first preview's reduced copy against the whole image scaled to its
    // size, or null where the whole image is what the preview waits for.
    void reducedImage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QSize>("reduced"); // invalid: null
        QTest::addColumn<int>("tolerance");
#ifdef Q_OS_WIN
        const QSize png; // built without libdeflate
#else
        const QSize png(50, 40);
#endif
        // Whole blocks, where Qt's smooth scaling averages them too; and a
        // size with blocks cut short at the right and the bottom.
        const QSize size(200, 160);
        QByteArray damaged = Encoded(Gradient(size, QImage::Format_RGB32), "PNG");
        // The last byte of the image data's check sum, before the 12 of IEND.
        damaged[damaged.size() - 13] = char(damaged.at(damaged.size() - 13) ^ 1);
        QTest::newRow("PNG colour, 1/4")
            << Encoded(Gradient(size, QImage::Format_RGB32), "PNG") << QSize(50, 50) << png << 1;
        QTest::newRow("PNG colour and alpha, 1/4")
            << Encoded(Gradient(size, QImage::Format_ARGB32), "PNG") << QSize(50, 50) << png << 1;
        QTest::newRow("PNG grey, 1/4")
            << Encoded(Gradient(size, QImage::Format_Grayscale8), "PNG") << QSize(50, 50) << png << 1;
        QTest::newRow("PNG, blocks cut short")
            << Encoded(Gradient(QSize(203, 161), QImage::Format_ARGB32), "PNG") << QSize(50, 50)
            << (png.isValid() ? QSize(51, 41) : png) << 4;
        // Noise written by the export's writer: each of the five row filters wins some rows.
        QTest::newRow("PNG of every filter type, 1/4")
            << WrittenPng(Noise(size, 0xff000000)) << QSize(50, 50) << png << 2;
        QTest::newRow("PNG, area as large: null")
            << Encoded(Gradient(size, QImage::Format_RGB32), "PNG") << QSize(150, 150) << QSize() << 0;
        QTest::newRow("PNG with a wrong check sum: null") << damaged << QSize(50, 50) << QSize() << 0;
        QTest::newRow("PNG of 16 bits a sample: null")
            << Encoded(Gradient(size, QImage::Format_RGBA64), "PNG") << QSize(50, 50) << QSize() << 0;
        QTest::newRow("JPEG, 1/4 by DCT scaling")
            << Encoded(Gradient(size, QImage::Format_RGB32), "JPEG") << QSize(50, 50) << QSize(50, 40) << 6;
        QTest::newRow("JPEG, 1/8 at most")
            << Encoded(Gradient(size, QImage::Format_RGB32), "JPEG") << QSize(10, 10) << QSize(25, 20) << 6;
        QTest::newRow("BMP: null") << Encoded(Gradient(size, QImage::Format_RGB32), "BMP") << QSize(50, 50)
                                   << QSize() << 0;
    }

    void reducedImage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QSize, area);
        QFETCH(QSize, reduced);
        QFETCH(int, tolerance);
        QTemporaryDir dir;
        QFile file(dir.filePath("image"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        const QImage copy
            = ReducedImageFile(file.fileName(), area).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(copy.size(), reduced.isValid() ? reduced : QSize(0, 0));
        const QImage whole = LoadImageFile(file.fileName())
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                 .scaled(copy.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (int y = 0; y < copy.height(); ++y) {
            for (int x = 0; x < copy.width(); ++x) {
                const QRgb a = copy.pixel(x, y), b = whole.pixel(x, y);
                if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))})
                    > tolerance)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 against %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(a, 8, 16)
                                         .arg(b, 8, 16)));
            }
        }
    }

    // On a scaled screen the preview has the screen's device pixels, and its
    // checker squares stay 10 device-independent pixels, rounded to whole
    // device pixels: every square whole, at the edges too.
    void previewCheckerboard_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("square");
        QTest::newRow("100 %") << 1.0 << 10;
        QTest::newRow("125 %") << 1.25 << 13;
        QTest::newRow("150 %") << 1.5 << 15;
        QTest::newRow("200 %") << 2.0 << 20;
    }

    void previewCheckerboard()
    {
        QFETCH(qreal, ratio);
        QFETCH(int, square);
        RoundedPreviewRenderer renderer;
        const QImage preview = renderer.Render(
            {Filled(QSize(300, 200), Qt::transparent), RoundedShape::RoundRect, 0, true, QColor()},
            QSize(151, 101), ratio);
        QCOMPARE(preview.devicePixelRatio(), ratio);
        QCOMPARE(preview.size(),
                 QSize(300, 200).scaled(QSize(int(151 * ratio), int(101 * ratio)), Qt::KeepAspectRatio));
        for (int y = 0; y < preview.height(); ++y) {
            for (int x = 0; x < preview.width(); ++x) {
                if (preview.pixel(x, y)
                    != ((x / square + y / square) % 2 == 0 ? qRgb(220, 220, 220) : qRgb(255, 255, 255)))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }
    }

    // The display copies are kept between renders; a new image of the same size
    // must not be shown with the old one's pixels.
    void previewFollowsANewSource()
    {
        const QImage red = Filled(QSize(300, 200), Qt::red, QImage::Format_RGB32);
        const QImage blue = Filled(QSize(300, 200), Qt::blue, QImage::Format_RGB32);
        RoundedPreviewRenderer renderer;
        const auto centre = [&](const QImage &image, int radius) {
            return renderer.Render({image, RoundedShape::RoundRect, radius, true, QColor()}, QSize(150, 100))
                .pixel(75, 50);
        };
        QCOMPARE(centre(red, 10), qRgb(255, 0, 0));
        QCOMPARE(centre(blue, 10), qRgb(0, 0, 255));
        QCOMPARE(renderer.RenderPlain(red, QSize(150, 100)).pixel(75, 50), qRgb(255, 0, 0));
    }
};

VARNO_TEST_MAIN(TestImageFunctions)
#include "tst_imagefunctions.moc"

#include "SampleImages.h"

#include <QColor>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QRgba64>
#include <QStandardPaths>
#include <QtTest>

#include <cstring>

QImage PatternImage(const QSize &size, bool withAlpha)
{
    QImage image(size, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int red = (x * 255) / qMax(1, size.width() - 1);
            const int green = (y * 255) / qMax(1, size.height() - 1);
            const int blue = ((x / 4 + y / 4) % 2) ? 230 : 25;
            const int alpha = withAlpha ? (x * 7 + y * 3) % 256 : 255;
            image.setPixel(x, y, qRgba(red, green, (blue + x * y) % 256, alpha));
        }
    }
    return image;
}

namespace {

QImage Sixteen(const QSize &size)
{
    QImage image(size, QImage::Format_RGBA64);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const quint16 red = quint16((x * 65535) / qMax(1, size.width() - 1));
            const quint16 green = quint16((y * 65535) / qMax(1, size.height() - 1));
            const quint16 blue = quint16((x * 1031 + y * 4099) % 65536);
            const quint16 alpha = quint16(65535 - (x * 977 + y * 313) % 40000);
            image.setPixelColor(x, y, QColor(QRgba64::fromRgba64(red, green, blue, alpha)));
        }
    }
    return image;
}

QImage Indexed(const QSize &size)
{
    QImage image(size, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < 37; ++i)
        table.append(qRgb((i * 67) % 256, (i * 131) % 256, (i * 29) % 256));
    image.setColorTable(table);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, uint((x / 3 + y * 5) % table.size()));
    }
    return image;
}

QString Write(const QImage &image, const QString &folder, const QString &name, const char *format,
              int quality = -1)
{
    const QString path = folder + QLatin1Char('/') + name;
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        qFatal("cannot write sample %s: %s", qPrintable(path), qPrintable(writer.errorString()));
    return path;
}

// The GIF fixtures were made with ImageMagick 6:
//   convert -size 61x43 gradient:'#d02010-#1040e0' \( -size 61x43 radial-gradient:'#ffff00-#008000' \)
//       -compose Multiply -composite -fill '#ffffff' -draw 'rectangle 5,5 20,14' -colors 40 +dither
//       indexed-opaque.gif
//   convert -size 43x61 radial-gradient:'#ff3300-#3300ff' -fill none -stroke '#00c000' -strokewidth 3
//       -draw 'line 0,0 42,60' \( -size 43x61 xc:black -fill white -draw 'circle 21,30 21,4' \) -alpha off
//       -compose CopyOpacity -composite -colors 24 +dither indexed-transparent.gif
QString CopyFixture(const QString &folder, const QString &name)
{
    const QString source = QFINDTESTDATA(QStringLiteral("data/") + name);
    const QString path = folder + QLatin1Char('/') + name;
    QFile::remove(path);
    if (source.isEmpty() || !QFile::copy(source, path))
        qFatal("missing test fixture %s", qPrintable(name));
    return path;
}

} // namespace

QList<SampleImage> WriteSampleImages(const QString &folder)
{
    const QSize wide(61, 43);
    const QSize tall(43, 61);
    QList<SampleImage> samples;
    samples << SampleImage {"png-alpha", Write(PatternImage(wide, true), folder, "alpha.png", "png"),
                            QImage::Format_ARGB32};
    samples << SampleImage {"png-16bit", Write(Sixteen(tall), folder, "sixteen.png", "png"),
                            QImage::Format_RGBA64};
    samples << SampleImage {"png-grey",
                            Write(PatternImage(wide, false).convertToFormat(QImage::Format_Grayscale8),
                                  folder, "grey.png", "png"),
                            QImage::Format_Grayscale8};
    samples << SampleImage {"png-indexed", Write(Indexed(tall), folder, "indexed.png", "png"),
                            QImage::Format_Indexed8};
    samples << SampleImage {"jpeg", Write(PatternImage(wide, false), folder, "photo.jpg", "jpeg", 90),
                            QImage::Format_RGB32};
    samples << SampleImage {"bmp", Write(PatternImage(tall, false), folder, "picture.bmp", "bmp"),
                            QImage::Format_RGB32};
    samples << SampleImage {"bmp-indexed", Write(Indexed(wide), folder, "indexed.bmp", "bmp"),
                            QImage::Format_Indexed8};
    samples << SampleImage {"gif", CopyFixture(folder, "indexed-opaque.gif"), QImage::Format_RGB32};
    samples << SampleImage {"gif-transparent", CopyFixture(folder, "indexed-transparent.gif"),
                            QImage::Format_ARGB32};
    return samples;
}

QString SamplePathFor(const QList<SampleImage> &samples, const QString &name)
{
    for (const SampleImage &sample : samples) {
        if (sample.name == name)
            return sample.path;
    }
    qFatal("no sample named %s", qPrintable(name));
    return QString();
}

bool SameImage(const QImage &a, const QImage &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (a.format() != b.format() || a.size() != b.size() || a.colorTable() != b.colorTable())
        return false;
    // Whole bytes first; the bits of a last, partly used byte after them
    // (1-bit formats) are padding that decoders leave uninitialised.
    const int bits = a.width() * a.depth();
    const int wholeBytes = bits / 8;
    const int spareBits = bits % 8;
    const bool lowBitFirst = a.format() == QImage::Format_MonoLSB;
    const uchar usedMask
        = uchar(spareBits == 0 ? 0 : (lowBitFirst ? (1u << spareBits) - 1 : 0xffu << (8 - spareBits)));
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(wholeBytes)) != 0)
            return false;
        if (spareBits != 0
            && ((a.constScanLine(y)[wholeBytes] ^ b.constScanLine(y)[wholeBytes]) & usedMask) != 0)
            return false;
    }
    return true;
}

QString DescribeDifference(const QImage &a, const QImage &b)
{
    if (a.isNull() != b.isNull())
        return QStringLiteral("null %1 vs %2").arg(a.isNull()).arg(b.isNull());
    if (a.format() != b.format())
        return QStringLiteral("format %1 vs %2").arg(a.format()).arg(b.format());
    if (a.size() != b.size())
        return QStringLiteral("size %1x%2 vs %3x%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height());
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixelColor(x, y) != b.pixelColor(x, y))
                return QStringLiteral("pixel %1,%2: %3 vs %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixelColor(x, y).name(QColor::HexArgb), b.pixelColor(x, y).name(QColor::HexArgb));
        }
    }
    return QStringLiteral("colour table or padding");
}

IdentifyResult Identify(const QString &path, const QPoint &pixel)
{
    IdentifyResult result;
    const QString identify = QStandardPaths::findExecutable(QStringLiteral("identify"));
    if (identify.isEmpty())
        return result;
    QProcess process;
    process.start(identify,
                  {QStringLiteral("-format"),
                   QStringLiteral("%w %h %[fx:p{%1,%2}.a]\\n").arg(pixel.x()).arg(pixel.y()), path});
    result.ran = true;
    // A file identify cannot read shows as no images at all.
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return result;
    const QStringList lines
        = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    result.images = lines.size();
    if (!lines.isEmpty()) {
        const QStringList fields = lines.first().split(' ');
        if (fields.size() == 3) {
            result.size = QSize(fields[0].toInt(), fields[1].toInt());
            result.alpha = fields[2].toDouble();
        }
    }
    return result;
}

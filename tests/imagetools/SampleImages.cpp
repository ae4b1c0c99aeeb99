#include "SampleImages.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

QImage PatternImage(const QSize &size, bool withAlpha)
{
    QImage image(size, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int blue = ((x / 4 + y / 4) % 2 ? 230 : 25) + x * y;
            image.setPixel(x, y,
                           qRgba(x * 255 / qMax(1, size.width() - 1), y * 255 / qMax(1, size.height() - 1),
                                 blue % 256, withAlpha ? (x * 7 + y * 3) % 256 : 255));
        }
    }
    return image;
}

namespace {

QString Write(const QImage &image, const QString &path, const char *format, int quality = -1)
{
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
    const QString dir = folder + QLatin1Char('/');
    return {
        {"png-alpha", Write(PatternImage(wide, true), dir + "alpha.png", "png"), QImage::Format_ARGB32},
        {"png-16bit",
         Write(PatternImage(tall, true).convertToFormat(QImage::Format_RGBA64), dir + "sixteen.png", "png"),
         QImage::Format_RGBA64},
        {"png-grey",
         Write(PatternImage(wide, false).convertToFormat(QImage::Format_Grayscale8), dir + "grey.png", "png"),
         QImage::Format_Grayscale8},
        {"png-indexed",
         Write(PatternImage(tall, false).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither),
               dir + "indexed.png", "png"),
         QImage::Format_Indexed8},
        {"jpeg", Write(PatternImage(wide, false), dir + "photo.jpg", "jpeg", 90), QImage::Format_RGB32},
        {"bmp", Write(PatternImage(tall, false), dir + "picture.bmp", "bmp"), QImage::Format_RGB32},
        {"gif", CopyFixture(folder, "indexed-opaque.gif"), QImage::Format_RGB32},
        {"gif-transparent", CopyFixture(folder, "indexed-transparent.gif"), QImage::Format_ARGB32},
    };
}

QString SamplePathFor(const QList<SampleImage> &samples, const QString &name)
{
    for (const SampleImage &sample : samples) {
        if (sample.name == name)
            return sample.path;
    }
    return QString();
}

QString IdentifyMismatch(const QStringList &paths, const QStringList &expected)
{
    const QString later = qEnvironmentVariable("VARNO_IDENTIFY_LATER");
    if (!later.isEmpty()) {
        QFile list(later + "/list.txt");
        list.open(QIODevice::Append);
        for (int i = 0; i < paths.size(); ++i) {
            const QString copy
                = QStringLiteral("%1/%2.%3").arg(later).arg(list.size()).arg(QFileInfo(paths.at(i)).suffix());
            QFile::copy(paths.at(i), copy);
            list.write((QFileInfo(copy).fileName() + '\t' + expected.at(i) + '\n').toUtf8());
        }
        return QString();
    }
    const QString identify = QStandardPaths::findExecutable("identify");
    if (identify.isEmpty() || paths.isEmpty())
        return QString();
    QProcess process;
    process.start(identify, QStringList {"-format", "%wx%h %[fx:round(255*p{0,0}.a)];"} + paths);
    process.waitForFinished(60000);
    const QString seen = QString::fromUtf8(process.readAllStandardOutput());
    return seen == expected.join(';') + ';' ? QString() : seen;
}

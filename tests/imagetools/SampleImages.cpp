#include "SampleImages.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
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

// The GIF fixture was made with ImageMagick 6:
//   convert -size 43x61 radial-gradient:'#ff3300-#3300ff' -fill none -stroke '#00c000' -strokewidth 3
//       -draw 'line 0,0 42,60' \( -size 43x61 xc:black -fill white -draw 'circle 21,30 21,4' \) -alpha off
//       -compose CopyOpacity -composite -colors 24 +dither indexed-transparent.gif
QStringList WriteSampleImages(const QString &folder)
{
    const QStringList paths {folder + "/photo.jpg", folder + "/alpha.png",
                             folder + "/indexed-transparent.gif"};
    if (!PatternImage(QSize(61, 43), false).save(paths.at(0), "JPEG", 90)
        || !PatternImage(QSize(61, 43), true).save(paths.at(1), "PNG")
        || !QFile::copy(QFINDTESTDATA("data/indexed-transparent.gif"), paths.at(2)))
        qFatal("cannot write the sample images");
    return paths;
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
    QStringList firstFrames; // an icon of several sizes has a frame for each
    for (const QString &path : paths)
        firstFrames << path + "[0]";
    QProcess process;
    process.start(identify, QStringList {"-format", "%wx%h %[fx:round(255*p{0,0}.a)];"} + firstFrames);
    process.waitForFinished(60000);
    const QString seen = QString::fromUtf8(process.readAllStandardOutput());
    return seen == expected.join(';') + ';' ? QString() : seen;
}

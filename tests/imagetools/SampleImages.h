#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Small inputs of every kind the image pages accept, written at test time
// (GIF, which Qt cannot write, comes from the committed fixtures in data/).
struct SampleImage
{
    QString name;
    QString path;
    QImage::Format decodedFormat; // what Qt's reader gives for the file
};

// A deterministic picture with detail in every channel: gradients, a grid of
// hard edges and, with alpha, a ramp from transparent to opaque.
QImage PatternImage(const QSize &size, bool withAlpha);

// Writes the samples into the folder and returns them with their paths.
QList<SampleImage> WriteSampleImages(const QString &folder);

QString SamplePathFor(const QList<SampleImage> &samples, const QString &name);

// Same format, size, colour table and pixel bytes (padding ignored).
bool SameImage(const QImage &a, const QImage &b);
QString DescribeDifference(const QImage &a, const QImage &b);

// How ImageMagick's identify reads a written file: the number of images,
// the size of the first and its opacity (0 to 1) at a pixel. `ran` is false
// when identify is not installed.
struct IdentifyResult
{
    bool ran = false;
    int images = 0;
    QSize size;
    double alpha = -1;
};
IdentifyResult Identify(const QString &path, const QPoint &pixel = QPoint(0, 0));

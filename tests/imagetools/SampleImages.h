#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// Small inputs of every kind the image pages accept, written at test time
// (GIF, which Qt cannot write, comes from the committed fixtures in data/).
struct SampleImage
{
    QString name;
    QString path;
    QImage::Format decodedFormat; // what Qt's reader gives for the file
};

// A deterministic picture with detail in every channel and, with alpha, a
// ramp from transparent to opaque.
QImage PatternImage(const QSize &size, bool withAlpha);

QList<SampleImage> WriteSampleImages(const QString &folder);
QString SamplePathFor(const QList<SampleImage> &samples, const QString &name);

// How ImageMagick reads written files: "<width>x<height> <alpha 0 to 255 at 0,0>"
// per image, separated by ";". Empty when identify is not installed.
QString Identify(const QStringList &paths);

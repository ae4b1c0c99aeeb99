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

// How ImageMagick reads the written files, each "<width>x<height> <alpha 0
// to 255 at 0,0>": empty when as expected or when identify is not there.
// Under Wine, which cannot start it, the files are copied into the folder
// VARNO_IDENTIFY_LATER names, with a list tools/windows/test.sh checks.
QString IdentifyMismatch(const QStringList &paths, const QStringList &expected);

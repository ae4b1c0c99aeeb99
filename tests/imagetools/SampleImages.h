#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// A deterministic picture with detail in every channel and, with alpha, a
// ramp from transparent to opaque.
QImage PatternImage(const QSize &size, bool withAlpha);

// Inputs of the kinds the image pages read, in the folder: photo.jpg,
// alpha.png and, from the committed fixture (Qt cannot write GIF),
// indexed-transparent.gif. Returns their paths in that order.
QStringList WriteSampleImages(const QString &folder);

// How ImageMagick reads the written files, each "<width>x<height> <alpha 0
// to 255 at 0,0>": empty when as expected or when identify is not there.
// Under Wine, which cannot start it, the files are copied into the folder
// VARNO_IDENTIFY_LATER names, with a list tools/windows/test.sh checks.
QString IdentifyMismatch(const QStringList &paths, const QStringList &expected);

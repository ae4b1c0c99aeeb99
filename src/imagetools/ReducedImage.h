#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// A smaller copy of an image file, for a first preview while the whole image
// is still being decoded: enough pixels to fill `area` (device pixels) with
// the image scaled to fit, in a fraction of the time the whole image takes.
// A JPEG is decoded at 1/2, 1/4 or 1/8 of its size (libjpeg's DCT scaling).
// An 8-bit PNG without palette, transparent colour or interlacing is
// inflated in one go with libdeflate, where that is built in, and averaged
// over square blocks; Qt's PNG decoder takes more than twice as long for a
// photo. Null where there is no such quicker way (other formats, an image
// barely larger than the area), for a file that cannot be read, and for one
// LoadImageFile would refuse: then the preview waits for the whole image.
// Only ever a preview: what is exported comes from LoadImageFile.
QImage ReducedImageFile(const QString &path, const QSize &area);

// How many image pixels a side the reduced copy averages into one: as many
// as still leave the image, scaled to fit the area, no larger than the copy.
int ReductionFactor(const QSize &imageSize, const QSize &area);

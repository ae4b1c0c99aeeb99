#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QSize>

#include <functional>

// An 8-bit RGBA PNG writer that spreads the work over the cores. The image is
// cut into bands of rows; each band is made, filtered (per row, the filter
// with the least sum of absolute differences, as libpng and ImageMagick
// choose) and deflated on its own, ending on a byte boundary, so the bands
// join into one zlib stream whose checksum is combined from theirs. The
// deflate keeps to runs of one byte (zlib's Z_RLE): on filtered photographs
// it packs tighter than zlib's default matching at level 6 and is several
// times faster.

// Rows [top, top + count) of the image as QImage::Format_ARGB32, or a null
// image when they cannot be made. Called from several threads at once.
using PngRowSource = std::function<QImage(int top, int count)>;

// The rows of a band, a filter type byte before each, as PNG stores them.
// `rows` holds `count` rows; the first is the row above the band (and only
// filters the second) when `hasRowAbove` is true.
QByteArray FilteredPngRows(const QImage &rows, bool hasRowAbove);

// A band's filtered rows as raw deflate data: the stream's end when `last`,
// else blocks that end on a byte boundary, so the next band's can follow.
QByteArray DeflatedBand(const QByteArray &filtered, bool last);

// Writes the whole PNG of an image of the given size, its rows asked for in
// bands of `bandRows`. The physical resolution is stored as Qt's writer
// stores it, when set. False when a band cannot be made or the device
// refuses a write; the device then holds an incomplete file.
bool WritePng(QIODevice &device, const QSize &size, const PngRowSource &rows, int bandRows = 64,
              const QSize &dotsPerMeter = QSize());

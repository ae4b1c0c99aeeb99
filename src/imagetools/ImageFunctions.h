#pragma once

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>

// The image pipeline of the two image pages. Every function takes and returns
// values and keeps no state, so each step can be checked on its own and the
// faster paths of the pages can be compared against these pixel for pixel.

// Encodes the image as PNG in memory and decodes it again; null when either
// step fails. The result has whatever format the PNG decoder gives.
QImage PngRoundTrip(const QImage &image);

// The image clipped to a rounded rectangle covering all of it, on a
// transparent premultiplied canvas. Radii are absolute pixels, limited by
// the painter path to half the width and half the height.
QImage RoundRectImage(const QImage &image, int radius);

// The centred square of side 2 * radius clipped to its inscribed circle. A
// square larger than the image leaves the image unchanged; a side of 0 or
// less gives a null image.
QImage CircleImage(const QImage &image, int radius);

// Rows [top, top + rows) of RoundRectImage and of CircleImage where it cuts
// its square (radius above 0), made without the rest: the pixels of those
// rows exactly, for writing a large image band by band.
QImage RoundRectRows(const QImage &image, int radius, int top, int rows);
QImage CircleRows(const QImage &image, int radius, int top, int rows);

// n x n opaque tiles: squares of `square` pixels, grey (220, 220, 220) where
// the square's column plus row is even, white otherwise; or one plain colour.
QPixmap CheckerTilePixmap(int n, int square = 10);
QPixmap SolidTilePixmap(int n, const QColor &colour);

// The image drawn over the tile repeated from the top-left corner, as ARGB32.
QImage ComposeOverTiles(const QImage &image, const QPixmap &tile);
// The same for rows of an image starting at `top`: those rows of the whole
// composite. The tile is an image here, so bands can be made on any thread.
QImage ComposeRowsOverTiles(const QImage &rows, const QImage &tile, int top);

// An icon holding the one pixmap of exactly width x height, stretched; null
// when that scaled image is null.
QIcon MakeIcon(QImage image, int width, int height);

// --- Helpers the pages build on --------------------------------------------

// Images above this many pixels are refused like unreadable files: a larger
// one would need several gigabytes for its copies during an export.
constexpr qint64 MaximumImagePixels = qint64(1) << 28;

// Reads an image with the format found from the file's content; null for a
// missing, unreadable or oversized file.
QImage LoadImageFile(const QString &path);

// True when PngRoundTrip is known to give back an image equal to this one in
// format and pixels, so the round trip can be skipped. This holds for the
// formats the PNG writer stores at their own depth and the reader returns
// unchanged; tests check every one of them against the real round trip.
bool PngRoundTripKeepsImage(const QImage &image);

// PngRoundTrip(image), without the encoding where it provably changes nothing.
QImage NormalisedImage(const QImage &image);

// Where CircleImage cuts its square from an image of the given size, and
// whether it cuts at all (false: the image is kept whole).
bool CircleCutsSquare(const QSize &imageSize, int radius);
QRect CircleSquare(const QSize &imageSize, int radius);

// Writes through a temporary file that replaces the target only when the
// whole image was written, so a failed write never leaves half a file.
// The quality is the writer's (-1 for its default).
bool SaveImageFile(const QImage &image, const QString &path, const char *format, int quality = -1);

// Writes the icon's last pixmap as an ICO file, through SaveImageFile. The
// icon must not be null.
bool SaveIconFile(const QIcon &icon, const QString &path);

// The square sides of a file holding several sizes: the usual ones up to the
// typed side, and the typed side itself, smallest first. Empty when the file
// is to hold only the typed size, written by SaveIconFile as before: a single
// size asked for, a size that is not square, or a side of 0 or less.
QList<int> IconSizes(int width, int height, bool multiSize);

// An ICO file of the images, in their order. Windows before Vista cannot read
// PNG entries and every version reads a 32-bit DIB with an AND mask, so only
// the 256 entries, where a DIB would take a quarter megabyte, are PNG.
QByteArray IcoFileData(const QList<QImage> &images);

// Writes one entry of each side, each scaled from the source itself so that
// no small entry inherits the blur of a larger one; through a temporary file
// like SaveImageFile.
bool SaveMultiSizeIconFile(const QImage &source, const QList<int> &sides, const QString &path);

// The icon format stores at most 256 pixels a side; Qt's writer would shrink
// a larger image without a word, and scaling to a typed 40000 would first
// allocate gigabytes.
constexpr int MaximumIconSide = 256;

// The PNG quality of the rounded-image export where it still goes through
// Qt's writer: a circle larger than the image on a transparent background,
// which is the image itself in its own format (every other export has a
// writer of its own, SaveExportPng). zlib level 4 instead of Qt's default 6:
// the same pixels, a file a few per cent larger, written in about a third
// of the time.
constexpr int ExportPngQuality = 50;

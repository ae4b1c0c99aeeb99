#include "ReducedImage.h"

#include "ImageFunctions.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#ifdef VARNO_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

// Block sums of 32 x 32 premultiplied pixels still fit 32 bits.
constexpr int MaximumFactor = 32;

QImage ReducedJpeg(QImageReader &reader, const QSize &size, int factor)
{
    int scale = 1;
    while (scale * 2 <= std::min(factor, 8))
        scale *= 2;
    if (scale == 1)
        return QImage();
    reader.setScaledSize(QSize((size.width() + scale - 1) / scale, (size.height() + scale - 1) / scale));
    return reader.read();
}

#ifdef VARNO_HAVE_LIBDEFLATE

// The inflated rows of a larger image would take more memory than a preview
// is worth, beside the whole image being decoded at the same time.
constexpr qint64 MaximumInflatedBytes = qint64(256) << 20;

quint32 BigEndian32(const uchar *bytes)
{
    return quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 | bytes[3];
}

int Paeth(int left, int up, int upLeft)
{
    const int toLeft = std::abs(up - upLeft);
    const int toUp = std::abs(left - upLeft);
    const int toUpLeft = std::abs(left + up - 2 * upLeft);
    // Written without branches: on photographs the winner changes from byte
    // to byte, and mispredicted jumps cost more than the work itself.
    const int other = toUp <= toUpLeft ? up : upLeft;
    return toLeft <= std::min(toUp, toUpLeft) ? left : other;
}

// Undoes one row's filter in place. The left neighbours stay in registers
// (the channel loops unrolled): through memory each byte would wait for the
// store of the one before, which made this twice as slow.
template <int Channels> bool Unfilter(uchar *row, const uchar *previous, int rowBytes, int filter)
{
    int left[Channels] = {};
    int upLeft[Channels] = {};
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (int i = 0; i < rowBytes; i += Channels) {
#pragma GCC unroll 4
            for (int c = 0; c < Channels; ++c)
                row[i + c] = uchar(left[c] = (row[i + c] + left[c]) & 0xff);
        }
        return true;
    case 2:
        for (int i = 0; i < rowBytes; ++i)
            row[i] = uchar(row[i] + previous[i]);
        return true;
    case 3:
        for (int i = 0; i < rowBytes; i += Channels) {
#pragma GCC unroll 4
            for (int c = 0; c < Channels; ++c)
                row[i + c] = uchar(left[c] = (row[i + c] + ((left[c] + previous[i + c]) >> 1)) & 0xff);
        }
        return true;
    case 4:
        for (int i = 0; i < rowBytes; i += Channels) {
#pragma GCC unroll 4
            for (int c = 0; c < Channels; ++c) {
                const int up = previous[i + c];
                row[i + c] = uchar(left[c] = (row[i + c] + Paeth(left[c], up, upLeft[c])) & 0xff);
                upLeft[c] = up;
            }
        }
        return true;
    default:
        return false;
    }
}

// Adds one unfiltered row to the sums of its blocks: grey or colour, with
// alpha premultiplied in, so transparent pixels lend no colour.
template <int Channels> void AddRow(const uchar *row, int width, int factor, quint32 *sums)
{
    constexpr bool alpha = Channels == 2 || Channels == 4;
    for (int x = 0; x < width; x += factor, sums += 4) {
        const int end = std::min(width, x + factor);
        quint32 r = 0, g = 0, b = 0, a = 0;
        for (const uchar *pixel = row + x * Channels; pixel < row + end * Channels; pixel += Channels) {
            const quint32 weight = alpha ? pixel[Channels - 1] : 1;
            r += pixel[0] * weight;
            g += pixel[Channels > 2 ? 1 : 0] * weight;
            b += pixel[Channels > 2 ? 2 : 0] * weight;
            a += weight;
        }
        sums[0] += r;
        sums[1] += g;
        sums[2] += b;
        sums[3] += a;
    }
}

void WriteBlocks(quint32 *sums, int blocks, int rowsInBlock, int width, int factor, bool alpha, QRgb *out)
{
    for (int x = 0; x < blocks; ++x, sums += 4) {
        const quint32 count = quint32(rowsInBlock * (std::min(width, (x + 1) * factor) - x * factor));
        const quint32 scale = alpha ? 255 * count : count;
        const auto mean = [scale](quint32 sum) { return int((sum + scale / 2) / scale); };
        out[x] = qRgba(mean(sums[0]), mean(sums[1]), mean(sums[2]),
                       alpha ? int((sums[3] + count / 2) / count) : 255);
        std::fill(sums, sums + 4, 0);
    }
}

template <int Channels> QImage ReduceRows(uchar *rows, int width, int height, int factor)
{
    const int rowBytes = width * Channels;
    constexpr bool alpha = Channels == 2 || Channels == 4;
    QImage reduced((width + factor - 1) / factor, (height + factor - 1) / factor,
                   alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (reduced.isNull())
        return QImage();
    std::vector<uchar> zeroRow(size_t(rowBytes), 0);
    std::vector<quint32> sums(size_t(reduced.width()) * 4, 0);
    const uchar *previous = zeroRow.data();
    for (int y = 0; y < height; ++y) {
        uchar *row = rows + qint64(y) * (rowBytes + 1);
        if (!Unfilter<Channels>(row + 1, previous, rowBytes, row[0]))
            return QImage();
        previous = row + 1;
        AddRow<Channels>(previous, width, factor, sums.data());
        if ((y + 1) % factor == 0 || y + 1 == height)
            WriteBlocks(sums.data(), reduced.width(), y % factor + 1, width, factor, alpha,
                        reinterpret_cast<QRgb *>(reduced.scanLine(y / factor)));
    }
    return reduced;
}

struct PngHeader
{
    int width = 0;
    int height = 0;
    int channels = 0; // 0: not a kind read here
};

// The chunks as libpng would accept them (every check sum right, IHDR first,
// no unknown critical chunk), the image data joined; false for anything else.
bool ReadPngChunks(const uchar *file, qint64 size, PngHeader &header, std::vector<uchar> &data)
{
    static const uchar signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size < 8 || std::memcmp(file, signature, 8) != 0)
        return false;
    qint64 at = 8;
    bool first = true;
    while (at + 12 <= size) {
        const quint32 length = BigEndian32(file + at);
        const uchar *type = file + at + 4;
        if (length > quint32(size - at - 12))
            return false;
        const uchar *content = type + 4;
        if (libdeflate_crc32(0, type, length + 4) != BigEndian32(content + length))
            return false;
        at += 12 + qint64(length);
        const QByteArray name(reinterpret_cast<const char *>(type), 4);
        if (first != (name == "IHDR"))
            return false;
        first = false;
        if (name == "IHDR") {
            static const int channelsOfType[7] = {1, 0, 3, 0, 2, 0, 4};
            if (length != 13 || content[10] != 0 || content[11] != 0)
                return false;
            header.width = int(std::min<quint32>(BigEndian32(content), 1u << 30));
            header.height = int(std::min<quint32>(BigEndian32(content + 4), 1u << 30));
            // 8 bits a sample, no palette, not interlaced; others are left to Qt.
            const bool plain = content[8] == 8 && content[9] <= 6 && content[12] == 0;
            header.channels = plain ? channelsOfType[content[9]] : 0;
            if (header.channels == 0)
                return true;
        } else if (name == "IDAT") {
            data.insert(data.end(), content, content + length);
        } else if (name == "IEND") {
            return true;
        } else if (name == "tRNS") {
            header.channels = 0;
            return true;
        } else if (name != "PLTE" && !(type[0] & 0x20)) {
            return false;
        }
    }
    return false;
}

QImage ReducedPng(const QString &path, const QSize &area)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    const qint64 size = file.size();
    const uchar *bytes = file.map(0, size);
    QByteArray read;
    if (!bytes) {
        read = file.readAll();
        bytes = reinterpret_cast<const uchar *>(read.constData());
    }
    PngHeader header;
    std::vector<uchar> data;
    data.reserve(size_t(size));
    if (!ReadPngChunks(bytes, size, header, data) || header.channels == 0 || header.width == 0
        || header.height == 0 || qint64(header.width) * header.height > MaximumImagePixels)
        return QImage();
    const QSize imageSize(header.width, header.height);
    const int factor = ReductionFactor(imageSize, area);
    const qint64 inflatedBytes = (qint64(header.width) * header.channels + 1) * header.height;
    if (factor < 2 || inflatedBytes > MaximumInflatedBytes)
        return QImage();

    // Not zeroed: the inflation writes every byte or fails.
    std::unique_ptr<uchar[]> rows(new uchar[size_t(inflatedBytes)]);
    libdeflate_decompressor *inflater = libdeflate_alloc_decompressor();
    if (!inflater)
        return QImage();
    size_t inflated = 0;
    const libdeflate_result result = libdeflate_zlib_decompress(inflater, data.data(), data.size(),
                                                                rows.get(), size_t(inflatedBytes), &inflated);
    libdeflate_free_decompressor(inflater);
    if (result != LIBDEFLATE_SUCCESS || qint64(inflated) != inflatedBytes)
        return QImage();
    switch (header.channels) {
    case 1:
        return ReduceRows<1>(rows.get(), header.width, header.height, factor);
    case 2:
        return ReduceRows<2>(rows.get(), header.width, header.height, factor);
    case 3:
        return ReduceRows<3>(rows.get(), header.width, header.height, factor);
    default:
        return ReduceRows<4>(rows.get(), header.width, header.height, factor);
    }
}

#endif // VARNO_HAVE_LIBDEFLATE

} // namespace

int ReductionFactor(const QSize &imageSize, const QSize &area)
{
    const QSize fitted = imageSize.scaled(area, Qt::KeepAspectRatio);
    if (fitted.isEmpty())
        return 1;
    return std::max(
        1,
        std::min({imageSize.width() / fitted.width(), imageSize.height() / fitted.height(), MaximumFactor}));
}

QImage ReducedImageFile(const QString &path, const QSize &area)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > MaximumImagePixels)
        return QImage();
    if (format == "jpeg")
        return ReducedJpeg(reader, size, ReductionFactor(size, area));
#ifdef VARNO_HAVE_LIBDEFLATE
    if (format == "png")
        return ReducedPng(path, area);
#endif
    return QImage();
}

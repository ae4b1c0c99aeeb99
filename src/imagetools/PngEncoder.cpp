#include "PngEncoder.h"

#include <QThread>

// The Windows Qt carries its own zlib inside Qt Core, so no other library
// has to be built or shipped there.
#ifdef VARNO_QT_ZLIB
#include <QtZlib/zlib.h>
#else
#include <zlib.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace {

void AppendBigEndian(QByteArray &data, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        data.append(char((value >> shift) & 0xff));
}

QByteArray Chunk(const char *type, const QByteArray &data)
{
    QByteArray chunk;
    chunk.reserve(data.size() + 12);
    AppendBigEndian(chunk, quint32(data.size()));
    chunk.append(type, 4);
    chunk.append(data);
    const auto *typed = reinterpret_cast<const Bytef *>(chunk.constData() + 4);
    AppendBigEndian(chunk, quint32(crc32(0, typed, uInt(data.size() + 4))));
    return chunk;
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// What a filtered byte adds to the sum of absolute differences: the byte
// read as signed, so that small steps down cost as little as steps up.
int Cost(int difference)
{
    return std::abs(int(static_cast<signed char>(uchar(difference))));
}

// The filtered byte of filter `type` (0 to 4) for x, with a to its left, b
// above and c above-left.
uchar Filtered(int type, int x, int a, int b, int c)
{
    switch (type) {
    case 1:
        return uchar(x - a);
    case 2:
        return uchar(x - b);
    case 3:
        return uchar(x - (a + b) / 2);
    case 4:
        return uchar(x - Paeth(a, b, c));
    default:
        return uchar(x);
    }
}

void ToRgba(const QImage &rows, int y, uchar *out)
{
    const auto *pixels = reinterpret_cast<const QRgb *>(rows.constScanLine(y));
    for (int x = 0; x < rows.width(); ++x) {
        out[4 * x] = uchar(qRed(pixels[x]));
        out[4 * x + 1] = uchar(qGreen(pixels[x]));
        out[4 * x + 2] = uchar(qBlue(pixels[x]));
        out[4 * x + 3] = uchar(qAlpha(pixels[x]));
    }
}

} // namespace

QByteArray FilteredPngRows(const QImage &rows, bool hasRowAbove)
{
    const int width = rows.width();
    const int stride = 4 * width;
    const int first = hasRowAbove ? 1 : 0;
    // Zeros stand above the first row of the image.
    std::vector<uchar> above(size_t(stride), 0);
    std::vector<uchar> current(static_cast<size_t>(stride));
    if (hasRowAbove)
        ToRgba(rows, 0, above.data());
    QByteArray filtered;
    filtered.resize((rows.height() - first) * (stride + 1));
    auto *out = reinterpret_cast<uchar *>(filtered.data());
    for (int y = first; y < rows.height(); ++y) {
        ToRgba(rows, y, current.data());
        const uchar *cur = current.data();
        const uchar *up = above.data();
        long sums[5] = {};
        for (int i = 0; i < stride; ++i) {
            const int x = cur[i];
            const int a = i >= 4 ? cur[i - 4] : 0;
            const int b = up[i];
            const int c = i >= 4 ? up[i - 4] : 0;
            sums[0] += Cost(x);
            sums[1] += Cost(x - a);
            sums[2] += Cost(x - b);
            sums[3] += Cost(x - (a + b) / 2);
            sums[4] += Cost(x - Paeth(a, b, c));
        }
        const int best = int(std::min_element(sums, sums + 5) - sums);
        *out++ = uchar(best);
        for (int i = 0; i < stride; ++i)
            *out++ = Filtered(best, cur[i], i >= 4 ? cur[i - 4] : 0, up[i], i >= 4 ? up[i - 4] : 0);
        above.swap(current);
    }
    return filtered;
}

QByteArray DeflatedBand(const QByteArray &filtered, bool last)
{
    z_stream stream {};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_RLE) != Z_OK)
        return QByteArray();
    // The bound of a whole stream, plus room for the flush's empty block.
    QByteArray deflated;
    deflated.resize(int(deflateBound(&stream, uLong(filtered.size())) + 16));
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(filtered.constData()));
    stream.avail_in = uInt(filtered.size());
    stream.next_out = reinterpret_cast<Bytef *>(deflated.data());
    stream.avail_out = uInt(deflated.size());
    const int status = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool complete = last ? status == Z_STREAM_END : status == Z_OK && stream.avail_in == 0;
    deflated.resize(int(stream.total_out));
    deflateEnd(&stream);
    return complete ? deflated : QByteArray();
}

namespace {

struct Band
{
    bool done = false;
    QByteArray deflated; // empty: failed
    uLong adler = 0;
    qint64 length = 0;
};

// Band `index` of the image, deflated; left empty when its rows cannot be
// made or memory runs out.
Band MakeBand(const PngRowSource &rows, const QSize &size, int bandRows, int index, bool last)
{
    Band band;
    const int top = index * bandRows;
    const int count = std::min(bandRows, size.height() - top);
    const bool hasRowAbove = top > 0;
    try {
        const QImage made = rows(top - int(hasRowAbove), count + int(hasRowAbove));
        if (made.format() != QImage::Format_ARGB32 || made.width() != size.width()
            || made.height() != count + int(hasRowAbove))
            return band;
        const QByteArray filtered = FilteredPngRows(made, hasRowAbove);
        band.adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(filtered.constData()),
                             uInt(filtered.size()));
        band.length = filtered.size();
        band.deflated = DeflatedBand(filtered, last);
    } catch (const std::bad_alloc &) {
        band.deflated.clear();
    }
    return band;
}

QByteArray Head(const QSize &size, const QSize &dotsPerMeter)
{
    QByteArray head("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    AppendBigEndian(header, quint32(size.width()));
    AppendBigEndian(header, quint32(size.height()));
    // 8 bits, RGBA, deflate, adaptive filtering, not interlaced.
    header.append("\x08\x06\x00\x00\x00", 5);
    head.append(Chunk("IHDR", header));
    if (dotsPerMeter.width() > 0 && dotsPerMeter.height() > 0) {
        QByteArray physical;
        AppendBigEndian(physical, quint32(dotsPerMeter.width()));
        AppendBigEndian(physical, quint32(dotsPerMeter.height()));
        physical.append('\x01');
        head.append(Chunk("pHYs", physical));
    }
    return head;
}

} // namespace

bool WritePng(QIODevice &device, const QSize &size, const PngRowSource &rows, int bandRows,
              const QSize &dotsPerMeter)
{
    if (size.isEmpty() || bandRows <= 0)
        return false;
    const QByteArray head = Head(size, dotsPerMeter);
    if (device.write(head) != head.size())
        return false;

    const int bandCount = (size.height() + bandRows - 1) / bandRows;
    const int threadCount = std::max(1, std::min(QThread::idealThreadCount(), bandCount));
    // Bands are made only this far ahead of the writing, which bounds the
    // memory to a few bands whatever the size of the image.
    const int ahead = 2 * threadCount;
    std::vector<Band> bands(static_cast<size_t>(bandCount));
    std::mutex mutex;
    std::condition_variable changed;
    int next = 0;
    int written = 0;
    bool failed = false;

    auto work = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return failed || next >= bandCount || next < written + ahead; });
            if (failed || next >= bandCount)
                return;
            const int index = next++;
            lock.unlock();
            Band band = MakeBand(rows, size, bandRows, index, index == bandCount - 1);
            lock.lock();
            band.done = true;
            failed = failed || band.deflated.isEmpty();
            bands[size_t(index)] = std::move(band);
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i)
        threads.emplace_back(work);

    uLong adler = adler32(0, nullptr, 0);
    for (int index = 0; index < bandCount; ++index) {
        QByteArray data;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return failed || bands[size_t(index)].done; });
            if (failed)
                break;
            Band &band = bands[size_t(index)];
            data = std::move(band.deflated);
            adler = adler32_combine(adler, band.adler, z_off_t(band.length));
        }
        bool ok = false;
        try {
            // zlib's header (32 K window, fastest level) before the first
            // band, the checksum of all rows after the last.
            if (index == 0)
                data.prepend("\x78\x01", 2);
            if (index == bandCount - 1)
                AppendBigEndian(data, quint32(adler));
            const QByteArray chunk = Chunk("IDAT", data);
            ok = device.write(chunk) == chunk.size();
        } catch (const std::bad_alloc &) { }
        std::lock_guard<std::mutex> lock(mutex);
        written = index + 1;
        failed = failed || !ok;
        changed.notify_all();
        if (failed)
            break;
    }
    for (std::thread &thread : threads)
        thread.join();
    if (failed)
        return false;
    const QByteArray end = Chunk("IEND", QByteArray());
    return device.write(end) == end.size();
}

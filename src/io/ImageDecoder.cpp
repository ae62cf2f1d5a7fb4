#include "io/ImageDecoder.h"

#include "io/FileIO.h"
#include "graphics/DrawingSurface.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QList>
#include <QtEndian>

#include <atomic>
#include <cstring>

#include <unistd.h>

namespace ImageDecoder {

namespace {

std::atomic<qint64> g_pixelsPerLoad{kMaxPixels};
thread_local Backend* t_backend = nullptr;

// Enough for one 20000 x 20000 picture at 4 bytes a pixel; Qt refuses larger allocations itself.
constexpr int kAllocationLimitMiB = int((kMaxPixels * 4) / (1024 * 1024)) + 1;

IoError corrupt(const QString& name, const QString& why) {
    return IoError{IoError::Kind::corruptFile,
                   QStringLiteral("“%1” is not a readable image: %2").arg(name, why)};
}

// Raster formats only: a vector format such as gzipped SVG is inflated and parsed whole just to
// learn its size, so a small file could take gigabytes before any check.
bool isAllowedFormat(const QByteArray& format) {
    static const QByteArrayList allowed{"png", "jpeg", "jpg", "gif", "bmp", "tif", "tiff", "webp", "ppm",
                                        "pgm", "pbm",  "ico", "cur", "xpm", "xbm", "tga",  "wbmp"};
    return allowed.contains(format.toLower());
}

bool isDrawingFormat(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

// ---- PNG text chunks ---------------------------------------------------------------------------

struct Range {
    qint64 begin, end;
};
using ReadAt = std::function<bool(qint64 offset, char* data, qint64 length)>;

// The parts of a PNG of `size` bytes to keep when its text chunks are left out; empty when it has
// none or is no PNG. Whatever cannot be walked as chunks (a damaged length, trailing bytes) is kept
// for the PNG reader to judge.
QList<Range> textFreeRanges(qint64 size, const ReadAt& readAt) {
    static const char signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    char header[8];
    if (size < 8 || !readAt(0, header, 8) || std::memcmp(header, signature, 8) != 0) return {};
    QList<Range> kept{{0, 8}};
    bool dropped = false;
    qint64 offset = 8;
    while (offset + 12 <= size && readAt(offset, header, 8)) {
        const quint32 length = qFromBigEndian<quint32>(header);
        const qint64 end = offset + 12 + qint64(length);
        if (length > 0x7fffffffu || end > size) break;
        const QByteArrayView type(header + 4, 4);
        if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            dropped = true;
        } else if (kept.last().end == offset) {
            kept.last().end = end;
        } else {
            kept.append({offset, end});
        }
        offset = end;
    }
    if (!dropped) return {};
    if (offset < size) {
        if (kept.last().end == offset)
            kept.last().end = size;
        else
            kept.append({offset, size});
    }
    return kept;
}

// A file read through a list of its ranges, as if they followed each other: the PNG without its
// text chunks, without copying the rest.
class RangesDevice final : public QIODevice {
public:
    RangesDevice(ReadAt readAt, QList<Range> ranges) : m_readAt(std::move(readAt)), m_ranges(std::move(ranges)) {
        for (const Range& r : m_ranges)
            m_size += r.end - r.begin;
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        qint64 done = 0, start = 0;
        const qint64 at = pos();
        for (const Range& r : m_ranges) {
            const qint64 length = r.end - r.begin;
            if (done < maxSize && at + done < start + length) {
                const qint64 inside = at + done - start;
                const qint64 n = std::min(maxSize - done, length - inside);
                if (!m_readAt(r.begin + inside, data + done, n)) return done > 0 ? done : -1;
                done += n;
            }
            start += length;
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    ReadAt m_readAt;
    QList<Range> m_ranges;
    qint64 m_size = 0;
};

// ---- Decoding ----------------------------------------------------------------------------------

Result<QImage> read(QImageReader& reader, const QString& name, Budget* budget, const Allocate& allocate) {
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format.isEmpty()) return corrupt(name, QStringLiteral("its format is not one Pictavo reads"));
    if (!isAllowedFormat(format))
        return corrupt(
            name, QStringLiteral("%1 pictures are not supported").arg(QString::fromLatin1(format.toUpper())));
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kAllocationLimitMiB);
    const QSize announced = reader.size();
    QImage image;
    if (announced.isValid()) {
        if (announced.width() > kMaxSide || announced.height() > kMaxSide)
            return corrupt(name, QStringLiteral("it is %1 × %2 pixels, more than %3 on a side")
                                     .arg(announced.width())
                                     .arg(announced.height())
                                     .arg(kMaxSide));
        if (budget && qint64(announced.width()) * announced.height() > budget->remainingPixels)
            return corrupt(name, QStringLiteral("its pictures together are too large"));
        // Qt's readers fill an image of the right size and format instead of making their own.
        if (allocate && isDrawingFormat(reader.imageFormat()) &&
            reader.transformation() == QImageIOHandler::TransformationNone)
            image = allocate(announced, reader.imageFormat());
    }
    if (!reader.read(&image) || image.isNull()) {
        const QString why = reader.errorString();
        return corrupt(name, why.isEmpty() ? QStringLiteral("the data could not be decoded") : why);
    }
    // Formats that announce no size are checked after decoding, still within Qt's allocation limit.
    const qint64 pixels = qint64(image.width()) * image.height();
    if (image.width() > kMaxSide || image.height() > kMaxSide || (budget && pixels > budget->remainingPixels))
        return corrupt(name, QStringLiteral("it is too large"));
    if (budget) budget->remainingPixels -= pixels;
    // In place where Qt can (a transparent PNG), so a 20000² picture is not held twice.
    if (image.format() == QImage::Format_ARGB32) image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (!isDrawingFormat(image.format())) image = DrawingSurface::toDrawingFormat(image);
    if (image.isNull()) return corrupt(name, QStringLiteral("not enough memory to convert it"));
    DrawingSurface::normalizeMetadata(image);
    return image;
}

} // namespace

qint64 pixelsPerLoad() {
    return g_pixelsPerLoad.load();
}

ScopedLoadBudget::ScopedLoadBudget(qint64 pixels) : m_previous(g_pixelsPerLoad.exchange(pixels)) {}

ScopedLoadBudget::~ScopedLoadBudget() {
    g_pixelsPerLoad.store(m_previous);
}

ScopedBackend::ScopedBackend(Backend* backend) : m_previous(std::exchange(t_backend, backend)) {}

ScopedBackend::~ScopedBackend() {
    t_backend = m_previous;
}

QByteArray withoutTextChunks(const QByteArray& bytes) {
    const QList<Range> kept = textFreeRanges(bytes.size(), [&](qint64 offset, char* data, qint64 length) {
        std::memcpy(data, bytes.constData() + offset, size_t(length));
        return true;
    });
    if (kept.isEmpty()) return bytes;
    QByteArray out;
    for (const Range& r : kept)
        out.append(bytes.constData() + r.begin, r.end - r.begin);
    return out;
}

Result<QImage> decodeHere(const QByteArray& bytes, const QString& name, Budget* budget, const Allocate& allocate) {
    if (bytes.isEmpty()) return corrupt(name, QStringLiteral("it is empty"));
    QBuffer buffer;
    buffer.setData(withoutTextChunks(bytes));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return read(reader, name, budget, allocate);
}

Result<QImage> decodeFileHere(const QString& path, Budget* budget, const Allocate& allocate) {
    QFile file(path);
    if (auto error = FileIO::openRegularFile(file)) return *error;
    const int fd = file.handle();
    const qint64 size = file.size();
    ReadAt readAt = [fd, size](qint64 offset, char* data, qint64 length) {
        if (offset < 0 || offset + length > size) return false;
        while (length > 0) {
            const ssize_t n = ::pread(fd, data, size_t(length), off_t(offset));
            if (n <= 0) return false;
            data += n, offset += n, length -= n;
        }
        return true;
    };
    const QList<Range> kept = textFreeRanges(size, readAt);
    if (kept.isEmpty()) {
        QImageReader reader(&file);
        return read(reader, path, budget, allocate);
    }
    RangesDevice device(readAt, kept);
    QImageReader reader(&device);
    return read(reader, path, budget, allocate);
}

Result<QImage> decode(const QByteArray& bytes, const QString& name, Budget* budget) {
    if (t_backend) return t_backend->decode(bytes, name, budget);
    return decodeHere(bytes, name, budget);
}

Result<QImage> decodeFile(const QString& path, Budget* budget) {
    if (t_backend) return t_backend->decodeFile(path, budget);
    return decodeFileHere(path, budget);
}

} // namespace ImageDecoder

#include "graphics/PackedImage.h"

#include "graphics/Parallel.h"

#include <QFile>

#include <zstd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// Bands of about a megabyte: enough for the codec to find repeats, small enough to share out.
constexpr qsizetype kBandBytes = qsizetype(1) << 20;

// The stride QImage gives a picture it allocates itself.
qsizetype ownStride(const QImage& image) {
    return ((qsizetype(image.width()) * image.depth() + 31) >> 5) << 2;
}

// All of it, or false (a full disk, a read past the end, an I/O error).
bool writeAll(int fd, const char* data, qint64 size, qint64 at) {
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(size - done), at + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

bool readAll(int fd, char* data, qint64 size, qint64 at) {
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::pread(fd, data + done, size_t(size - done), at + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

} // namespace

std::shared_ptr<const PackedImage> PackedImage::pack(const QImage& source) {
    try {
        return packOrThrow(source);
    } catch (const std::bad_alloc&) {
        return nullptr; // kept as it is: packing is a saving, never a loss
    }
}

std::shared_ptr<const PackedImage> PackedImage::packOrThrow(const QImage& source) {
    if (source.isNull()) return nullptr;
    // A picture over someone else's buffer may have another stride; unpacking allocates afresh.
    const QImage image = source.bytesPerLine() == ownStride(source) ? source : source.copy();
    if (image.isNull()) return nullptr;

    auto packed = std::make_shared<PackedImage>();
    packed->m_size = image.size();
    packed->m_format = image.format();
    packed->m_bytesPerLine = image.bytesPerLine();
    packed->m_rowsPerBand = int(std::max<qsizetype>(1, kBandBytes / packed->m_bytesPerLine));
    packed->m_dotsPerMeterX = image.dotsPerMeterX();
    packed->m_dotsPerMeterY = image.dotsPerMeterY();
    packed->m_devicePixelRatio = image.devicePixelRatio();
    packed->m_offset = image.offset();
    packed->m_colorSpace = image.colorSpace();
    packed->m_colorTable = image.colorTable();
    for (const QString& key : image.textKeys())
        packed->m_text.insert(key, image.text(key));

    const int rows = image.height(), perBand = packed->m_rowsPerBand;
    const int bands = (rows + perBand - 1) / perBand;
    const qsizetype stride = packed->m_bytesPerLine;
    const uchar* bits = image.constBits();
    packed->m_bands.resize(size_t(bands));
    std::atomic<bool> failed{false};
    Parallel::forRanges(bands, 4, [&](int begin, int end) {
        ZSTD_CCtx* context = ZSTD_createCCtx();
        if (!context) {
            failed = true;
            return;
        }
        try {
            QByteArray scratch(qsizetype(ZSTD_compressBound(size_t(stride) * perBand)), Qt::Uninitialized);
            for (int b = begin; b < end && !failed; ++b) {
                const int first = b * perBand, count = std::min(perBand, rows - first);
                const size_t n = ZSTD_compressCCtx(context, scratch.data(), size_t(scratch.size()), bits + first * stride,
                                                   size_t(stride) * size_t(count), 1);
                if (ZSTD_isError(n)) {
                    failed = true;
                    break;
                }
                packed->m_bands[size_t(b)] = QByteArray(scratch.constData(), qsizetype(n));
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        ZSTD_freeCCtx(context);
    });
    if (failed) return nullptr;
    for (const QByteArray& band : packed->m_bands)
        packed->m_packedBytes += band.size();
    return packed;
}

QImage PackedImage::unpack() const {
    try {
        return unpackOrThrow();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QImage PackedImage::unpackOrThrow() const {
    // Not from the image pool: pictures of the history seldom have a size it holds, and a fresh
    // buffer of the pool's (huge pages) cost 100 ms where a plain one costs 10.
    QImage image(m_size, m_format);
    if (image.isNull() || image.bytesPerLine() != m_bytesPerLine) return {};
    uchar* bits = image.bits();
    const int rows = m_size.height();
    const int bands = int(m_file ? m_ranges.size() : m_bands.size());
    std::atomic<bool> failed{false};
    Parallel::forRanges(bands, 4, [&](int begin, int end) {
        QByteArray read;
        for (int b = begin; b < end && !failed; ++b) {
            const int first = b * m_rowsPerBand, count = std::min(m_rowsPerBand, rows - first);
            const size_t expected = size_t(m_bytesPerLine) * size_t(count);
            const QByteArray* band = m_file ? &read : &m_bands[size_t(b)];
            if (m_file) {
                const auto [offset, size] = m_ranges[size_t(b)];
                try {
                    read.resize(size);
                } catch (const std::bad_alloc&) {
                    failed = true;
                    break;
                }
                if (!readAll(m_file->m_fd, read.data(), size, offset)) {
                    failed = true;
                    break;
                }
            }
            const size_t n = ZSTD_decompress(bits + first * m_bytesPerLine, expected, band->constData(), size_t(band->size()));
            if (ZSTD_isError(n) || n != expected) failed = true;
        }
    });
    if (failed) return {};
    image.setDotsPerMeterX(m_dotsPerMeterX);
    image.setDotsPerMeterY(m_dotsPerMeterY);
    image.setDevicePixelRatio(m_devicePixelRatio);
    image.setOffset(m_offset);
    image.setColorSpace(m_colorSpace);
    if (!m_colorTable.isEmpty()) image.setColorTable(m_colorTable);
    for (auto it = m_text.cbegin(); it != m_text.cend(); ++it)
        image.setText(it.key(), it.value());
    return image;
}

std::shared_ptr<PackedImage::SpillFile> PackedImage::SpillFile::create(const QString& folder) {
    // Unlinked from the start: nothing is left behind by a crash, and no one else can open it.
    int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) { // a file system without O_TMPFILE
        QByteArray name = QFile::encodeName(folder) + "/.undo-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(name.constData());
    }
    if (fd < 0) return nullptr;
    try {
        return std::shared_ptr<SpillFile>(new SpillFile(fd));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return nullptr;
    }
}

PackedImage::SpillFile::~SpillFile() {
    ::close(m_fd);
}

void PackedImage::SpillFile::release(qint64 offset, qint64 size) {
    if (--m_pictures == 0) {
        // The last picture gone: the whole file is given back, wherever holes cannot be punched too.
        if (::ftruncate(m_fd, 0) == 0) m_end = 0;
        return;
    }
    ::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, offset, size);
}


std::shared_ptr<const PackedImage> PackedImage::spilled(const std::shared_ptr<SpillFile>& file) const {
    if (!file || m_file) return nullptr;
    const qint64 start = file->m_end;
    // Room first: a full disk says so at once instead of being filled to its last byte.
    if (::fallocate(file->m_fd, 0, start, m_packedBytes) != 0 && errno != EOPNOTSUPP) return nullptr;
    try {
        std::shared_ptr<PackedImage> moved(new PackedImage(*this));
        moved->m_bands.clear();
        moved->m_bands.shrink_to_fit();
        moved->m_ranges.reserve(m_bands.size());
        qint64 at = start;
        for (const QByteArray& band : m_bands) {
            if (!writeAll(file->m_fd, band.constData(), band.size(), at)) {
                moved->m_ranges.clear(); // nothing of it is in the file
                ::fallocate(file->m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, start, at + band.size() - start);
                return nullptr;
            }
            moved->m_ranges.emplace_back(at, band.size());
            at += band.size();
        }
        file->m_end = at;
        ++file->m_pictures;
        moved->m_file = file;
        return moved;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

PackedImage::~PackedImage() {
    if (m_file && !m_ranges.empty()) {
        const qint64 begin = m_ranges.front().first;
        m_file->release(begin, m_ranges.back().first + m_ranges.back().second - begin);
    }
}

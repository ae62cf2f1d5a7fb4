#include "graphics/PackedImage.h"

#include "graphics/Parallel.h"

#include <zstd.h>

#include <atomic>
#include <cstring>
#include <new>

namespace {

// Bands of about a megabyte: enough for the codec to find repeats, small enough to share out.
constexpr qsizetype kBandBytes = qsizetype(1) << 20;

// The stride QImage gives a picture it allocates itself.
qsizetype ownStride(const QImage& image) {
    return ((qsizetype(image.width()) * image.depth() + 31) >> 5) << 2;
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
    std::atomic<bool> failed{false};
    Parallel::forRanges(int(m_bands.size()), 4, [&](int begin, int end) {
        for (int b = begin; b < end && !failed; ++b) {
            const int first = b * m_rowsPerBand, count = std::min(m_rowsPerBand, rows - first);
            const size_t expected = size_t(m_bytesPerLine) * size_t(count);
            const QByteArray& band = m_bands[size_t(b)];
            const size_t n = ZSTD_decompress(bits + first * m_bytesPerLine, expected, band.constData(), size_t(band.size()));
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

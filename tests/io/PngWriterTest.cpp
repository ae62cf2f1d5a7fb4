#include "io/PngWriter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QtEndian>

#include <libdeflate.h>

#include <span>
#include <algorithm>
#include <cstring>
#include <map>
#include <zlib.h>
#include <vector>

namespace {

struct Chunk {
    QByteArray type, data;
};

quint32 be32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}

// The chunks after the signature; every CRC is checked on the way.
std::vector<Chunk> chunks(const QByteArray& png) {
    std::vector<Chunk> out;
    EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    qsizetype pos = 8;
    for (; pos + 12 <= png.size() && pos + 12 + be32(png, pos) <= png.size(); pos += 12 + be32(png, pos)) {
        const QByteArray typeAndData = png.mid(pos + 4, be32(png, pos) + 4);
        out.push_back({typeAndData.left(4), typeAndData.mid(4)});
        EXPECT_EQ(libdeflate_crc32(0, typeAndData.constData(), size_t(typeAndData.size())),
                  be32(png, pos + 8 + out.back().data.size()))
            << "CRC of " << out.back().type.constData();
    }
    EXPECT_EQ(pos, png.size()) << "chunk framing";
    return out;
}

// Encodes, checks the colour type and reads the file back with Qt's reader: the pixels must be
// exactly what Qt's conversion to straight ARGB32 gives.
QByteArray expectRoundTrip(const QImage& img, int colourType, int level = PngWriter::kDefaultLevel) {
    const QByteArray png = PngWriter::encode(img, level).value_or(QByteArray());
    const std::vector<Chunk> cs = chunks(png);
    EXPECT_TRUE(!cs.empty() && cs[0].type == "IHDR" && cs[0].data.size() == 13 &&
                cs[0].data[9] == colourType);
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    const QImage decoded = QImageReader(&buffer, "png").read().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(decoded == img.convertToFormat(QImage::Format_ARGB32)) << "pixels differ";
    return png;
}

// The filter type of every row, from the inflated image data.
std::vector<int> rowFilters(const QByteArray& png, qsizetype stride, int height) {
    QByteArray zlib(4, '\0');
    qToBigEndian(quint32(stride * height), zlib.data()); // qUncompress wants the inflated size in front
    for (const Chunk& c : chunks(png))
        if (c.type == "IDAT") zlib += c.data;
    const QByteArray raw = qUncompress(zlib);
    EXPECT_EQ(raw.size(), stride * height);
    std::vector<int> filters;
    for (qsizetype at = 0; at < raw.size(); at += stride)
        filters.push_back(raw[at]);
    return filters;
}

// Eight-row bands, each predicted best by one filter, in the order of the filter type numbers.
QImage filterBands(int w) {
    QImage img(w, 40, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    std::vector<QRgb> noise(size_t(w), 0);
    for (QRgb& p : noise)
        p = rng.generate() | 0xFF000000u;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int ramp = (y % 2 ? 20 : -20) * x;
            const int grain = 8 + int(rng.bounded(25));
            const QRgb bands[5] = {
                (x + y) % 2 ? qRgb(3, 3, 3) : qRgb(253, 253, 253), // None: small signed bytes, big steps
                qRgb(ramp, ramp, ramp),                            // Sub: ramps up and down by row
                noise[size_t(x)],                                  // Up: the same noise on every row
                qRgb(grain, grain * 3 / 4, grain),                 // Average: grain on dark grey
                x < w / 2 ? noise[size_t(x)] : qRgb(20 * y, 9 * y, 7 * y), // Paeth: both above
            };
            line[x] = bands[y / 8];
        }
    }
    return img;
}

// Alpha 254 everywhere by default: filters then look back four bytes, and the alpha byte (-2) stays
// cheap.
QImage translucent(const QImage& img, uint alpha = 254) {
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (QRgb& p : std::span(reinterpret_cast<QRgb*>(out.scanLine(y)), size_t(out.width())))
            p = (p & 0xFFFFFFu) | alpha << 24;
    return out;
}

TEST(PngWriter, OpaqueRoundTripAtOddSizes) {
    EXPECT_FALSE(PngWriter::encode(QImage()).has_value());
    for (int w = 1; w <= 40; ++w) { // past two 16-byte blocks, so every tail length occurs
        SCOPED_TRACE(w);
        expectRoundTrip(filterBands(w), 2);
        expectRoundTrip(translucent(filterBands(w)), 6, PngWriter::kQuickLevel);
    }
    expectRoundTrip(filterBands(3).copy(0, 5, 3, 7), 2);
    expectRoundTrip(filterBands(3).copy(0, 5, 3, 7), 2, PngWriter::kQuickLevel);
}

TEST(PngWriter, EveryFilterIsChosenAndDecodes) {
    for (const bool alpha : {false, true})
        for (const int w : {256, 5}) {
            SCOPED_TRACE(testing::Message() << "width " << w << (alpha ? " RGBA" : " RGB"));
            const QImage img = alpha ? translucent(filterBands(w)) : filterBands(w);
            const std::vector<int> filters =
                rowFilters(expectRoundTrip(img, alpha ? 6 : 2), w * (alpha ? 4 : 3) + 1, 40);
            // A band's first row follows other content. Average beats the rest on grain only on
            // average, which takes a wide row.
            for (size_t y = 0; y < filters.size(); ++y)
                if (y % 8 != 0 && (w > 5 || y / 8 != 3)) {
                    EXPECT_EQ(filters[y], int(y / 8)) << "row " << y;
                }
        }
}

// Every alpha with every level of colour under it: transparent, translucent and opaque pixels.
TEST(PngWriter, PremultipliedPixelsAndColourType) {
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a)
        for (int v = 0; v < 256; ++v)
            img.setPixel(v, a, qRgba(std::min(v, a), v * 7 % (a + 1), a - std::min(v, a), a));
    expectRoundTrip(img, 6);

    QImage opaque = filterBands(64).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    expectRoundTrip(opaque, 2);
    opaque.setPixel(63, 39, 0); // only the very last pixel
    expectRoundTrip(opaque, 6);
}

TEST(PngWriter, OtherFormatsAreConverted) {
    expectRoundTrip(filterBands(33).convertToFormat(QImage::Format_Grayscale8), 2);

    QImage indexed = filterBands(21).convertToFormat(QImage::Format_Indexed8);
    expectRoundTrip(indexed, 2);
    indexed.setColor(indexed.pixelIndex(0, 0), qRgba(0, 128, 255, 100));
    expectRoundTrip(indexed, 6);
    // Straight alpha must not lose colour to a detour through premultiplied.
    expectRoundTrip(translucent(filterBands(9), 3).convertToFormat(QImage::Format_RGBA8888), 6);
    expectRoundTrip(translucent(filterBands(9), 3), 6);
}

TEST(PngWriter, ChunksAndLevels) {
    const QImage img = filterBands(300);
    const std::vector<Chunk> cs = chunks(PngWriter::encode(img).value_or(QByteArray()));
    ASSERT_EQ(cs.size(), 4u);
    EXPECT_EQ(cs[0].data, QByteArray::fromHex("0000012c 00000028 0802000000")); // 300 x 40, 8-bit RGB
    EXPECT_EQ(cs[1].type + cs[1].data.toHex(), "pHYs00000ec400000ec401");       // 3780 per metre
    EXPECT_EQ(cs[2].type, "IDAT");
    EXPECT_EQ(cs[3].type + cs[3].data, "IEND");
    EXPECT_EQ(PngWriter::encode(img, -3), PngWriter::encode(img, 1));
    EXPECT_EQ(PngWriter::encode(img, 99), PngWriter::encode(img, 12));
}

// Noise does not compress: about 14 MiB of translucent pixels, filtered on both threads in many
// unpremultiplied blocks, must go out as several bounded IDAT chunks in a row.
TEST(PngWriter, LargeImagesSplitIntoBoundedIdatChunks) {
    QImage img(2000, 1750, QImage::Format_ARGB32);
    QRandomGenerator rng(42);
    for (int y = 0; y < img.height(); ++y)
        rng.fillRange(reinterpret_cast<quint32*>(img.scanLine(y)), img.width());
    img.convertTo(QImage::Format_ARGB32_Premultiplied);
    for (const int level : {1, PngWriter::kQuickLevel}) { // quick: its output room must hold noise too
        SCOPED_TRACE(level);
        const std::vector<Chunk> cs = chunks(expectRoundTrip(img, 6, level));
        ASSERT_GE(cs.size(), 5u);
        for (size_t i = 2; i + 1 < cs.size(); ++i) {
            EXPECT_EQ(cs[i].type, "IDAT");
            EXPECT_LE(cs[i].data.size(), 8 << 20);
        }
    }
}

// A large picture is compressed in two parts on two threads, joined into one zlib stream: zlib
// itself inflates it whole and finds its checksum right, at every level, and the picture comes back.
TEST(PngWriter, ALargePictureIsOneStreamFromTwoParts) {
    QImage img(1800, 1000, QImage::Format_RGB32); // 5.4 MB of filtered rows
    QRandomGenerator rng(7);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, (x / 40 + y / 30) % 3 ? qRgb(236, 236, 236) : qRgb(rng.bounded(256), 40, 90));
    std::map<int, qsizetype> sizes;
    for (const int level : {PngWriter::kQuickLevel, 1, 6, 12}) {
        SCOPED_TRACE(level);
        const QByteArray png = expectRoundTrip(img, 2, level);
        sizes[level] = png.size();
        QByteArray stream;
        for (const Chunk& c : chunks(png))
            if (c.type == "IDAT") stream += c.data;
        const uLong expected = uLong(img.height()) * (uLong(img.width()) * 3 + 1);
        std::vector<Bytef> raw(expected + 16);
        uLongf got = uLongf(raw.size());
        EXPECT_EQ(uncompress(raw.data(), &got, reinterpret_cast<const Bytef*>(stream.constData()), uLong(stream.size())),
                  Z_OK);
        EXPECT_EQ(got, expected);
        // The checksum is checked: one flipped bit of it is found.
        stream[stream.size() - 1] = char(stream.back() ^ 1);
        got = uLongf(raw.size());
        EXPECT_EQ(uncompress(raw.data(), &got, reinterpret_cast<const Bytef*>(stream.constData()), uLong(stream.size())),
                  Z_DATA_ERROR);
        // Handed over, each half is filtered in place by the thread that compresses it: the same
        // file, byte for byte, whatever the picture's memory held on the way.
        const std::optional<QByteArray> consumed = PngWriter::encodeConsuming(img.copy(), level);
        ASSERT_TRUE(consumed);
        EXPECT_EQ(*consumed, png);
    }
    // Quick is still a compressor, and the default packs tighter.
    EXPECT_LT(sizes[PngWriter::kQuickLevel], img.height() * img.width() * 3 / 4); // a quarter of the rows
    EXPECT_LT(sizes[6], sizes[PngWriter::kQuickLevel]);
    // Random columns, the same all the way down: every row after the first is filtered against the
    // one above it, across the place where the two halves meet too.
    QImage columns(1800, 1000, QImage::Format_RGB32);
    for (int x = 0; x < columns.width(); ++x) {
        const QRgb colour = qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256));
        for (int y = 0; y < columns.height(); ++y) columns.setPixel(x, y, colour);
    }
    const std::optional<QByteArray> consumed = PngWriter::encodeConsuming(columns.copy());
    ASSERT_TRUE(consumed);
    EXPECT_EQ(*consumed, *PngWriter::encode(columns));
    EXPECT_LT(consumed->size(), 3 * columns.width() + 20000); // one row's worth, the rest "as above"
}

} // namespace

// A picture handed over whole is written over on the way, to the same file; one still held
// elsewhere, of another format or with padded rows is left as it was.
TEST(PngWriter, ConsumingGivesTheSameFileAndSparesSharedPictures) {
    for (const int w : {1, 5, 37, 256}) {
        SCOPED_TRACE(w);
        const QImage original = filterBands(w);
        const std::optional<QByteArray> expected = PngWriter::encode(original);
        ASSERT_TRUE(expected);

        QImage alone = original.copy();
        const std::optional<QByteArray> consumed = PngWriter::encodeConsuming(std::move(alone));
        ASSERT_TRUE(consumed);
        EXPECT_EQ(*consumed, *expected);

        // Shared: the caller's copy keeps its pixels.
        QImage held = original.copy();
        const std::optional<QByteArray> shared = PngWriter::encodeConsuming(held);
        ASSERT_TRUE(shared);
        EXPECT_EQ(*shared, *expected);
        EXPECT_EQ(held, original);
    }
    // The picture's memory really is reused: a picture on a caller's buffer handed over is changed.
    QImage source = filterBands(64);
    std::vector<uchar> buffer(size_t(source.sizeInBytes()));
    std::memcpy(buffer.data(), source.constBits(), buffer.size());
    QImage onBuffer(buffer.data(), source.width(), source.height(), source.bytesPerLine(), QImage::Format_RGB32);
    const std::optional<QByteArray> fromBuffer = PngWriter::encodeConsuming(std::move(onBuffer));
    ASSERT_TRUE(fromBuffer);
    EXPECT_EQ(*fromBuffer, *PngWriter::encode(source));
    EXPECT_NE(std::memcmp(buffer.data(), source.constBits(), buffer.size()), 0);

    // A picture on read-only memory (as decoded pictures come back from the decoding process) is
    // copied by Qt before anything is written: the memory keeps its pixels.
    const std::vector<uchar> readOnly(buffer.size(), 0x5a);
    QImage onReadOnly(readOnly.data(), source.width(), source.height(), source.bytesPerLine(), QImage::Format_RGB32);
    const QImage sameAsReadOnly = onReadOnly.copy();
    EXPECT_EQ(*PngWriter::encodeConsuming(std::move(onReadOnly)), *PngWriter::encode(sameAsReadOnly));
    EXPECT_TRUE(std::all_of(readOnly.begin(), readOnly.end(), [](uchar b) { return b == 0x5a; }));

    // Rows padded beyond their pixels, and translucent pictures, go the ordinary way.
    const QImage wide = filterBands(40);
    std::vector<uchar> paddedBuffer(size_t(wide.height()) * (wide.bytesPerLine() + 64));
    QImage onPadded(paddedBuffer.data(), wide.width(), wide.height(), wide.bytesPerLine() + 64, QImage::Format_RGB32);
    for (int y = 0; y < wide.height(); ++y) std::memcpy(onPadded.scanLine(y), wide.constScanLine(y), wide.bytesPerLine());
    EXPECT_EQ(*PngWriter::encodeConsuming(std::move(onPadded)), *PngWriter::encode(wide));
    const QImage glass = translucent(filterBands(40));
    EXPECT_EQ(*PngWriter::encodeConsuming(glass.copy()), *PngWriter::encode(glass));
}

#include "io/PngWriter.h"

#include "graphics/DrawingSurface.h"
#include "graphics/Parallel.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <sys/mman.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using Byte = std::uint8_t;

// Keeps every chunk far below the 2^31 limit of a chunk length.
constexpr size_t kMaxIdatData = size_t(8) << 20;

void putU32(Byte* out, std::uint32_t v) {
    out[0] = Byte(v >> 24);
    out[1] = Byte(v >> 16);
    out[2] = Byte(v >> 8);
    out[3] = Byte(v);
}

// Images with an alpha channel are often opaque everywhere all the same (a screenshot pasted onto
// a transparent canvas); written as RGB they lose a quarter of their data.
bool allOpaque(const QImage& image) {
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::uint32_t acc = 0xFFFFFFFFu;
        for (int x = 0; x < w; ++x)
            acc &= line[x];
        if ((acc >> 24) != 0xFF) return false;
    }
    return true;
}

// One row of 32-bit pixels (straight alpha) to PNG byte order: R,G,B or R,G,B,A.
void convertRow(const std::uint32_t* src, Byte* dst, int w, bool alpha) {
    if (alpha) {
        for (int x = 0; x < w; ++x, dst += 4) {
            const std::uint32_t p = src[x];
            dst[0] = Byte(p >> 16);
            dst[1] = Byte(p >> 8);
            dst[2] = Byte(p);
            dst[3] = Byte(p >> 24);
        }
    } else {
        for (int x = 0; x < w; ++x, dst += 3) {
            const std::uint32_t p = src[x];
            dst[0] = Byte(p >> 16);
            dst[1] = Byte(p >> 8);
            dst[2] = Byte(p);
        }
    }
}

// The source's rows with straight alpha. Premultiplied rows go through Qt's own conversion a few at
// a time: its vector code rounds differently from qUnpremultiply(), and the file must give back
// exactly what convertToFormat(Format_ARGB32) gives.
class StraightRows {
public:
    StraightRows(const QImage& image, bool unpremultiply) : m_image(image), m_unpremultiply(unpremultiply) {}

    const std::uint32_t* row(int y) {
        if (!m_unpremultiply) return reinterpret_cast<const std::uint32_t*>(m_image.constScanLine(y));
        if (m_block.isNull() || y < m_first || y >= m_first + m_block.height()) {
            const int rows = std::min(kBlockRows, m_image.height() - y);
            const QImage view(m_image.constScanLine(y), m_image.width(), rows, m_image.bytesPerLine(),
                              m_image.format());
            m_block = view.convertToFormat(QImage::Format_ARGB32);
            if (m_block.isNull()) throw std::bad_alloc(); // Qt reports no memory this way
            m_first = y;
        }
        return reinterpret_cast<const std::uint32_t*>(m_block.constScanLine(y - m_first));
    }

private:
    static constexpr int kBlockRows = 16;
    const QImage& m_image;
    const bool m_unpremultiply;
    QImage m_block;
    int m_first = 0;
};

// Filtered bytes count as signed: small steps either way are what deflate compresses best.
inline std::uint32_t weight(Byte v) {
    return v < 128 ? v : 256u - v;
}

inline Byte paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return Byte(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

struct Candidates {
    Byte* sub;
    Byte* up;
    Byte* avg;
    Byte* paeth;
};

// Bytes [begin, end) of the four predicting filters; the first bpp bytes have no left neighbour.
void filterScalar(const Byte* cur, const Byte* prev, size_t begin, size_t end, size_t bpp,
                  const Candidates& out, std::uint64_t costs[5]) {
    for (size_t i = begin; i < end; ++i) {
        const int a = i >= bpp ? cur[i - bpp] : 0;
        const int b = prev[i];
        const int c = i >= bpp ? prev[i - bpp] : 0;
        out.sub[i] = Byte(cur[i] - a);
        out.up[i] = Byte(cur[i] - b);
        out.avg[i] = Byte(cur[i] - ((a + b) >> 1));
        out.paeth[i] = Byte(cur[i] - paethPredictor(a, b, c));
        costs[0] += weight(cur[i]);
        costs[1] += weight(out.sub[i]);
        costs[2] += weight(out.up[i]);
        costs[3] += weight(out.avg[i]);
        costs[4] += weight(out.paeth[i]);
    }
}

#ifdef __SSE2__
inline __m128i absSigned16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// Paeth's choice on eight 16-bit lanes, branch-free.
inline __m128i paeth16(__m128i a, __m128i b, __m128i c) {
    const __m128i db = _mm_sub_epi16(b, c), da = _mm_sub_epi16(a, c);
    const __m128i pa = absSigned16(db), pb = absSigned16(da), pc = absSigned16(_mm_add_epi16(da, db));
    const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const __m128i takeC = _mm_cmpgt_epi16(pb, pc);
    const __m128i bc = _mm_or_si128(_mm_and_si128(takeC, c), _mm_andnot_si128(takeC, b));
    return _mm_or_si128(_mm_and_si128(notA, bc), _mm_andnot_si128(notA, a));
}

// Sum of |v| over 16 signed bytes, as two 64-bit halves.
inline __m128i weight16(__m128i v) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_sad_epu8(_mm_min_epu8(v, _mm_sub_epi8(zero, v)), zero);
}

// The same as filterScalar for i >= bpp, sixteen bytes a step; returns where it stopped.
size_t filterSse2(const Byte* cur, const Byte* prev, size_t begin, size_t end, size_t bpp,
                  const Candidates& out, std::uint64_t costs[5]) {
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    __m128i sums[5] = {zero, zero, zero, zero, zero};
    size_t i = begin;
    for (; i + 16 <= end; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + i));
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + i - bpp));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i - bpp));
        const __m128i sub = _mm_sub_epi8(x, a);
        const __m128i up = _mm_sub_epi8(x, b);
        // pavgb rounds up; the filter wants the floor.
        const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        const __m128i avg = _mm_sub_epi8(x, mean);
        const __m128i lo =
            paeth16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
        const __m128i hi =
            paeth16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
        const __m128i paeth = _mm_sub_epi8(x, _mm_packus_epi16(lo, hi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out.sub + i), sub);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out.up + i), up);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out.avg + i), avg);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out.paeth + i), paeth);
        sums[0] = _mm_add_epi64(sums[0], weight16(x));
        sums[1] = _mm_add_epi64(sums[1], weight16(sub));
        sums[2] = _mm_add_epi64(sums[2], weight16(up));
        sums[3] = _mm_add_epi64(sums[3], weight16(avg));
        sums[4] = _mm_add_epi64(sums[4], weight16(paeth));
    }
    for (int f = 0; f < 5; ++f) {
        std::uint64_t halves[2];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(halves), sums[f]);
        costs[f] += halves[0] + halves[1];
    }
    return i;
}
#endif

struct RowScratch {
    std::vector<Byte> prev, cur, sub, up, avg, paeth;
    explicit RowScratch(size_t n) : prev(n), cur(n), sub(n), up(n), avg(n), paeth(n) {}
};

// Writes the filter type byte and the filtered row to `out`, choosing the filter whose output has
// the smallest sum of magnitudes (the first on a tie).
void filterRow(const Byte* cur, const Byte* prev, size_t n, size_t bpp, RowScratch& s, Byte* out) {
    const Candidates c{s.sub.data(), s.up.data(), s.avg.data(), s.paeth.data()};
    std::uint64_t costs[5] = {};
    size_t i = std::min(bpp, n);
    filterScalar(cur, prev, 0, i, bpp, c, costs);
#ifdef __SSE2__
    i = filterSse2(cur, prev, i, n, bpp, c, costs);
#endif
    filterScalar(cur, prev, i, n, bpp, c, costs);

    const int best = int(std::min_element(costs, costs + 5) - costs);
    const Byte* rows[5] = {cur, c.sub, c.up, c.avg, c.paeth};
    out[0] = Byte(best);
    std::memcpy(out + 1, rows[best], n);
}

struct FreeDeleter {
    void operator()(Byte* p) const { std::free(p); }
};

// The filtered rows of a 5K picture are 44 MB touched once: in 2 MiB pages where the kernel allows,
// their page faults cost a fraction of 4 KiB ones.
std::unique_ptr<Byte[], FreeDeleter> largeBuffer(size_t bytes) {
    constexpr size_t kHugePage = size_t(2) << 20;
    if (bytes < kHugePage) return std::unique_ptr<Byte[], FreeDeleter>(static_cast<Byte*>(std::malloc(bytes)));
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    auto* data = static_cast<Byte*>(std::aligned_alloc(kHugePage, rounded));
#ifdef MADV_HUGEPAGE
    if (data) madvise(data, rounded, MADV_HUGEPAGE);
#endif
    return std::unique_ptr<Byte[], FreeDeleter>(data);
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

void appendChunk(QByteArray& png, const char type[4], const Byte* data, size_t size) {
    Byte head[8];
    putU32(head, std::uint32_t(size));
    std::memcpy(head + 4, type, 4);
    std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    if (size > 0) crc = libdeflate_crc32(crc, data, size);
    Byte tail[4];
    putU32(tail, crc);
    png.append(reinterpret_cast<const char*>(head), 8);
    if (size > 0) png.append(reinterpret_cast<const char*>(data), qsizetype(size));
    png.append(reinterpret_cast<const char*>(tail), 4);
}

// Below this, one thread compresses it all: a second costs more to start than it saves.
constexpr size_t kSplitBytes = size_t(4) << 20;

// Rows that the first thread compresses when a picture's `size` filtered bytes are split between
// two threads, 0 when one thread does it all. At the default level zlib is the slower of the two,
// so it takes the smaller part; quick, both sides run the same code. The split falls between rows
// so the rows on each side can also be filtered by that side's thread.
int headRows(int h, size_t size, int level) {
    if (size < kSplitBytes || std::thread::hardware_concurrency() < 2) return 0;
    return level == PngWriter::kQuickLevel ? h / 2 : h * 3 / 10;
}

struct Part {
    std::unique_ptr<Byte[]> bytes;
    size_t size = 0;
};

// Raw deflate of `data` by ISA-L's fast level. `last` ends the stream; otherwise it ends with a
// full flush (byte-aligned, no final block, no history carried over), so another part may follow.
bool quickDeflate(const Byte* data, size_t size, bool last, Part& out) {
    std::unique_ptr<Byte[]> levelBuffer(new (std::nothrow) Byte[ISAL_DEF_LVL1_DEFAULT]);
    // Incompressible rows cost at most an eighth more in Huffman codes; block headers fit the rest.
    const size_t capacity = size + size / 8 + (size_t(64) << 10);
    out.bytes.reset(new (std::nothrow) Byte[capacity]);
    if (!levelBuffer || !out.bytes) return false;
    isal_zstream z;
    isal_deflate_init(&z);
    z.level = 1;
    z.level_buf = levelBuffer.get();
    z.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
    z.next_out = out.bytes.get();
    // Its counters are 32-bit: the input goes in pieces of 1 GiB at most, the output in one room
    // sized above (a 5K picture's rows are 44 MB).
    constexpr size_t kPiece = size_t(1) << 30;
    if (capacity > UINT32_MAX) return false;
    z.avail_out = std::uint32_t(capacity);
    size_t given = 0;
    do {
        const size_t piece = std::min(kPiece, size - given);
        z.next_in = const_cast<Byte*>(data + given);
        z.avail_in = std::uint32_t(piece);
        given += piece;
        const bool final = given == size;
        z.end_of_stream = last && final ? 1 : 0;
        z.flush = !last && final ? FULL_FLUSH : NO_FLUSH;
        if (isal_deflate(&z) != COMP_OK || z.avail_in != 0 || z.avail_out == 0) return false;
    } while (given < size);
    if (last && z.internal_state.state != ZSTATE_END) return false;
    out.size = capacity - z.avail_out;
    return true;
}

// The head by zlib, ended with a full flush.
bool zlibDeflate(const Byte* data, size_t size, int level, Part& out) {
    z_stream z{};
    if (deflateInit2(&z, std::min(level, 9), Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    const size_t bound = deflateBound(&z, uLong(size)) + 64;
    out.bytes.reset(new (std::nothrow) Byte[bound]);
    bool ok = false;
    if (out.bytes) {
        z.next_in = const_cast<Byte*>(data);
        z.avail_in = uInt(size);
        z.next_out = out.bytes.get();
        z.avail_out = uInt(bound);
        // Room left over: the flush is complete.
        ok = deflate(&z, Z_FULL_FLUSH) == Z_OK && z.avail_in == 0 && z.avail_out > 0;
        out.size = bound - z.avail_out;
    }
    deflateEnd(&z);
    return ok;
}

// The rest by libdeflate, which ends the stream.
bool libdeflateDeflate(const Byte* data, size_t size, int level, Part& out) {
    // A compressor per call: setting one up costs microseconds next to milliseconds of deflate,
    // and nothing of its hundreds of KiB stays behind.
    const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(libdeflate_alloc_compressor(level));
    if (!compressor) return false;
    const size_t bound = libdeflate_deflate_compress_bound(compressor.get(), size);
    out.bytes.reset(new (std::nothrow) Byte[bound]);
    if (!out.bytes) return false;
    out.size = libdeflate_deflate_compress(compressor.get(), data, size, out.bytes.get(), bound);
    return out.size > 0;
}

// One zlib stream of two parts, `head` then `rest`, compressed on two threads: at the default
// level the head by zlib (which can end a part without ending the stream) and the rest by
// libdeflate; quick, both by ISA-L. One stream, as PNG wants, at about the size one thread would
// make. Each thread first runs its `make` (which writes its part, and may fail) and adds up its
// part's Adler-32.
std::optional<std::vector<Byte>> zlibStream(const Byte* head, size_t headSize, const Byte* rest, size_t restSize,
                                            int level, const std::function<bool()>& makeHead = {},
                                            const std::function<bool()>& makeRest = {}) {
    const bool quick = level == PngWriter::kQuickLevel;
    // Output buffers are left uninitialised: only what is written is touched.
    Part first;
    bool firstOk = true;
    std::uint32_t headAdler = 1;
    const auto compressHead = [&] {
        if (makeHead && !makeHead()) {
            firstOk = false;
            return;
        }
        headAdler = libdeflate_adler32(1, head, headSize);
        firstOk = quick ? quickDeflate(head, headSize, false, first) : zlibDeflate(head, headSize, level, first);
    };
    std::thread helper;
    if (headSize > 0) {
        try {
            helper = std::thread(compressHead);
        } catch (const std::system_error&) {
            compressHead(); // no thread to be had: here, first
        }
    }
    const bool restMade = !makeRest || makeRest();
    const std::uint32_t restAdler = restMade ? libdeflate_adler32(1, rest, restSize) : 1;
    Part second;
    const bool restOk = restMade && (quick ? quickDeflate(rest, restSize, true, second)
                                           : libdeflateDeflate(rest, restSize, level, second));
    if (helper.joinable()) helper.join();
    if (!restOk || !firstOk) return std::nullopt;
    try {
        std::vector<Byte> stream;
        stream.reserve(2 + first.size + second.size + 4);
        stream.push_back(0x78); // deflate, 32 KiB window
        stream.push_back(0x9C); // check bits for the default level
        if (first.size > 0) stream.insert(stream.end(), first.bytes.get(), first.bytes.get() + first.size);
        stream.insert(stream.end(), second.bytes.get(), second.bytes.get() + second.size);
        Byte tail[4];
        putU32(tail, std::uint32_t(adler32_combine(headAdler, restAdler, z_off_t(restSize))));
        stream.insert(stream.end(), tail, tail + 4);
        return stream;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// The PNG of `filtered` rows: compressed into one zlib stream, cut into IDAT chunks.
std::optional<QByteArray> wrapped(std::optional<std::vector<Byte>> stream, int w, int h, bool alpha) {
    if (!stream) return std::nullopt;
    const Byte* zlib = stream->data();
    const size_t zlibSize = stream->size();

    const size_t idatCount = std::max<size_t>(1, (zlibSize + kMaxIdatData - 1) / kMaxIdatData);
    QByteArray png;
    png.reserve(qsizetype(8 + 25 + 21 + idatCount * 12 + zlibSize + 12));
    png.append("\x89PNG\r\n\x1a\n", 8);

    Byte ihdr[13];
    putU32(ihdr, std::uint32_t(w));
    putU32(ihdr + 4, std::uint32_t(h));
    ihdr[8] = 8;                        // bits per channel
    ihdr[9] = alpha ? 6 : 2;            // RGBA or RGB
    ihdr[10] = ihdr[11] = ihdr[12] = 0; // deflate, adaptive filters, no interlace
    appendChunk(png, "IHDR", ihdr, sizeof ihdr);

    Byte phys[9];
    putU32(phys, DrawingSurface::kDotsPerMeter);
    putU32(phys + 4, DrawingSurface::kDotsPerMeter);
    phys[8] = 1; // per metre
    appendChunk(png, "pHYs", phys, sizeof phys);

    for (size_t off = 0; off < zlibSize; off += kMaxIdatData)
        appendChunk(png, "IDAT", zlib + off, std::min(kMaxIdatData, zlibSize - off));
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

} // namespace

std::optional<QByteArray> PngWriter::encode(const QImage& image, int level) {
    if (image.isNull()) return std::nullopt;
    level = level == kQuickLevel ? level : std::clamp(level, 1, 12);

    QImage converted;
    const QImage* src = &image;
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied &&
        format != QImage::Format_ARGB32) {
        // Straight ARGB32 rather than premultiplied: the detour through premultiplied would round
        // away colour of translucent pixels.
        converted =
            image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (converted.isNull()) return std::nullopt; // conversion failed for memory
        src = &converted;
    }

    const bool alpha = src->format() != QImage::Format_RGB32 && !allOpaque(*src);
    const bool unpremultiply = alpha && src->format() == QImage::Format_ARGB32_Premultiplied;
    const int w = src->width(), h = src->height();
    const size_t bpp = alpha ? 4 : 3;
    const size_t rowBytes = size_t(w) * bpp;
    const size_t filteredSize = size_t(h) * (rowBytes + 1);

    try {
        auto filtered = largeBuffer(filteredSize);
        if (!filtered) return std::nullopt;

        std::atomic<bool> failed = false;
        // A second thread only for 256 KiB of rows or more; starting one costs tens of microseconds.
        const int minRows = int(std::max<size_t>(1, (size_t(1) << 18) / rowBytes));
        Parallel::forRanges(h, minRows, [&](int begin, int end) {
            try {
                RowScratch s(rowBytes);
                StraightRows rows(*src, unpremultiply);
                if (begin > 0) convertRow(rows.row(begin - 1), s.prev.data(), w, alpha);
                for (int y = begin; y < end; ++y) {
                    convertRow(rows.row(y), s.cur.data(), w, alpha);
                    filterRow(s.cur.data(), s.prev.data(), rowBytes, bpp, s,
                              filtered.get() + size_t(y) * (rowBytes + 1));
                    s.prev.swap(s.cur);
                }
            } catch (const std::bad_alloc&) {
                failed = true;
            }
        });
        if (failed) return std::nullopt;

        const size_t head = size_t(headRows(h, filteredSize, level)) * (rowBytes + 1);
        return wrapped(zlibStream(filtered.get(), head, filtered.get() + head, filteredSize - head, level), w, h, alpha);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<QByteArray> PngWriter::encodeConsuming(QImage image, int level) {
    if (image.isNull() || image.format() != QImage::Format_RGB32 || !image.isDetached() ||
        image.bytesPerLine() != qsizetype(image.width()) * 4)
        return encode(image, level);
    level = level == kQuickLevel ? level : std::clamp(level, 1, 12);
    // The picture's own memory takes the filtered rows: row y's filtered bytes (3w + 1) end before
    // row y + 1 (4w further on) begins, and each row is read before it is overwritten. One pass
    // in order, but no buffer as large as the picture to fault in.
    const int w = image.width(), h = image.height();
    const size_t rowBytes = size_t(w) * 3, stride = size_t(w) * 4;
    Byte* out = image.bits();
    // Rows [begin, end) filtered into `to`, one after another; `prev` holds row begin - 1 as RGB.
    // Each row's filtered bytes end before the next row's pixels begin (3w + 1 <= 4w), so `to` may
    // be the rows' own memory.
    const auto filterRows = [&](int begin, int end, const std::vector<Byte>* prev, Byte* to) {
        try {
            RowScratch s(rowBytes);
            if (prev) s.prev = *prev;
            for (int y = begin; y < end; ++y) {
                convertRow(reinterpret_cast<const std::uint32_t*>(image.constScanLine(y)), s.cur.data(), w, false);
                filterRow(s.cur.data(), s.prev.data(), rowBytes, 3, s, to + size_t(y - begin) * (rowBytes + 1));
                s.prev.swap(s.cur);
            }
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    try {
        const size_t filteredSize = size_t(h) * (rowBytes + 1);
        const int k = headRows(h, filteredSize, level);
        if (k == 0) {
            if (!filterRows(0, h, nullptr, out)) return std::nullopt;
            return wrapped(zlibStream(out, 0, out, filteredSize, level), w, h, false);
        }
        // Two halves, each filtered in its own rows' memory by the thread that compresses it: the
        // head from the picture's start, the rest from row k's first byte. Row k's filter needs row
        // k - 1, read before either side writes anything.
        std::vector<Byte> beforeRest(rowBytes);
        convertRow(reinterpret_cast<const std::uint32_t*>(image.constScanLine(k - 1)), beforeRest.data(), w, false);
        Byte* const restAt = out + size_t(k) * stride;
        return wrapped(zlibStream(out, size_t(k) * (rowBytes + 1), restAt, size_t(h - k) * (rowBytes + 1), level,
                                  [&] { return filterRows(0, k, nullptr, out); },
                                  [&] { return filterRows(k, h, &beforeRest, restAt); }),
                       w, h, false);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

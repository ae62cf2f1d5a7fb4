#include "graphics/GaussianBlur.h"

#include "graphics/DrawingSurface.h"
#include "graphics/Parallel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace GaussianBlur {

namespace {

constexpr int kChannels = 4;
// Below this standard deviation in the reduced image three boxes stop looking Gaussian.
constexpr double kReducedSigma = 3.0;

// A box of radius r with the two samples just outside it weighted alpha: three of them in a row
// give any variance exactly, not only the variances of whole-pixel boxes.
struct ExtendedBox {
    int r = 0;
    double alpha = 0.0;
    double norm = 1.0; // 1 / (2r + 1 + 2 alpha)
};

ExtendedBox extendedBox(double variance) {
    ExtendedBox box;
    if (variance <= 0) return box;
    // Largest plain box whose variance r(r+1)/3 does not exceed the target.
    int r = int(std::floor((std::sqrt(12.0 * variance + 1.0) - 1.0) / 2.0));
    while (r > 0 && r * (r + 1) / 3.0 > variance)
        --r;
    while ((r + 1) * (r + 2) / 3.0 <= variance)
        ++r;
    const double plain = r * (r + 1) / 3.0;
    const double alpha = (2 * r + 1) * (plain - variance) / (2.0 * (variance - (r + 1.0) * (r + 1.0)));
    box.r = r;
    box.alpha = std::clamp(alpha, 0.0, 1.0);
    box.norm = 1.0 / (2 * r + 1 + 2 * box.alpha);
    return box;
}

struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float> data; // width * height * 4, channels in memory order

    float* row(int y) { return data.data() + size_t(y) * size_t(width) * kChannels; }
    const float* row(int y) const { return data.data() + size_t(y) * size_t(width) * kChannels; }
};

// Area average of f x f blocks over the source extended by `pad` pixels on every side with its
// edge pixels repeated: the reduced copy then repeats the real edge pixels, not block averages.
void reduce(const QImage& src, int f, int pad, Plane& out) {
    const int W = src.width(), H = src.height();
    Parallel::forRanges(out.height, 4, [&](int jBegin, int jEnd) {
        const int paddedW = out.width * f;
        std::vector<uint32_t> acc(size_t(W) * kChannels);
        for (int j = jBegin; j < jEnd; ++j) {
            std::fill(acc.begin(), acc.end(), 0u);
            // Rows of this block; rows beyond the edges collapse onto the edge row with a weight.
            const int v0 = j * f - pad;
            int k = 0;
            while (k < f) {
                const int y = std::clamp(v0 + k, 0, H - 1);
                int weight = 1;
                while (k + weight < f && std::clamp(v0 + k + weight, 0, H - 1) == y)
                    ++weight;
                k += weight;
                const uint8_t* s = src.constScanLine(y);
                uint32_t* a = acc.data();
                const size_t n = size_t(W) * kChannels;
                if (weight == 1)
                    for (size_t i = 0; i < n; ++i)
                        a[i] += s[i];
                else
                    for (size_t i = 0; i < n; ++i)
                        a[i] += uint32_t(weight) * s[i];
            }
            float* o = out.row(j);
            const float scale = 1.0f / float(f * f);
            for (int i = 0; i < out.width; ++i) {
                uint32_t sum[kChannels] = {0, 0, 0, 0};
                const int u0 = i * f - pad;
                const int u1 = std::min(u0 + f, paddedW - pad);
                // Columns left of the image, inside it, and right of it.
                const int left = std::clamp(0 - u0, 0, u1 - u0);
                const int right = std::clamp(u1 - W, 0, u1 - u0);
                const int inBegin = std::max(u0, 0), inEnd = std::min(u1, W);
                for (int x = inBegin; x < inEnd; ++x)
                    for (int c = 0; c < kChannels; ++c)
                        sum[c] += acc[size_t(x) * kChannels + c];
                for (int c = 0; c < kChannels; ++c) {
                    sum[c] += uint32_t(left) * acc[size_t(c)] +
                              uint32_t(right) * acc[size_t(W - 1) * kChannels + c];
                    o[i * kChannels + c] = float(sum[c]) * scale;
                }
            }
        }
    });
}

// One extended-box pass along x over every row, edges repeated.
void boxRows(const Plane& in, Plane& out, const ExtendedBox& b) {
    const int w = in.width;
    const float alpha = float(b.alpha), norm = float(b.norm);
    for (int y = 0; y < in.height; ++y) {
        const float* s = in.row(y);
        float* o = out.row(y);
        auto at = [&](int x, int c) { return s[std::clamp(x, 0, w - 1) * kChannels + c]; };
        for (int c = 0; c < kChannels; ++c) {
            float sum = 0;
            for (int k = -b.r; k <= b.r; ++k)
                sum += at(k, c);
            for (int x = 0; x < w; ++x) {
                o[x * kChannels + c] = (sum + alpha * (at(x - b.r - 1, c) + at(x + b.r + 1, c))) * norm;
                sum += at(x + b.r + 1, c) - at(x - b.r, c);
            }
        }
    }
}

// One extended-box pass along y; whole rows at a time so the inner loops vectorise.
void boxColumns(const Plane& in, Plane& out, const ExtendedBox& b) {
    const int h = in.height;
    const size_t n = size_t(in.width) * kChannels;
    const float alpha = float(b.alpha), norm = float(b.norm);
    auto row = [&](int y) { return in.row(std::clamp(y, 0, h - 1)); };
    std::vector<float> sum(n, 0.0f);
    for (int k = -b.r; k <= b.r; ++k) {
        const float* s = row(k);
        for (size_t i = 0; i < n; ++i)
            sum[i] += s[i];
    }
    for (int y = 0; y < h; ++y) {
        const float* before = row(y - b.r - 1);
        const float* after = row(y + b.r + 1);
        const float* leaving = row(y - b.r);
        float* o = out.row(y);
        for (size_t i = 0; i < n; ++i) {
            o[i] = (sum[i] + alpha * (before[i] + after[i])) * norm;
            sum[i] += after[i] - leaving[i];
        }
    }
}

// Writes one output row by linear interpolation along x of a row of 16.16 fixed-point samples.
void enlargeRow(const int32_t* v, int rw, int f, int pad, int W, bool premultiplied, uint32_t* out) {
    // Output pixel x sits at reduced position (x + pad - c) / f.
    const double c = (f - 1) / 2.0 - pad;
    auto run = [&](int xBegin, int xEnd, const int32_t* start, const int32_t* step) {
        if (xBegin >= xEnd) return;
#if defined(__SSE2__)
        __m128i val = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start));
        const __m128i inc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(step));
        for (int x = xBegin; x < xEnd; ++x) {
            __m128i p = _mm_srai_epi32(val, 16);
            p = _mm_packs_epi32(p, p);
            // Premultiplied colour never exceeds its alpha, whatever the rounding did.
            if (premultiplied) p = _mm_min_epi16(p, _mm_shufflelo_epi16(p, _MM_SHUFFLE(3, 3, 3, 3)));
            p = _mm_packus_epi16(p, p);
            out[x] = uint32_t(_mm_cvtsi128_si32(p));
            val = _mm_add_epi32(val, inc);
        }
#else
        int32_t val[kChannels];
        std::memcpy(val, start, sizeof val);
        for (int x = xBegin; x < xEnd; ++x) {
            int ch[kChannels];
            for (int k = 0; k < kChannels; ++k) {
                ch[k] = std::clamp(val[k] >> 16, 0, 255);
                val[k] += step[k];
            }
            if (premultiplied)
                for (int k = 0; k < 3; ++k)
                    ch[k] = std::min(ch[k], ch[3]);
            out[x] = uint32_t(ch[0]) | uint32_t(ch[1]) << 8 | uint32_t(ch[2]) << 16 | uint32_t(ch[3]) << 24;
        }
#endif
    };
    const int32_t zero[kChannels] = {0, 0, 0, 0};
    // Left of the first sample centre: constant.
    const int firstEnd = std::clamp(int(std::ceil(c)), 0, W);
    run(0, firstEnd, v, zero);
    for (int i = 0; i + 1 < rw; ++i) {
        const int xs = std::max(0, int(std::ceil(i * f + c)));
        const int xe = std::min(W, int(std::ceil((i + 1) * f + c)));
        if (xs >= xe) continue;
        int32_t start[kChannels], step[kChannels];
        const double t0 = ((xs - c) - i * f) / f;
        for (int k = 0; k < kChannels; ++k) {
            const double a = v[i * kChannels + k], b = v[(i + 1) * kChannels + k];
            start[k] = int32_t(std::lround(a + (b - a) * t0));
            step[k] = int32_t(std::lround((b - a) / f));
        }
        run(xs, xe, start, step);
    }
    const int lastBegin = std::max(firstEnd, std::min(W, int(std::ceil((rw - 1) * f + c))));
    run(lastBegin, W, v + (rw - 1) * kChannels, zero);
}

void enlarge(const Plane& p, int f, int pad, QImage& dst, bool premultiplied) {
    const int W = dst.width(), H = dst.height();
    const int rw = p.width, rh = p.height;
    const double c = (f - 1) / 2.0 - pad;
    Parallel::forRanges(H, 64, [&](int yBegin, int yEnd) {
        std::vector<int32_t> v(size_t(rw) * kChannels);
        for (int y = yBegin; y < yEnd; ++y) {
            const double pos = std::clamp((y - c) / f, 0.0, double(rh - 1));
            const int j0 = int(pos);
            const int j1 = std::min(j0 + 1, rh - 1);
            const float wy = float(pos - j0);
            const float* r0 = p.row(j0);
            const float* r1 = p.row(j1);
            // 16.16 fixed point with the rounding half already added.
            for (size_t i = 0; i < v.size(); ++i)
                v[i] = int32_t((r0[i] + (r1[i] - r0[i]) * wy) * 65536.0f) + 0x8000;
            enlargeRow(v.data(), rw, f, pad, W, premultiplied, reinterpret_cast<uint32_t*>(dst.scanLine(y)));
        }
    });
}

} // namespace

int reductionFactor(double sigma) {
    if (!(sigma > 0)) return 1;
    return std::max(1, int(std::floor(sigma / kReducedSigma)));
}

QImage blur(const QImage& source, double sigma, QImage* reuse) {
    if (source.isNull()) return QImage();
    QImage src = source;
    if (src.format() != QImage::Format_RGB32 && src.format() != QImage::Format_ARGB32_Premultiplied)
        src = src.convertToFormat(src.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                        : QImage::Format_RGB32);
    if (src.isNull()) return QImage();
    const int W = src.width(), H = src.height();

    QImage dst;
    if (reuse && reuse->size() == src.size() && reuse->format() == src.format() && reuse->isDetached())
        dst = std::move(*reuse);
    else
        dst = QImage(src.size(), src.format());
    if (dst.isNull()) return QImage();
    DrawingSurface::normalizeMetadata(dst);
    if (!(sigma > 0) || !std::isfinite(sigma)) {
        for (int y = 0; y < H; ++y)
            std::memcpy(dst.scanLine(y), src.constScanLine(y), size_t(W) * 4);
        return dst;
    }

    const int f = std::min(reductionFactor(sigma), std::max(W, H));
    // Enough repeated border that the Gaussian's tail never reaches the reduced copy's own edge.
    const int pad = f * int(std::ceil(4.0 * sigma / f));
    Plane a, b;
    a.width = b.width = (W + 2 * pad + f - 1) / f;
    a.height = b.height = (H + 2 * pad + f - 1) / f;
    a.data.resize(size_t(a.width) * size_t(a.height) * kChannels);
    b.data.resize(a.data.size());
    reduce(src, f, pad, a);

    // The reduction (area average) and the enlargement (linear interpolation) each add their own
    // variance; the boxes supply the rest, measured in reduced pixels.
    const double total = sigma * sigma - (double(f) * f - 1.0) / 4.0;
    const ExtendedBox box = extendedBox(std::max(total, 0.0) / (double(f) * f) / 3.0);
    for (int pass = 0; pass < 3; ++pass) {
        boxRows(a, b, box);
        boxColumns(b, a, box);
    }
    enlarge(a, f, pad, dst, dst.format() == QImage::Format_ARGB32_Premultiplied);
    return dst;
}

double regionSigma(QSize imageSize) {
    return std::max(std::max(imageSize.width(), imageSize.height()) / 100.0, 8.0);
}

} // namespace GaussianBlur

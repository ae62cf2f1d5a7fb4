#include "graphics/GaussianBlur.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <cmath>
#include <vector>

namespace {

// Reference: a direct separable Gaussian in floating point, edge pixels repeated, 4 sigma wide,
// evaluated on every `step`-th row and column plus the outermost ones (a full 2000 x 1200 reference
// takes seconds). Entries that are not evaluated are NaN.
std::vector<double> referenceBlur(const QImage& img, double sigma, int step = 1) {
    const int W = img.width(), H = img.height(), R = int(std::ceil(4 * sigma));
    std::vector<double> k(2 * R + 1);
    double sum = 0;
    for (int i = -R; i <= R; ++i)
        sum += k[i + R] = std::exp(-0.5 * i * i / (sigma * sigma));
    for (double& v : k)
        v /= sum;
    auto sampled = [step](int i, int n) { return i % step == 0 || i < 4 || i >= n - 4; };
    auto channel = [&](int x, int y, int c) {
        const QRgb p = reinterpret_cast<const QRgb*>(img.constScanLine(y))[x];
        return double(c == 0 ? qBlue(p) : c == 1 ? qGreen(p) : c == 2 ? qRed(p) : qAlpha(p));
    };
    std::vector<double> tmp(size_t(W) * H * 4), out(tmp.size(), std::nan(""));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            if (!sampled(x, W)) continue;
            for (int c = 0; c < 4; ++c) {
                double acc = 0;
                for (int i = -R; i <= R; ++i)
                    acc += k[i + R] * channel(std::clamp(x + i, 0, W - 1), y, c);
                tmp[(size_t(y) * W + x) * 4 + c] = acc;
            }
        }
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            if (!sampled(x, W) || !sampled(y, H)) continue;
            for (int c = 0; c < 4; ++c) {
                double acc = 0;
                for (int i = -R; i <= R; ++i)
                    acc += k[i + R] * tmp[(size_t(std::clamp(y + i, 0, H - 1)) * W + x) * 4 + c];
                out[(size_t(y) * W + x) * 4 + c] = acc;
            }
        }
    return out;
}

struct Difference {
    double mean = 0;
    double max = 0;
};

Difference compare(const QImage& blurred, const std::vector<double>& reference) {
    Difference d;
    size_t count = 0;
    const int W = blurred.width(), H = blurred.height();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const QRgb p = reinterpret_cast<const QRgb*>(blurred.constScanLine(y))[x];
            const double ch[4] = {double(qBlue(p)), double(qGreen(p)), double(qRed(p)), double(qAlpha(p))};
            for (int c = 0; c < 4; ++c) {
                const double r = reference[(size_t(y) * W + x) * 4 + c];
                if (std::isnan(r)) continue;
                const double e = std::abs(ch[c] - r);
                d.mean += e;
                d.max = std::max(d.max, e);
                ++count;
            }
        }
    d.mean /= double(count);
    return d;
}

// Screenshot-like content with fine detail: text-sized noise, hard edges and a gradient.
QImage detailedImage(int w, int h, bool withAlpha) {
    QImage img(w, h, withAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int stripe = ((x / 37) + (y / 23)) % 2 ? 220 : 30;
            const int noise = int(rng.bounded(256));
            const int r = (x * 255) / w, g = (stripe + noise) / 2, b = (x % 3 == 0 || y % 5 == 0) ? 255 : 0;
            const int a = withAlpha ? ((x + y) % 97 < 40 ? 0 : 255) : 255;
            row[x] = qPremultiply(qRgba(r, g, b, a));
        }
    }
    return img;
}

} // namespace

TEST(GaussianBlur, MatchesADirectGaussianOnALargeDetailedImage) {
    const QImage img = detailedImage(2000, 1200, false);
    const QImage blurred = GaussianBlur::blur(img, 20);
    ASSERT_EQ(blurred.size(), img.size());
    EXPECT_EQ(blurred.format(), QImage::Format_RGB32);
    EXPECT_GT(GaussianBlur::reductionFactor(20), 1); // the fast path is what is measured here
    const Difference d = compare(blurred, referenceBlur(img, 20, 5));
    EXPECT_LE(d.mean, 1.0);
    EXPECT_LE(d.max, 4.0);
}

TEST(GaussianBlur, MatchesADirectGaussianOnASmallImageWithAlpha) {
    const QImage img = detailedImage(160, 120, true);
    const QImage blurred = GaussianBlur::blur(img, 8);
    EXPECT_EQ(blurred.format(), QImage::Format_ARGB32_Premultiplied);
    const Difference d = compare(blurred, referenceBlur(img, 8));
    EXPECT_LE(d.mean, 1.0);
    // Premultiplied colour never exceeds alpha.
    for (int y = 0; y < blurred.height(); ++y)
        for (int x = 0; x < blurred.width(); ++x) {
            const QRgb p = blurred.pixel(x, y);
            ASSERT_LE(std::max({qRed(p), qGreen(p), qBlue(p)}), qAlpha(p));
        }
}

TEST(GaussianBlur, BordersKeepTheirBrightness) {
    // A flat image stays flat: repeated edges neither darken nor fade the border.
    QImage flat(901, 333, QImage::Format_RGB32);
    flat.fill(QColor(200, 120, 40));
    const QImage blurred = GaussianBlur::blur(flat, 9.01);
    for (QPoint p : {QPoint(0, 0), QPoint(900, 332), QPoint(450, 0), QPoint(0, 166), QPoint(450, 166)})
        EXPECT_EQ(blurred.pixel(p), flat.pixel(p)) << p.x() << "," << p.y();

    // A bright left half stays bright at the left border; only the middle is mixed.
    QImage half(400, 100, QImage::Format_RGB32);
    half.fill(Qt::black);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            half.setPixel(x, y, qRgb(255, 255, 255));
    const QImage b = GaussianBlur::blur(half, 8);
    EXPECT_EQ(qRed(b.pixel(0, 0)), 255);
    EXPECT_EQ(qRed(b.pixel(399, 99)), 0);
    // The first dark column keeps the white weight left of it: 255 * Phi(-0.5 / sigma).
    const double expected = 255 * 0.5 * std::erfc(0.5 / 8 / std::sqrt(2.0));
    EXPECT_NEAR(qRed(b.pixel(200, 50)), expected, 1.5);
}

TEST(GaussianBlur, ReusesAnUnsharedBufferOfTheSameSize) {
    const QImage img = detailedImage(1200, 900, false);
    QImage first = GaussianBlur::blur(img, 12);
    const uchar* buffer = first.constBits();
    const QImage second = GaussianBlur::blur(img, 12, &first);
    EXPECT_EQ(second.constBits(), buffer);

    const QImage held = second; // shared: must not be overwritten
    QImage reuse = second;
    const QImage third = GaussianBlur::blur(img, 12, &reuse);
    EXPECT_NE(third.constBits(), held.constBits());
}

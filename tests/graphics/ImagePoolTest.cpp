#include "graphics/ImagePool.h"

#include <gtest/gtest.h>

TEST(ImagePool, ReturnsBuffersWhenTheLastImageGoes) {
    ImagePool::trim();
    const uchar* first = nullptr;
    {
        QImage a = ImagePool::acquire(1000, 600, QImage::Format_ARGB32_Premultiplied);
        ASSERT_FALSE(a.isNull());
        a.fill(Qt::red); // writable without a detach
        first = a.constBits();
        QImage copy = a; // a second holder keeps the buffer out of the pool
        a = QImage();
        EXPECT_EQ(ImagePool::freeBytes(), 0);
        EXPECT_EQ(copy.pixel(999, 599), qRgb(255, 0, 0));
    }
    EXPECT_EQ(ImagePool::freeBytes(), 1000 * 600 * 4);
    QImage again = ImagePool::acquire(1000, 600, QImage::Format_RGB32);
    EXPECT_EQ(again.constBits(), first);
    EXPECT_EQ(ImagePool::freeBytes(), 0);
    // While it is in use, the same size needs a new buffer.
    QImage other = ImagePool::acquire(1000, 600, QImage::Format_RGB32);
    EXPECT_NE(other.constBits(), first);
    // Small images are ordinary allocations.
    EXPECT_FALSE(ImagePool::acquire(10, 10, QImage::Format_RGB32).isNull());
    EXPECT_TRUE(ImagePool::acquire(0, 10, QImage::Format_RGB32).isNull());
}

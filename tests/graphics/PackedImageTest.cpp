#include "graphics/PackedImage.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QPainter>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <vector>

#include <csignal>
#include <sys/resource.h>

namespace {

// Noise, so that a band unpacked into the wrong rows cannot pass for the right one.
QImage noise(int width, int height, QImage::Format format, quint32 seed) {
    QImage image(width, height, format);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (qsizetype x = 0; x < image.bytesPerLine(); ++x)
            line[x] = uchar(random.bounded(256));
    }
    return image;
}

// Every byte of every row that holds pixels, padding aside.
bool sameRows(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return false;
    const qsizetype used = (qsizetype(a.width()) * a.depth() + 7) / 8;
    for (int y = 0; y < a.height(); ++y)
        if (memcmp(a.constScanLine(y), b.constScanLine(y), size_t(used)) != 0) return false;
    return true;
}

} // namespace

// Back bit for bit, in the formats the editor holds and with what travels with the pixels: across
// many bands shared out over the cores, a last band shorter than the others, and odd widths.
TEST(PackedImage, GivesBackThePictureBitForBit) {
    QImage wide = noise(5000, 500, QImage::Format_RGB32, 1); // 52 rows a band, ten bands
    wide.setDotsPerMeterX(5906);
    wide.setDotsPerMeterY(3937);
    wide.setDevicePixelRatio(2);
    wide.setColorSpace(QColorSpace::DisplayP3);
    wide.setText(QStringLiteral("Source"), QStringLiteral("capture"));
    wide.setOffset(QPoint(-4, 9));
    QImage indexed = noise(333, 77, QImage::Format_Indexed8, 3);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.append(qRgb(i, 255 - i, i / 2));
    indexed.setColorTable(table);
    const std::vector<QImage> pictures{wide, noise(301, 203, QImage::Format_ARGB32_Premultiplied, 2),
                                       noise(17, 1, QImage::Format_Grayscale8, 4), indexed,
                                       noise(7001, 3, QImage::Format_RGB888, 5)};
    for (const QImage& picture : pictures) {
        const auto packed = PackedImage::pack(picture);
        ASSERT_TRUE(packed) << picture.width();
        EXPECT_EQ(packed->size(), picture.size());
        EXPECT_EQ(packed->imageBytes(), picture.sizeInBytes());
        const QImage back = packed->unpack();
        EXPECT_TRUE(sameRows(back, picture)) << picture.width() << "×" << picture.height();
        EXPECT_EQ(back, picture);
        EXPECT_EQ(back.dotsPerMeterX(), picture.dotsPerMeterX());
        EXPECT_EQ(back.dotsPerMeterY(), picture.dotsPerMeterY());
        EXPECT_EQ(back.devicePixelRatio(), picture.devicePixelRatio());
        EXPECT_EQ(back.colorSpace(), picture.colorSpace());
        EXPECT_EQ(back.offset(), picture.offset());
        EXPECT_EQ(back.text(QStringLiteral("Source")), picture.text(QStringLiteral("Source")));
        EXPECT_EQ(back.colorTable(), picture.colorTable());
    }
    EXPECT_FALSE(PackedImage::pack(QImage()));
}

// A picture over someone else's buffer, rows farther apart than QImage makes them.
TEST(PackedImage, APictureWithItsOwnStrideComesBackInQImagesOwn) {
    const QImage source = noise(100, 40, QImage::Format_ARGB32, 6);
    std::vector<uchar> buffer(size_t(100 * 4 + 64) * 40, 0xAB);
    for (int y = 0; y < 40; ++y)
        memcpy(buffer.data() + size_t(y) * (100 * 4 + 64), source.constScanLine(y), 100 * 4);
    const QImage strided(buffer.data(), 100, 40, 100 * 4 + 64, QImage::Format_ARGB32);
    const auto packed = PackedImage::pack(strided);
    ASSERT_TRUE(packed);
    buffer.assign(buffer.size(), 0); // the packed copy owes nothing to the buffer
    const QImage back = packed->unpack();
    EXPECT_TRUE(sameRows(back, source));
}

// What the history gains by it: a screenshot of flat panels and text packs to a small part.
TEST(PackedImage, AScreenshotPacksSmall) {
    QImage shot(1920, 1080, QImage::Format_RGB32);
    shot.fill(QColor(236, 236, 236));
    QPainter painter(&shot);
    painter.fillRect(0, 0, 1920, 40, QColor(40, 44, 52));
    for (int row = 0; row < 40; ++row)
        painter.drawText(60, 80 + row * 24, QStringLiteral("Setting %1: value 192.168.1.%1").arg(row));
    painter.end();
    const auto packed = PackedImage::pack(shot);
    ASSERT_TRUE(packed);
    EXPECT_LT(packed->packedBytes() * 20, shot.sizeInBytes());
    EXPECT_EQ(packed->unpack(), shot);
}

// Moved to a file, pictures come back the same, their bands read on every core; one dropped gives
// its space back without touching the others, and the file is emptied with the last. The file has
// no name anyone could open, and a folder where no file can be made gives none.
TEST(PackedImage, PicturesMovedToAFileComeBackTheSame) {
    QTemporaryDir folder;
    auto file = PackedImage::SpillFile::create(folder.path());
    ASSERT_TRUE(file);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QImage first = noise(3000, 800, QImage::Format_RGB32, 7); // ten bands, shared out over the cores
    first.setDotsPerMeterX(3937);
    const QImage second = noise(640, 480, QImage::Format_ARGB32_Premultiplied, 8);
    const QImage third = noise(2500, 600, QImage::Format_RGB32, 9);
    const auto packedFirst = PackedImage::pack(first);
    auto movedFirst = packedFirst->spilled(file);
    auto movedSecond = PackedImage::pack(second)->spilled(file);
    auto movedThird = PackedImage::pack(third)->spilled(file);
    ASSERT_TRUE(movedFirst && movedSecond && movedThird);
    EXPECT_TRUE(movedFirst->isSpilled());
    EXPECT_FALSE(packedFirst->isSpilled());
    EXPECT_EQ(movedFirst->packedBytes(), packedFirst->packedBytes());
    EXPECT_EQ(file->size(), movedFirst->packedBytes() + movedSecond->packedBytes() + movedThird->packedBytes());
    EXPECT_FALSE(movedFirst->spilled(file)); // once is enough

    movedSecond.reset(); // the one in the middle goes
    const QImage back = movedFirst->unpack();
    EXPECT_EQ(back, first);
    EXPECT_EQ(back.dotsPerMeterX(), 3937);
    EXPECT_EQ(movedThird->unpack(), third);
    movedFirst.reset();
    EXPECT_EQ(movedThird->unpack(), third);
    EXPECT_GT(file->size(), 0);
    movedThird.reset();
    EXPECT_EQ(file->size(), 0);

    EXPECT_FALSE(PackedImage::SpillFile::create(folder.filePath(QStringLiteral("missing"))));
}

// A disk that takes no more (here a file size limit): the picture stays packed in memory and
// nothing of it is left in the file, which still takes a picture that fits.
TEST(PackedImage, AFullDiskLeavesThePictureInMemory) {
    QTemporaryDir folder;
    const auto file = PackedImage::SpillFile::create(folder.path());
    ASSERT_TRUE(file);
    const auto big = PackedImage::pack(noise(1000, 300, QImage::Format_RGB32, 10));
    const auto small = PackedImage::pack(noise(40, 30, QImage::Format_RGB32, 11));
    ASSERT_GT(big->packedBytes(), 256 * 1024);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = before;
    limited.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto refused = big->spilled(file);
    const auto taken = small->spilled(file);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(refused);
    ASSERT_TRUE(taken);
    EXPECT_EQ(file->size(), small->packedBytes());
    EXPECT_EQ(taken->unpack(), small->unpack());
    EXPECT_FALSE(big->isSpilled());
    EXPECT_FALSE(big->unpack().isNull());
}

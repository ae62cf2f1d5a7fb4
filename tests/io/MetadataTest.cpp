// Nothing Pictavo writes says who made a picture or where: PNGs hold only the chunks a picture
// needs, JPEGs their JFIF header without Exif or comments, PDFs their file's name as title. Text a
// decoded picture carries along never goes out again.
#include "io/ImageUtilities.h"
#include "io/PdfSupport.h"
#include "io/PngWriter.h"

#include "TestSupport.h"
#include "io/WrittenBytes.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

namespace {

// A picture with text attached, as one read from a file may be.
QImage taggedPicture(bool alpha) {
    QImage image = TestSupport::noisePicture(64, 48);
    if (alpha) image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setText(QStringLiteral("Author"), QStringLiteral("Jane Roe"));
    image.setText(QStringLiteral("Description"), QStringLiteral("Jane's kitchen"));
    image.setText(QStringLiteral("Software"), QStringLiteral("Jane's camera"));
    return image;
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(Metadata, PngsHoldThePictureAndItsDensityOnly) {
    const QStringList expected{"IHDR", "pHYs", "IDAT", "IEND"};
    QTemporaryDir dir;
    for (bool alpha : {false, true}) {
        const QImage picture = taggedPicture(alpha);
        ASSERT_FALSE(ImageUtilities::savePng(picture, dir.filePath(QStringLiteral("saved.png"))));
        for (const QByteArray& png : {PngWriter::encode(picture).value_or(QByteArray()),
                                      PngWriter::encodeConsuming(taggedPicture(alpha)).value_or(QByteArray()),
                                      contentOf(dir.filePath(QStringLiteral("saved.png")))}) {
            EXPECT_EQ(WrittenBytes::pngChunks(png), expected) << alpha;
            EXPECT_FALSE(png.contains("Jane")) << alpha;
        }
    }
}

TEST(Metadata, JpegsHoldTheirJfifHeaderButNoExifOrComments) {
    for (bool alpha : {false, true}) {
        const QByteArray jpeg = ImageUtilities::jpegData(taggedPicture(alpha)).value_or(QByteArray());
        const QStringList markers = WrittenBytes::jpegMarkers(jpeg);
        ASSERT_GE(markers.size(), 3) << alpha;
        EXPECT_EQ(markers[1], QStringLiteral("APP0 JFIF")) << alpha;
        for (const QString& marker : markers.mid(2))
            EXPECT_TRUE(!marker.startsWith(QLatin1String("APP")) || marker == QLatin1String("APP2 ICC_PROFILE"))
                << marker.toStdString();
        EXPECT_FALSE(markers.contains(QStringLiteral("COM"))) << markers.join(u' ').toStdString();
        EXPECT_EQ(markers.last(), QStringLiteral("SOS"));
        EXPECT_FALSE(jpeg.contains("Jane")) << alpha;
        // The density stays: 96 dots per inch.
        const QImage read = QImage::fromData(jpeg, "jpeg");
        EXPECT_EQ(read.size(), QSize(64, 48));
        EXPECT_NEAR(read.dotsPerMeterX(), 3780, 1);
        EXPECT_TRUE(read.textKeys().isEmpty());
    }
}

TEST(Metadata, APdfIsTitledWithItsFilesName) {
    QTemporaryDir dir;
    for (const QString& name : {QStringLiteral("Site plan 3.pdf"), QStringLiteral("Übersicht (2) \\ Jane's.pdf")}) {
        ASSERT_FALSE(PdfSupport::exportImage(taggedPicture(false), dir.filePath(name)));
        const QByteArray pdf = contentOf(dir.filePath(name));
        EXPECT_EQ(WrittenBytes::pdfTitles(pdf), QStringList{name});
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(PdfSupport::writeImage(taggedPicture(true), buffer, QStringLiteral("given.pdf")));
    EXPECT_EQ(WrittenBytes::pdfTitles(bytes), QStringList{QStringLiteral("given.pdf")});
    EXPECT_FALSE(bytes.contains("Jane"));
}

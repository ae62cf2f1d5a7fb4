#include "io/ImageDecoder.h"

#include "io/FileIO.h"
#include "graphics/DrawingSurface.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <atomic>

namespace ImageDecoder {

namespace {

std::atomic<qint64> g_pixelsPerLoad{kMaxPixels};

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

Result<QImage> read(QImageReader& reader, const QString& name, Budget* budget) {
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format.isEmpty()) return corrupt(name, QStringLiteral("its format is not one Pictavo reads"));
    if (!isAllowedFormat(format))
        return corrupt(
            name, QStringLiteral("%1 pictures are not supported").arg(QString::fromLatin1(format.toUpper())));
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kAllocationLimitMiB);
    const QSize announced = reader.size();
    if (announced.isValid()) {
        if (announced.width() > kMaxSide || announced.height() > kMaxSide)
            return corrupt(name, QStringLiteral("it is %1 × %2 pixels, more than %3 on a side")
                                     .arg(announced.width())
                                     .arg(announced.height())
                                     .arg(kMaxSide));
        if (budget && qint64(announced.width()) * announced.height() > budget->remainingPixels)
            return corrupt(name, QStringLiteral("its pictures together are too large"));
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        const QString why = reader.errorString();
        return corrupt(name, why.isEmpty() ? QStringLiteral("the data could not be decoded") : why);
    }
    // Formats that announce no size are checked after decoding, still within Qt's allocation limit.
    const qint64 pixels = qint64(image.width()) * image.height();
    if (image.width() > kMaxSide || image.height() > kMaxSide || (budget && pixels > budget->remainingPixels))
        return corrupt(name, QStringLiteral("it is too large"));
    if (budget) budget->remainingPixels -= pixels;
    QImage converted = DrawingSurface::toDrawingFormat(image);
    if (converted.isNull()) return corrupt(name, QStringLiteral("not enough memory to convert it"));
    return converted;
}

} // namespace

qint64 pixelsPerLoad() {
    return g_pixelsPerLoad.load();
}

ScopedLoadBudget::ScopedLoadBudget(qint64 pixels) : m_previous(g_pixelsPerLoad.exchange(pixels)) {}

ScopedLoadBudget::~ScopedLoadBudget() {
    g_pixelsPerLoad.store(m_previous);
}

Result<QImage> decode(const QByteArray& bytes, const QString& name, Budget* budget) {
    if (bytes.isEmpty()) return corrupt(name, QStringLiteral("it is empty"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return read(reader, name, budget);
}

Result<QImage> decodeFile(const QString& path, Budget* budget) {
    QFile file(path);
    if (auto error = FileIO::openRegularFile(file)) return *error;
    QImageReader reader(&file);
    return read(reader, path, budget);
}

} // namespace ImageDecoder

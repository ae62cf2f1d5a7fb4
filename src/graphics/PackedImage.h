#pragma once

#include <QColorSpace>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPoint>

#include <memory>
#include <vector>

// A picture kept compressed, to be had back bit for bit: the older steps of the undo history.
// Screenshots shrink 20-100× with zstd at its fastest level; bands of rows are packed and unpacked
// on every core.
class PackedImage {
public:
    // Null for a null picture, or when memory for the packed bytes is short.
    static std::shared_ptr<const PackedImage> pack(const QImage& image);

    // The picture as it was packed, pixels, padding and metadata alike; null when memory is short.
    QImage unpack() const;

    qsizetype packedBytes() const { return m_packedBytes; }
    // What the picture takes when unpacked.
    qsizetype imageBytes() const { return qsizetype(m_bytesPerLine) * m_size.height(); }
    QSize size() const { return m_size; }

private:
    static std::shared_ptr<const PackedImage> packOrThrow(const QImage& image);
    QImage unpackOrThrow() const;

    QSize m_size;
    QImage::Format m_format = QImage::Format_Invalid;
    qsizetype m_bytesPerLine = 0;
    int m_rowsPerBand = 0;
    int m_dotsPerMeterX = 0, m_dotsPerMeterY = 0;
    qreal m_devicePixelRatio = 1;
    QPoint m_offset;
    QColorSpace m_colorSpace;
    QList<QRgb> m_colorTable;
    QMap<QString, QString> m_text;
    std::vector<QByteArray> m_bands;
    qsizetype m_packedBytes = 0;
};

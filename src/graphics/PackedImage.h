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
    // An unlinked file only this process can reach, where packed pictures go when even packed they
    // take too much memory (photos pack 1.4×). Emptied when the last picture in it is gone.
    class SpillFile {
    public:
        // Null when no such file can be made in `folder`.
        static std::shared_ptr<SpillFile> create(const QString& folder);
        ~SpillFile();
        SpillFile(const SpillFile&) = delete;
        SpillFile& operator=(const SpillFile&) = delete;

        // Where the next picture goes: 0 once no picture is left in it.
        qint64 size() const { return m_end; }

    private:
        friend class PackedImage;
        explicit SpillFile(int fd) : m_fd(fd) {}
        // A picture in the file is gone: its space is given back.
        void release(qint64 offset, qint64 size);
        int m_fd;
        qint64 m_end = 0; // appended to; a dropped picture leaves a hole
        int m_pictures = 0;
    };

    // Null for a null picture, or when memory for the packed bytes is short.
    static std::shared_ptr<const PackedImage> pack(const QImage& image);

    // The same picture with its bands in `file` instead of memory; null when the file cannot take
    // them (a full disk).
    std::shared_ptr<const PackedImage> spilled(const std::shared_ptr<SpillFile>& file) const;
    bool isSpilled() const { return bool(m_file); }
    ~PackedImage();
    PackedImage() = default;
    PackedImage& operator=(const PackedImage&) = delete;

    // The picture as it was packed, pixels, padding and metadata alike; null when memory is short.
    QImage unpack() const;

    // The packed size, in memory or in the file.
    qsizetype packedBytes() const { return m_packedBytes; }
    // What the picture takes when unpacked.
    qsizetype imageBytes() const { return qsizetype(m_bytesPerLine) * m_size.height(); }
    QSize size() const { return m_size; }

private:
    // Copies only inside: two objects for one range of the file would give its space back twice.
    PackedImage(const PackedImage&) = default;
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
    std::vector<QByteArray> m_bands; // in memory, or empty when in a file:
    std::shared_ptr<SpillFile> m_file;
    std::vector<std::pair<qint64, qint64>> m_ranges; // offset and size of each band in the file
    qsizetype m_packedBytes = 0;
};

#pragma once

// Small files that ask for minutes of decoding or gigabytes of memory, made here byte by byte so no
// such file is ever kept in the repository.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QString>
#include <QtEndian>

#include <zlib.h>

namespace Bombs {

inline QByteArray be32(quint32 v) {
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

inline QByteArray le16(quint16 v) {
    return QByteArray(1, char(v & 0xff)) + QByteArray(1, char(v >> 8));
}

inline QByteArray le32(quint32 v) {
    return le16(quint16(v & 0xffff)) + le16(quint16(v >> 16));
}

// A zlib stream of `chunk` repeated `times` times, compressed once: each copy is flushed whole, so
// the compressed copies are identical and simply repeated (about a thousand to one for zeros).
inline QByteArray repeatedZlib(const QByteArray& chunk, int times) {
    z_stream z{};
    deflateInit(&z, 9);
    QByteArray first(int(deflateBound(&z, uLong(chunk.size()))) + 64, '\0'), copy = first;
    auto compress = [&](QByteArray& out) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.constData()));
        z.avail_in = uInt(chunk.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FULL_FLUSH);
        out.truncate(out.size() - int(z.avail_out));
    };
    compress(first); // with the zlib header
    compress(copy);
    deflateEnd(&z);
    uLong adler = adler32(0, nullptr, 0);
    const uLong one = adler32(adler, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(chunk.size()));
    QByteArray out = first;
    adler = one;
    for (int i = 1; i < times; ++i) {
        out += copy;
        adler = adler32_combine(adler, one, z_off_t(chunk.size()));
    }
    out += QByteArray("\x03\x00", 2); // an empty final block
    return out + be32(quint32(adler));
}

inline QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type, 4) + data;
    return be32(quint32(data.size())) + body + be32(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

inline QByteArray pngHeader(int width, int height, int colourType) {
    return QByteArray("\x89PNG\r\n\x1a\n", 8) +
           pngChunk("IHDR", be32(quint32(width)) + be32(quint32(height)) + QByteArray(1, 8) +
                                QByteArray(1, char(colourType)) + QByteArray(3, '\0'));
}

// A one-colour RGB PNG of side x side pixels, every row the same: ~1 MB for 20000².
inline QByteArray plainPng(int side) {
    const int rowsPerChunk = 50;
    const QByteArray rows = QByteArray(qsizetype(1 + side * 3) * rowsPerChunk, '\0');
    return pngHeader(side, side, 2) + pngChunk("IDAT", repeatedZlib(rows, side / rowsPerChunk)) +
           pngChunk("IEND", {});
}

// A 1 x 1 PNG carrying `count` compressed text chunks of `inflated` bytes each (and an sRGB chunk,
// as most writers add, whose one byte is read alone).
inline QByteArray textChunkPng(int count, int inflated) {
    QByteArray out = pngHeader(1, 1, 2) + pngChunk("sRGB", QByteArray(1, '\0'));
    const QByteArray text = QByteArray("Comment") + '\0' + '\0' + repeatedZlib(QByteArray(inflated / 64, 'a'), 64);
    for (int i = 0; i < count / 2; ++i)
        out += pngChunk("zTXt", text);
    out += pngChunk("IDAT", repeatedZlib(QByteArray("\x00\xff\x00\x00", 4), 1));
    for (int i = count / 2; i < count; ++i) // after the pixels too
        out += pngChunk("zTXt", text);
    return out + pngChunk("IEND", {});
}

// A one-colour RGB TIFF of side x side pixels in one deflated strip.
inline QByteArray plainTiff(int side) {
    const int rowsPerChunk = 50;
    const QByteArray strip = repeatedZlib(QByteArray(qsizetype(side) * 3 * rowsPerChunk, '\0'), side / rowsPerChunk);
    struct Entry {
        quint16 tag, type;
        quint32 count, value;
    };
    const quint32 bitsAt = 8, stripAt = 16;
    const QList<Entry> entries{{256, 4, 1, quint32(side)}, {257, 4, 1, quint32(side)}, {258, 3, 3, bitsAt},
                               {259, 3, 1, 8},             {262, 3, 1, 2},             {273, 4, 1, stripAt},
                               {277, 3, 1, 3},             {278, 4, 1, quint32(side)}, {279, 4, 1, quint32(strip.size())},
                               {284, 3, 1, 1}};
    QByteArray out = QByteArray("II*\0", 4) + le32(quint32(stripAt + strip.size()));
    out += le16(8) + le16(8) + le16(8) + le16(0); // bits per sample, at 8
    out += strip;
    out += le16(quint16(entries.size()));
    for (const Entry& e : entries)
        out += le16(e.tag) + le16(e.type) + le32(e.count) + (e.type == 3 && e.count == 1 ? le16(quint16(e.value)) + le16(0) : le32(e.value));
    return out + le32(0);
}

// An icon file whose one picture is the PNG given.
inline QByteArray iconAround(const QByteArray& png) {
    return le16(0) + le16(1) + le16(1) + QByteArray(1, '\0') + QByteArray(1, '\0') + QByteArray(2, '\0') + le16(1) +
           le16(32) + le32(quint32(png.size())) + le32(22) + png;
}

// A small JPEG from Qt's writer whose frame header is made to claim side x side pixels; the data
// that follows runs out after a few blocks, which the decoder makes up for by itself.
inline QByteArray jpegClaiming(int side, bool progressive = false, int repeatedScans = 0) {
    QImage small(32, 32, QImage::Format_RGB32);
    small.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    writer.write(small);
    const qsizetype frame = bytes.indexOf(progressive ? QByteArray("\xff\xc2", 2) : QByteArray("\xff\xc0", 2));
    if (frame < 0) return {};
    qToBigEndian(quint16(side), bytes.data() + frame + 5);
    qToBigEndian(quint16(side), bytes.data() + frame + 7);
    if (repeatedScans > 0) { // the last scan again and again: each one a pass over every coefficient
        const qsizetype lastScan = bytes.lastIndexOf(QByteArray("\xff\xda", 2));
        const QByteArray scan = bytes.mid(lastScan, bytes.size() - 2 - lastScan);
        QByteArray more;
        for (int i = 0; i < repeatedScans; ++i)
            more += scan;
        bytes.insert(bytes.size() - 2, more);
    }
    return bytes;
}

// A lossless WebP claiming side x side pixels whose every pixel costs no bits: each of its five
// prefix codes has a single symbol.
inline QByteArray webpClaiming(int side) {
    QByteArray bits;
    quint64 accumulator = 0;
    int count = 0;
    auto put = [&](quint32 value, int n) {
        accumulator |= quint64(value) << count;
        count += n;
        while (count >= 8) {
            bits += char(accumulator & 0xff);
            accumulator >>= 8;
            count -= 8;
        }
    };
    put(0x2f, 8);
    put(quint32(side - 1), 14);
    put(quint32(side - 1), 14);
    put(1, 1); // alpha used
    put(0, 3); // version
    put(0, 1); // no transform
    put(0, 1); // no colour cache
    put(0, 1); // no meta prefix codes
    for (int code = 0; code < 5; ++code) {
        put(1, 1); // simple code
        put(0, 1); // one symbol
        put(1, 1); // of eight bits
        put(code == 3 ? 0xff : code == 4 ? 0 : 0x40, 8);
    }
    if (count > 0) put(0, 8 - count);
    if (bits.size() % 2) bits += '\0';
    const QByteArray chunk = QByteArray("VP8L") + le32(quint32(bits.size())) + bits;
    return QByteArray("RIFF") + le32(quint32(4 + chunk.size())) + QByteArray("WEBP") + chunk;
}

// A PDF written object by object, with its cross-reference table.
inline QByteArray pdf(const QList<QByteArray>& objects) {
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    return out + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
}

// A page tree whose Pages node is its own kid.
inline QByteArray loopingPdf(int count) {
    return pdf({"<< /Type /Catalog /Pages 2 0 R >>",
                "<< /Type /Pages /Kids [2 0 R] /Count " + QByteArray::number(count) + " >>"});
}

// A PDF of `pages` pages of 200 x 300 pt, each with a blue square; page `heavy` first draws a
// 30000² picture across itself (2.7 GB once inflated, 2.6 MB in the file).
inline QByteArray pdfWithHeavyPage(int pages, int heavy) {
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>", {}};
    const QByteArray square = "0 0 1 rg 20 20 60 60 re f";
    objects << "<< /Length " + QByteArray::number(square.size()) + " >>\nstream\n" + square + "\nendstream";
    const QByteArray big = "q 200 0 0 300 0 0 cm /Big Do Q " + square;
    objects << "<< /Length " + QByteArray::number(big.size()) + " >>\nstream\n" + big + "\nendstream";
    const QByteArray pixels = repeatedZlib(QByteArray(30000 * 3 * 20, char(0x80)), 1500);
    objects << "<< /Type /XObject /Subtype /Image /Width 30000 /Height 30000 /ColorSpace /DeviceRGB "
               "/BitsPerComponent 8 /Filter /FlateDecode /Length " +
                   QByteArray::number(pixels.size()) + " >>\nstream\n" + pixels + "\nendstream";
    QByteArray kids;
    for (int i = 0; i < pages; ++i) {
        kids += QByteArray::number(6 + i) + " 0 R ";
        objects << (i == heavy ? "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Contents 4 0 R "
                                 "/Resources << /XObject << /Big 5 0 R >> >> >>"
                               : "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Contents 3 0 R >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    return pdf(objects);
}

inline bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace Bombs

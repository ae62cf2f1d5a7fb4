#pragma once

// Reading back what the writers put into a file, byte by byte: the chunks of a PNG, the markers
// of a JPEG up to its picture data, the title of a PDF.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <optional>

namespace WrittenBytes {

// The chunk types of a PNG in order; empty when the signature or a length is wrong.
inline QStringList pngChunks(const QByteArray& png) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!png.startsWith(signature)) return {};
    QStringList types;
    qsizetype at = signature.size();
    while (at + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > quint32(png.size() - at - 12)) return {};
        types << QString::fromLatin1(png.mid(at + 4, 4));
        at += 12 + qsizetype(length);
    }
    return at == png.size() ? types : QStringList();
}

// The markers of a JPEG before its picture data, as "SOI", "APP0 JFIF", "APP1 Exif", "COM", "DQT"…:
// an APPn with the name it starts with. Empty when the segments do not add up.
inline QStringList jpegMarkers(const QByteArray& jpeg) {
    if (!jpeg.startsWith("\xff\xd8")) return {};
    QStringList markers{QStringLiteral("SOI")};
    qsizetype at = 2;
    while (at + 4 <= jpeg.size()) {
        if (uchar(jpeg[at]) != 0xff) return {};
        const uchar marker = uchar(jpeg[at + 1]);
        const quint16 length = qFromBigEndian<quint16>(jpeg.constData() + at + 2);
        if (length < 2 || at + 2 + length > jpeg.size()) return {};
        const QByteArray body = jpeg.mid(at + 4, length - 2);
        if (marker >= 0xe0 && marker <= 0xef)
            markers << QStringLiteral("APP%1 %2").arg(marker - 0xe0).arg(QString::fromLatin1(body.left(body.indexOf('\0'))));
        else if (marker == 0xfe)
            markers << QStringLiteral("COM");
        else if (marker == 0xdb)
            markers << QStringLiteral("DQT");
        else if (marker == 0xc4)
            markers << QStringLiteral("DHT");
        else if (marker == 0xda)
            return markers << QStringLiteral("SOS");
        else
            markers << QStringLiteral("FF%1").arg(marker, 2, 16, QLatin1Char('0')).toUpper();
        at += 2 + length;
    }
    return {};
}

// A PDF string from its first byte: a literal "(…)" with its escapes or a hex "<…>"; text in
// UTF-16 when it starts with the byte order mark, else Latin-1.
inline std::optional<QString> pdfString(const QByteArray& pdf, qsizetype at) {
    while (at < pdf.size() && (pdf[at] == ' ' || pdf[at] == '\n' || pdf[at] == '\r')) ++at;
    if (at >= pdf.size()) return std::nullopt;
    QByteArray raw;
    if (pdf[at] == '<') {
        const qsizetype end = pdf.indexOf('>', at);
        if (end < 0) return std::nullopt;
        raw = QByteArray::fromHex(pdf.mid(at + 1, end - at - 1));
    } else if (pdf[at] == '(') {
        int depth = 1;
        for (++at; at < pdf.size() && depth > 0; ++at) {
            const char c = pdf[at];
            if (c == '\\' && at + 1 < pdf.size()) {
                const char e = pdf[++at];
                if (e >= '0' && e <= '7') {
                    int value = 0, digits = 0;
                    for (; digits < 3 && at < pdf.size() && pdf[at] >= '0' && pdf[at] <= '7'; ++digits, ++at)
                        value = value * 8 + (pdf[at] - '0');
                    --at;
                    raw += char(value);
                } else {
                    raw += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == 'b' ? '\b' : e == 'f' ? '\f' : e;
                }
                continue;
            }
            if (c == '(') ++depth;
            if (c == ')' && --depth == 0) break;
            raw += c;
        }
    } else {
        return std::nullopt;
    }
    if (raw.startsWith("\xfe\xff")) {
        QString text;
        for (qsizetype i = 2; i + 1 < raw.size(); i += 2)
            text += QChar(char16_t((uchar(raw[i]) << 8) | uchar(raw[i + 1])));
        return text;
    }
    return QString::fromLatin1(raw);
}

// Every title the PDF's document information gives (normally one).
inline QStringList pdfTitles(const QByteArray& pdf) {
    QStringList titles;
    for (qsizetype at = pdf.indexOf("/Title"); at >= 0; at = pdf.indexOf("/Title", at + 6))
        if (const std::optional<QString> title = pdfString(pdf, at + 6)) titles << *title;
    return titles;
}

} // namespace WrittenBytes

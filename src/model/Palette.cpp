#include "model/Palette.h"

#include <cmath>
#include <cstring>

QColor Palette::named(const char* name) {
    for (const Entry& e : kEntries)
        if (std::strcmp(e.name, name) == 0) return color(e);
    return standardRed();
}

std::optional<QString> pictavoHex(const QColor& color) {
    if (!color.isValid()) return std::nullopt;
    const QColor rgb = color.toRgb();
    auto channel = [](float c) {
        const long v = std::lround(double(c) * 255.0);
        return int(std::clamp(v, 0L, 255L));
    };
    return QString::asprintf("%02X%02X%02X", channel(rgb.redF()), channel(rgb.greenF()),
                             channel(rgb.blueF()));
}

std::optional<QColor> colorFromPictavoHex(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u'#')
        ++begin;
    while (end > begin && text[end - 1] == u'#')
        --end;
    const QStringView rest = text.mid(begin, end - begin);
    if (rest.size() != 6) return std::nullopt;

    // A lenient hexadecimal scan: leading white space and a "0x" prefix are skipped, then digits
    // are read as far as they go; at least one digit must be read.
    qsizetype i = 0;
    while (i < rest.size() && rest[i].isSpace())
        ++i;
    if (i + 1 < rest.size() && rest[i] == u'0' && (rest[i + 1] == u'x' || rest[i + 1] == u'X')) i += 2;
    unsigned value = 0;
    int digits = 0;
    for (; i < rest.size(); ++i) {
        const char16_t c = rest[i].unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            break;
        value = value * 16 + unsigned(d);
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return QColor::fromRgb(int((value >> 16) & 255), int((value >> 8) & 255), int(value & 255));
}

#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <optional>

// The standard colours of the editor palette, kept once. Every "red" fallback in the program is
// Palette::standardRed().
namespace Palette {

struct Entry {
    const char* name;
    unsigned rgb; // 0xRRGGBB
};

inline constexpr std::array<Entry, 14> kEntries{{
    {"black", 0x000000},
    {"white", 0xFFFFFF},
    {"gray", 0x8E8E93},
    {"brown", 0xA2845E},
    {"red", 0xFF3B30},
    {"orange", 0xFF9500},
    {"yellow", 0xFFCC00},
    {"green", 0x34C759},
    {"mint", 0x00C7BE},
    {"teal", 0x30B0C7},
    {"blue", 0x007AFF},
    {"indigo", 0x5856D6},
    {"purple", 0xAF52DE},
    {"pink", 0xFF2D55},
}};

inline QColor color(const Entry& e) {
    return QColor::fromRgb(QRgb(0xFF000000u | e.rgb));
}
// Looks a palette colour up by name; an unknown name is a programming error and gives red.
QColor named(const char* name);
inline QColor standardRed() {
    return QColor::fromRgb(QRgb(0xFFFF3B30u));
}
inline QColor white() {
    return QColor::fromRgb(QRgb(0xFFFFFFFFu));
}
inline QColor black() {
    return QColor::fromRgb(QRgb(0xFF000000u));
}

} // namespace Palette

// Colour hex text: six upper-case hexadecimal digits of the sRGB red, green and blue channels,
// no "#", no alpha. Absent when the colour has no sRGB form.
std::optional<QString> pictavoHex(const QColor& color);
// Reads colour hex text: surrounding "#"s are dropped, the rest must be six characters that scan
// as a hexadecimal number. The colour is opaque sRGB.
std::optional<QColor> colorFromPictavoHex(QStringView text);

#include "model/Palette.h"

#include <gtest/gtest.h>

TEST(ColorHex, WritesUpperCaseRoundedChannelsWithoutAlpha) {
    EXPECT_EQ(pictavoHex(QColor::fromRgb(0x1A, 0x2B, 0x3C)), QStringLiteral("1A2B3C"));
    EXPECT_EQ(pictavoHex(QColor::fromRgbF(1, 0.5f, 0, 0.25f)), QStringLiteral("FF8000"));
    EXPECT_EQ(pictavoHex(QColor::fromHsvF(0, 1, 1)), QStringLiteral("FF0000"));
    EXPECT_EQ(pictavoHex(QColor()), std::nullopt);
    EXPECT_EQ(pictavoHex(Palette::standardRed()), QStringLiteral("FF3B30"));
}

TEST(ColorHex, ReadsLenientlyButOnlySixCharacters) {
    const QColor expected = QColor::fromRgb(0x1A, 0x2B, 0x3C);
    EXPECT_EQ(colorFromPictavoHex(u"1A2B3C"), expected);
    EXPECT_EQ(colorFromPictavoHex(u"1a2b3c"), expected);
    EXPECT_EQ(colorFromPictavoHex(u"#1A2B3C"), expected);
    EXPECT_EQ(colorFromPictavoHex(u"1A2B3C##"), expected);
    EXPECT_EQ(colorFromPictavoHex(u"0x1234"), QColor::fromRgb(0x00, 0x12, 0x34));
    EXPECT_EQ(colorFromPictavoHex(u"12ZZZZ"), QColor::fromRgb(0, 0, 0x12)); // the scan stops at Z
    EXPECT_EQ(colorFromPictavoHex(u"1A2B3"), std::nullopt);
    EXPECT_EQ(colorFromPictavoHex(u""), std::nullopt);
    EXPECT_EQ(colorFromPictavoHex(u"ZZZZZZ"), std::nullopt);
    EXPECT_EQ(colorFromPictavoHex(u"1A2B3C4"), std::nullopt);
}

TEST(ColorHex, EveryPaletteColourRoundTrips) {
    for (const auto& e : Palette::kEntries) {
        const QColor c = Palette::color(e);
        EXPECT_EQ(colorFromPictavoHex(*pictavoHex(c)), c) << e.name;
    }
    EXPECT_EQ(Palette::named("blue"), QColor::fromRgb(0x00, 0x7A, 0xFF));
}

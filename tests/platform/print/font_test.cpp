#include <QFontInfo>

#include <gtest/gtest.h>

#include "platform/print/font.h"

TEST(TFont, HeightAndSizeConvertAt96Dpi)
{
    TFont font;
    EXPECT_EQ(font.Size(), 8); // -11 pixels
    font.Height = -12;
    EXPECT_EQ(font.Size(), 9);
    font.Height = -13;
    EXPECT_EQ(font.Size(), 10);
    font.SetSize(10);
    EXPECT_EQ(font.Height, -13);
    font.SetSize(8);
    EXPECT_EQ(font.Height, -11);
}

TEST(TFont, RoundTripsThroughQFont)
{
    TFont font;
    font.Name = QStringLiteral("Courier New");
    font.SetSize(10);
    font.Style = {TFontStyle::fsBold, TFontStyle::fsItalic};
    const TFont back = FontFromQFont(ToQFont(font), font.Color);
    EXPECT_EQ(back, font);
}

TEST(TFont, WindowsFacesResolveToMetricCompatibleOnes)
{
    TFont font;
    font.Name = QStringLiteral("Arial");
    EXPECT_EQ(QFontInfo(ToQFont(font)).family(), QStringLiteral("Liberation Sans"));
    font.Name = QStringLiteral("Courier New");
    EXPECT_EQ(QFontInfo(ToQFont(font)).family(), QStringLiteral("Liberation Mono"));
}

TEST(TColor, PlainAndSystemColours)
{
    EXPECT_EQ(ColorToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(QColorToColor(QColor(1, 2, 3)), 0x030201);
    EXPECT_TRUE(ColorToQColor(clWindowText).isValid());
}

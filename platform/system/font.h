#pragma once

#include <cstdint>

#include <QString>

#include "platform/system/set.h"

enum class TFontStyle
{
    fsBold,
    fsItalic,
    fsUnderline,
    fsStrikeOut
};
using TFontStyles = TSet<TFontStyle>;

// A colour as 0x00BBGGRR, or a system colour (high byte 0x80, low byte its index).
using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;

constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;

// The colour a TColor gives on paper and in saved files, as 0xRRGGBB: system colours as
// the design means them on a white page (window text black, window white, button face
// light grey), whatever the screen's palette; other colours as they are.
std::uint32_t RgbOnPaper(TColor color);

// A font as the components describe it. A negative Height is the character height in
// pixels at PixelsPerInch (so -11 at 96 dpi is 8 points); a positive one includes the
// internal leading. Size is in points. The platform's font comes from it where text is
// drawn (ToQFont).
struct TFont
{
    QString Name = QStringLiteral("MS Sans Serif");
    int Height = -11;
    TFontStyles Style;
    TColor Color = clWindowText;
    int Charset = DEFAULT_CHARSET;
    int PixelsPerInch = 96;
    // The face's style as the font dialog named it ("Book", "Condensed Italic"), so that
    // the dialog shows it again as chosen; empty for a font nobody chose there. Text is
    // drawn from Style alone, so that bold headings stay bold whatever the face's style.
    QString StyleName;

    int Size() const;
    void SetSize(int points);

    bool operator==(const TFont &) const = default;
};

#include "platform/system/font.h"

#include <cmath>

namespace {

int MulDiv(int number, int numerator, int denominator)
{
    return static_cast<int>(std::lround(static_cast<double>(number) * numerator / denominator));
}

} // namespace

std::uint32_t RgbOnPaper(TColor color)
{
    if ((color & clSystemColor) == 0) {
        const auto bgr = static_cast<std::uint32_t>(color);
        return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    }
    switch (color & 0xFF) {
    case 5: // window
        return 0xFFFFFF;
    case 15: // button face
        return 0xF0F0F0;
    default:
        return 0x000000;
    }
}

int TFont::Size() const
{
    if (Height < 0)
        return MulDiv(-Height, 72, PixelsPerInch);
    return MulDiv(Height, 72, PixelsPerInch);
}

void TFont::SetSize(int points)
{
    Height = -MulDiv(points, PixelsPerInch, 72);
}

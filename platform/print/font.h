#pragma once

#include <QColor>
#include <QFont>

#include "platform/system/font.h"

// The colour a TColor stands for now; system colours come from the application palette.
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor &color);
// The colour a TColor gives on paper and in saved files (RgbOnPaper).
QColor ColorOnPaper(TColor color);

// The Qt font with the font's face, point size and style. Faces that Linux does not have
// ("MS Sans Serif", "Arial", "Courier New") resolve through font substitutions.
QFont ToQFont(const TFont &font);
TFont FontFromQFont(const QFont &font, TColor color = clWindowText);

// Registers substitutes for the Windows faces that the design values name.
void InstallFontSubstitutions();

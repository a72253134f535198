#pragma once

#include <QImage>

// How far two pictures of a page lie apart: the mean grey difference (0 to 255) of their
// 4 x 4 pixel cells over the area both cover. Rasterisers that place a glyph's edge a
// pixel apart barely move it; a line of text out of place does.
double PageDistance(const QImage &a, const QImage &b);

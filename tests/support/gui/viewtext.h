#pragma once

#include <utility>
#include <vector>

#include <QString>

class TRichEdit;

using TParagraphs = std::vector<std::pair<QString, bool>>;

// The paragraphs of the view's text, each with whether its first run is bold; the empty
// block after the last paragraph break is not one.
TParagraphs Paragraphs(const TRichEdit &view);

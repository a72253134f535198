#pragma once

#include <vector>

#include <QByteArray>
#include <QStringView>

#include "platform/document/rtfwriter.h"

// Paragraphs copied from the view, for the clipboard's rich formats: `text` holds them
// with '\n' between each and the next, and `weights` the weight of each (bold or not),
// in order.
struct TClipParagraphs
{
    QStringView Text;
    const std::vector<bool> &Weights;
    const TRtfFont &Font;
};

// As RTF, by the RTF writer that saves the view, so that a word processor pastes the
// headings bold in the listing's font.
QByteArray ClipRtf(const TClipParagraphs &clip);
// As an HTML fragment of one block in the font, white space kept (tabs as tabs), each
// paragraph a line and the bold ones in <b>.
QByteArray ClipHtml(const TClipParagraphs &clip);

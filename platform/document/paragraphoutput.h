#pragma once

#include <QByteArrayView>

#include "platform/document/rtfwriter.h"
#include "platform/system/font.h"

class QIODevice;
class TParagraphStore;

// Writes all the bytes to the device; throws EWriteError when it takes fewer.
void WriteAll(QIODevice &out, QByteArrayView bytes);
// Hands what a file device buffers to the file; throws EWriteError when that fails.
// Other devices have nothing to flush.
void FlushDevice(QIODevice &out);

// The font's RTF form, in its colour on paper (RgbOnPaper): window text is black in the
// file whatever the screen's palette.
TRtfFont RtfFontOf(const TFont &font);

// The store's text as RTF: the paragraphs with a \par between each and the next, each
// paragraph one run of its weight. The open last paragraph has no \par after it.
// Throws EWriteError when the device does not take the bytes.
void WriteRtf(const TParagraphStore &store, const TRtfFont &font, QIODevice &out);

// The store's text as plain text: each paragraph as one UTF-8 line ending in "\n", the
// open last paragraph left out when empty (as it is after appended lines). Throws
// EWriteError when the device does not take the bytes.
void WritePlainText(const TParagraphStore &store, QIODevice &out);

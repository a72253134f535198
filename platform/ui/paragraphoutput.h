#pragma once

#include "platform/print/font.h"
#include "platform/print/printerlayout.h"
#include "platform/ui/rtfwriter.h"

class QIODevice;
class TParagraphStore;

// The font's RTF form, in its colour on paper (ColorOnPaper): window text is black in
// the file whatever the screen's palette.
TRtfFont RtfFontOf(const TFont &font);

// The store's text as RTF: the paragraphs with a \par between each and the next, each
// paragraph one run of its weight. The open last paragraph has no \par after it.
// Throws EWriteError when the device does not take the bytes.
void WriteRtf(const TParagraphStore &store, const TRtfFont &font, QIODevice &out);

// The store's text as plain text: each paragraph as one UTF-8 line ending in "\n", the
// open last paragraph left out when empty (as it is after appended lines). Throws
// EWriteError when the device does not take the bytes.
void WritePlainText(const TParagraphStore &store, QIODevice &out);

// The store's paragraphs as the page layout prints them: a bold paragraph is one bold run.
class TStorePrintParagraphs final : public TPrintParagraphs
{
public:
    explicit TStorePrintParagraphs(const TParagraphStore &store)
        : m_store(store)
    { }

    qsizetype Count() const override;
    QString Text(qsizetype paragraph) const override;
    QList<QTextLayout::FormatRange> BoldRuns(qsizetype paragraph) const override;
    std::int64_t Position(qsizetype paragraph) const override;
    qsizetype ParagraphAt(std::int64_t position) const override;
    std::int64_t Revision() const override;

private:
    const TParagraphStore &m_store;
};

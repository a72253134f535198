#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QPlainTextEdit>
#include <QTextCharFormat>

#include "platform/font.h"

class QIODevice;

// The rich text view: paragraphs of text with tab stops every half inch, bold or
// regular runs and one font for the whole text. Built on QPlainTextEdit, which lays
// out lazily, so that a listing of millions of lines stays usable.
//
// The text is a run of paragraphs, each followed by a paragraph break: after n calls of
// AppendLine the document holds n paragraphs and an empty last block.
class TRichEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TRichEdit(QWidget *parent = nullptr);

    // Removes all text.
    void Clear();
    // Adds one paragraph at the end; throws EOutOfResources (and adds nothing) when the
    // text would pass MaxLength(). A line or paragraph break inside the text becomes a line
    // separator (U+2028), so each call still adds exactly one paragraph.
    void AppendLine(QStringView text);
    // Bold or regular for the lines appended next.
    void SetNextLineBold(bool bold);
    bool NextLineBold() const { return m_nextBold; }

    // Many appends between BeginUpdate and EndUpdate go to a detached document that the
    // view takes over at EndUpdate. Calls nest.
    void BeginUpdate();
    void EndUpdate();

    // The font of the whole text. Setting it restyles the text already shown: face,
    // size, colour and style change; bold runs stay bold.
    TFont Font() const { return m_font; }
    void SetFont(const TFont &font);

    // Characters in the text, each paragraph break counted as one.
    std::int64_t GetTextLen() const;
    // The most characters the view takes (default 1 Gi characters).
    std::int64_t MaxLength() const { return m_maxLength; }
    void SetMaxLength(std::int64_t length) { m_maxLength = length; }

    // Writes the whole text as RTF to the file, replacing it only once complete: a
    // failure leaves an existing file untouched. The name is the file's bytes (UTF-8 as a
    // rule, but any bytes other than NUL name that very file). Throws EFCreateError
    // ("Impossible de créer le fichier %s") or EWriteError ("Erreur à l'enregistrement de flux").
    void SaveToFile(const std::string &fileName) const;
    void WriteRtf(QIODevice &out) const;
    // Each paragraph as one UTF-8 line ending in "\n".
    void WritePlainText(QIODevice &out) const;

    // The document that holds the text: during an update, the one the appends go to.
    QTextDocument *Document() const;

private:
    std::unique_ptr<QTextDocument> NewPendingDocument() const;
    void TakeOverPendingDocument();

    TFont m_font;
    bool m_nextBold = false;
    std::int64_t m_maxLength = std::int64_t(1) << 30;
    int m_updateDepth = 0;
    bool m_readOnlyBeforeUpdate = false;
    // The document that receives appends during an update; the view takes it at EndUpdate.
    std::unique_ptr<QTextDocument> m_pending;
    // During an update, lines of one weight wait here, each followed by a paragraph
    // separator, and go into the pending document in one insertion: far cheaper than
    // one cursor edit per line.
    void FlushBuffered() const;
    mutable QString m_buffered;
    mutable bool m_bufferedBold = false;
};

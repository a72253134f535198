#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/print/font.h"
#include "platform/print/printerlayout.h"
#include "platform/ui/paragraphview.h"

class QIODevice;
class QRectF;
class TDeviceContext;
class TPageCounter;
class TPrintParagraphs;

// A rectangle in the units its user states (twips for page rendering).
struct TRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Characters from cpMin up to cpMax (-1: to the end of the text).
struct TCharRange
{
    std::int64_t cpMin = 0;
    std::int64_t cpMax = 0;
};

// What the view renders a page into: rectangles in twips (1/1440 inch) from the device
// context's origin.
struct TFormatRange
{
    TDeviceContext *hdc = nullptr;
    TDeviceContext *hdcTarget = nullptr;
    TRect rc;
    TRect rcPage;
    TCharRange chrg;
};

// The rich text view: paragraphs of text with tab stops every half inch, bold or
// regular paragraphs and one font for the whole text. The text lives in the view's
// paragraph store, a few bytes a paragraph beyond its characters, and only the
// paragraphs in sight are laid out, so that a listing of millions of lines stays usable.
//
// The text is a run of paragraphs, each followed by a paragraph break: after n calls of
// AppendLine the store holds n paragraphs and an empty open one.
class TRichEdit : public TParagraphView
{
    Q_OBJECT

public:
    explicit TRichEdit(QWidget *parent = nullptr);
    ~TRichEdit() override;

    // Removes all text and the history of edits.
    void Clear();
    // Replaces all text by `text`, whose breaks make paragraphs, with no break after the
    // last; the history of edits starts afresh.
    void SetText(QStringView text);
    // Adds one paragraph at the end; throws EOutOfResources (and adds nothing) when the
    // text would pass MaxLength(). A line or paragraph break inside the text becomes a line
    // separator (U+2028), so each call still adds exactly one paragraph.
    void AppendLine(QStringView text);
    // Bold or regular for the lines appended next.
    void SetNextLineBold(bool bold);
    bool NextLineBold() const { return m_nextBold; }

    // Many appends between BeginUpdate and EndUpdate: the view takes its picture and
    // scroll bar from the text at the outermost EndUpdate, and the user cannot edit the
    // text meanwhile. Calls nest.
    void BeginUpdate();
    void EndUpdate();

    // The font of the whole text. Setting it restyles the text already shown: face,
    // size, colour and style change; bold paragraphs stay bold.
    TFont Font() const { return m_font; }
    TFont DocumentFont() const override { return m_font; }
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
    // The text colour is the font's on paper (ColorOnPaper): window text is black in the
    // file whatever the screen's palette, as FormatRange prints it.
    void SaveToFile(const std::string &fileName) const;
    void WriteRtf(QIODevice &out) const;
    // Each paragraph as one UTF-8 line ending in "\n"; an empty open last paragraph is
    // left out.
    void WritePlainText(QIODevice &out) const;

    // Renders the range into range->rc on range->hdc (or only measures it when `render`
    // is false) and answers the first character that did not fit: at or beyond
    // GetTextLen() when all did. Whole lines only; fonts keep their point size and tab
    // stops their half inch at the device's resolution; the text takes the font's colour
    // on paper (ColorOnPaper), not the screen's. The layout stays cached for the
    // next call; nullptr frees it and answers 0. Throws EPrinter without a printer.
    std::int64_t FormatRange(const TFormatRange *range, bool render);
    // Finds where the pages that FormatRange fills one after another with ranges like
    // `range` begin, mostly without laying the text out; valid while the text does not
    // change.
    std::unique_ptr<TPageCounter> PageCounter(const TFormatRange &range) const;

private:
    TPrinterLayout::TSettings PrintSettings(const TFormatRange &range, QRectF &area) const;

    TFont m_font;
    bool m_nextBold = false;
    std::int64_t m_maxLength = std::int64_t(1) << 30;
    int m_updateDepth = 0;
    bool m_readOnlyBeforeUpdate = false;
    std::unique_ptr<TPrintParagraphs> m_printParagraphs;
    std::unique_ptr<TPrinterLayout> m_printLayout;
};

#include "platform/ui/richedit.h"

#include <algorithm>
#include <limits>

#include <QByteArray>
#include <QFile>
#include <QFileDevice>
#include <QPalette>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextOption>

#include "platform/print/printer.h"
#include "platform/print/printerlayout.h"
#include "platform/system/error.h"
#include "platform/system/savefile.h"
#include "platform/ui/paragraphoutput.h"
#include "platform/ui/rtfwriter.h"

namespace {

// Half an inch in the 96-dpi units that Qt measures tab stops in.
constexpr qreal TabStopDistance = 48;
// QTextDocument counts positions in an int; past this its arithmetic would overflow.
constexpr std::int64_t DocumentLimit = std::numeric_limits<int>::max() - 1;
constexpr qsizetype WriteChunk = 64 * 1024;

bool BreaksParagraph(QChar ch)
{
    // QTextCursor::insertText starts a new block at each of these.
    const char16_t c = ch.unicode();
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1;
}

// One line stays one paragraph: a break inside it shows as a line break instead.
QString OneParagraph(QStringView text)
{
    QString result = text.toString();
    if (std::any_of(text.begin(), text.end(), BreaksParagraph))
        std::replace_if(result.begin(), result.end(), BreaksParagraph, QChar(QChar::LineSeparator));
    return result;
}

void Put(QIODevice &out, const QByteArray &bytes)
{
    if (out.write(bytes) != bytes.size())
        throw EWriteError(SWriteError);
}

void FlushFile(QIODevice &out)
{
    if (auto *file = qobject_cast<QFileDevice *>(&out); file != nullptr && !file->flush())
        throw EWriteError(SWriteError);
}

bool IsEmptyLastBlock(const QTextBlock &block)
{
    return !block.next().isValid() && block.length() <= 1;
}

// The document's blocks as the paragraphs the page layout prints.
class TDocumentParagraphs final : public TPrintParagraphs
{
public:
    explicit TDocumentParagraphs(const QTextDocument &document)
        : m_document(document)
    { }

    qsizetype Count() const override { return m_document.blockCount(); }
    QString Text(qsizetype paragraph) const override { return Block(paragraph).text(); }
    std::int64_t Position(qsizetype paragraph) const override { return Block(paragraph).position(); }
    std::int64_t Revision() const override { return m_document.revision(); }

    qsizetype ParagraphAt(std::int64_t position) const override
    {
        const std::int64_t last = m_document.characterCount() - 1;
        return m_document.findBlock(int(std::clamp<std::int64_t>(position, 0, last))).blockNumber();
    }

    QList<QTextLayout::FormatRange> BoldRuns(qsizetype paragraph) const override
    {
        const QTextBlock block = Block(paragraph);
        QList<QTextLayout::FormatRange> runs;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.charFormat().fontWeight() < QFont::Bold)
                continue;
            QTextLayout::FormatRange range;
            range.start = fragment.position() - block.position();
            range.length = fragment.length();
            range.format.setFontWeight(QFont::Bold);
            runs << range;
        }
        return runs;
    }

private:
    QTextBlock Block(qsizetype paragraph) const { return m_document.findBlockByNumber(int(paragraph)); }

    const QTextDocument &m_document;
};

} // namespace

TRichEdit::TRichEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setMaximumBlockCount(0);
    setTabStopDistance(TabStopDistance);
    // Tab and Shift+Tab go on to the next or previous control: the listing's tabs are
    // its columns, written by the read, never typed.
    setTabChangesFocus(true);
    SetFont(m_font);
}

TRichEdit::~TRichEdit() = default;

QTextDocument *TRichEdit::Document() const
{
    if (!m_pending)
        return document();
    FlushBuffered();
    return m_pending.get();
}

void TRichEdit::FlushBuffered() const
{
    if (m_buffered.isEmpty())
        return;
    QTextCharFormat format;
    if (m_bufferedBold)
        format.setFontWeight(QFont::Bold);
    QTextCursor cursor(m_pending.get());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_buffered, format);
    cursor.setBlockCharFormat(QTextCharFormat());
    cursor.endEditBlock();
    m_buffered.clear();
}

void TRichEdit::Clear()
{
    m_buffered.clear();
    if (m_pending)
        m_pending->clear();
    else
        clear();
}

std::int64_t TRichEdit::GetTextLen() const
{
    // characterCount() is kept by the document itself, so this stays right after typing.
    const QTextDocument *document = m_pending ? m_pending.get() : this->document();
    return document->characterCount() - 1 + m_buffered.size();
}

void TRichEdit::AppendLine(QStringView text)
{
    const std::int64_t limit = std::min(m_maxLength, DocumentLimit);
    if (GetTextLen() + text.size() + 1 > limit)
        throw EOutOfResources("Capacité de la vue dépassée (" + std::to_string(limit) + " caractères)");

    if (m_pending) {
        if (m_bufferedBold != m_nextBold || m_buffered.size() >= 65536)
            FlushBuffered();
        m_bufferedBold = m_nextBold;
        m_buffered += OneParagraph(text);
        m_buffered += QChar(QChar::ParagraphSeparator);
        return;
    }
    // Regular lines carry no weight so that a bold document font shows through them.
    QTextCharFormat format;
    if (m_nextBold)
        format.setFontWeight(QFont::Bold);
    // Inside one edit the cursor does not lay out the block it moves to, and the layout
    // hears of a new block only once, so it just marks it for later: laid out at each
    // step, every block would keep a QTextLayout and cost several times the memory.
    QTextCursor cursor(Document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(OneParagraph(text), format);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.endEditBlock();
}

void TRichEdit::SetNextLineBold(bool bold)
{
    m_nextBold = bold;
}

std::unique_ptr<QTextDocument> TRichEdit::NewPendingDocument() const
{
    auto pending = std::make_unique<QTextDocument>();
    pending->setDocumentLayout(new QPlainTextDocumentLayout(pending.get()));
    pending->setUndoRedoEnabled(false);
    pending->setDefaultFont(document()->defaultFont());
    pending->setDefaultTextOption(document()->defaultTextOption());
    // Text already shown stays: the appends follow it.
    if (!document()->isEmpty())
        QTextCursor(pending.get()).insertFragment(QTextDocumentFragment(document()));
    return pending;
}

void TRichEdit::BeginUpdate()
{
    if (m_updateDepth++ > 0)
        return;
    m_pending = NewPendingDocument();
    // What the user typed meanwhile would be lost when the pending document replaces this one.
    m_readOnlyBeforeUpdate = isReadOnly();
    setReadOnly(true);
}

void TRichEdit::EndUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    FlushBuffered();
    TakeOverPendingDocument();
    setReadOnly(m_readOnlyBeforeUpdate);
}

void TRichEdit::TakeOverPendingDocument()
{
    QTextDocument *old = document();
    // setDocument deletes the first document, which the inner control made; those made
    // here are this view's children and this view's to delete.
    const bool ownOld = old->parent() == this;
    QTextDocument *taken = m_pending.release();
    taken->setParent(this);
    setDocument(taken);
    // setDocument turns undo off for a view that is read-only at that moment, as this one
    // is during an update: the view's edits are undoable again, in a history that starts
    // with this text.
    taken->setUndoRedoEnabled(true);
    if (ownOld)
        delete old;
}

void TRichEdit::SetFont(const TFont &font)
{
    m_font = font;
    const QFont qfont = font.ToQFont();
    setFont(qfont);
    // The widget passes its font on to its document only on the next change event, and
    // never to a pending one.
    document()->setDefaultFont(qfont);
    if (m_pending)
        m_pending->setDefaultFont(qfont);
    QPalette colors = palette();
    colors.setColor(QPalette::Text, ColorToQColor(font.Color));
    setPalette(colors);
}

void TRichEdit::WriteRtf(QIODevice &out) const
{
    const TRtfFont rtfFont = RtfFontOf(m_font);
    const bool allBold = rtfFont.Bold;

    TRtfWriter writer(out, rtfFont);
    for (QTextBlock block = Document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                writer.WriteText(
                    fragment.text(), allBold || fragment.charFormat().fontWeight() >= QFont::Bold);
        }
        if (block.next().isValid())
            writer.EndParagraph();
    }
    writer.Finish();
}

void TRichEdit::WritePlainText(QIODevice &out) const
{
    QByteArray buffer;
    buffer.reserve(WriteChunk + 4096);
    for (QTextBlock block = Document()->begin(); block.isValid(); block = block.next()) {
        if (IsEmptyLastBlock(block))
            break;
        buffer += block.text().toUtf8();
        buffer += '\n';
        if (buffer.size() >= WriteChunk) {
            Put(out, buffer);
            buffer.resize(0);
        }
    }
    if (!buffer.isEmpty())
        Put(out, buffer);
    FlushFile(out);
}

void TRichEdit::SaveToFile(const std::string &fileName) const
{
    SaveFileAtomically(fileName, [this](QIODevice &out) { WriteRtf(out); });
}

std::int64_t TRichEdit::FormatRange(const TFormatRange *range, bool render)
{
    if (range == nullptr) {
        m_printLayout.reset();
        m_printParagraphs.reset();
        m_printDocument = nullptr;
        return 0;
    }
    TDeviceContext &device = *range->hdc;
    TDeviceContext &target = range->hdcTarget ? *range->hdcTarget : device;
    const double dpiX = target.GetDeviceCaps(LOGPIXELSX);
    const double dpiY = target.GetDeviceCaps(LOGPIXELSY);
    const QTextDocument *document = Document();
    if (document != m_printDocument) {
        // Another document (an update ended): nothing laid out for the last one holds.
        m_printParagraphs = std::make_unique<TDocumentParagraphs>(*document);
        m_printDocument = document;
        m_printLayout.reset();
    }

    TPrinterLayout::TSettings settings;
    settings.Paragraphs = m_printParagraphs.get();
    settings.Device = target.Device();
    settings.Font = document->defaultFont();
    settings.Color = ColorOnPaper(m_font.Color);
    const qreal tabStop = document->defaultTextOption().tabStopDistance();
    settings.TabStop = tabStop > 0 ? tabStop : TabStopDistance;
    settings.Width = (range->rc.right - range->rc.left) * dpiX / 1440.0;
    const QRectF area(range->rc.left * dpiX / 1440.0, range->rc.top * dpiY / 1440.0, settings.Width,
        (range->rc.bottom - range->rc.top) * dpiY / 1440.0);

    const std::int64_t length = GetTextLen();
    const std::int64_t to = range->chrg.cpMax < 0 ? length : std::min(range->chrg.cpMax, length);
    if (!m_printLayout)
        m_printLayout = std::make_unique<TPrinterLayout>();
    return m_printLayout->Render(settings, area, range->chrg.cpMin, to, render ? device.Painter() : nullptr);
}

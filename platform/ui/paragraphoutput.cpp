#include "platform/ui/paragraphoutput.h"

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>

#include "platform/system/error.h"
#include "platform/ui/paragraphstore.h"

namespace {

constexpr qsizetype WriteChunk = 64 * 1024;

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

} // namespace

TRtfFont RtfFontOf(const TFont &font)
{
    TRtfFont rtfFont;
    rtfFont.Name = font.Name;
    rtfFont.HalfPoints = font.Size() * 2;
    rtfFont.Color = ColorOnPaper(font.Color).rgb();
    rtfFont.Bold = font.Style.Contains(TFontStyle::fsBold);
    rtfFont.Italic = font.Style.Contains(TFontStyle::fsItalic);
    rtfFont.Underline = font.Style.Contains(TFontStyle::fsUnderline);
    rtfFont.StrikeOut = font.Style.Contains(TFontStyle::fsStrikeOut);
    rtfFont.Charset = font.Charset;
    return rtfFont;
}

void WriteRtf(const TParagraphStore &store, const TRtfFont &font, QIODevice &out)
{
    TRtfWriter writer(out, font);
    for (qsizetype i = 0; i < store.Count(); ++i) {
        writer.WriteText(store.Text(i), store.Bold(i));
        if (i + 1 < store.Count())
            writer.EndParagraph();
    }
    writer.Finish();
}

void WritePlainText(const TParagraphStore &store, QIODevice &out)
{
    const qsizetype last = store.Count() - 1;
    const qsizetype count = store.Text(last).isEmpty() ? last : last + 1;
    QByteArray buffer;
    buffer.reserve(WriteChunk + 4096);
    for (qsizetype i = 0; i < count; ++i) {
        buffer += store.Text(i).toUtf8();
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

qsizetype TStorePrintParagraphs::Count() const
{
    return m_store.Count();
}

QString TStorePrintParagraphs::Text(qsizetype paragraph) const
{
    return m_store.Text(paragraph).toString();
}

QList<QTextLayout::FormatRange> TStorePrintParagraphs::BoldRuns(qsizetype paragraph) const
{
    const QStringView text = m_store.Text(paragraph);
    if (!m_store.Bold(paragraph) || text.isEmpty())
        return {};
    QTextLayout::FormatRange run;
    run.start = 0;
    run.length = int(text.size());
    run.format.setFontWeight(QFont::Bold);
    return {run};
}

std::int64_t TStorePrintParagraphs::Position(qsizetype paragraph) const
{
    return m_store.Position(paragraph);
}

qsizetype TStorePrintParagraphs::ParagraphAt(std::int64_t position) const
{
    return m_store.ParagraphAt(position);
}

std::int64_t TStorePrintParagraphs::Revision() const
{
    return m_store.Revision();
}

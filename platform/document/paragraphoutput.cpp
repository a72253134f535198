#include "platform/document/paragraphoutput.h"

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>

#include "platform/document/paragraphstore.h"
#include "platform/system/error.h"

namespace {

constexpr qsizetype WriteChunk = 64 * 1024;

} // namespace

void WriteAll(QIODevice &out, QByteArrayView bytes)
{
    if (out.write(bytes.data(), bytes.size()) != bytes.size())
        throw EWriteError(WriteErrorText());
}

void FlushDevice(QIODevice &out)
{
    if (auto *file = qobject_cast<QFileDevice *>(&out); file != nullptr && !file->flush())
        throw EWriteError(WriteErrorText());
}

TRtfFont RtfFontOf(const TFont &font)
{
    TRtfFont rtfFont;
    rtfFont.Name = font.Name;
    rtfFont.HalfPoints = font.Size() * 2;
    rtfFont.Color = RgbOnPaper(font.Color);
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
            WriteAll(out, buffer);
            buffer.resize(0);
        }
    }
    if (!buffer.isEmpty())
        WriteAll(out, buffer);
    FlushDevice(out);
}

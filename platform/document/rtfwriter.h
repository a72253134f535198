#pragma once

#include <cstdint>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class QIODevice;

// The font of a whole RTF document.
struct TRtfFont
{
    QString Name;
    int HalfPoints = 20; // \fs: the size in half points
    std::uint32_t Color = 0x000000; // 0xRRGGBB
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int Charset = 0; // \fcharset
};

// Writes a document in Rich Text Format, streaming: the header, font table and colour
// table go out with the first text; each paragraph is a run of texts, bold or not.
// Text is escaped: '\', '{', '}' with a backslash, a tab as \tab, a line separator
// (U+2028) as \line, other control characters as \'xx, every character beyond ASCII as
// \uN (signed 16-bit UTF-16 units, surrogate pairs beyond the BMP) followed by its
// cp1252 byte as \'xx (or \'3f when cp1252 has none) under \uc1.
// Bytes are buffered and handed to the device in chunks of about 64 KiB; Finish()
// hands over the rest (and flushes a QFileDevice). `out` is not owned and must outlive
// the writer; a writer destroyed before Finish() leaves an unterminated document.
// Throws EWriteError when the device does not take the bytes; once that has happened
// every further call throws EWriteError again, so a document with a hole in it is never
// completed. Finish() a second time does nothing; WriteText() or EndParagraph() after
// Finish() throws std::logic_error and writes nothing.
class TRtfWriter
{
public:
    TRtfWriter(QIODevice &out, TRtfFont font);

    void WriteText(QStringView text, bool bold);
    void EndParagraph(); // \par
    void Finish(); // closes the document; nothing may be written after it

private:
    void Put(QByteArrayView bytes);
    void StartIfNeeded();
    void CheckWritable() const;
    void FlushIfFull();
    void Flush();

    QIODevice &m_out;
    TRtfFont m_font;
    QByteArray m_buffer;
    bool m_started = false;
    bool m_bold = false;
    bool m_finished = false;
    bool m_failed = false;
};

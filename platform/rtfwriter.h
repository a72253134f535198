#pragma once

#include <QRgb>
#include <QString>
#include <QStringView>

class QIODevice;

// The font of a whole RTF document.
struct TRtfFont
{
    QString Name;
    int HalfPoints = 20; // \fs: the size in half points
    QRgb Color = qRgb(0, 0, 0);
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int Charset = 0; // \fcharset
};

// Writes a document in Rich Text Format, streaming: the header, font table and colour
// table go out with the first text; each paragraph is a run of texts, bold or not.
// Text is escaped: '\', '{', '}' with a backslash, a tab as \tab, a line separator
// (U+2028) as \line, other control characters as \'xx, every character beyond ASCII as
// \uN (signed 16-bit UTF-16 units, surrogate pairs beyond the BMP) followed by its
// cp1252 byte as \'xx (or \'3f when cp1252 has none) under \uc1.
// Throws EWriteError when the device does not take the bytes.
class TRtfWriter
{
public:
    TRtfWriter(QIODevice &out, TRtfFont font);

    void WriteText(QStringView text, bool bold);
    void EndParagraph(); // \par
    void Finish(); // closes the document; nothing may be written after it

private:
    void Put(const QByteArray &bytes);
    void StartIfNeeded();

    QIODevice &m_out;
    TRtfFont m_font;
    bool m_started = false;
    bool m_bold = false;
    bool m_finished = false;
};

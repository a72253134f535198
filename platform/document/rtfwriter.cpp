#include "platform/document/rtfwriter.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <stdexcept>
#include <utility>

#include <QFileDevice>
#include <QIODevice>

#include "platform/system/error.h"

namespace {

// The buffer goes to the device once it holds this much; long texts are escaped in
// slices so that the buffer never grows far beyond it.
constexpr qsizetype FlushSize = 64 * 1024;
constexpr qsizetype SliceSize = 8 * 1024;

// Where the escaped text goes: the font table ends a name at ';', so there ';' must be
// hidden, and the paragraph controls \tab, \line and \par mean nothing in a name.
enum class TEscapeContext
{
    Body,
    FontName
};

// The characters of cp1252's bytes 0x80-0x9F (0 where a byte is undefined); 0xA0-0xFF
// are the Latin-1 characters themselves.
constexpr char16_t Cp1252Extras[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// The cp1252 byte of a character beyond ASCII, or '?' when cp1252 has none.
unsigned char Cp1252Byte(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return static_cast<unsigned char>(c);
    const auto *found = std::find(std::begin(Cp1252Extras), std::end(Cp1252Extras), c);
    return found == std::end(Cp1252Extras) ? '?' : static_cast<unsigned char>(0x80 + (found - Cp1252Extras));
}

bool IsPlain(char16_t c, TEscapeContext context)
{
    if (c < 0x20 || c >= 0x7F || c == '\\' || c == '{' || c == '}')
        return false;
    return c != ';' || context == TEscapeContext::Body;
}

void AppendHexByte(QByteArray &out, unsigned char byte)
{
    static constexpr char Digits[] = "0123456789abcdef";
    const char escaped[] = {'\\', '\'', Digits[byte >> 4], Digits[byte & 0xF]};
    out.append(escaped, sizeof escaped);
}

// \uN takes the signed 16-bit value of the unit; the \'xx after it is what readers
// without Unicode show, and what \uc1 tells the others to skip. A literal '?' there
// would do, but some readers then also drop the character after it.
void AppendUnicode(QByteArray &out, char16_t c)
{
    char digits[8] = {'\\', 'u'};
    const auto [end, ec] = std::to_chars(digits + 2, digits + sizeof digits, static_cast<qint16>(c));
    out.append(digits, end - digits);
    AppendHexByte(out, Cp1252Byte(c));
}

void AppendEscapedCharacter(QByteArray &out, char16_t c, TEscapeContext context)
{
    const bool body = context == TEscapeContext::Body;
    if (c == '\\' || c == '{' || c == '}') {
        const char escaped[] = {'\\', static_cast<char>(c)};
        out.append(escaped, sizeof escaped);
    } else if (c == '\t' && body) {
        out.append("\\tab ");
    } else if (c == 0x2028 && body) {
        out.append("\\line ");
    } else if (c == 0x2029 && body) {
        out.append("\\par ");
    } else if (c < 0x80) {
        AppendHexByte(out, static_cast<unsigned char>(c));
    } else {
        AppendUnicode(out, c);
    }
}

void AppendEscaped(QByteArray &out, QStringView text, TEscapeContext context)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        const char16_t *const plain = p;
        while (p < end && IsPlain(*p, context))
            ++p;
        if (p != plain) {
            // Printable ASCII goes out as is: copy the whole stretch at once.
            const qsizetype oldSize = out.size();
            out.resize(oldSize + (p - plain));
            char *to = out.data() + oldSize;
            for (const char16_t *from = plain; from != p; ++from)
                *to++ = static_cast<char>(*from);
        }
        if (p != end)
            AppendEscapedCharacter(out, *p++, context);
    }
}

void AppendNumber(QByteArray &out, const char *controlWord, int value)
{
    out.append(controlWord);
    out.append(QByteArray::number(value));
}

} // namespace

TRtfWriter::TRtfWriter(QIODevice &out, TRtfFont font)
    : m_out(out)
    , m_font(std::move(font))
    , m_bold(m_font.Bold)
{ }

void TRtfWriter::WriteText(QStringView text, bool bold)
{
    CheckWritable();
    StartIfNeeded();
    if (text.isEmpty())
        return;
    // A bold font makes every run bold: only a plain font switches.
    const bool wanted = bold || m_font.Bold;
    if (wanted != m_bold) {
        Put(wanted ? "\\b " : "\\b0 ");
        m_bold = wanted;
    }
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype length = std::min(SliceSize, text.size() - from);
        AppendEscaped(m_buffer, text.sliced(from, length), TEscapeContext::Body);
        from += length;
        FlushIfFull();
    }
}

void TRtfWriter::EndParagraph()
{
    CheckWritable();
    StartIfNeeded();
    // The line break only keeps the file readable: RTF readers ignore it, and it ends the
    // control word, so a paragraph that starts with a space keeps it.
    Put("\\par\r\n");
    FlushIfFull();
}

void TRtfWriter::Finish()
{
    if (m_finished)
        return;
    if (m_failed)
        throw EWriteError(WriteErrorText());
    StartIfNeeded();
    Put("}");
    Flush();
    // A file buffers what it is given: a full disk only shows when the buffer goes out.
    if (auto *file = qobject_cast<QFileDevice *>(&m_out); file && !file->flush()) {
        m_failed = true;
        throw EWriteError(WriteErrorText());
    }
    m_finished = true;
}

void TRtfWriter::Put(QByteArrayView bytes)
{
    m_buffer.append(bytes);
}

void TRtfWriter::CheckWritable() const
{
    if (m_finished)
        throw std::logic_error("TRtfWriter: text written after Finish()");
    if (m_failed)
        throw EWriteError(WriteErrorText());
}

void TRtfWriter::StartIfNeeded()
{
    if (m_started)
        return;
    m_started = true;
    m_buffer.reserve(FlushSize + SliceSize * 12);
    Put("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil");
    AppendNumber(m_buffer, "\\fcharset", m_font.Charset);
    Put(" ");
    AppendEscaped(m_buffer, m_font.Name, TEscapeContext::FontName);
    Put(";}}{\\colortbl;");
    AppendNumber(m_buffer, "\\red", static_cast<int>((m_font.Color >> 16) & 0xFF));
    AppendNumber(m_buffer, "\\green", static_cast<int>((m_font.Color >> 8) & 0xFF));
    AppendNumber(m_buffer, "\\blue", static_cast<int>(m_font.Color & 0xFF));
    Put(";}\r\n\\viewkind4\\pard\\cf1\\f0");
    AppendNumber(m_buffer, "\\fs", m_font.HalfPoints);
    if (m_font.Italic)
        Put("\\i");
    if (m_font.Underline)
        Put("\\ul");
    if (m_font.StrikeOut)
        Put("\\strike");
    if (m_font.Bold)
        Put("\\b");
    Put(" ");
}

void TRtfWriter::FlushIfFull()
{
    if (m_buffer.size() >= FlushSize)
        Flush();
}

void TRtfWriter::Flush()
{
    if (m_buffer.isEmpty())
        return;
    const qint64 size = m_buffer.size();
    const qint64 written = m_out.write(m_buffer.constData(), size);
    // None of this buffer may go out again, whether or not the device took part of it.
    m_buffer.resize(0);
    if (written != size) {
        m_failed = true;
        throw EWriteError(WriteErrorText());
    }
}

#include <vector>

#include <QBuffer>
#include <QString>

#include "fuzz/checks/fuzzchecks.h"
#include "fuzz/checks/fuzzinput.h"
#include "platform/document/rtfwriter.h"
#include "tests/support/gui/rtfreader.h"

namespace {

// The characters that the writer escapes or treats specially, and a few plain ones;
// lone surrogates and U+0000 included.
constexpr char16_t Specials[] = {u'\\', u'{', u'}', u';', u'\t', u'\r', u'\n', u'a', u' ', u'?', 0x00E9,
    0x20AC, 0x2028, 0x2029, 0xD83D, 0xDE00, 0x0000, 0x007F, 0x0080, 0xFFFD, 0x4E2D};

QString TextFrom(TFuzzInput &input, std::uint8_t kind)
{
    if (kind & 0x10)
        return QString::fromUtf8(input.Bytes(64));
    QString text;
    for (char c : input.Bytes(32))
        text += QChar(Specials[static_cast<unsigned char>(c) % std::size(Specials)]);
    return text;
}

// A paragraph as characters with their boldness, the way a reader sees it.
struct TCharacters
{
    QString Text;
    std::vector<bool> Bold;

    void Append(const QString &text, bool bold)
    {
        Text += text;
        Bold.insert(Bold.end(), std::size_t(text.size()), bold);
    }
    bool operator==(const TCharacters &) const = default;
};

QString Describe(const std::vector<TCharacters> &paragraphs)
{
    QString out;
    for (const TCharacters &p : paragraphs) {
        out += u'[';
        for (qsizetype i = 0; i < p.Text.size(); ++i)
            out += QStringLiteral("%1%2 ").arg(p.Text[i].unicode(), 0, 16).arg(p.Bold[i] ? u"b" : u"");
        out += u']';
    }
    return out;
}

} // namespace

std::string CheckRtfWriter(const std::uint8_t *data, std::size_t size)
{
    TFuzzInput input(data, size);
    const QString fontName = QString::fromUtf8(input.Bytes(40));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TRtfWriter writer(buffer, TRtfFont{fontName});
    std::vector<TCharacters> expected(1);
    while (!input.AtEnd()) {
        const std::uint8_t kind = input.Byte();
        if (kind % 5 == 0) {
            writer.EndParagraph();
            expected.emplace_back();
            continue;
        }
        const QString text = TextFrom(input, kind);
        const bool bold = kind & 0x08;
        writer.WriteText(text, bold);
        // A paragraph separator inside a text ends the paragraph there.
        const QStringList parts = text.split(QChar(0x2029));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                expected.emplace_back();
            expected.back().Append(parts[i], bold);
        }
    }
    writer.Finish();
    if (expected.back().Text.isEmpty())
        expected.pop_back();

    const TRtfDocument document = ReadRtf(buffer.data());
    if (!document.Ok())
        return "the RTF does not read back: " + document.Error.toStdString();
    if (document.Fonts.empty() || document.Fonts.front().Name != fontName)
        return "the font name does not read back";

    std::vector<TCharacters> actual;
    for (const TRtfParagraph &paragraph : document.Paragraphs) {
        actual.emplace_back();
        for (const TRtfRun &run : paragraph.Runs)
            actual.back().Append(run.Text, run.Bold);
    }
    if (actual != expected)
        return "the paragraphs differ:\nwritten " + Describe(expected).toStdString() + "\nread    "
            + Describe(actual).toStdString();
    return std::string();
}

#include "platform/document/clipformats.h"

#include <QBuffer>
#include <QString>

namespace {

// Calls `paragraph(text, bold)` for each paragraph of the clip.
template <typename F> void ForEachParagraph(const TClipParagraphs &clip, F paragraph)
{
    qsizetype start = 0;
    for (std::size_t i = 0;; ++i) {
        const qsizetype end = clip.Text.indexOf(u'\n', start);
        const bool bold = i < clip.Weights.size() && clip.Weights[i];
        paragraph(clip.Text.sliced(start, (end < 0 ? clip.Text.size() : end) - start), bold, end < 0);
        if (end < 0)
            return;
        start = end + 1;
    }
}

void AppendEscaped(QString &html, QStringView text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            html += u"&amp;";
            break;
        case u'<':
            html += u"&lt;";
            break;
        case u'>':
            html += u"&gt;";
            break;
        case u'"':
            html += u"&quot;";
            break;
        case 0x2028:
            html += u"<br>";
            break;
        default:
            html += c;
        }
    }
}

} // namespace

QByteArray ClipRtf(const TClipParagraphs &clip)
{
    QByteArray rtf;
    QBuffer out(&rtf);
    out.open(QIODevice::WriteOnly);
    TRtfWriter writer(out, clip.Font);
    ForEachParagraph(clip, [&writer](QStringView text, bool bold, bool last) {
        writer.WriteText(text, bold);
        if (!last)
            writer.EndParagraph();
    });
    writer.Finish();
    return rtf;
}

QByteArray ClipHtml(const TClipParagraphs &clip)
{
    const TRtfFont &font = clip.Font;
    QString html = QStringLiteral("<meta charset=\"utf-8\"><div style=\"white-space:pre-wrap;font-family:'");
    AppendEscaped(html, QString(font.Name).replace(u'\'', u' '));
    html += QStringLiteral("';font-size:%1pt;color:#%2")
                .arg(font.HalfPoints / 2.0)
                .arg(font.Color, 6, 16, QChar(u'0'));
    if (font.Bold)
        html += u";font-weight:bold";
    if (font.Italic)
        html += u";font-style:italic";
    html += u"\">";
    ForEachParagraph(clip, [&html](QStringView text, bool bold, bool last) {
        if (bold)
            html += u"<b>";
        AppendEscaped(html, text);
        if (bold)
            html += u"</b>";
        if (!last)
            html += u"<br>\n";
    });
    html += u"</div>";
    return html.toUtf8();
}

#include "platform/print/pagecounter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QRawFont>
#include <QTextLine>

namespace {

// Kerning and shaping move glyphs by a little; an estimate this much wider than the sum of
// the advances is still taken for the line's width.
constexpr qreal Overestimate = 1.03;

// Characters whose glyphs sit one after another at their own advance, left to right:
// shaping does not join, reorder or stack them.
bool SetOneAfterAnother(QChar c)
{
    if (c.isSurrogate() || c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
        return false;
    switch (c.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return false;
    default:
        break;
    }
    switch (c.direction()) {
    case QChar::DirL:
    case QChar::DirEN:
    case QChar::DirES:
    case QChar::DirET:
    case QChar::DirCS:
    case QChar::DirWS:
    case QChar::DirON:
        break;
    default:
        return false;
    }
    switch (c.script()) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Armenian:
    case QChar::Script_Georgian:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
        return true;
    default:
        return false;
    }
}

// One paragraph of a given weight, to learn the height of its line.
class TSample final : public TPrintParagraphs
{
public:
    TSample(QString text, bool bold)
        : m_text(std::move(text))
        , m_bold(bold)
    { }

    qsizetype Count() const override { return 1; }
    QStringView Text(qsizetype) const override { return m_text; }
    QList<QTextLayout::FormatRange> BoldRuns(qsizetype) const override
    {
        if (!m_bold)
            return {};
        QTextLayout::FormatRange run;
        run.start = 0;
        run.length = int(m_text.size());
        run.format.setFontWeight(QFont::Bold);
        return {run};
    }
    std::int64_t Position(qsizetype) const override { return 0; }
    qsizetype ParagraphAt(std::int64_t) const override { return 0; }
    std::int64_t Revision() const override { return 0; }

private:
    QString m_text;
    bool m_bold;
};

qreal SampleHeight(TPrinterLayout::TSettings settings, const QString &text, bool bold)
{
    const TSample sample(text, bold);
    settings.Paragraphs = &sample;
    const auto layout = TPrinterLayout::LayOut(settings, 0);
    return layout->lineCount() == 1 ? layout->lineAt(0).height() : 0;
}

} // namespace

// What one weight of the font draws by itself, and its advances on the device: found
// for each UTF-16 unit the first time it is met.
class TPageCounter::TFace
{
public:
    TFace(const QFont &font, QPaintDevice *device, qreal lineHeight)
        : LineHeight(lineHeight)
        , m_metrics(device ? QFontMetricsF(font, device) : QFontMetricsF(font))
        , m_raw(QRawFont::fromFont(font))
        , m_advances(0x10000, Unknown)
    { }

    // The character's advance, or a negative number when the font does not draw it by
    // itself, one after another.
    qreal Advance(char16_t c)
    {
        float &advance = m_advances[c];
        if (advance == Unknown) {
            const QChar character(c);
            advance = SetOneAfterAnother(character) && m_raw.supportsCharacter(character)
                ? float(m_metrics.horizontalAdvance(character))
                : NotAlone;
        }
        return advance;
    }
    qreal AverageWidth() const { return m_metrics.averageCharWidth(); }

    const qreal LineHeight; // 0: not one height for every line

private:
    static constexpr float Unknown = -1;
    static constexpr float NotAlone = -2;

    QFontMetricsF m_metrics;
    QRawFont m_raw;
    std::vector<float> m_advances;
};

TPageCounter::TPageCounter(const TPrinterLayout::TSettings &settings, const QRectF &area)
    : m_settings(settings)
    , m_area(area)
{
    QFont bold = settings.Font;
    bold.setWeight(QFont::Bold);
    m_regular = std::make_unique<TFace>(settings.Font, settings.Device, SampleHeight(settings, u"M"_qs, false));
    m_bold = std::make_unique<TFace>(bold, settings.Device, SampleHeight(settings, u"M"_qs, true));
    m_emptyHeight = SampleHeight(settings, QString(), false);
    if (settings.TabStop > 0 && settings.Device)
        m_tabStop = settings.TabStop * settings.Device->logicalDpiY() / 96.0;
    m_widest = settings.Width - 2 * m_regular->AverageWidth();
}

TPageCounter::~TPageCounter() = default;

bool TPageCounter::PlainlyFits(QStringView text, TFace &face) const
{
    const qreal pad = 2 * face.AverageWidth();
    qreal x = 0;
    for (const QChar c : text) {
        if (c == u'\t') {
            if (m_tabStop <= 0)
                return false;
            // Past the next stop of a line a little wider than estimated.
            x = (std::floor((x * Overestimate + pad) / m_tabStop) + 1) * m_tabStop;
        } else {
            const qreal advance = face.Advance(c.unicode());
            if (advance < 0)
                return false;
            x += advance;
        }
        if (x * Overestimate > m_widest)
            return false;
    }
    return true;
}

qreal TPageCounter::OneLineHeight(qsizetype paragraph, QStringView text) const
{
    const QList<QTextLayout::FormatRange> runs = m_settings.Paragraphs->BoldRuns(paragraph);
    if (text.isEmpty())
        return runs.isEmpty() ? m_emptyHeight : 0;
    bool bold = false;
    if (!runs.isEmpty()) {
        // One run over the whole paragraph; anything else mixes weights.
        if (runs.size() != 1 || runs[0].start != 0 || runs[0].length < text.size())
            return 0;
        bold = true;
    }
    TFace &face = bold ? *m_bold : *m_regular;
    if (face.LineHeight <= 0 || !PlainlyFits(text, face))
        return 0;
    return face.LineHeight;
}

std::int64_t TPageCounter::NextPage(std::int64_t from, std::int64_t to) const
{
    // The same walk as Render's, without drawing and mostly without layouts.
    const TPrintParagraphs &paragraphs = *m_settings.Paragraphs;
    qreal y = m_area.top();
    bool placedAny = false;
    const auto place = [&](qreal height) {
        if (y + height > m_area.bottom() && (placedAny || m_area.height() <= 0))
            return false;
        y += height;
        placedAny = true;
        return true;
    };
    std::int64_t next = from;
    for (qsizetype paragraph = paragraphs.ParagraphAt(from);
         paragraph < paragraphs.Count() && paragraphs.Position(paragraph) < to; ++paragraph) {
        const std::int64_t position = paragraphs.Position(paragraph);
        const QStringView text = paragraphs.Text(paragraph);
        if (const qreal height = OneLineHeight(paragraph, text); height > 0) {
            if (!place(height))
                return std::max(position, from);
        } else {
            const auto layout = TPrinterLayout::LayOut(m_settings, paragraph);
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                const std::int64_t start = position + line.textStart();
                if (i + 1 < layout->lineCount() && position + layout->lineAt(i + 1).textStart() <= from)
                    continue; // ends before the page begins
                if (start >= to || !place(line.height()))
                    return std::max(start, from);
            }
        }
        next = position + text.size() + 1;
    }
    return std::max(std::min(next, to), from);
}

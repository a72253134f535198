#include "platform/print/pagecounter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <QTextLine>

namespace {

// A word's width from its advances and kerning pairs lies within this share of it, plus
// a small constant, of the width the layout gives it (shaping, rounding).
constexpr qreal WidthShare = 0.003;

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

// Whether the layout may break a line inside `word`.
bool BreaksInside(QStringView word)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, word.data(), int(word.size()));
    for (int at = finder.toNextBoundary(); at != -1; at = finder.toNextBoundary()) {
        if (at > 0 && at < word.size())
            return true;
    }
    return false;
}

// One paragraph of a given weight, to learn what the layout makes of it.
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

std::unique_ptr<QTextLayout> SampleLayout(TPrinterLayout::TSettings settings, const QString &text, bool bold)
{
    const TSample sample(text, bold);
    settings.Paragraphs = &sample;
    return TPrinterLayout::LayOut(settings, 0);
}

qreal LineHeight(const TPrinterLayout::TSettings &settings, const QString &text, bool bold)
{
    const auto layout = SampleLayout(settings, text, bold);
    return layout->lineCount() == 1 ? layout->lineAt(0).height() : 0;
}

} // namespace

// What one weight of the font draws by itself on the device: advances and kerning
// pairs, found for each character and pair the first time they are met.
class TPageCounter::TFace
{
public:
    TFace(const QFont &font, QPaintDevice *device, qreal lineHeight)
        : LineHeight(lineHeight)
        , m_raw(QRawFont::fromFont(device ? QFont(font, device) : font))
        , m_metrics(device ? QFontMetricsF(font, device) : QFontMetricsF(font))
        , m_advances(0x10000, Unknown)
        , m_overhangs(0x10000, Unknown)
        , m_latinKerning(0x10000, std::numeric_limits<float>::quiet_NaN())
    { }

    // The character's advance, or a negative number when the font does not draw it by
    // itself, one after another.
    qreal Advance(char16_t c)
    {
        float &advance = m_advances[c];
        if (advance == Unknown) {
            const QChar character(c);
            advance = NotAlone;
            if (SetOneAfterAnother(character) && m_raw.supportsCharacter(character)) {
                const QList<QPointF> advances
                    = m_raw.advancesForGlyphIndexes(m_raw.glyphIndexesForString(QString(character)));
                if (advances.size() == 1)
                    advance = float(advances[0].x());
            }
        }
        return advance;
    }

    // How far the character's glyph reaches past its advance, when it does.
    qreal Overhang(char16_t c)
    {
        float &overhang = m_overhangs[c];
        if (overhang == Unknown)
            overhang = float(std::max<qreal>(0, -m_metrics.rightBearing(QChar(c))));
        return overhang;
    }

    // How much closer (or further) the pair's glyphs sit than their advances say.
    qreal Kerning(char16_t first, char16_t second)
    {
        if (first < 0x100 && second < 0x100) {
            float &kerning = m_latinKerning[first << 8 | second];
            if (std::isnan(kerning))
                kerning = float(PairKerning(first, second));
            return kerning;
        }
        const std::uint32_t pair = std::uint32_t(first) << 16 | second;
        const auto known = m_kerning.find(pair);
        if (known != m_kerning.end())
            return known->second;
        const qreal kerning = PairKerning(first, second);
        m_kerning.emplace(pair, float(kerning));
        return kerning;
    }

    const qreal LineHeight; // 0: not one height for every line

private:
    static constexpr float Unknown = -1;
    static constexpr float NotAlone = -2;

    qreal PairKerning(char16_t first, char16_t second) const
    {
        const QString text = QString(QChar(first)) + QChar(second);
        const QList<quint32> glyphs = m_raw.glyphIndexesForString(text);
        qreal kerning = 0;
        if (glyphs.size() == 2) {
            const QList<QPointF> kerned = m_raw.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
            const QList<QPointF> plain = m_raw.advancesForGlyphIndexes(glyphs);
            kerning = kerned[0].x() - plain[0].x();
        }
        return kerning;
    }

    QRawFont m_raw;
    QFontMetricsF m_metrics;
    std::vector<float> m_advances;
    std::vector<float> m_overhangs;
    // Pairs of Latin-1 characters in a table, the others in a map.
    std::vector<float> m_latinKerning;
    std::unordered_map<std::uint32_t, float> m_kerning;
};

TPageCounter::TPageCounter(const TPrinterLayout::TSettings &settings, const QRectF &area)
    : m_settings(settings)
    , m_area(area)
{
    QFont bold = settings.Font;
    bold.setWeight(QFont::Bold);
    m_regular = std::make_unique<TFace>(settings.Font, settings.Device, LineHeight(settings, u"M"_qs, false));
    m_bold = std::make_unique<TFace>(bold, settings.Device, LineHeight(settings, u"M"_qs, true));
    m_emptyHeight = LineHeight(settings, QString(), false);
    // The first stop as the layout places it: the distance scales with the device.
    const auto tab = SampleLayout(settings, u"\tM"_qs, false);
    m_tabStop = tab->lineCount() == 1 ? tab->lineAt(0).cursorToX(1) : 0;
    // Measured against the layout's widths, estimates stay within a 25th of the line's
    // height (beyond WidthShare).
    m_error = std::max<qreal>(1, m_regular->LineHeight / 25);

}

TPageCounter::~TPageCounter() = default;

TPageCounter::TFace *TPageCounter::FaceOf(qsizetype paragraph, QStringView text) const
{
    const QList<QTextLayout::FormatRange> runs = m_settings.Paragraphs->BoldRuns(paragraph);
    if (runs.isEmpty())
        return m_regular.get();
    // One run over the whole paragraph; anything else mixes weights.
    if (runs.size() == 1 && runs[0].start == 0 && runs[0].length >= text.size() && !text.isEmpty())
        return m_bold.get();
    return nullptr;
}

int TPageCounter::LineCount(QStringView text, TFace &face) const
{
    // The layout's greedy breaking: a word goes on the line when it fits there, else it
    // starts the next one (the spaces before it stay behind); a tab moves to the next
    // stop, and one that passes the edge ends its line. Positions are known within
    // [low, high]; a decision those bounds leave open answers 0. What the layout checks
    // against the edge may also count the overhang of the last glyph.
    const qreal width = m_settings.Width;
    if (m_tabStop <= 0 || face.LineHeight <= 0 || width <= 0)
        return 0;
    int lines = 1;
    qreal low = 0, high = 0; // where the line's content ends
    qreal spaces = 0; // the width of the spaces after it
    qreal overhang = 0; // how far the line's last glyph may reach past its advance
    bool content = false; // whether the line holds anything yet
    bool pendingSpaces = false;
    const auto nextLine = [&] {
        ++lines;
        low = high = spaces = overhang = 0;
        content = pendingSpaces = false;
    };
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (c == u' ') {
            const qreal advance = face.Advance(c);
            if (advance < 0)
                return 0;
            spaces += advance;
            pendingSpaces = true;
            ++i;
            continue;
        }
        if (c == u'\t') {
            qreal fromLow = low + spaces, fromHigh = high + spaces;
            if (content && fromLow > width) {
                nextLine(); // the spaces end the line; the tab starts the next
                fromLow = fromHigh = 0;
            } else if (content && fromHigh + overhang > width) {
                return 0;
            }
            content = content || pendingSpaces;
            const qreal stop = (std::floor(fromLow / m_tabStop) + 1) * m_tabStop;
            if ((std::floor(fromHigh / m_tabStop) + 1) * m_tabStop != stop)
                return 0;
            if (stop <= width && stop + overhang > width)
                return 0;
            ++i;
            if (stop > width) {
                if (!content)
                    return 0;
                nextLine(); // the tab ends its line
                continue;
            }
            low = high = stop;
            spaces = overhang = 0;
            content = true;
            pendingSpaces = false;
            continue;
        }
        // A word: up to the next space or tab.
        qsizetype end = i;
        qreal sum = 0;
        for (char16_t previous = 0; end < text.size() && text[end] != u' ' && text[end] != u'\t'; ++end) {
            const char16_t unit = text[end].unicode();
            const qreal advance = face.Advance(unit);
            if (advance < 0)
                return 0;
            sum += advance + (previous ? face.Kerning(previous, unit) : 0);
            previous = unit;
        }
        const qreal error = m_error + sum * WidthShare;
        overhang = face.Overhang(text[end - 1].unicode()) + m_error;
        if (high + spaces + sum + error + overhang <= width) {
            low += spaces + sum - error;
            high += spaces + sum + error;
        } else if (content && low + spaces + sum - error > width && sum + error + overhang <= width
            && !BreaksInside(text.mid(i, end - i))) {
            nextLine();
            low = sum - error;
            high = sum + error;
        } else {
            return 0;
        }
        spaces = 0;
        content = true;
        pendingSpaces = false;
        i = end;
    }
    return lines;
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
        next = position + text.size() + 1;
        TFace *face = position >= from ? FaceOf(paragraph, text) : nullptr;
        const int lines = !face ? 0 : text.isEmpty() ? 1 : LineCount(text, *face);
        if (lines > 0) {
            const qreal height = text.isEmpty() ? m_emptyHeight : face->LineHeight;
            const qreal before = y;
            const bool placedBefore = placedAny;
            int placed = 0;
            while (placed < lines && place(height))
                ++placed;
            if (placed == lines)
                continue;
            if (placed == 0)
                return std::max(position, from);
            // The page ends inside the paragraph: its layout tells where.
            y = before;
            placedAny = placedBefore;
        }
        const auto layout = TPrinterLayout::LayOut(m_settings, paragraph);
        ++m_laidOut;
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const std::int64_t start = position + line.textStart();
            if (i + 1 < layout->lineCount() && position + layout->lineAt(i + 1).textStart() <= from)
                continue; // ends before the page begins
            if (start >= to || !place(line.height()))
                return std::max(start, from);
        }
    }
    return std::max(std::min(next, to), from);
}

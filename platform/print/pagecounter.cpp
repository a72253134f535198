#include "platform/print/pagecounter.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <QTextLine>

namespace {

// A word's width from its advances and kerning pairs lies within a share of it, plus a
// small constant, of the width the layout gives it (shaping, rounding): at least this
// share, twice what the face shows on these samples (kerning the font's tables alone
// carry, ligatures).
constexpr qreal LeastWidthShare = 0.003;
const char16_t *const Samples[]
    = {u"AVAWATAYTeToVaWaYaLTPAFAyrvkfjg", u"The quick brown fox jumps over the lazy dog",
        u"0123456789.,:;_-()[]", u"office fluffy affine flight", u"WAVE Type Yay ATAVISTIC LT.Vo"};

// Characters whose glyphs sit one after another at their own advance, left to right:
// shaping does not join, reorder or stack them.
bool SetOneAfterAnother(QChar c)
{
    if (c.isSurrogate() || c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
        return false;
    // Spaces other than the plain one break lines as spaces do, unless they never break.
    if (c.category() == QChar::Separator_Space && c != u' ' && c.decompositionTag() != QChar::NoBreak)
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
        return m_bold ? WholeBoldRun(m_text.size()) : QList<QTextLayout::FormatRange>();
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
    // `lineHeight` is that of a line of "M", which says the face's height only when the
    // face draws "M" itself.
    TFace(const QFont &font, QPaintDevice *device, qreal lineHeight)
        : m_raw(QRawFont::fromFont(device ? QFont(font, device) : font))
        , m_metrics(device ? QFontMetricsF(font, device) : QFontMetricsF(font))
        , m_advances(0x10000, Unknown)
        , m_overhangs(0x10000, Unknown)
        , m_latinKerning(0x10000, Unknown)
    {
        LineHeight = m_raw.supportsCharacter(u'M') ? lineHeight : 0;
    }

    // The character's advance, or a negative number when the font does not draw it by
    // itself, one after another.
    qreal Advance(char16_t c)
    {
        const float advance = m_advances[c];
        return advance != Unknown ? advance : FindAdvance(c);
    }

    // How much closer (or further) the pair's glyphs sit than their advances say.
    qreal Kerning(char16_t first, char16_t second)
    {
        if ((first | second) < 0x100) {
            const float kerning = m_latinKerning[first << 8 | second];
            return kerning != Unknown ? kerning : FindLatinKerning(first, second);
        }
        const std::uint32_t pair = std::uint32_t(first) << 16 | second;
        const auto known = m_kerning.find(pair);
        if (known != m_kerning.end())
            return known->second;
        const qreal kerning = PairKerning(first, second);
        m_kerning.emplace(pair, float(kerning));
        return kerning;
    }

    // The text's width as the layout measures it.
    qreal Width(QStringView text) const { return m_metrics.horizontalAdvance(text.toString()); }

    // How far the character's glyph reaches past its advance, when it does.
    qreal Overhang(char16_t c)
    {
        float &overhang = m_overhangs[c];
        if (overhang == Unknown)
            overhang = float(std::max<qreal>(0, -m_metrics.rightBearing(QChar(c))));
        return overhang;
    }

    // Learns how far its estimates of the samples lie from their widths.
    void Calibrate()
    {
        for (const char16_t *sample : Samples) {
            const QStringView text(sample);
            qreal sum = 0;
            bool drawn = true;
            for (qsizetype i = 0; i < text.size() && drawn; ++i) {
                const qreal advance = Advance(text[i].unicode());
                drawn = advance >= 0;
                sum += advance + (i > 0 ? Kerning(text[i - 1].unicode(), text[i].unicode()) : 0);
            }
            const qreal exact = Width(text);
            if (drawn && exact > 0)
                WidthShare = std::max(WidthShare, 2 * std::abs(sum - exact) / exact);
        }
    }

    qreal LineHeight = 0; // 0: not one height for every line
    qreal WidthShare = LeastWidthShare;

private:
    static constexpr float Unknown = -1;
    static constexpr float NotAlone = -2;

    qreal FindAdvance(char16_t c)
    {
        const QChar character(c);
        float advance = NotAlone;
        if (SetOneAfterAnother(character) && m_raw.supportsCharacter(character)) {
            const QList<QPointF> advances
                = m_raw.advancesForGlyphIndexes(m_raw.glyphIndexesForString(QString(character)));
            if (advances.size() == 1)
                advance = float(advances[0].x());
        }
        m_advances[c] = advance;
        return advance;
    }

    qreal FindLatinKerning(char16_t first, char16_t second)
    {
        const float kerning = float(PairKerning(first, second));
        // A kerning that equals the marker for unknown pairs is off by too little to matter.
        m_latinKerning[first << 8 | second] = kerning == Unknown ? std::nextafter(Unknown, 0.0f) : kerning;
        return kerning;
    }

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
    m_regular->Calibrate();
    m_bold->Calibrate();
    // Measured against the layout's widths, estimates stay within a 25th of the line's
    // height (beyond the share).
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

int TPageCounter::LineCount(QStringView text, TFace &face, TLineStarts &starts) const
{
    // The layout's greedy breaking: a word goes on the line when it fits there (its last
    // glyph's overhang included), else it starts the next one, the spaces before it
    // staying behind; a tab moves to the next stop, and one that passes the edge ends its
    // line. Where the line's content ends is estimated within [low, high] from advances
    // and kerning pairs; when those bounds leave a decision open, the text since the last
    // stop is measured as the layout measures it.
    const qreal width = m_settings.Width;
    if (m_tabStop <= 0 || face.LineHeight <= 0 || width <= 0)
        return 0;
    int lines = 1;
    starts[0] = 0;
    qreal low = 0, high = 0; // where the line's content ends
    qreal spaces = 0; // the width of the spaces after it
    qreal overhang = 0; // how far the line's last glyph reaches past its advance
    bool content = false; // whether the line holds anything yet
    bool pendingSpaces = false;
    qsizetype segment = 0; // where the text since the last stop (or the line's start) begins
    qreal segmentX = 0; // and its place on the line
    // Where the text from the segment's start to `end` ends, exactly.
    const auto measure
        = [&](qsizetype end) { return segmentX + face.Width(text.mid(segment, end - segment)); };
    // Starts a line at `at`; false when there are too many to keep.
    const auto nextLine = [&](qsizetype at) {
        if (lines == int(starts.size()))
            return false;
        starts[std::size_t(lines++)] = at;
        low = high = spaces = overhang = segmentX = 0;
        segment = at;
        content = pendingSpaces = false;
        return true;
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
            // A tab that would move by less than a little goes to the stop after; the
            // layout's own limit lies within that little, so a move there is laid out.
            const qreal little = m_tabStop / 75;
            const auto stopAfter = [this](qreal x) { return (std::floor(x / m_tabStop) + 1) * m_tabStop; };
            qreal from = low + spaces;
            const bool sure = low == high
                || (stopAfter(from) == stopAfter(high + spaces) && stopAfter(from) - (high + spaces) >= little
                    && (!content || from > width || high + spaces + overhang <= width));
            if (!sure)
                from = measure(i);
            if (content && from + overhang > width && from <= width)
                return 0; // only the overhang's own rule tells
            if (content && from > width) {
                // The spaces end the line; the tab starts the next.
                if (!nextLine(i))
                    return 0;
                from = 0;
            }
            content = content || pendingSpaces;
            const qreal stop = stopAfter(from);
            if (stop - from < little)
                return 0;
            ++i;
            if (stop > width) {
                // The tab ends its line.
                if (!content || !nextLine(i))
                    return 0;
                continue;
            }
            low = high = segmentX = stop;
            segment = i;
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
        const qreal error = m_error + sum * face.WidthShare;
        const qreal wordOverhang = face.Overhang(text[end - 1].unicode());
        qreal endLow = low + spaces + sum - error;
        qreal endHigh = high + spaces + sum + error;
        if ((endLow + wordOverhang <= width) != (endHigh + wordOverhang <= width))
            endLow = endHigh = measure(end);
        if (endHigh + wordOverhang <= width || !content) {
            if (endHigh + wordOverhang > width)
                return 0; // a first word wider than the line breaks anywhere
            low = endLow;
            high = endHigh;
        } else {
            // The word starts the next line, unless the layout may break inside it.
            if (BreaksInside(text.mid(i, end - i)) || !nextLine(i))
                return 0;
            if (sum + error + wordOverhang > width)
                return 0;
            low = sum - error;
            high = sum + error;
        }
        overhang = wordOverhang;
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
        TFace *face = FaceOf(paragraph, text);
        TLineStarts starts{};
        const int lines = !face ? 0 : text.isEmpty() ? 1 : LineCount(text, *face, starts);
        // A page that begins inside the paragraph begins with one of its lines.
        int first = 0;
        while (first < lines && position + starts[std::size_t(first)] < from)
            ++first;
        if (lines > 0 && (first == 0 || position + starts[std::size_t(first)] == from)) {
            const qreal height = text.isEmpty() ? m_emptyHeight : face->LineHeight;
            for (int i = first; i < lines; ++i) {
                if (!place(height))
                    return std::max<std::int64_t>(position + starts[std::size_t(i)], from);
            }
            continue;
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

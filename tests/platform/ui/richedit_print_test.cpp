#include <gtest/gtest.h>

#include "platform/print/pagecounter.h"
#include "platform/print/printer.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/temptree.h"

namespace {

class RichEditPrintTest : public ::testing::Test
{
protected:
    RichEditPrintTest() { m_printer.SelectPdf(m_dir.Path("view.pdf")); }

    void Fill(int count)
    {
        for (int i = 1; i <= count; ++i)
            m_view.AppendLine(QStringLiteral("Paragraph %1").arg(i));
    }
    // A twips rectangle of the given size in inches, an inch from the device origin.
    TFormatRange Range(double widthInches, double heightInches, std::int64_t from = 0)
    {
        TFormatRange range;
        range.hdc = range.hdcTarget = &m_printer.Handle();
        range.rc = {1440, 1440, 1440 + int(widthInches * 1440), 1440 + int(heightInches * 1440)};
        range.rcPage = range.rc;
        range.chrg = {from, -1};
        return range;
    }
    // Where each page of the given height begins.
    std::vector<std::int64_t> PageStarts(double heightInches, double widthInches = 5)
    {
        std::vector<std::int64_t> starts;
        std::int64_t next = 0;
        while (next < m_view.GetTextLen()) {
            starts.push_back(next);
            TFormatRange range = Range(widthInches, heightInches, next);
            const std::int64_t after = m_view.FormatRange(&range, false);
            if (after <= next)
                break;
            next = after;
        }
        return starts;
    }

    TTempTree m_dir;
    TPrinter m_printer;
    TRichEdit m_view;
};

} // namespace

TEST_F(RichEditPrintTest, PagesBreakBetweenWholeLinesAndCoverTheText)
{
    Fill(300);
    const auto starts = PageStarts(3);
    ASSERT_GT(starts.size(), 2u);
    const TParagraphStore &store = m_view.Store();
    for (const std::int64_t start : starts)
        EXPECT_EQ(store.Position(store.ParagraphAt(start)), start);
    // All pages but the last hold the same number of paragraphs.
    const qsizetype perPage = store.ParagraphAt(starts[1]);
    EXPECT_EQ(store.ParagraphAt(starts[2]), 2 * perPage);

    TFormatRange last = Range(5, 3, starts.back());
    EXPECT_GE(m_view.FormatRange(&last, false), m_view.GetTextLen());
    EXPECT_EQ(m_view.FormatRange(nullptr, false), 0);
}

TEST_F(RichEditPrintTest, LineBreaksDoNotDependOnTheResolution)
{
    QString words;
    for (int i = 0; i < 400; ++i)
        words += QStringLiteral("mot%1 ").arg(i);
    m_view.AppendLine(words);
    Fill(100);
    const auto at600 = PageStarts(2);
    m_printer.SelectPdf(m_dir.Path("fine.pdf"), QPageSize(QPageSize::A4), 1200);
    m_view.FormatRange(nullptr, false);
    EXPECT_EQ(PageStarts(2), at600);
}

TEST_F(RichEditPrintTest, EveryAreaWithHeightTakesALineButAFlatOneTakesNone)
{
    Fill(3);
    TFormatRange thin = Range(5, 0.01);
    EXPECT_EQ(m_view.FormatRange(&thin, false), m_view.Store().Position(1));
    TFormatRange flat = Range(5, 0);
    EXPECT_EQ(m_view.FormatRange(&flat, false), 0);

    TRichEdit empty;
    TFormatRange range = Range(5, 3);
    EXPECT_EQ(empty.FormatRange(&range, false), 0);
}

TEST_F(RichEditPrintTest, RendersTabStopsAtHalfInchesOnThePage)
{
    m_view.SetNextLineBold(true);
    m_view.AppendLine(QStringLiteral("Titre"));
    m_view.SetNextLineBold(false);
    m_view.AppendLine(QStringLiteral("\t\tdeux"));
    m_printer.BeginDoc();
    TFormatRange range = Range(5, 3);
    EXPECT_GE(m_view.FormatRange(&range, true), m_view.GetTextLen());
    m_printer.EndDoc();

    bool found = false;
    for (const TPdfWord &word : PdfWords(m_dir.Path("view.pdf"))) {
        if (word.Text != QStringLiteral("deux"))
            continue;
        found = true;
        // An inch from the printable corner (6 mm in), then two half-inch tab stops.
        EXPECT_NEAR(word.XMin, 6 / 25.4 * 72 + 72 + 72, 1.0);
    }
    EXPECT_TRUE(found);
}

TEST_F(RichEditPrintTest, ThePageCounterFindsThePagesThatFormatRangeFills)
{
    // Lines shaped like a listing's (names at every depth, tabs up to the size and date
    // columns, lines broken at a tab, a space or inside a word), among those the counter
    // must lay out: other scripts and fonts, separators, accents, mixed weights.
    const QStringList odd = {u"日本語のファイル名.txt"_qs, u"emoji 😀 name"_qs, u"שלום.txt"_qs,
        u"line\u2028break"_qs, u"a\u0301ccent"_qs, QString(), u"x"_qs.repeated(150) + u"\tend"_qs};
    const QStringList pieces = {u"read"_qs, u"me"_qs, u".txt"_qs, u"-"_qs, u" "_qs, u"_"_qs, u"Wave"_qs,
        u"lib"_qs, u"2024"_qs, u"(1)"_qs, u"ffi"_qs, u"AVATAR"_qs, u"/"_qs};
    std::uint32_t seed = 7;
    const auto random = [&seed](std::uint32_t below) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 8) % below;
    };
    m_view.BeginUpdate();
    for (int i = 0; i < 2500; ++i) {
        m_view.SetNextLineBold(random(8) == 0);
        if (random(25) == 0) {
            m_view.AppendLine(odd[int(random(std::uint32_t(odd.size())))]);
            continue;
        }
        QString line = u"\t"_qs.repeated(random(12));
        for (std::uint32_t piece = random(14) + 1; piece > 0; --piece)
            line += pieces[int(random(std::uint32_t(pieces.size())))];
        line += u"\t"_qs.repeated(random(9)) + QString::number(random(100000)) + u" octets\t2024-02-0"_qs
            + QString::number(random(9)) + u" 12:34:56"_qs;
        m_view.AppendLine(line);
    }
    m_view.EndUpdate();
    // Tab stops fall on the edge of a 5-inch line; an italic serif face overhangs.
    TFont italic;
    italic.Name = u"DejaVu Serif"_qs;
    italic.SetSize(11);
    italic.Style = {TFontStyle::fsItalic};
    for (const TFont &font : {m_view.Font(), italic}) {
        m_view.SetFont(font);
        for (const auto &[width, height] : {std::pair(5.0, 0.3), std::pair(6.7, 1.0), std::pair(5.0, 2.7)}) {
            const std::vector<std::int64_t> starts = PageStarts(height, width);
            const auto counter = m_view.PageCounter(Range(width, height));
            std::vector<std::int64_t> counted{0};
            while (counted.size() < starts.size())
                counted.push_back(counter->NextPage(counted.back(), m_view.GetTextLen()));
            EXPECT_EQ(counted, starts) << font.Name.toStdString() << ", " << width << " x " << height;
            EXPECT_GE(counter->NextPage(starts.back(), m_view.GetTextLen()), m_view.GetTextLen());
        }
    }
    // Most paragraphs are counted without their layout, unless pages cut them.
    const auto counter = m_view.PageCounter(Range(6.7, 9));
    for (std::int64_t page = 0; page < m_view.GetTextLen();)
        page = counter->NextPage(page, m_view.GetTextLen());
    EXPECT_LT(counter->ParagraphsLaidOut() * 2, m_view.Store().Count());
}

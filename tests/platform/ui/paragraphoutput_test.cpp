#include <utility>
#include <vector>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/document/paragraphoutput.h"
#include "platform/document/paragraphstore.h"
#include "platform/print/printer.h"
#include "platform/print/printerlayout.h"
#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/temptree.h"

using namespace Qt::StringLiterals;

namespace {

using TLines = std::vector<std::pair<QString, bool>>;

// Headings, files with tabs, an empty line, characters RTF escapes, characters beyond
// cp1252 and beyond the BMP, a lone surrogate and a line separator.
const TLines Sample = {
    {u"C:\\racine\\"_s, true},
    {u"\tnotes.txt\t10"_s, false},
    {QString(), false},
    {u"\t\tété {x}.txt\t€ œ ☃ 😀"_s, true},
    {QString(u"a\u2028b "_s + QChar(0xD800) + u" ;}"_s), false},
    {QString(), true},
};

template <typename Write> QByteArray Output(Write write)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    write(out);
    return out.data();
}

QByteArray Rtf(const TRichEdit &view)
{
    return Output([&view](QIODevice &out) { view.WriteRtf(out); });
}

QByteArray PlainText(const TRichEdit &view)
{
    return Output([&view](QIODevice &out) { view.WritePlainText(out); });
}

void Append(TRichEdit &view, const TLines &lines)
{
    for (const auto &[text, bold] : lines) {
        view.SetNextLineBold(bold);
        view.AppendLine(text);
    }
}

// Output that the view wrote when it kept its text in a QTextDocument, recorded then.
QByteArray Recorded(const char *name)
{
    QFile file(QStringLiteral(VANTREL_SOURCE_DIR "/tests/platform/ui/data/") + ToQString(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QByteArray Sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

TEST(ParagraphOutput, RtfAndPlainTextAreByteForByteWhatTheViewWroteBefore)
{
    TRichEdit view;
    EXPECT_EQ(PlainText(view), QByteArray());
    Append(view, Sample);
    EXPECT_EQ(Rtf(view), Recorded("sample.rtf"));
    EXPECT_EQ(PlainText(view), Recorded("sample.txt"));

    TFont font;
    font.Name = u"Courier New"_s;
    font.SetSize(14);
    font.Color = 0x0000FF;
    font.Style = {TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline};
    view.SetFont(font);
    EXPECT_EQ(Rtf(view), Recorded("styled.rtf"));

    // Many lines, so that both go out in several chunks.
    for (int i = 0; i < 20000; ++i) {
        view.SetNextLineBold(i % 7 == 0);
        view.AppendLine(QString(u"\tfichier " + QString::number(i)));
    }
    EXPECT_EQ(Sha256(Rtf(view)), "6b59e13d4fafd3843fbd42c8be0ebefd78008dd6ff3a1e19ece9f48fa31c7d22");
    EXPECT_EQ(Sha256(PlainText(view)), "29ca3547fbd179b61e77fddc20a0023f33c12d507944ca2b60481837be8f964e");
}

TEST(ParagraphOutput, TextTypedAfterTheLastBreakIsALastParagraph)
{
    TRichEdit view;
    Append(view, Sample);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&view, u"fin"_s);
    EXPECT_EQ(PlainText(view), Recorded("sample.txt") + "fin\n");
    QByteArray rtf = Recorded("sample.rtf");
    rtf.insert(rtf.lastIndexOf('}'), "fin");
    EXPECT_EQ(Rtf(view), rtf);
}

TEST(ParagraphOutput, RefusedWritesRaiseEWriteError)
{
    TParagraphStore store;
    store.Append(u"x", false);
    QBuffer closed;
    EXPECT_THROW(WritePlainText(store, closed), EWriteError);
    EXPECT_THROW(WriteRtf(store, TRtfFont(), closed), EWriteError);
    // A full disk shows only when the file's own buffer goes out.
    QFile full(u"/dev/full"_s);
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    EXPECT_THROW(WritePlainText(store, full), EWriteError);
    EXPECT_THROW(WriteRtf(store, TRtfFont(), full), EWriteError);
}

namespace {

// Prints lines through the view's FormatRange on pages 3 inches wide and 2 high.
class StorePrintTest : public ::testing::Test
{
protected:
    static constexpr int Width = 3 * 1440, Height = 2 * 1440; // twips

    // Where each page begins; with `pdf`, printed to that file.
    std::vector<std::int64_t> Print(const char *pdf)
    {
        if (pdf) {
            m_printer.SelectPdf(m_dir.Path(pdf));
            m_printer.BeginDoc();
        }
        std::vector<std::int64_t> starts;
        for (std::int64_t next = 0; next < m_view.GetTextLen();) {
            if (pdf && !starts.empty())
                m_printer.NewPage();
            starts.push_back(next);
            TFormatRange range;
            range.hdc = range.hdcTarget = &m_printer.Handle();
            range.rc = {1440, 1440, 1440 + Width, 1440 + Height};
            range.rcPage = range.rc;
            range.chrg = {next, -1};
            const std::int64_t after = m_view.FormatRange(&range, pdf != nullptr);
            if (after <= next)
                break;
            next = after;
        }
        if (pdf)
            m_printer.EndDoc();
        return starts;
    }

    TTempTree m_dir;
    TPrinter m_printer;
    TRichEdit m_view;
};

} // namespace

TEST_F(StorePrintTest, PagesAndWordsAreWhereTheViewPrintedThemBefore)
{
    QString words;
    for (int i = 0; i < 120; ++i)
        words += u"mot" + QString::number(i) + u' ';
    Append(m_view, Sample);
    Append(m_view, {{words, true}, {u"\tcolonne\tdeux"_s, false}});
    for (int i = 0; i < 60; ++i)
        Append(m_view, {{u"Ligne " + QString::number(i), i % 5 == 0}});

    const std::vector<std::int64_t> pages = Print("view.pdf");
    EXPECT_EQ(pages, (std::vector<std::int64_t>{0, 445, 860, 1001, 1145, 1289}));

    // Each word as page, left and top in points, then its text.
    QStringList printed;
    for (const TPdfWord &word : PdfWords(m_dir.Path("view.pdf")))
        printed << u"%1\t%2\t%3\t%4"_s.arg(word.Page)
                       .arg(word.XMin, 0, 'f', 2)
                       .arg(word.YMin, 0, 'f', 2)
                       .arg(word.Text);
    const QStringList recorded = QString::fromUtf8(Recorded("words.tsv")).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(printed.size(), recorded.size());
    for (qsizetype i = 0; i < printed.size(); ++i)
        EXPECT_EQ(printed[i], recorded[i]) << i;

    // An edit lays its pages out anew.
    m_view.Store().Replace(0, m_view.Store().Position(40), u"");
    EXPECT_LT(Print(nullptr).size(), pages.size());
}

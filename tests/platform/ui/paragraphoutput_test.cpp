#include <utility>
#include <vector>

#include <QBuffer>
#include <QFile>
#include <QString>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "platform/print/printer.h"
#include "platform/print/printerlayout.h"
#include "platform/system/error.h"
#include "platform/ui/paragraphoutput.h"
#include "platform/ui/paragraphstore.h"
#include "platform/ui/richedit.h"
#include "tests/support/pdftext.h"
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

// The same lines in today's view and in a store.
struct TBoth
{
    TRichEdit View;
    TParagraphStore Store;

    void Append(const TLines &lines)
    {
        for (const auto &[text, bold] : lines) {
            View.SetNextLineBold(bold);
            View.AppendLine(text);
            Store.Append(text, bold);
        }
    }
    void ExpectSameOutput(const char *what)
    {
        const QByteArray viewRtf = Output([this](QIODevice &out) { View.WriteRtf(out); });
        const QByteArray storeRtf
            = Output([this](QIODevice &out) { WriteRtf(Store, RtfFontOf(View.Font()), out); });
        EXPECT_EQ(storeRtf, viewRtf) << what;
        const QByteArray viewText = Output([this](QIODevice &out) { View.WritePlainText(out); });
        const QByteArray storeText = Output([this](QIODevice &out) { WritePlainText(Store, out); });
        EXPECT_EQ(storeText, viewText) << what;
    }
};

} // namespace

TEST(ParagraphOutput, RtfAndPlainTextAreTheViewsByteForByte)
{
    TBoth both;
    both.ExpectSameOutput("empty");
    both.Append(Sample);
    both.ExpectSameOutput("sample");

    TFont font;
    font.Name = u"Courier New"_s;
    font.SetSize(14);
    font.Color = 0x0000FF;
    font.Style = {TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline};
    both.View.SetFont(font);
    both.ExpectSameOutput("bold italic underlined font");

    // Many lines, so that both go out in several chunks.
    for (int i = 0; i < 20000; ++i) {
        both.View.SetNextLineBold(i % 7 == 0);
        both.View.AppendLine(QString(u"\tfichier " + QString::number(i)));
        both.Store.Append(QString(u"\tfichier " + QString::number(i)), i % 7 == 0);
    }
    both.ExpectSameOutput("many lines");
}

TEST(ParagraphOutput, TextTypedAfterTheLastBreakIsALastParagraphAsInTheView)
{
    TBoth both;
    both.Append(Sample);
    both.View.moveCursor(QTextCursor::End);
    QTest::keyClicks(&both.View, u"fin"_s);
    both.Store.Replace(both.Store.Length(), both.Store.Length(), u"fin", TParagraphStore::TEditKind::Typing);
    both.ExpectSameOutput("typed last line");
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

// Prints the same lines twice, once through the view's FormatRange and once through a
// page layout reading a store, on pages 3 inches wide and 2 high.
class StorePrintTest : public ::testing::Test
{
protected:
    static constexpr int Width = 3 * 1440, Height = 2 * 1440; // twips

    // Where each page begins; with `pdf`, printed to that file.
    std::vector<std::int64_t> PrintView(const char *pdf)
    {
        return Print(pdf, [this](std::int64_t from, bool render) {
            TFormatRange range;
            range.hdc = range.hdcTarget = &m_printer.Handle();
            range.rc = {1440, 1440, 1440 + Width, 1440 + Height};
            range.rcPage = range.rc;
            range.chrg = {from, -1};
            return m_both.View.FormatRange(&range, render);
        });
    }
    std::vector<std::int64_t> PrintStore(const char *pdf)
    {
        TStorePrintParagraphs paragraphs(m_both.Store);
        TPrinterLayout layout;
        return Print(pdf, [&](std::int64_t from, bool render) {
            TDeviceContext &device = m_printer.Handle();
            const double dpiX = device.GetDeviceCaps(LOGPIXELSX);
            const double dpiY = device.GetDeviceCaps(LOGPIXELSY);
            TPrinterLayout::TSettings settings;
            settings.Paragraphs = &paragraphs;
            settings.Device = device.Device();
            settings.Font = m_both.View.Font().ToQFont();
            settings.Color = ColorOnPaper(m_both.View.Font().Color);
            settings.TabStop = 48;
            settings.Width = Width * dpiX / 1440.0;
            const QRectF area(dpiX, dpiY, settings.Width, Height * dpiY / 1440.0);
            return layout.Render(
                settings, area, from, m_both.Store.Length(), render ? device.Painter() : nullptr);
        });
    }

    TTempTree m_dir;
    TPrinter m_printer;
    TBoth m_both;

private:
    template <typename Render> std::vector<std::int64_t> Print(const char *pdf, Render render)
    {
        if (pdf) {
            m_printer.SelectPdf(m_dir.Path(pdf));
            m_printer.BeginDoc();
        }
        std::vector<std::int64_t> starts;
        for (std::int64_t next = 0; next < m_both.Store.Length();) {
            if (pdf && !starts.empty())
                m_printer.NewPage();
            starts.push_back(next);
            const std::int64_t after = render(next, pdf != nullptr);
            if (after <= next)
                break;
            next = after;
        }
        if (pdf)
            m_printer.EndDoc();
        return starts;
    }
};

} // namespace

TEST_F(StorePrintTest, AStorePrintsPageForPageAndWordForWordAsTheView)
{
    QString words;
    for (int i = 0; i < 120; ++i)
        words += u"mot" + QString::number(i) + u' ';
    m_both.Append(Sample);
    m_both.Append({{words, true}, {u"\tcolonne\tdeux"_s, false}});
    for (int i = 0; i < 60; ++i)
        m_both.Append({{u"Ligne " + QString::number(i), i % 5 == 0}});

    const std::vector<std::int64_t> viewPages = PrintView("view.pdf");
    ASSERT_GT(viewPages.size(), 3u);
    EXPECT_EQ(PrintStore("store.pdf"), viewPages);

    const std::vector<TPdfWord> viewWords = PdfWords(m_dir.Path("view.pdf"));
    const std::vector<TPdfWord> storeWords = PdfWords(m_dir.Path("store.pdf"));
    ASSERT_EQ(storeWords.size(), viewWords.size());
    for (std::size_t i = 0; i < viewWords.size(); ++i) {
        EXPECT_EQ(storeWords[i].Text, viewWords[i].Text) << i;
        EXPECT_EQ(storeWords[i].Page, viewWords[i].Page) << i;
        EXPECT_NEAR(storeWords[i].XMin, viewWords[i].XMin, 0.01) << i;
        EXPECT_NEAR(storeWords[i].YMin, viewWords[i].YMin, 0.01) << i;
    }

    // An edit in the store lays its pages out anew.
    m_both.Store.Replace(0, m_both.Store.Position(40), u"");
    EXPECT_LT(PrintStore(nullptr).size(), viewPages.size());
}

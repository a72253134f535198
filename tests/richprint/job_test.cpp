#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "platform/system/qtext.h"
#include "tests/richprint/printfixture.h"
#include "tests/support/gui/pdftext.h"

namespace {

// The body lines read back from the pages, in order.
std::vector<QString> BodyLines(const std::vector<QString> &pages)
{
    std::vector<QString> lines;
    static const QRegularExpression line(QStringLiteral("Line \\d{5}"));
    for (const QString &page : pages)
        for (auto it = line.globalMatch(page); it.hasNext();)
            lines.push_back(it.next().captured(0));
    return lines;
}

} // namespace

TEST_F(TPrintTest, ThreePageListingKeepsEveryLineOnceAndNumbersItsFooters)
{
    const std::string pdf = UsePdf();
    TRichPrinter printer;
    ApplyWindowDesign(printer);
    FillLines(180);
    printer.PrintRichEdit(&m_view, 1);

    const auto pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 3u);
    const auto lines = BodyLines(pages);
    ASSERT_EQ(lines.size(), 180u);
    for (int i = 0; i < 180; ++i)
        EXPECT_EQ(lines[i], QStringLiteral("Line %1").arg(i + 1, 5, 10, QChar(u'0')));

    int footers = 0;
    for (const TPdfWord &word : PdfWords(pdf)) {
        if (word.Text != QString::number(word.Page) || word.YMin < 270 * PointsPerMm)
            continue;
        ++footers;
        // Right-aligned in the column from the left margin (25 mm) 100 mm wide, less the
        // 6-pixel gap at 600 dpi.
        EXPECT_NEAR(word.XMax, (125.0 - 6 * 25.4 / 600) * PointsPerMm, 0.6) << word.Page;
    }
    EXPECT_EQ(footers, 3);
    EXPECT_FALSE(printer.IsPrinting());
    EXPECT_EQ(printer.PageNumber(), 3);
}

namespace {

// A printer whose device fails at one stage of the job, as a full disk or a vanished
// queue would: with an input/output error or a printer error.
class TFailingPrinter : public TPrinter
{
public:
    enum class TStage
    {
        Begin,
        NewPage,
        End
    };
    TFailingPrinter(TStage stage, bool inOut)
        : m_stage(stage)
        , m_inOut(inOut)
    { }

    void BeginDoc() override
    {
        // The document opens, then the device gives up (as the font set-up might).
        TPrinter::BeginDoc();
        if (m_stage == TStage::Begin)
            Fail();
    }
    void NewPage() override
    {
        if (m_stage == TStage::NewPage)
            Fail();
        TPrinter::NewPage();
    }
    void EndDoc() override
    {
        if (m_stage == TStage::End)
            Fail();
        TPrinter::EndDoc();
    }

private:
    void Fail()
    {
        if (m_inOut)
            throw EInOutError("disque plein");
        throw EPrinter("périphérique absent");
    }

    TStage m_stage;
    bool m_inOut;
};

} // namespace

TEST_F(TPrintTest, PrinterFailuresBecomeTheComponentsMessagesAndLeaveThePrinterIdle)
{
    using TStage = TFailingPrinter::TStage;
    struct TCase
    {
        TStage Stage;
        bool InOut;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {TStage::Begin, true, "disque plein"},
        {TStage::Begin, false, "Not be able to start the printing."},
        {TStage::NewPage, true, "Not be able to print a new page."},
        {TStage::NewPage, false, "Not be able to print a new page."},
        {TStage::End, true, "Not be able to print to a file."},
        {TStage::End, false, "Not be able to end the printing."},
    };
    FillLines(200);
    for (const TCase &test : cases) {
        SCOPED_TRACE(test.Message);
        TFailingPrinter failing(test.Stage, test.InOut);
        const std::string pdf = m_dir.Path("failed.pdf");
        failing.SelectPdf(pdf);
        SetPrinter(&failing);
        TRichPrinter printer;
        printer.SetShowProgress(true);
        int endDocs = 0;
        printer.OnEndDoc = [&endDocs](QObject *) { ++endDocs; };
        try {
            printer.PrintRichEdit(&m_view, 1);
            ADD_FAILURE() << "no error";
        } catch (const ELinePrinter &error) {
            EXPECT_EQ(error.Message(), test.Message);
        }
        EXPECT_FALSE(failing.Printing());
        EXPECT_EQ(printer.ProgressDialog(), nullptr);
        EXPECT_EQ(endDocs, test.Stage == TStage::End ? 1 : 0);
        EXPECT_FALSE(QFile::exists(ToQString(pdf)));
        // The printer takes changes and jobs again.
        EXPECT_NO_THROW(printer.SetMarginRight(20));
        EXPECT_NO_THROW(printer.SetTitle(QStringLiteral("again")));
        SetPrinter(nullptr);
    }
}

TEST_F(TPrintTest, ErrorFromAPageHandlerAbortsTheJobAndKeepsTheOldFile)
{
    const std::string pdf = UsePdf();
    m_dir.TextFile("out.pdf", "old");
    TRichPrinter printer;
    FillLines(10);
    printer.OnNewPage = [&printer](QObject *) { printer.SetMarginTop(40); };
    try {
        printer.PrintRichEdit(&m_view, 1);
        ADD_FAILURE() << "no error";
    } catch (const ELinePrinter &error) {
        EXPECT_EQ(error.Message(), "Unable to change top margin while printing");
    }
    EXPECT_FALSE(printer.IsPrinting());
    QFile file(ToQString(pdf));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));

    printer.OnNewPage = nullptr;
    printer.PrintRichEdit(&m_view, 1);
    EXPECT_EQ(PdfPageTexts(pdf).size(), 1u);
}

TEST_F(TPrintTest, EventsComeInTheJobsOrder)
{
    UsePdf();
    TRichPrinter printer;
    ApplyWindowDesign(printer);
    FillLines(180);
    std::vector<std::string> events;
    printer.OnBeginDoc = [&](QObject *sender) {
        EXPECT_EQ(sender, &printer);
        events.push_back("begin:" + std::to_string(printer.IsPrinting()));
    };
    printer.OnNewPage = [&](QObject *) { events.push_back("page " + std::to_string(printer.PageNumber())); };
    printer.OnEndDoc = [&](QObject *) { events.push_back("end:" + std::to_string(printer.IsPrinting())); };
    printer.PrintRichEdit(&m_view, 7);
    EXPECT_EQ(events, (std::vector<std::string>{"begin:0", "page 7", "page 8", "page 9", "end:0"}));
}

TEST_F(TPrintTest, EmptyViewPrintsOnePageWithItsDecorations)
{
    const std::string pdf = UsePdf();
    TRichPrinter printer;
    ApplyWindowDesign(printer);
    int pages = 0;
    printer.OnNewPage = [&pages](QObject *) { ++pages; };
    printer.PrintRichEdit(&m_view, 1);
    EXPECT_EQ(pages, 1);
    const auto texts = PdfPageTexts(pdf);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].trimmed(), QStringLiteral("Page 1"));
}

TEST_F(TPrintTest, ParagraphLongerThanAPageIsSplitBetweenPagesWithoutLoss)
{
    const std::string pdf = UsePdf();
    TRichPrinter printer;
    QString words;
    for (int i = 1; i <= 3000; ++i)
        words += QStringLiteral("w%1 ").arg(i, 4, 10, QChar(u'0'));
    m_view.AppendLine(words);
    printer.PrintRichEdit(&m_view, 1);

    const auto pages = PdfPageTexts(pdf);
    EXPECT_GE(pages.size(), 2u);
    QStringList found;
    static const QRegularExpression word(QStringLiteral("w\\d{4}"));
    for (const QString &page : pages)
        for (auto it = word.globalMatch(page); it.hasNext();)
            found << it.next().captured(0);
    ASSERT_EQ(found.size(), 3000);
    EXPECT_EQ(found.front(), QStringLiteral("w0001"));
    EXPECT_EQ(found.back(), QStringLiteral("w3000"));
    EXPECT_EQ(found.removeDuplicates(), 0);
}

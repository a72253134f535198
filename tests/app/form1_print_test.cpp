#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/foldertree.h"
#include "app/unit1.h"
#include "platform/application.h"
#include "platform/printer.h"
#include "platform/richedit.h"
#include "richprint/richprint.h"
#include "tests/support/pdftext.h"
#include "tests/support/scriptedprintdialogs.h"
#include "tests/support/temptree.h"

namespace {

class TForm1PrintTest : public ::testing::Test
{
protected:
    TForm1PrintTest()
    {
        Printer().SelectNone();
        Application().SetTitle(QStringLiteral("Vantrel Oruk"));
        m_form = std::make_unique<TForm1>();
    }
    ~TForm1PrintTest() override { Printer().SelectNone(); }

    TScriptedPrintDialogs m_dialogs;
    TTempTree m_tree;
    std::unique_ptr<TForm1> m_form;
};

TPrinterChoice PdfChoice(const std::string &fileName)
{
    TPrinterChoice choice;
    choice.Kind = TPrinterChoice::TKind::pkPdfFile;
    choice.FileName = fileName;
    return choice;
}

} // namespace

TEST_F(TForm1PrintTest, PrinterComponentCarriesTheWindowsDesignValues)
{
    TRichPrinter &printer = *m_form->RichPrinter1;
    EXPECT_EQ(printer.parent(), m_form.get());
    EXPECT_DOUBLE_EQ(printer.MarginTop(), 30);
    EXPECT_DOUBLE_EQ(printer.MarginBottom(), 25);
    EXPECT_DOUBLE_EQ(printer.MarginLeft(), 25);
    EXPECT_DOUBLE_EQ(printer.MarginRight(), 15);
    EXPECT_EQ(printer.Header(), QStringLiteral("{$TITLE}"));
    EXPECT_EQ(printer.Footer(), QStringLiteral("Page {$PAGE}"));
    EXPECT_EQ(printer.FooterFormat(), QStringLiteral(">100"));
    EXPECT_FALSE(printer.ShowProgress());
    EXPECT_EQ(printer.Font_HeaderFooter().Name, QStringLiteral("Courier New"));
    EXPECT_EQ(printer.Font_HeaderFooter().Size(), 10);
    EXPECT_EQ(printer.MeasureUnit(), TMeasureUnit::muMillimeters);
}

TEST_F(TForm1PrintTest, CancelledDialogPrintsNothing)
{
    m_dialogs.PrintAnswers = {std::nullopt};
    m_form->Button3->click();
    EXPECT_EQ(m_dialogs.PrintRequests.size(), 1u);
    EXPECT_FALSE(Printer().Available());
    EXPECT_TRUE(m_dialogs.Messages.empty());
}

TEST_F(TForm1PrintTest, ChosenPdfFileReceivesTheListingWithNumberedFooters)
{
    m_tree.File("a/x.txt");
    m_tree.File("notes.txt");
    m_form->tva->SelectPath(m_tree.Root());
    m_form->BuildListing();
    const std::string pdf = m_tree.Path("listing.pdf");
    m_dialogs.PrintAnswers = {PdfChoice(pdf)};
    m_form->Button3->click();

    ASSERT_TRUE(m_dialogs.Messages.empty()) << m_dialogs.Messages[0].Text.toStdString();
    const auto pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("x.txt")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("notes.txt")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Page 1")));
    // The dialog offers the file chosen last.
    m_dialogs.PrintAnswers = {std::nullopt};
    m_form->Button3->click();
    EXPECT_EQ(m_dialogs.PrintRequests.back().CurrentFile, pdf);
}

TEST_F(TForm1PrintTest, FailureReachesTheErrorBox)
{
    m_dialogs.PrintAnswers = {PdfChoice(m_tree.Path("no/such/folder/l.pdf"))};
    m_form->Button3->click();
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text,
        QStringLiteral("Impossible de créer le fichier ")
            + QString::fromStdString(m_tree.Path("no/such/folder/l.pdf")) + u'.');
    EXPECT_EQ(m_dialogs.Messages[0].Caption, QStringLiteral("Vantrel Oruk"));
    EXPECT_FALSE(Printer().Printing());
}

#include "tests/richprint/printfixture.h"

#include <QLocale>

#include "platform/print/printer.h"
#include "platform/system/locale.h"

TPrintTest::TPrintTest()
{
    TLocale::Pin(QLocale::c());
    SetPrinter(nullptr);
    Printer().SelectNone();
}

TPrintTest::~TPrintTest()
{
    SetPrinter(nullptr);
    Printer().Abort();
    Printer().SelectNone();
}

std::string TPrintTest::UsePdf(const std::string &name)
{
    const std::string path = m_dir.Path(name);
    Printer().SelectPdf(path);
    return path;
}

void TPrintTest::ApplyWindowDesign(TRichPrinter &printer)
{
    printer.SetMarginTop(30.0);
    printer.SetMarginBottom(25.0);
    printer.SetMarginLeft(25.0);
    printer.SetMarginRight(15.0);
    printer.SetLogoWidth(25.0);
    printer.SetLogoHeight(20.0);
    printer.SetHeader(QStringLiteral("{$TITLE}"));
    printer.SetHeaderFormat(QStringLiteral(">100"));
    printer.SetFooter(QStringLiteral("Page {$PAGE}"));
    printer.SetFooterFormat(QStringLiteral(">100"));
    printer.SetShowProgress(false);
    TFont font;
    font.Name = QStringLiteral("Courier New");
    font.Height = -13;
    printer.SetFont_HeaderFooter(font);
    printer.SetBorderOffset(2.0);
}

void TPrintTest::FillLines(int count)
{
    m_view.BeginUpdate();
    for (int i = 1; i <= count; ++i)
        m_view.AppendLine(QStringLiteral("Line %1").arg(i, 5, 10, QChar(u'0')));
    m_view.EndUpdate();
}

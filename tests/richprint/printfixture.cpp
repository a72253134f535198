#include "tests/richprint/printfixture.h"

#include <QLocale>

#include "app/shared/gui/listingprinter.h"
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
    ConfigureListingPrinter(printer);
}

void TPrintTest::FillLines(int count)
{
    m_view.BeginUpdate();
    for (int i = 1; i <= count; ++i)
        m_view.AppendLine(QStringLiteral("Line %1").arg(i, 5, 10, QChar(u'0')));
    m_view.EndUpdate();
}

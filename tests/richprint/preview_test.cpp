#include <QImage>
#include <QPainter>

#include "platform/print/printer.h"
#include "richprint/richpreview.h"
#include "tests/richprint/printfixture.h"
#include "tests/support/gui/imagedistance.h"
#include "tests/support/gui/pdftext.h"

namespace {

constexpr int Dpi = 100;

// The preview's page drawn at `Dpi` on white, as a PDF page is rasterised.
QImage PreviewImage(TRichPreview &preview, int index)
{
    const double scale = Dpi / preview.Resolution().width();
    QImage image((QSizeF(preview.PaperSize()) * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    preview.PaintPage(index, painter);
    return image;
}

} // namespace

TEST_F(TPrintTest, PreviewedPagesAreThePrintedPages)
{
    TRichPrinter printer;
    ApplyWindowDesign(printer);
    printer.SetPageBorders({TPageBorderStyle::pbTop, TPageBorderStyle::pbLeft});
    printer.SetBitmapLogo(QImage(40, 30, QImage::Format_RGB32));
    m_view.BeginUpdate();
    for (int i = 1; i <= 260; ++i) {
        m_view.SetNextLineBold(i % 20 == 1);
        // Lines of every length, so that no two pages look alike.
        m_view.AppendLine(i % 45 == 0
                ? u"long "_qs.repeated(60)
                : QStringLiteral("Line %1%2\t4 096\t01/02/2024").arg(i).arg(u"-x"_qs.repeated(i % 13)));
    }
    m_view.EndUpdate();
    const std::string pdf = UsePdf();
    printer.PrintRichEdit(&m_view, 1);
    const int printed = int(PdfPageTexts(pdf).size());
    ASSERT_GE(printed, 4);

    // No printer: the pages are the PDF printer's.
    Printer().SelectNone();
    TRichPreview preview(printer, m_view);
    EXPECT_TRUE(preview.HasPage(printed - 1));
    EXPECT_FALSE(preview.HasPage(printed));
    EXPECT_EQ(preview.PageCount(), printed);
    for (const int page : {2, printed}) {
        const QImage shown = PreviewImage(preview, page - 1);
        const QImage pdfPage = PdfPageImage(pdf, page, Dpi);
        ASSERT_FALSE(pdfPage.isNull());
        EXPECT_LT(std::abs(shown.width() - pdfPage.width()), 2);
        // Rasterisers place lines half a pixel apart; another page's lines lie further.
        EXPECT_LT(PageDistance(shown, pdfPage), 2.5) << page;
        EXPECT_GT(PageDistance(shown, PdfPageImage(pdf, page == 2 ? 3 : 1, Dpi)), 5.0) << page;
    }
}

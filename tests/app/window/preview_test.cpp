#include <functional>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "app/window/previewdialog.h"
#include "app/window/previewpages.h"
#include "app/window/unit1.h"
#include "platform/print/printer.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/imagedistance.h"
#include "tests/support/gui/modaldialog.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/gui/scriptedprintdialogs.h"
#include "tests/support/temptree.h"

namespace {

class TPreviewTest : public ::testing::Test
{
protected:
    TPreviewTest()
    {
        Printer().SelectNone();
        m_form = std::make_unique<TForm1>();
        TRichEdit &view = *m_form->RichEdit1;
        view.BeginUpdate();
        for (int i = 1; i <= 3000; ++i) {
            view.SetNextLineBold(i % 50 == 1);
            // Names of every length, so that no two pages look alike.
            view.AppendLine(
                QStringLiteral("fichier-%1%2.txt\t12 345\t01/02/2024").arg(i).arg(u"-x"_qs.repeated(i % 13)));
        }
        view.EndUpdate();
    }
    ~TPreviewTest() override { Printer().SelectNone(); }

    // Clicks "Aperçu..." and runs `use` on the preview once it shows; the preview is
    // closed after, unless `use` closed it.
    void InPreview(const std::function<void(TPreviewDialog &)> &use)
    {
        bool ran = false;
        OnceShown<TPreviewDialog>(
            [&](TPreviewDialog &dialog) {
                ran = QTest::qWaitForWindowExposed(&dialog);
                if (ran)
                    use(dialog);
            },
            0);
        QTest::mouseClick(m_form->Button5, Qt::LeftButton);
        EXPECT_TRUE(ran);
    }

    TScriptedPrintDialogs m_dialogs;
    TTempTree m_tree;
    std::unique_ptr<TForm1> m_form;
};

QString Shown(TPreviewDialog &dialog)
{
    return dialog.PageBox->text() + u' ' + dialog.PageCount->text();
}

// Types `text` into the zoom list's box, and Return.
void TypeZoom(TPreviewDialog &dialog, const QString &text)
{
    QLineEdit *box = dialog.ZoomBox->lineEdit();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

TEST_F(TPreviewTest, PagesTurnByKeysButtonsAndTheirNumber)
{
    InPreview([](TPreviewDialog &dialog) {
        TPreviewPages &pages = *dialog.Pages;
        EXPECT_EQ(dialog.PageBox->text(), u"1"_qs);
        EXPECT_TRUE(pages.hasFocus());
        QTest::keyClick(&pages, Qt::Key_PageDown);
        QTest::keyClick(&pages, Qt::Key_PageDown);
        EXPECT_EQ(dialog.PageBox->text(), u"3"_qs);
        QTest::keyClick(&pages, Qt::Key_End);
        const QString count = QString::number(pages.CurrentPage() + 1);
        EXPECT_GT(pages.CurrentPage(), 30);
        EXPECT_EQ(Shown(dialog), count + u" sur "_qs + count);
        EXPECT_FALSE(dialog.NextButton->isEnabled());
        QTest::mouseClick(dialog.PreviousButton, Qt::LeftButton);
        EXPECT_EQ(pages.CurrentPage() + 1, count.toInt() - 1);
        QTest::keyClick(&pages, Qt::Key_Home);
        EXPECT_EQ(dialog.PageBox->text(), u"1"_qs);
        EXPECT_FALSE(dialog.PreviousButton->isEnabled());

        // Typed numbers: the page, or the last one for a number beyond it.
        for (const auto &[typed, reached] : {std::pair(u"20"_qs, u"20"_qs), std::pair(u"99999"_qs, count)}) {
            dialog.PageBox->setFocus();
            dialog.PageBox->selectAll();
            QTest::keyClicks(dialog.PageBox, typed);
            QTest::keyClick(dialog.PageBox, Qt::Key_Return);
            EXPECT_EQ(dialog.PageBox->text(), reached);
        }
        // Page Up turns pages wherever the focus is; two pages side by side turn by two.
        QTest::mouseClick(dialog.TwoPagesButton, Qt::LeftButton);
        QTest::keyClick(dialog.PageBox, Qt::Key_PageUp);
        QTest::keyClick(dialog.PageBox, Qt::Key_PageUp);
        EXPECT_EQ(pages.CurrentPage() + 1, count.toInt() - 4);
        EXPECT_EQ(pages.PagesSideBySide(), 2);
    });
}

TEST_F(TPreviewTest, ZoomFollowsTheListTheWheelAndTheKeys)
{
    InPreview([](TPreviewDialog &dialog) {
        TPreviewPages &pages = *dialog.Pages;
        EXPECT_EQ(pages.Fit(), TPreviewPages::TFit::Page);
        const double a4Width = 210 / 25.4 * pages.logicalDpiX();
        TypeZoom(dialog, u"100 %"_qs);
        EXPECT_DOUBLE_EQ(pages.Zoom(), 1.0);

        QWheelEvent wheel(QPointF(50, 50), pages.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
            QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pages.viewport(), &wheel);
        EXPECT_DOUBLE_EQ(pages.Zoom(), 1.25);
        EXPECT_EQ(dialog.ZoomBox->currentText(), u"125 %"_qs);
        QTest::keyClick(&pages, Qt::Key_Minus, Qt::ControlModifier);
        EXPECT_DOUBLE_EQ(pages.Zoom(), 1.0);
        // Zooms stay between 50 and 400 %.
        TypeZoom(dialog, u"900"_qs);
        EXPECT_EQ(dialog.ZoomBox->currentText(), u"400 %"_qs);

        // The list's entries complete as they are typed.
        TypeZoom(dialog, u"Plei"_qs);
        EXPECT_EQ(pages.Fit(), TPreviewPages::TFit::Width);
        const double fitted = pages.Zoom() * a4Width;
        EXPECT_NEAR(fitted, pages.viewport()->width() - 24, 2);
        EXPECT_GT(pages.verticalScrollBar()->maximum(), 0);
    });
}

TEST_F(TPreviewTest, ThePreviewShowsThePagesThatPrintingMakesAndPrintsThem)
{
    QImage shown;
    const std::string pdf = m_tree.Path("listing.pdf");
    m_dialogs.PrintAnswers = {TPrinterChoice{TPrinterChoice::TKind::pkPdfFile, {}, pdf, false}};
    InPreview([&](TPreviewDialog &dialog) {
        dialog.resize(1100, 1400);
        TypeZoom(dialog, u"100"_qs);
        QTest::keyClick(dialog.Pages, Qt::Key_PageDown);
        shown = dialog.Pages->viewport()->grab().toImage();
        QTest::mouseClick(dialog.PrintButton, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    ASSERT_EQ(m_dialogs.PrintRequests.size(), 1u);
    // The page lies centred in the view.
    const auto distance = [&shown, &pdf, dpi = m_form->logicalDpiX()](int pageNumber) {
        const QImage printed = PdfPageImage(pdf, pageNumber, dpi);
        return PageDistance(printed,
            shown.copy((shown.width() - printed.width()) / 2, (shown.height() - printed.height()) / 2,
                printed.width(), printed.height()));
    };
    EXPECT_LT(distance(2), 3.0);
    EXPECT_GT(distance(3), 5.0);
}

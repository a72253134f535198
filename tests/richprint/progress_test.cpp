#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include "richprint/richprntprogdlg.h"
#include "tests/richprint/printfixture.h"

namespace {

// Records each status that a progress dialog shows, from the moment it appears.
class TStatusRecorder : public QObject
{
public:
    TStatusRecorder() { qApp->installEventFilter(this); }
    ~TStatusRecorder() override { qApp->removeEventFilter(this); }

    QStringList Shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<TRichPrntProgDlg *>(watched);
        if (event->type() == QEvent::Show && dialog) {
            connect(dialog, &TRichPrntProgDlg::StatusChanged, this, [this](const QString &status) {
                if (Shown.isEmpty() || Shown.back() != status)
                    Shown << status;
            });
        }
        return false;
    }
};

bool AnyProgressWindow()
{
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
        [](QWidget *window) { return qobject_cast<TRichPrntProgDlg *>(window) != nullptr; });
}

} // namespace

TEST_F(TPrintTest, ProgressDialogFollowsTheJobAndGoesWithIt)
{
    UsePdf();
    TRichPrinter printer;
    printer.SetTitle(QStringLiteral("Listing"));
    FillLines(180);
    TStatusRecorder recorder;
    std::vector<QString> pageNumbers;
    printer.OnNewPage = [&](QObject *) {
        TRichPrntProgDlg *dialog = printer.ProgressDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Print Progress"));
        EXPECT_EQ(dialog->size(), QSize(284, 85));
        EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(dialog->lblStatus->text(), QStringLiteral("Currently Printing"));
        EXPECT_EQ(dialog->lblTitle->text(), QStringLiteral("Listing"));
        EXPECT_EQ(dialog->lblPageNumDesc->text(), QStringLiteral("Page Number:"));
        EXPECT_EQ(dialog->lblPageNumber->pos(), QPoint(92, 56));
        pageNumbers.push_back(dialog->lblPageNumber->text());
    };
    printer.PrintRichEdit(&m_view, 1);

    EXPECT_EQ(
        pageNumbers, (std::vector<QString>{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(recorder.Shown,
        QStringList({QStringLiteral("Preparing to Print"), QStringLiteral("Currently Printing"),
            QStringLiteral("Finished Printing")}));
    EXPECT_EQ(printer.ProgressDialog(), nullptr);
    EXPECT_FALSE(AnyProgressWindow());
}

TEST_F(TPrintTest, NoProgressDialogWhenProgressIsOff)
{
    UsePdf();
    TRichPrinter printer;
    printer.SetShowProgress(false);
    FillLines(180);
    bool seen = false;
    printer.OnNewPage = [&](QObject *) { seen = seen || printer.ProgressDialog() || AnyProgressWindow(); };
    printer.PrintRichEdit(&m_view, 1);
    EXPECT_FALSE(seen);
}

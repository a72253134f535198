#include <functional>

#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/print/font.h"
#include "platform/ui/dialogs.h"

namespace {

// Runs `act` on the Qt font dialog once it is open, then confirms it with Return as a
// person would; records the font the dialog showed on opening.
class TRealFontDialog
{
public:
    TRealFontDialog() { SetDialogSeam(nullptr); }

    bool Execute(TFontDialog &dialog, const std::function<void(QFontDialog &)> &act = {})
    {
        QTimer::singleShot(0, [this, act] {
            auto *shown = qobject_cast<QFontDialog *>(QApplication::activeModalWidget());
            if (!shown)
                return;
            Shown = shown->currentFont();
            if (act)
                act(*shown);
            QTest::keyClick(shown, Qt::Key_Return);
        });
        return dialog.Execute();
    }

    QFont Shown;
};

} // namespace

TEST(TFontDialogReal, ConfirmingWithoutAChangeKeepsTheFontExactly)
{
    TRealFontDialog real;
    TFontDialog dialog;
    dialog.Device = TFontDialogDevice::fdPrinter;
    const TFont before = dialog.Font; // MS Sans Serif, 8 points, which Linux does not have
    ASSERT_TRUE(real.Execute(dialog));
    EXPECT_NE(real.Shown.family(), before.Name);
    EXPECT_EQ(dialog.Font, before);
}

TEST(TFontDialogReal, AChosenFaceAndStyleComeBackAsChosen)
{
    const QFont book = QFontDatabase::font(QStringLiteral("DejaVu Serif"), QStringLiteral("Book"), 12);
    if (book.family() != QStringLiteral("DejaVu Serif"))
        GTEST_SKIP() << "DejaVu Serif is not installed";
    TRealFontDialog real;
    TFontDialog dialog;
    dialog.Device = TFontDialogDevice::fdPrinter;
    ASSERT_TRUE(real.Execute(dialog, [&book](QFontDialog &shown) { shown.setCurrentFont(book); }));
    EXPECT_EQ(dialog.Font.Name, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(dialog.Font.Size(), 12);
    EXPECT_FALSE(dialog.Font.Style.Contains(TFontStyle::fsItalic));
    const TFont chosen = dialog.Font;

    // Opened again, the dialog shows that face and style; confirmed, nothing changes.
    ASSERT_TRUE(real.Execute(dialog));
    EXPECT_EQ(real.Shown.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(QFontDatabase::styleString(real.Shown), QStringLiteral("Book"));
    EXPECT_FALSE(real.Shown.italic());
    EXPECT_EQ(dialog.Font, chosen);
    EXPECT_FALSE(ToQFont(dialog.Font).italic());
}

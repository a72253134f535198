#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/shared/gui/windowidentity.h"
#include "app/shared/identity.h"
#include "app/shared/language.h"
#include "platform/ui/dialogs.h"
#include "tests/support/gui/modaldialog.h"
#include "tests/support/temptree.h"

using ::testing::IsSupersetOf;
using ::testing::UnorderedElementsAre;

namespace {

// Where the tests leave their pictures of the dialogs (the copies in docs/screens come
// from here).
QString ScreenshotPath(const char *name)
{
    const QString folder = QStringLiteral(VANTREL_BINARY_DIR "/../screens");
    QDir().mkpath(folder);
    return folder + u'/' + QLatin1String(name);
}

QStringList ButtonTexts(const QWidget &dialog)
{
    QStringList texts;
    for (const QAbstractButton *button : dialog.findChildren<QAbstractButton *>()) {
        if (!button->text().isEmpty())
            texts << button->text();
    }
    return texts;
}

QStringList LabelTexts(const QWidget &dialog)
{
    QStringList texts;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        texts << label->text();
    return texts;
}

// Qt's dialogs with the French catalogue the programs install at start; removed again
// afterwards so that the other tests of the process see Qt as it comes.
class QtFrenchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDialogSeam(nullptr);
        m_translator = InstallQtFrenchTranslations();
        ASSERT_NE(m_translator, nullptr) << "qtbase_fr.qm not found (package qt6-translations-l10n)";
    }

    void TearDown() override
    {
        if (m_translator)
            QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
    }

private:
    QTranslator *m_translator = nullptr;
};

} // namespace

TEST_F(QtFrenchTest, TheSaveDialogSpeaksFrench)
{
    TTempTree tree;
    tree.File("Archives/2025.rtf", 1200);
    tree.File("listing.rtf", 3400);
    TSaveDialog save;
    save.Title = QStringLiteral("Enregistrer sous");
    save.Filter = QStringLiteral("Fichiers RTF (*.rtf)|*.rtf");
    save.DefaultExt = "rtf";
    save.FileName = tree.Path("listing.rtf");

    QStringList buttons;
    QStringList labels;
    OnceShown<QFileDialog>([&](QFileDialog &dialog) {
        buttons = ButtonTexts(*dialog.findChild<QDialogButtonBox *>());
        labels = LabelTexts(dialog);
        dialog.resize(640, 400);
        QTest::qWait(50);
        EXPECT_TRUE(dialog.grab().save(ScreenshotPath("save-dialog-french.png")));
    });
    EXPECT_FALSE(save.Execute());

    EXPECT_THAT(buttons, UnorderedElementsAre(QStringLiteral("&Enregistrer"), QStringLiteral("Annuler")))
        << buttons.join(u'|').toStdString();
    EXPECT_THAT(labels,
        IsSupersetOf({QStringLiteral("Voir dans :"), QStringLiteral("&Nom de fichier :"),
            QStringLiteral("Fichiers de type :")}))
        << labels.join(u'|').toStdString();
}

TEST_F(QtFrenchTest, MessageBoxButtonsSpeakFrench)
{
    QStringList yesNo;
    OnceShown<QMessageBox>([&](QMessageBox &box) {
        yesNo = ButtonTexts(box);
        EXPECT_TRUE(box.grab().save(ScreenshotPath("replace-question-french.png")));
    });
    DialogSeam().MessageBox({QStringLiteral("listing.rtf existe déjà.\nVoulez-vous le remplacer ?"),
        QStringLiteral("Enregistrer sous"), MB_YESNO | MB_ICONWARNING});
    EXPECT_THAT(yesNo, UnorderedElementsAre(QStringLiteral("&Oui"), QStringLiteral("&Non")))
        << yesNo.join(u'|').toStdString();
}

TEST(ApplicationIdentity, NamesTheDesktopEntryTheVersionAndTheIcon)
{
    const QString name = QCoreApplication::applicationName();
    const QIcon windowIcon = QApplication::windowIcon();
    SetApplicationIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("io.github.vantrel.VantrelOruk"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("vantrel-oruk"));
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral(VANTREL_VERSION));
    EXPECT_FALSE(QCoreApplication::organizationName().isEmpty());
    // From the theme once installed, else from the copy built into the program.
    const QIcon icon = QApplication::windowIcon();
    EXPECT_FALSE(icon.pixmap(64, 64).isNull());
    EXPECT_FALSE(icon.pixmap(16, 16).isNull());

    QCoreApplication::setApplicationName(name);
    QCoreApplication::setApplicationVersion(QString());
    QCoreApplication::setOrganizationName(QString());
    QGuiApplication::setDesktopFileName(QString());
    QApplication::setWindowIcon(windowIcon);
}

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/read/filelist.h"
#include "app/shared/language.h"
#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "platform/system/translation.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/scripteddialogs.h"
#include "tests/support/gui/viewtext.h"
#include "tests/support/temptree.h"

namespace {

class TForm1Test : public ::testing::Test
{
protected:
    TForm1Test()
    {
        TLocale::Pin(QLocale(QStringLiteral("fr_FR")));
        Application().SetTitle(QStringLiteral("Vantrel Oruk"));
        m_form = std::make_unique<TForm1>();
    }

    void WorkedExampleTree()
    {
        m_tree.File("notes.txt", 10);
        m_tree.File("a/x.txt", 12 * 1024);
        m_tree.File("a/b/y.txt", 1);
        m_tree.File("c/z.txt", 2);
    }

    TScriptedDialogs m_dialogs;
    TTempTree m_tree;
    std::unique_ptr<TForm1> m_form;
};

} // namespace

TEST_F(TForm1Test, StartsWithItsDesignedControlsAndCaptions)
{
    TForm1 &form = *m_form;
    EXPECT_EQ(Form1, &form);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantrel Oruk"));
    EXPECT_TRUE(form.Label3->text().isEmpty());
    EXPECT_EQ(form.RichEdit1->GetTextLen(), 0);
    EXPECT_EQ(form.size(), QSize(792, 573));

    struct TExpected
    {
        QWidget *control;
        QRect geometry;
        QString caption;
    };
    const std::vector<TExpected> controls = {
        {form.tva, {8, 24, 297, 241}, {}},
        {form.Label3, {8, 272, 305, 13}, {}},
        {form.Bevel1, {320, 24, 457, 105}, {}},
        {form.CheckBox1, {336, 40, 209, 17}, QStringLiteral("Afficher seulement les répertoires")},
        {form.CheckBox2, {336, 64, 209, 17}, QStringLiteral("Ordre alphabétique")},
        {form.CheckBox3, {560, 40, 209, 17}, QStringLiteral("Inclure taille")},
        {form.CheckBox4, {560, 64, 209, 17}, QStringLiteral("Inclure date")},
        {form.Button1, {336, 96, 433, 25}, QStringLiteral("Lecture répertoire")},
        // The lower frame reaches down to hold "Aperçu...", below the design's buttons.
        {form.Bevel2, {320, 136, 457, 169}, {}},
        {form.Button2, {336, 152, 433, 25}, QStringLiteral("Police...")},
        {form.Button3, {336, 192, 433, 25}, QStringLiteral("Imprimer...")},
        {form.Button4, {336, 232, 433, 25}, QStringLiteral("Enregistrer...")},
        {form.Button5, {336, 272, 433, 25}, QStringLiteral("Aperçu...")},
    };
    for (const TExpected &expected : controls) {
        SCOPED_TRACE(expected.control->objectName().toStdString());
        EXPECT_EQ(expected.control->geometry(), expected.geometry);
        if (auto *button = qobject_cast<QAbstractButton *>(expected.control)) {
            EXPECT_EQ(button->text(), expected.caption);
        }
        if (auto *label = qobject_cast<QLabel *>(expected.control); label && !expected.caption.isEmpty()) {
            EXPECT_EQ(label->text(), expected.caption);
        }
    }
    EXPECT_EQ(form.Label1->pos(), QPoint(8, 8));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Répertoire racine"));
    EXPECT_GE(form.Label1->width(), form.Label1->sizeHint().width());
    for (QCheckBox *box : {form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4})
        EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(form.Label3->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(form.tva->indentation(), 19);
    EXPECT_EQ(form.RichEdit1->Font().Name, QStringLiteral("Arial"));
    EXPECT_EQ(form.RichEdit1->Font().Height, -12);
    EXPECT_EQ(form.FontDialog1.Font, TFont());
    EXPECT_EQ(form.SaveDialog1.DefaultExt, "rtf");
    // RTF first and the default; the other forms follow.
    EXPECT_TRUE(form.SaveDialog1.Filter.startsWith(QStringLiteral("Fichiers RTF (*.rtf)|*.rtf|")));
    EXPECT_TRUE(form.SaveDialog1.Options.Contains(TOpenOption::ofOverwritePrompt));
}

TEST_F(TForm1Test, TabOrderFollowsTheDesign)
{
    TForm1 &form = *m_form;
    const std::vector<QWidget *> expected
        = {form.tva, form.Button1, form.RichEdit1, form.CheckBox1, form.Button2, form.CheckBox2, form.Button3,
            form.Button4, form.Button5, form.CheckBox3, form.CheckBox4};
    std::vector<QWidget *> order;
    QWidget *widget = form.tva;
    do {
        if (std::find(expected.begin(), expected.end(), widget) != expected.end())
            order.push_back(widget);
        widget = widget->nextInFocusChain();
    } while (widget != form.tva && order.size() < expected.size());
    EXPECT_EQ(order, expected);
}

TEST_F(TForm1Test, ResizingKeepsTheViewEightPixelsBelowTheLowerFrame)
{
    TForm1 &form = *m_form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (const QSize size : {QSize(792, 573), QSize(1000, 800), QSize(640, 400)}) {
        form.resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(form.RichEdit1->y(), 136 + 169 + 8);
        EXPECT_EQ(form.RichEdit1->geometry().bottom(), size.height() - 1);
        EXPECT_EQ(form.RichEdit1->width(), size.width());
    }
    form.resize(792, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.RichEdit1->height(), 0);
}

TEST_F(TForm1Test, ReadWritesTheListingAndRestoresTheWindow)
{
    WorkedExampleTree();
    TForm1 &form = *m_form;
    form.tva->SelectPath(m_tree.Root());
    form.CheckBox3->setChecked(true);
    form.Button1->click();

    EXPECT_EQ(form.Label3->text(), QStringLiteral("Lecture terminée."));
    EXPECT_TRUE(form.Button1->isEnabled());
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    EXPECT_EQ(form.RootDir, m_tree.Root() + "/");
    EXPECT_EQ(form.FileList->Count(), 4u);
    EXPECT_EQ(form.RichEdit1->Font(), form.FontDialog1.Font);

    const auto paragraphs = Paragraphs(*form.RichEdit1);
    ASSERT_EQ(paragraphs.size(), 12u);
    // The walk's order within a folder is the file system's: look up lines by content.
    auto has = [&](const QString &text, bool bold) {
        return std::find(paragraphs.begin(), paragraphs.end(), std::make_pair(text, bold))
            != paragraphs.end();
    };
    EXPECT_TRUE(has(QStringLiteral("a"), true));
    EXPECT_TRUE(has(QStringLiteral("\tb"), true));
    EXPECT_TRUE(has(QStringLiteral("c"), true));
    EXPECT_TRUE(has(QStringLiteral("\tx.txt\t\t\t\t\t\t\t12 Ko"), false));
    EXPECT_EQ(paragraphs.back(), std::make_pair(QStringLiteral("notes.txt\t\t\t\t\t\t\t10 octets"), false));
}

TEST_F(TForm1Test, ReadWithoutSelectionWarnsAndKeepsTheEarlierListing)
{
    WorkedExampleTree();
    TForm1 &form = *m_form;
    form.tva->SelectPath(m_tree.Root());
    form.BuildListing();
    const auto before = Paragraphs(*form.RichEdit1);
    form.tva->SelectPath("");
    form.tva->setCurrentIndex(QModelIndex());
    form.Label3->setText(QStringLiteral("avant"));
    form.Button1->click();

    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text, QStringLiteral("Répertoire racine non choisi."));
    EXPECT_EQ(m_dialogs.Messages[0].Caption, QStringLiteral("Avertissement"));
    EXPECT_EQ(m_dialogs.Messages[0].Flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(Paragraphs(*form.RichEdit1), before);
    EXPECT_EQ(form.Label3->text(), QStringLiteral("avant"));
    EXPECT_TRUE(form.RootDir.empty());
}

TEST_F(TForm1Test, EmptyFolderLeavesTheViewEmptyAndItsFontAlone)
{
    m_tree.Folder("empty/deeper");
    TForm1 &form = *m_form;
    const TFont before = form.RichEdit1->Font();
    form.tva->SelectPath(m_tree.Root());
    form.BuildListing();
    EXPECT_EQ(form.RichEdit1->GetTextLen(), 0);
    EXPECT_EQ(form.RichEdit1->Font(), before);
    EXPECT_EQ(form.Label3->text(), QStringLiteral("Lecture terminée."));
}

TEST_F(TForm1Test, FontDialogStartsFromTheViewAndItsChoiceWritesTheNextListing)
{
    m_tree.File("f.txt");
    TForm1 &form = *m_form;
    TFont chosen;
    chosen.Name = QStringLiteral("Courier New");
    chosen.SetSize(12);
    m_dialogs.FontAnswers = {std::nullopt, chosen};

    form.Button2->click();
    ASSERT_EQ(m_dialogs.FontsShown.size(), 1u);
    EXPECT_EQ(m_dialogs.FontsShown[0].Name, QStringLiteral("Arial"));
    EXPECT_EQ(form.RichEdit1->Font().Name, QStringLiteral("Arial"));

    form.Button2->click();
    EXPECT_EQ(form.RichEdit1->Font(), chosen);
    form.tva->SelectPath(m_tree.Root());
    form.BuildListing();
    EXPECT_EQ(form.RichEdit1->Font(), chosen);
}

TEST_F(TForm1Test, SaveWritesRtfAndReportsAFileThatCannotBeCreated)
{
    m_tree.File("f.txt");
    TForm1 &form = *m_form;
    form.tva->SelectPath(m_tree.Root());
    form.BuildListing();

    m_dialogs.SaveAnswers = {m_tree.Path("listing")};
    form.Button4->click();
    QFile saved(ToQString(m_tree.Path("listing.rtf")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith("{\\rtf1"));

    const std::string unwritable = m_tree.Path("no/such/folder/x.rtf");
    m_dialogs.SaveAnswers = {unwritable};
    form.Button4->click();
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text,
        QStringLiteral("Impossible de créer le fichier ") + ToQString(unwritable) + u'.');
    EXPECT_EQ(m_dialogs.Messages[0].Caption, QStringLiteral("Vantrel Oruk"));
}

TEST_F(TForm1Test, ClickInTheTreeShowsTheSelectionInTheStatusLine)
{
    TForm1 &form = *m_form;
    form.tva->SelectPath(m_tree.Root());
    form.tva->OnClick(form.tva);
    EXPECT_EQ(form.Label3->text(), ToQString(m_tree.Root()));
}

TEST_F(TForm1Test, ListingThatOverflowsTheViewSaysSoAndKeepsItsLines)
{
    for (int i = 0; i < 50; ++i)
        m_tree.File("d/file" + std::to_string(i));
    TForm1 &form = *m_form;
    form.RichEdit1->SetMaxLength(100);
    form.tva->SelectPath(m_tree.Root());
    form.BuildListing();
    EXPECT_TRUE(form.Label3->text().startsWith(QStringLiteral("Lecture interrompue : ")));
    EXPECT_GT(form.RichEdit1->GetTextLen(), 0);
    EXPECT_LE(form.RichEdit1->GetTextLen(), 100);
    EXPECT_TRUE(form.Button1->isEnabled());
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
}

TEST_F(TForm1Test, ClosingDuringAReadEndsTheWalkAndTheWindow)
{
    for (int i = 0; i < 200; ++i)
        m_tree.File("f" + std::to_string(i));
    TForm1 &form = *m_form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.MessageIntervalMs = 0;
    form.tva->SelectPath(m_tree.Root());
    QTimer::singleShot(0, &form, [&form] { form.close(); });
    form.BuildListing();
    EXPECT_LT(form.FileList->Count(), 200u);
    EXPECT_EQ(form.RichEdit1->GetTextLen(), 0);
    EXPECT_FALSE(form.isVisible());
}

// A screen reader sees the window as a window with its title, names the listing, and the
// tree by the label above it, which it ties to the tree both ways; the tree's hidden header
// names its column.
TEST_F(TForm1Test, AssistiveTechnologiesNameTheListingAndTheTreeByItsLabel)
{
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(m_form.get());
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("Vantrel Oruk"));
    QAccessibleInterface *listing = QAccessible::queryAccessibleInterface(m_form->RichEdit1);
    EXPECT_EQ(listing->text(QAccessible::Name), QStringLiteral("Listing"));

    QAccessibleInterface *tree = QAccessible::queryAccessibleInterface(m_form->tva);
    QAccessibleInterface *label = QAccessible::queryAccessibleInterface(m_form->Label1);
    EXPECT_EQ(tree->role(), QAccessible::Tree);
    EXPECT_EQ(tree->text(QAccessible::Name), QStringLiteral("Répertoire racine"));
    const auto labelledBy = tree->relations(QAccessible::Label);
    ASSERT_EQ(labelledBy.size(), 1);
    EXPECT_EQ(labelledBy[0].first, label);
    const auto labelFor = label->relations(QAccessible::Labelled);
    ASSERT_EQ(labelFor.size(), 1);
    EXPECT_EQ(labelFor[0].first, tree);
    // Its items are still Qt's, and lead back to it.
    ASSERT_GT(tree->childCount(), 1);
    EXPECT_EQ(tree->child(1)->role(), QAccessible::TreeItem);
    EXPECT_EQ(tree->child(1)->parent(), tree);

    QAccessibleInterface *header = tree->child(0);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(header->text(QAccessible::Name), QStringLiteral("Dossiers"));
}

// Under an English locale the window's captions, status line, listing and saved RTF are
// English; the design's French returns with the catalogue gone.
TEST(TForm1Language, EnglishCaptionsListingAndSavedFile)
{
    TLocale::Pin(QLocale(QStringLiteral("en_US")));
    ASSERT_TRUE(InstallTranslations(TLanguage::English));
    TScriptedDialogs dialogs;
    TTempTree tree;
    tree.File("notes.txt", 10);
    tree.File("a/x.txt", 12 * 1024);
    {
        TForm1 form;
        EXPECT_EQ(form.Label1->text(), QStringLiteral("Root folder"));
        EXPECT_EQ(form.Button1->text(), QStringLiteral("Read folder"));
        EXPECT_EQ(form.CheckBox1->text(), QStringLiteral("Show folders only"));
        EXPECT_EQ(form.Button4->text(), QStringLiteral("Save..."));

        form.tva->SelectPath(tree.Root());
        form.CheckBox3->setChecked(true);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        EXPECT_EQ(form.Label3->text(), QStringLiteral("Reading finished."));
        const auto paragraphs = Paragraphs(*form.RichEdit1);
        EXPECT_EQ(paragraphs.back().first, QStringLiteral("notes.txt\t\t\t\t\t\t\t10 bytes"));
        EXPECT_NE(std::find(paragraphs.begin(), paragraphs.end(),
                      std::make_pair(QStringLiteral("\tx.txt\t\t\t\t\t\t\t12 KB"), false)),
            paragraphs.end());

        dialogs.SaveAnswers = {tree.Path("listing")};
        QTest::mouseClick(form.Button4, Qt::LeftButton);
        QFile saved(ToQString(tree.Path("listing.rtf")));
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const QByteArray rtf = saved.readAll();
        EXPECT_TRUE(rtf.contains("10 bytes") && rtf.contains("12 KB"));
    }
    RemoveCatalogues();
    TLocale::Pin(QLocale::system());
    TForm1 form;
    EXPECT_EQ(form.Button1->text(), QStringLiteral("Lecture répertoire"));
}

#include <QCheckBox>
#include <QLocale>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/read/filelist.h"
#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "platform/system/locale.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/viewtext.h"
#include "tests/support/temptree.h"

// The window stays usable while it reads: options and a font chosen during the walk
// are those the listing is written with, as when they were chosen before.
TEST(TForm1Read, OptionsAndFontChosenDuringTheWalkWriteTheListing)
{
    TLocale::Pin(QLocale(QStringLiteral("fr_FR")));
    TTempTree tree;
    for (int i = 0; i < 20; ++i)
        tree.File("d/f" + std::to_string(i), 10);
    TForm1 form;
    form.MessageIntervalMs = 0;
    form.tva->SelectPath(tree.Root());
    TFont chosen;
    chosen.Name = QStringLiteral("Courier New");
    chosen.SetSize(12);
    QTimer::singleShot(0, &form, [&form, &chosen] {
        form.CheckBox3->setChecked(true);
        form.FontDialog1.Font = chosen;
    });
    form.BuildListing();

    EXPECT_EQ(form.RichEdit1->Font(), chosen);
    EXPECT_EQ(form.FileList->Count(), 20u);
    const TParagraphs paragraphs = Paragraphs(*form.RichEdit1);
    // A spacer, the folder's heading, its files, and the spacer before the root's files.
    ASSERT_EQ(paragraphs.size(), 23u);
    EXPECT_TRUE(paragraphs[2].first.endsWith(QStringLiteral("\t10 octets")))
        << paragraphs[2].first.toStdString();
}

// Text typed into the emptied view during the walk stays a paragraph of its own, and the
// listing's first heading stays bold.
TEST(TForm1Read, TextTypedDuringTheWalkDoesNotJoinTheFirstLine)
{
    TTempTree tree;
    tree.File("d/f", 10);
    TForm1 form;
    form.MessageIntervalMs = 0;
    form.tva->SelectPath(tree.Root());
    QTimer::singleShot(0, &form, [&form] { QTest::keyClicks(form.RichEdit1, QStringLiteral("abc")); });
    form.BuildListing();

    const TParagraphs paragraphs = Paragraphs(*form.RichEdit1);
    ASSERT_GE(paragraphs.size(), 3u);
    EXPECT_EQ(paragraphs[0], TParagraphs::value_type(QStringLiteral("abc"), false));
    EXPECT_EQ(paragraphs[2], TParagraphs::value_type(QStringLiteral("d"), true));
}

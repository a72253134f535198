#include <sstream>
#include <sys/stat.h>

#include <QCheckBox>
#include <QFile>

#include <gtest/gtest.h>

#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "app/window/windowsettings.h"
#include "platform/system/qtext.h"
#include "platform/ui/richedit.h"
#include "tests/support/temptree.h"

namespace {

QString Q(const std::string &path)
{
    return ToQString(path);
}

} // namespace

// Options, font, folder and the window's size and place come back in the next run.
TEST(RememberedSettings, WhatTheWindowHadComesBackNextTime)
{
    TTempTree tree;
    tree.Folder("Documents");
    const QString path = Q(tree.Path("config/vantrel-oruk/vantrel-oruk.conf"));
    TFont font;
    font.Name = QStringLiteral("Courier New");
    font.SetSize(11);
    font.Style.Include(TFontStyle::fsItalic);
    {
        TForm1 form;
        form.CheckBox2->setChecked(true);
        form.CheckBox4->setChecked(true);
        form.FontDialog1.Font = font;
        form.tva->SelectPath(tree.Path("Documents"));
        form.setGeometry(40, 50, 900, 700);
        ASSERT_TRUE(SaveRemembered(path, form.Remembered()));
    }
    std::ostringstream err;
    const auto remembered = LoadRemembered(path, err);
    ASSERT_TRUE(remembered);
    EXPECT_TRUE(err.str().empty());
    TForm1 form;
    form.Restore(*remembered);
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_TRUE(form.CheckBox2->isChecked() && form.CheckBox4->isChecked());
    EXPECT_FALSE(form.CheckBox3->isChecked());
    EXPECT_EQ(form.FontDialog1.Font, font);
    EXPECT_EQ(form.RichEdit1->Font(), font);
    EXPECT_EQ(form.tva->Selection(), tree.Path("Documents"));
    EXPECT_EQ(form.size(), QSize(900, 700));

    // A folder gone since is not chosen.
    TRemembered gone = *remembered;
    gone.Folder = tree.Path("gone");
    TForm1 other;
    other.Restore(gone);
    EXPECT_NE(other.tva->Selection(), gone.Folder);
}

// No file: nothing said and nothing changed. A damaged file, or something that is no
// file, is ignored with one line on standard error, and a damaged one is written anew.
TEST(RememberedSettings, ADamagedOrUnreadableFileIsIgnoredWithOneWarningAndReplaced)
{
    TTempTree tree;
    std::ostringstream err;
    EXPECT_FALSE(LoadRemembered(Q(tree.Path("none.conf")), err));
    EXPECT_TRUE(err.str().empty());

    tree.TextFile("damaged.conf", "[Options\nSorted=true\n");
    tree.Folder("folder.conf");
    ASSERT_EQ(::mkfifo(tree.Path("fifo.conf").c_str(), 0600), 0);
    for (const char *name : {"damaged.conf", "folder.conf", "fifo.conf"}) {
        err.str({});
        EXPECT_FALSE(LoadRemembered(Q(tree.Path(name)), err)) << name;
        EXPECT_EQ(err.str(),
            "vantrel-oruk : réglages illisibles ou endommagés ignorés : " + tree.Path(name) + "\n");
    }

    TRemembered sorted;
    sorted.Sorted = true;
    ASSERT_TRUE(SaveRemembered(Q(tree.Path("damaged.conf")), sorted));
    err.str({});
    const auto reread = LoadRemembered(Q(tree.Path("damaged.conf")), err);
    ASSERT_TRUE(reread);
    EXPECT_TRUE(reread->Sorted && !reread->Font);
    EXPECT_FALSE(QFile::exists(Q(tree.Path("damaged.conf.new"))));
}

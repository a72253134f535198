#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "platform/ui/richedit.h"
#include "tests/app/export/exportrun.h"
#include "tests/support/gui/modaldialog.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/gui/scripteddialogs.h"
#include "tests/support/temptree.h"

namespace {

QByteArray Bytes(const std::string &path)
{
    QFile file(ToQString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SaveFormatsTest : public ::testing::Test
{
protected:
    SaveFormatsTest()
    {
        // The export runs in the C locale: the window writes its dates alike.
        TLocale::Pin(QLocale::c());
        m_tree.File("notes.txt", 10);
        m_tree.File("a/x.txt", 2560);
        m_tree.File("a/b/=formule.csv", 7);
        m_tree.File("c/z \"quoted\" <tag>.txt", 1);
    }
    ~SaveFormatsTest() override { TLocale::Pin(QLocale::system()); }

    // Reads the tree in the window with the options the export gets as -sSD.
    void Read(TForm1 &form)
    {
        form.tva->SelectPath(m_tree.Root());
        form.CheckBox2->setChecked(true);
        form.CheckBox3->setChecked(true);
        form.CheckBox4->setChecked(true);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
    }

    void Save(TForm1 &form, const std::string &path)
    {
        m_dialogs.SaveAnswers = {path};
        QTest::mouseClick(form.Button4, Qt::LeftButton);
    }

    TScriptedDialogs m_dialogs;
    TTempTree m_tree;
    TTempTree m_out;
};

} // namespace

// Every format but PDF is byte for byte what the export writes for the same folder and
// options; PDF is the printed listing.
TEST_F(SaveFormatsTest, EachFormatIsWhatTheExportWrites)
{
    TForm1 form;
    Read(form);
    for (const char *name : {"l.rtf", "l.txt", "l.html", "l.csv", "l.json"}) {
        SCOPED_TRACE(name);
        Save(form, m_out.Path(std::string("window-") + name));
        const TRun run = Export({"-sSD", "-o", m_out.Path(std::string("export-") + name), m_tree.Root()});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        const QByteArray saved = Bytes(m_out.Path(std::string("window-") + name));
        EXPECT_FALSE(saved.isEmpty());
        EXPECT_EQ(saved, Bytes(m_out.Path(std::string("export-") + name)));
    }
    Save(form, m_out.Path("l.pdf"));
    const std::vector<QString> pages = PdfPageTexts(m_out.Path("l.pdf"));
    ASSERT_FALSE(pages.empty());
    const QString &pdf = pages.front();
    EXPECT_TRUE(pdf.contains(u"notes.txt") && pdf.contains(u"Page 1")) << pdf.toStdString();
    // Any other name gives RTF, as the save always wrote.
    Save(form, m_out.Path("l.doc"));
    EXPECT_EQ(Bytes(m_out.Path("l.doc")), Bytes(m_out.Path("export-l.rtf")));
    EXPECT_TRUE(m_dialogs.Messages.empty());
}

// The view's text goes into RTF and text with what was typed into it; the data formats
// hold the files found, and need a read.
TEST_F(SaveFormatsTest, EditsGoIntoTheViewsFormatsAndDataFormatsNeedARead)
{
    TForm1 form;
    Save(form, m_out.Path("none.csv"));
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_FALSE(QFile::exists(ToQString(m_out.Path("none.csv"))));

    Read(form);
    form.RichEdit1->SetCaret(0);
    QTest::keyClicks(form.RichEdit1, QStringLiteral("Relu le 9"));
    Save(form, m_out.Path("edited.txt"));
    Save(form, m_out.Path("edited.csv"));
    EXPECT_TRUE(Bytes(m_out.Path("edited.txt")).startsWith("Relu le 9"));
    EXPECT_FALSE(Bytes(m_out.Path("edited.csv")).contains("Relu le 9"));
}

// In the real save dialog, a name typed without an extension takes that of the type
// picked in the list.
TEST_F(SaveFormatsTest, TheTypePickedInTheDialogGivesTheFormat)
{
    SetDialogSeam(nullptr);
    TForm1 form;
    Read(form);
    OnceShown<QFileDialog>(
        [this](QFileDialog &dialog) {
            const QStringList types = dialog.nameFilters();
            const auto csv = std::find_if(
                types.begin(), types.end(), [](const QString &t) { return t.contains(u"*.csv"); });
            auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (csv == types.end() || !name) {
                ADD_FAILURE() << "no CSV type or name box: " << types.join(u'|').toStdString();
                return;
            }
            dialog.selectNameFilter(*csv);
            dialog.setDirectory(ToQString(m_out.Root()));
            QTest::qWait(200);
            name->clear();
            QTest::keyClicks(name, QStringLiteral("chosen"));
            QTest::keyClick(name, Qt::Key_Return);
        },
        200);
    QTest::mouseClick(form.Button4, Qt::LeftButton);
    const TRun run = Export({"-sSD", "-o", m_out.Path("export.csv"), m_tree.Root()});
    EXPECT_EQ(Bytes(m_out.Path("chosen.csv")), Bytes(m_out.Path("export.csv")));
    EXPECT_FALSE(QFile::exists(ToQString(m_out.Path("chosen.rtf"))));
}

// Renders the main window on the offscreen platform into the PNG file named on the
// command line (the README's picture): a sample home folder in the tree, expanded two
// levels with the shell's icons, its "Documents" folder picked and read, in the language
// of the environment (LANG and the like). A second file name gets the print preview of
// that listing, two pages side by side.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCheckBox>
#include <QPixmap>
#include <QTest>
#include <QToolButton>

#include "app/shared/language.h"
#include "app/window/foldertree.h"
#include "app/window/previewdialog.h"
#include "app/window/unit1.h"
#include "platform/print/font.h"
#include "platform/system/qtext.h"
#include "platform/ui/application.h"
#include "tests/support/temptree.h"

namespace {

TTreeNode *Child(TTreeNode *node, const std::string &caption)
{
    for (int i = 0; node && i < node->Count(); ++i) {
        if (node->Item(i)->Text() == caption)
            return node->Item(i);
    }
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [PREVIEW.png]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApplication(argc, argv);
    InstallTranslations(UserLanguage());
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));

    TTempTree tree;
    tree.Folder("config");
    tree.File("home/Documents/notes.txt", 1800);
    tree.File("home/Documents/rapport.odt", 48000);
    tree.File("home/Documents/Factures/2024-03.pdf", 91000);
    tree.File("home/Documents/Factures/2024-04.pdf", 88000);
    tree.File("home/Images/été 2024/plage.jpg", 2400000);
    tree.File("home/Images/été 2024/port.jpg", 1900000);
    tree.Folder("home/Musique/Albums");
    tree.Folder("home/Téléchargements");
    tree.Symlink("home/Projets", tree.Path("home/Documents"));
    ::setenv("HOME", tree.Path("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", tree.Path("config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", tree.Path("data").c_str(), 1);

    TForm1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    TTreeNode *home = Child(form.tva->TopItem(0), "home");
    if (!home)
        return 1;
    home->Expand(false);
    TTreeNode *documents = Child(home, "Documents");
    if (!documents)
        return 1;
    form.tva->SetSelected(documents);
    form.tvaClick(form.tva);
    form.CheckBox2->setChecked(true);
    form.CheckBox3->setChecked(true);
    form.BuildListing();
    form.tvaClick(form.tva);
    QCoreApplication::processEvents();
    if (!form.grab().save(ToQString(argv[1])))
        return 1;
    if (argc == 3) {
        TPreviewDialog preview(*form.RichPrinter1, *form.RichEdit1, &form);
        preview.resize(1000, 720);
        preview.show();
        if (!QTest::qWaitForWindowExposed(&preview))
            return 1;
        QTest::mouseClick(preview.TwoPagesButton, Qt::LeftButton);
        QTest::qWait(100);
        if (!preview.grab().save(ToQString(argv[2])))
            return 1;
    }
    return 0;
}

// Renders the main window on the offscreen platform, after a read of a small sample
// tree, into the PNG file named on the command line (the README's picture).
#include <cstdio>

#include <QApplication>
#include <QCheckBox>
#include <QPixmap>
#include <QTest>

#include "app/foldertree.h"
#include "app/unit1.h"
#include "platform/application.h"
#include "platform/font.h"
#include "tests/support/temptree.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApplication(argc, argv);
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));

    TTempTree tree;
    tree.File("notes.txt", 1800);
    tree.File("Photos/été 2024/plage.jpg", 2400000);
    tree.File("Photos/été 2024/port.jpg", 1900000);
    tree.File("Documents/rapport.odt", 48000);
    tree.File("Documents/Factures/2024-03.pdf", 91000);

    TForm1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.tva->SelectPath(tree.Root());
    form.CheckBox2->setChecked(true);
    form.CheckBox3->setChecked(true);
    form.BuildListing();
    QCoreApplication::processEvents();
    return form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}

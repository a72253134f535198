#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>

#include "platform/shell/itemproperties.h"
#include "platform/system/translation.h"
#include "tests/platform/shell/shellfixture.h"
#include "tests/support/catalogue.h"

namespace {

class ItemProperties : public TShellTest
{
protected:
    void TearDown() override
    {
        RemoveCatalogues();
        TShellTest::TearDown();
    }

    // What the row `index` of the item's properties holds, label and value.
    std::string Row(const std::string &relative, std::size_t index)
    {
        int error = -1;
        const std::vector<TPropertyRow> rows = ItemPropertyRows(Tree().Path(relative), error);
        EXPECT_EQ(error, 0);
        return index < rows.size() ? QString(rows[index].Label + u'=' + rows[index].Value).toStdString() : "";
    }
};

TEST_F(ItemProperties, TheDialogIsFrenchUnderAFrenchLocale)
{
    Tree().File("home/Courrier/a");
    Tree().File("home/Courrier/b");
    Tree().Folder("home/Courrier/c");
    ASSERT_TRUE(InstallTestCatalogue(u"fr"_qs));
    ASSERT_EQ(ShowItemProperties(nullptr, Tree().Path("home/Courrier")), 0);
    QDialog *dialog = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"ItemPropertiesDialog" && widget->isVisible())
            dialog = qobject_cast<QDialog *>(widget);
    }
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Propriétés de Courrier");
    const auto *form = dialog->findChild<QFormLayout *>();
    ASSERT_TRUE(form);
    QStringList labels, values;
    for (int row = 0; row < form->rowCount(); ++row) {
        labels << qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)->widget())->text();
        values << qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::FieldRole)->widget())->text();
    }
    EXPECT_EQ(labels.join(u'|').toStdString(),
        "Chemin :|Type :|Contenu :|Modifié :|Consulté :|État modifié :|Droits :|"
        "Propriétaire :|Groupe :");
    EXPECT_EQ(values.mid(1, 2).join(u'|').toStdString(), "Dossier|3 éléments");
    dialog->close();
}

TEST_F(ItemProperties, KindsAndCountsReadInEachLanguageWithTheirPluralForms)
{
    Tree().Folder("home/vide");
    Tree().File("home/un/x");
    Tree().File("home/deux/x");
    Tree().File("home/deux/y");
    Tree().File("home/texte", 3);
    ASSERT_EQ(::mkfifo(Tree().Path("home/tube").c_str(), 0600), 0);

    // No catalogue (the C locale), then the English one, which leaves these texts to the code.
    for (const QString &english : {QString(), u"en"_qs}) {
        if (!english.isEmpty())
            ASSERT_TRUE(InstallTestCatalogue(english));
        EXPECT_EQ(Row("home/vide", 2), "Contents=0 items");
        EXPECT_EQ(Row("home/un", 2), "Contents=1 item");
        EXPECT_EQ(Row("home/deux", 2), "Contents=2 items");
        EXPECT_EQ(Row("home/tube", 1), "Kind=Named pipe");
        EXPECT_EQ(Row("home/texte", 2).substr(0, 5), "Size=");
        EXPECT_TRUE(Row("home/texte", 2).ends_with("(3 bytes)"));
        RemoveCatalogues();
    }
    ASSERT_TRUE(InstallTestCatalogue(u"fr"_qs));
    EXPECT_EQ(Row("home/vide", 2), "Contenu=0 élément");
    EXPECT_EQ(Row("home/un", 2), "Contenu=1 élément");
    EXPECT_EQ(Row("home/deux", 2), "Contenu=2 éléments");
    EXPECT_EQ(Row("home/tube", 1), "Type=Tube nommé");
    EXPECT_TRUE(Row("home/texte", 2).ends_with("(3 octets)"));
}

} // namespace

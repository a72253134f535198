#include <cerrno>
#include <map>
#include <string>

#include <QDir>

#include <gtest/gtest.h>

#include "app/shared/language.h"
#include "platform/system/error.h"
#include "platform/system/translation.h"

namespace {

TLanguage LanguageOfVariables(const std::map<std::string, std::string> &variables)
{
    return LanguageOf([&variables](const char *name) -> const char * {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

} // namespace

TEST(Language, FollowsTheMessagesLocaleAndLanguageListAsTheCLibraryDoes)
{
    using L = TLanguage;
    EXPECT_EQ(LanguageOfVariables({}), L::Source);
    for (const char *locale : {"C", "C.UTF-8", "C.utf8", "POSIX"}) {
        EXPECT_EQ(LanguageOfVariables({{"LANG", locale}}), L::Source) << locale;
        // The C library ignores LANGUAGE in the C locale.
        EXPECT_EQ(LanguageOfVariables({{"LANG", locale}, {"LANGUAGE", "en"}}), L::Source) << locale;
    }
    EXPECT_EQ(LanguageOfVariables({{"LANG", "fr_FR.UTF-8"}}), L::French);
    EXPECT_EQ(LanguageOfVariables({{"LANG", "fr_CA@euro"}}), L::French);
    EXPECT_EQ(LanguageOfVariables({{"LANG", "en_US.UTF-8"}}), L::English);
    EXPECT_EQ(LanguageOfVariables({{"LANG", "de_DE.UTF-8"}}), L::English);
    // LC_ALL over LC_MESSAGES over LANG; an empty one counts as unset.
    EXPECT_EQ(LanguageOfVariables({{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}}), L::French);
    EXPECT_EQ(LanguageOfVariables({{"LC_ALL", "C"}, {"LC_MESSAGES", "fr_FR.UTF-8"}}), L::Source);
    EXPECT_EQ(LanguageOfVariables({{"LC_ALL", ""}, {"LANG", "fr_FR.UTF-8"}}), L::French);
    // LANGUAGE's first language that has a catalogue.
    EXPECT_EQ(LanguageOfVariables({{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "de:fr_FR:en"}}), L::French);
    EXPECT_EQ(LanguageOfVariables({{"LANG", "fr_FR.UTF-8"}, {"LANGUAGE", "en_GB"}}), L::English);
    EXPECT_EQ(LanguageOfVariables({{"LANG", "fr_FR.UTF-8"}, {"LANGUAGE", "de:it"}}), L::French);
}

TEST(Language, TheCataloguesAreFoundBesideTheProgramAndTranslate)
{
    const QString folder = TranslationFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QDir(folder).exists(QStringLiteral("vantrel-oruk_fr.qm")));
    EXPECT_TRUE(QDir(folder).exists(QStringLiteral("vantrel-oruk_en.qm")));

    ASSERT_TRUE(InstallTranslations(TLanguage::English));
    EXPECT_EQ(TranslatedUtf8("TForm1", "Dossiers"), "Folders");
    // The system's reasons come in the C library's own English words.
    EXPECT_EQ(SystemErrorText(ENOTDIR), "Not a directory");
    RemoveCatalogues();
    EXPECT_EQ(TranslatedUtf8("TForm1", "Dossiers"), "Dossiers");
}

TEST(Language, ACountIsPutIntoTheFormOfItsNumber)
{
    EXPECT_EQ(TranslatedUtf8("ItemProperties", "%n items", nullptr, 3), "3 items");
    ASSERT_TRUE(InstallTranslations(TLanguage::French));
    EXPECT_EQ(TranslatedUtf8("ItemProperties", "%n items", nullptr, 1), "1 élément");
    EXPECT_EQ(TranslatedUtf8("ItemProperties", "%n items", nullptr, 3), "3 éléments");
    RemoveCatalogues();
}

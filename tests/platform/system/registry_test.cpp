#include <gtest/gtest.h>

#include "platform/system/registry.h"
#include "tests/support/temptree.h"

namespace {

class RegistryTest : public ::testing::Test
{
protected:
    RegistryTest()
        : m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_dir.Root()));
    }
    ~RegistryTest() override { qputenv("XDG_CONFIG_HOME", m_oldConfig); }

    void Store(const std::string &text) { m_dir.TextFile("vantrel-oruk/registry.ini", text); }

    TTempTree m_dir;
    QByteArray m_oldConfig;
};

std::string MessageOf(const std::function<void()> &read)
{
    try {
        read();
    } catch (const ERegistryException &error) {
        return error.Message();
    }
    return {};
}

} // namespace

TEST_F(RegistryTest, StoreLivesUnderTheConfigHomeOrHome)
{
    EXPECT_EQ(TRegistry::StorePath(), m_dir.Root() + "/vantrel-oruk/registry.ini");
    qputenv("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(TRegistry::StorePath(), qgetenv("HOME").toStdString() + "/.config/vantrel-oruk/registry.ini");
}

TEST_F(RegistryTest, ReadsTypedValuesOfNestedKeysIgnoringCase)
{
    Store("; comment\n# another\n[App\\Sub]\n\"Text\"=\"a \\\"b\\\" \\\\c\"\n\"Number\"=int:-42\n"
          "\"Bytes\"=hex:00,00,00,00,00,00,f0,3F\n\"Empty\"=hex:\n\"Broken\"=hex:zz\n"
          "[Other]\n\"Text\"=\"other\"\n");
    TRegistry registry;
    ASSERT_FALSE(registry.OpenKey(QStringLiteral("Missing"), false));
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("app"), false));
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("SUB"), false));
    EXPECT_EQ(registry.ReadInteger(QStringLiteral("number"), 1), -42);
    EXPECT_DOUBLE_EQ(registry.ReadFloat(QStringLiteral("Bytes")), 1.0);
    EXPECT_EQ(registry.ReadBinary(QStringLiteral("Empty"), 0), QByteArray());
    EXPECT_EQ(registry.ReadInteger(QStringLiteral("Text"), 7), 7);
    EXPECT_EQ(registry.ReadInteger(QStringLiteral("Absent"), 7), 7);
    EXPECT_TRUE(registry.ValueExists(QStringLiteral("TEXT")));

    EXPECT_EQ(MessageOf([&] { registry.ReadFloat(QStringLiteral("Absent")); }),
        "Erreur à l'obtention des données pour 'Absent'");
    for (const char *name : {"Text", "Number", "Empty", "Broken"}) {
        EXPECT_EQ(MessageOf([&] { registry.ReadFloat(QString::fromLatin1(name)); }),
            std::string("Type de données incorrect pour '") + name + "'");
    }

    ASSERT_TRUE(registry.OpenKey(QStringLiteral("\\Other"), false));
    EXPECT_TRUE(registry.ValueExists(QStringLiteral("Text")));
    // A key opened "with create" exists for the caller, yet nothing is written.
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("\\New\\Key"), true));
    EXPECT_FALSE(registry.ValueExists(QStringLiteral("Text")));
}

TEST_F(RegistryTest, MissingStoreIsEmpty)
{
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey(QStringLiteral("RichPrint.Settings"), false));
    EXPECT_TRUE(registry.OpenKey(QStringLiteral("RichPrint.Settings"), true));
    EXPECT_EQ(registry.ReadInteger(QStringLiteral("CodeMeasurement"), 1), 1);
}

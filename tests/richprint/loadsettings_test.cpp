#include <cstring>

#include <gtest/gtest.h>

#include "tests/richprint/printfixture.h"

namespace {

QByteArray HexOf(double value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    QByteArray hex;
    for (char byte : bytes)
        hex += QByteArray::number(uchar(byte), 16).rightJustified(2, '0') + ',';
    hex.chop(1);
    return hex;
}

class LoadSettingsTest : public TPrintTest
{
protected:
    LoadSettingsTest()
        : m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_dir.Path("config")));
    }
    ~LoadSettingsTest() override { qputenv("XDG_CONFIG_HOME", m_oldConfig); }

    void Store(const std::string &values)
    {
        m_dir.TextFile("config/vantrel-oruk/registry.ini",
            "; stored page settings\n[RichPrint.Settings\\Marges]\n" + values);
    }
    std::string Margins(double left, double top, double bottom, double right)
    {
        return "\"MarginLeft\"=hex:" + HexOf(left).toStdString() + "\n\"MarginTop\"=hex:"
            + HexOf(top).toStdString() + "\n\"MarginBottom\"=hex:" + HexOf(bottom).toStdString()
            + "\n\"MarginRight\"=hex:" + HexOf(right).toStdString() + "\n";
    }

    QByteArray m_oldConfig;
};

} // namespace

TEST_F(LoadSettingsTest, ReadsBinaryMarginsAndTheUnitCode)
{
    TRichPrinter printer;
    Store(Margins(20, 40, 30, 10) + "\"CodeMeasurement\"=\"1\"\n");
    printer.LoadSettings();
    EXPECT_DOUBLE_EQ(printer.MarginLeft(), 20);
    EXPECT_DOUBLE_EQ(printer.MarginTop(), 40);
    EXPECT_DOUBLE_EQ(printer.MarginBottom(), 30);
    EXPECT_DOUBLE_EQ(printer.MarginRight(), 10);
    EXPECT_EQ(printer.MeasureUnit(), TMeasureUnit::muMillimeters);

    // Stored in the unit in force, then converted.
    Store(Margins(25.4, 50.8, 25.4, 25.4) + "\"CodeMeasurement\"=\"2\"\n");
    printer.LoadSettings();
    EXPECT_EQ(printer.MeasureUnit(), TMeasureUnit::muInches);
    EXPECT_DOUBLE_EQ(printer.MarginTop(), 2.0);

    for (const std::string &junk : {std::string("\"CodeMeasurement\"=\"deux\"\n"), std::string()}) {
        Store(Margins(1, 2, 1, 1) + junk);
        printer.LoadSettings();
        EXPECT_EQ(printer.MeasureUnit(), TMeasureUnit::muMillimeters);
    }
}

TEST_F(LoadSettingsTest, OrientationCodeTurnsTheDirectionOfThePrinter)
{
    UsePdf();
    TRichPrinter printer;
    Store(Margins(20, 40, 30, 10) + "\"CodeDirection\"=int:2\n");
    printer.LoadSettings();
    EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
    Store(Margins(20, 40, 30, 10));
    printer.LoadSettings();
    EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poPortrait);
}

TEST_F(LoadSettingsTest, MissingOrMistypedMarginRaisesItsMessageAndKeepsThoseReadBefore)
{
    TRichPrinter printer;
    Store("\"MarginLeft\"=hex:" + HexOf(44).toStdString() + "\n");
    try {
        printer.LoadSettings();
        ADD_FAILURE();
    } catch (const Exception &error) {
        EXPECT_EQ(error.Message(), "Erreur à l'obtention des données pour 'MarginTop'");
    }
    EXPECT_DOUBLE_EQ(printer.MarginLeft(), 44);

    Store("\"MarginLeft\"=\"20\"\n");
    try {
        printer.LoadSettings();
        ADD_FAILURE();
    } catch (const Exception &error) {
        EXPECT_EQ(error.Message(), "Type de données incorrect pour 'MarginLeft'");
    }
    Store("\"MarginLeft\"=hex:00,00,00,00\n");
    EXPECT_THROW(printer.LoadSettings(), Exception);
}

TEST_F(LoadSettingsTest, WithoutStoredMarginsAJobOnlyReclampsThem)
{
    const std::string pdf = UsePdf();
    TRichPrinter printer;
    printer.SetSaveMargins(true);
    printer.PrintRichEdit(&m_view, 1);
    EXPECT_DOUBLE_EQ(printer.MarginTop(), 30);
    EXPECT_DOUBLE_EQ(printer.MarginLeft(), 25);

    // Stored margins that cannot be read stop the job before it starts.
    Store("\"MarginLeft\"=int:3\n");
    EXPECT_THROW(printer.PrintRichEdit(&m_view, 1), Exception);
    EXPECT_FALSE(printer.IsPrinting());
}

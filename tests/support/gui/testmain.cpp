#include <QApplication>

#include <gtest/gtest.h>

#include "platform/print/font.h"

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs without the ENVIRONMENT that ctest gives the tests themselves.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}

#include <QCoreApplication>

#include <gtest/gtest.h>

// The tests of the layers below the GUI toolkit run with no more than they do.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

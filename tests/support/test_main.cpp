#include <QCoreApplication>
#include <gtest/gtest.h>

// GoogleTest inside a QCoreApplication, so that tests can run event loops and wait for signals.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include <QApplication>

#include <gtest/gtest.h>

// One QApplication for every window test of the executable. Window tests never
// need a display, also when ctest only lists them.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

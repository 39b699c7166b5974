// The fault tests run the tray program's main frame, which needs a widget application; Qt's offscreen
// platform stands in for a display.
#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    // Listing the tests at build time happens without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

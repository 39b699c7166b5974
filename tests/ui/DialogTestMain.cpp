#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

// The dialogs need a widget application, in the user's locale as the program runs.
int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    // Also when run by hand or listed by the build, with no display to draw on.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include <QApplication>
#include <gtest/gtest.h>

// The tray's tests need a widget application: menus, styles and the tray icon all ask for one.
// Without a platform named by the environment (as when the build lists the tests) they run offscreen.
int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

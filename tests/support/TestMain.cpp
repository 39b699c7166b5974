// The main of every test executable that does not define its own: a QCoreApplication (for QProcess,
// sockets and timers) in the user's locale, then GoogleTest. Suites that need widgets define their
// own main with a QApplication; the linker then never pulls this file from the library.
#include <QCoreApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "app/CTrayStartup.h"
#include "support/CScopedEnvironment.h"

#include <QCoreApplication>
#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// The offscreen platform has no X11 tray, and the bus named here does not exist: no tray can come.
TEST(TrayStartupTest, WithoutATrayTheProgramWaitsSaysSoOnceAndEndsWithTheFailureStatus) {
    const CScopedEnvironment noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/corvane-test-bus");
    int iStarts = 0;
    CTrayStartup startup(
        [&iStarts] {
            ++iStarts;
            return true;
        },
        1, 300ms);

    testing::internal::CaptureStderr();
    EXPECT_TRUE(startup.Begin()) << "waiting is no failure yet";
    const int iExitStatus = QCoreApplication::exec();
    const std::string strErrors = testing::internal::GetCapturedStderr();

    EXPECT_EQ(iExitStatus, 1) << "the wait ends with the failure status";
    EXPECT_EQ(iStarts, 0);
    EXPECT_EQ(strErrors, "Corvane: no system tray yet; waiting for one to appear\n"
                         "Corvane: no system tray appeared within 1 s; start a panel with a system tray (on "
                         "GNOME, the AppIndicator extension), then start Corvane again\n");
}

} // namespace

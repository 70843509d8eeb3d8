// A whole run of the program: GUI start-up creates the widget manager and shutdown destroys it, on the success
// path and after a failed start-up alike, without a leak report. The run happens under a private X server so
// that a program that reaches its main loop can be ended with the quit key; a start-up that stops early (for
// instance for want of a skin in the empty data directory) ends by itself, and its exit code is not at issue.
#include <unistd.h>

#include <gtest/gtest.h>

#include "RunDirectory.h"
#include "XServer.h"

TEST(WidgetShutdown, ShutdownDestroysTheWidgetManagerWithoutALeakReport)
{
    XServer server;
    ASSERT_TRUE(server.running());
    RunDirectory run;
    run.setEnv("DISPLAY", server.display());
    pid_t pid = run.start({"-windowed"});
    std::string window = server.findWindow("^Zarvello$", 15000, pid);
    if (!window.empty()) {
        server.sendKey(window, "Escape");
        // Closing the window is the other way out of the loop, should the key have come too early.
        sleep(2);
        if (!server.findWindow("^Zarvello$", 100, pid).empty())
            server.closeWindow(window);
    }
    RunResult result = run.wait(pid, 60);

    EXPECT_FALSE(result.timedOut) << result.standardError;
    EXPECT_EQ(result.signal, 0) << result.standardError;
    EXPECT_FALSE(result.contains("Couldn't initialize SDL")) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
    EXPECT_FALSE(result.contains("bytes left allocated")) << result.standardError;
}

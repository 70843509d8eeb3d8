// Whole runs of the program: GUI start-up creates the widget manager and shutdown destroys it, after a normal
// run and after a failed start-up alike, without a leak report. The normal run, with the shipped data, happens
// under a private X server so that its main loop can be ended with the quit key; without data the start-up
// stops at the missing skin and the program ends by itself. Exit codes are left to the start-up tests.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "RunDirectory.h"
#include "XServer.h"

namespace {

RunResult runToTheEnd(RunDirectory &run, const XServer &server)
{
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
    return run.wait(pid, 60);
}

void expectCleanShutdown(const RunResult &result)
{
    EXPECT_FALSE(result.timedOut) << result.standardError;
    EXPECT_EQ(result.signal, 0) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
    EXPECT_FALSE(result.contains("bytes left allocated")) << result.standardError;
}

}  // namespace

TEST(WidgetShutdown, NormalRunLeavesNothingAllocated)
{
    XServer server;
    ASSERT_TRUE(server.running());
    RunDirectory run;
    expectCleanShutdown(runToTheEnd(run, server));
}

TEST(WidgetShutdown, FailedStartUpLeavesNothingAllocated)
{
    RunDirectory run;
    run.emptyDataDirectory();
    RunResult result = run.run({"-windowed"}, 60);
    EXPECT_TRUE(result.contains("loadSkin")) << "start-up is expected to stop at the missing skin\n"
                                             << result.standardError;
    expectCleanShutdown(result);
}

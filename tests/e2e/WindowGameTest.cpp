// A game's window choices on a real X server (WindowGame): the icon it names reaches the window manager's
// properties (classic SDL 1.2 gives the window an icon pixmap in WM_HINTS, sdl12-compat an _NET_WM_ICON of the
// icon's size), a window without a chosen icon has neither, and Alt+Return switches to full screen and back.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "ImageWriters.h"
#include "RunDirectory.h"
#include "XServer.h"

namespace {

// Starts WindowGame with args under server, waits for its window and returns its id ("" when it never came).
std::string startGame(const XServer &server, RunDirectory &run, pid_t &pid, const std::vector<std::string> &args)
{
    run.ignoreSystemLibraryLeaks();
    run.setEnv("DISPLAY", server.display());
    run.makeDirectory("data");
    run.makeDirectory("data/gfx");
    Bytes tga = tgaBytes(tgaFromRgb(32, 32, patternRgb(32, 32)));
    run.writeFile("data/gfx/icon.tga", std::string(tga.begin(), tga.end()));
    run.writeConfig("fullscreen = off\n");
    pid = run.start(args);
    return server.findWindow("^Window Game$", 15000, pid);
}

bool hasIcon(const XServer &server, const std::string &window)
{
    std::string properties = server.runCommand("xprop -id " + window + " 2>/dev/null");
    // xprop shows an _NET_WM_ICON as its numbers or, on a terminal that can, as a picture headed by its size.
    bool netIcon = properties.find("_NET_WM_ICON(CARDINAL) = 32, 32,") != std::string::npos ||
                   properties.find("_NET_WM_ICON(CARDINAL) = \tIcon (32 x 32)") != std::string::npos;
    return netIcon || properties.find("bitmap id # to use for icon") != std::string::npos;
}

}  // namespace

TEST(WindowGame, ChosenIconReachesTheWindowAndAltReturnTogglesFullScreen)
{
    XServer server;
    ASSERT_TRUE(server.running());
    RunDirectory run(ZARVELLO_WINDOW_GAME);
    pid_t pid = 0;
    std::string window = startGame(server, run, pid, {});
    ASSERT_FALSE(window.empty()) << run.standardErrorSoFar(pid);
    usleep(300000);
    EXPECT_TRUE(hasIcon(server, window)) << server.runCommand("xprop -id " + window);

    server.sendKey(window, "alt+Return");
    usleep(700000);
    server.sendKey(window, "alt+Return");
    usleep(700000);
    server.sendKey(window, "Escape");
    RunResult result = run.wait(pid, 60);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("window game: full screen yes")) << result.standardError;
    EXPECT_TRUE(result.hasLine("window game: full screen no")) << result.standardError;
    EXPECT_LT(result.standardError.find("full screen yes"), result.standardError.find("full screen no"));
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

TEST(WindowGame, WithoutAChosenIconTheWindowHasNone)
{
    XServer server;
    ASSERT_TRUE(server.running());
    RunDirectory run(ZARVELLO_WINDOW_GAME);
    pid_t pid = 0;
    std::string window = startGame(server, run, pid, {"--no-icon"});
    ASSERT_FALSE(window.empty()) << run.standardErrorSoFar(pid);
    usleep(300000);
    EXPECT_FALSE(hasIcon(server, window)) << server.runCommand("xprop -id " + window);
    server.sendKey(window, "Escape");
    RunResult result = run.wait(pid, 60);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
}

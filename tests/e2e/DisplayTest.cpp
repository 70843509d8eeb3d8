// The display and the main loop of the real program under a private X server: the window, the quit key, key
// releases, the configured quit key, closing the window, events arriving together, the mode switches, the
// idle CPU use, and a refused video start or video mode.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <SDL.h>

#include "RunDirectory.h"
#include "XServer.h"

namespace {

const char *const windowTitle = "^Zarvello$";

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The lines of standard error that begin with prefix.
std::vector<std::string> linesStartingWith(const RunResult &result, const std::string &prefix)
{
    std::vector<std::string> found;
    for (const std::string &line : result.lines())
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line);
    return found;
}

// The CPU time so far (user and system) in seconds of the program's main thread, the one that runs the frame
// loop, from /proc. Threads of the platform libraries are left out: under sdl12-compat, SDL 2's OpenGL driver
// (in software where there is no graphics hardware) draws each presented frame on threads of its own.
double mainThreadCpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            utime = std::stoull(field);
        if (index == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// A program started in its own run directory on the test's own X server.
class DisplayRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << "Xvfb did not start";
        run.setEnv("DISPLAY", server.display());
        // In a sanitizer build, the X library's own allocations that it never frees are not the program's
        // leaks (those are reported by the program itself as "Memory Leak!").
        run.ignoreSystemLibraryLeaks();
    }

    void TearDown() override
    {
        if (pid > 0 && !finished)
            run.wait(pid, 1);
    }

    // Starts the program (in a window unless told otherwise: the shipped configuration's default is full
    // screen) and waits for its window; fails the test when no window appears.
    void startAndFindWindow(const std::vector<std::string> &args = {"-windowed"})
    {
        pid = run.start(args);
        window = server.findWindow(windowTitle, 30000, pid);
        ASSERT_FALSE(window.empty()) << "no window titled Zarvello; standard error:\n"
                                     << run.standardErrorSoFar(pid);
        // Let the program reach its frame loop before anything is sent.
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (run.standardErrorSoFar(pid).find("Initialized video system") != std::string::npos)
                break;
            pause(50);
        }
        pause(300);
    }

    RunResult finish(int timeoutSeconds = 30)
    {
        finished = true;
        return run.wait(pid, timeoutSeconds);
    }

    // Whether the program is still running after waiting a little.
    bool stillRunningAfter(int milliseconds)
    {
        pause(milliseconds);
        return run.standardErrorSoFar(pid).find("FPS was") == std::string::npos && kill(pid, 0) == 0;
    }

    void expectCleanEnd(const RunResult &result)
    {
        EXPECT_FALSE(result.timedOut) << result.standardError;
        EXPECT_EQ(result.exitCode, 0) << result.standardError;
        EXPECT_EQ(linesStartingWith(result, "FPS was ").size(), 1u) << result.standardError;
        EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
    }

    XServer server;
    RunDirectory run;
    pid_t pid = 0;
    bool finished = false;
    std::string window;
};

TEST_F(DisplayRun, WindowIsTitledZarvelloAndEscapeEndsTheRunWithTheFrameRate)
{
    startAndFindWindow();
    CapturedImage image;
    ASSERT_TRUE(server.captureWindow(window, image));
    EXPECT_EQ(image.width, 800);
    EXPECT_EQ(image.height, 600);
    pause(1000);

    server.sendKey(window, "Escape");
    RunResult result = finish();
    expectCleanEnd(result);
    std::vector<std::string> fps = linesStartingWith(result, "FPS was ");
    ASSERT_EQ(fps.size(), 1u);
    double rate = 0;
    int frames = 0;
    double seconds = 0;
    ASSERT_EQ(std::sscanf(fps[0].c_str(), "FPS was %lf, %d frames in %lf seconds", &rate, &frames, &seconds), 3)
        << fps[0];
    EXPECT_GT(frames, 0);
    ASSERT_GT(seconds, 0.5);
    // The seconds are printed rounded to hundredths, the rate is computed before rounding.
    EXPECT_NEAR(rate, frames / seconds, frames / seconds * 0.01 + 0.01) << fps[0];
    EXPECT_TRUE(result.hasLine("Initialized video system for 800x600 16 bit windowed video")) << result.standardError;
}

TEST_F(DisplayRun, ReleasingAKeyDoesNothing)
{
    startAndFindWindow();
    ASSERT_TRUE(server.releaseKey(window, "Escape"));
    EXPECT_TRUE(stillRunningAfter(1000)) << run.standardErrorSoFar(pid);
    server.sendKey(window, "Escape");
    expectCleanEnd(finish());
}

TEST_F(DisplayRun, ConfiguredQuitKeyReplacesEscape)
{
    run.writeConfig("keyQuit = KEY_q\n");
    startAndFindWindow();
    ASSERT_TRUE(server.sendKey(window, "Escape"));
    EXPECT_TRUE(stillRunningAfter(1000)) << run.standardErrorSoFar(pid);
    server.sendKey(window, "q");
    expectCleanEnd(finish());
}

TEST_F(DisplayRun, ClosingTheWindowEndsTheRun)
{
    startAndFindWindow();
    ASSERT_TRUE(server.closeWindow(window));
    expectCleanEnd(finish());
}

TEST_F(DisplayRun, ClosingTheWindowEndsTheRunWhateverTheQuitKey)
{
    run.writeConfig("keyQuit = KEY_q\n");
    startAndFindWindow();
    ASSERT_TRUE(server.closeWindow(window));
    expectCleanEnd(finish());
}

TEST_F(DisplayRun, KeyPressAndCloseArrivingTogetherAreBothHandled)
{
    startAndFindWindow();
    // Held still, the program finds both events waiting when it next looks.
    ASSERT_EQ(kill(pid, SIGSTOP), 0);
    server.pressKey(window, "Escape");
    server.closeWindow(window);
    pause(200);
    ASSERT_EQ(kill(pid, SIGCONT), 0);
    expectCleanEnd(finish());
}

TEST_F(DisplayRun, FullScreenSwitchCentresThePictureAndSaysSo)
{
    startAndFindWindow({"-windowed", "-fullscreen"});
    std::string tree = server.runCommand("xwininfo -root -tree");
    EXPECT_NE(tree.find("800x600+112+84"), std::string::npos) << tree;
    server.sendKey(window, "Escape");
    RunResult result = finish();
    expectCleanEnd(result);
    std::vector<std::string> report = linesStartingWith(result, "Initialized video system for ");
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0], "Initialized video system for 800x600 16 bit full screen video");
}

TEST_F(DisplayRun, WindowedSwitchOverridesTheConfiguration)
{
    run.writeConfig("fullscreen = on\n");
    startAndFindWindow({"-windowed"});
    // Full screen, the classic library covers the whole 1024 x 768 screen with a window of its own.
    // sdl12-compat centres every window, and on a server without a window manager leaves a full-screen
    // picture in an 800 x 600 window too, so there the console line below is what tells the mode.
    std::string tree = server.runCommand("xwininfo -root -tree");
    ASSERT_NE(tree.find("\"Zarvello\""), std::string::npos) << tree;
    EXPECT_EQ(tree.find("1024x768+0+0"), std::string::npos) << tree;
    server.sendKey(window, "Escape");
    RunResult result = finish();
    expectCleanEnd(result);
    std::vector<std::string> report = linesStartingWith(result, "Initialized video system for ");
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0], "Initialized video system for 800x600 16 bit windowed video");
}

TEST_F(DisplayRun, IdleFrameLoopSleepsInsteadOfSpinning)
{
    startAndFindWindow();
    double before = mainThreadCpuSeconds(pid);
    auto start = std::chrono::steady_clock::now();
    pause(3000);
    double used = mainThreadCpuSeconds(pid) - before;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_GE(before, 0);
    // A loop that spins would use the whole core; a sleeping one uses a few per cent.
    EXPECT_LT(used / wall, 0.5) << used << " s of CPU in " << wall << " s";
    server.sendKey(window, "Escape");
    expectCleanEnd(finish());
}

TEST(DisplayStart, RefusedVideoEndsStartUpWithItsMessageAndExitCodeOne)
{
    RunDirectory run;
    run.setEnv("SDL_VIDEODRIVER", "nosuchdriver");
    RunResult result = run.run();
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_EQ(linesStartingWith(result, "Couldn't initialize video: ").size(), 1u) << result.standardError;
    EXPECT_TRUE(linesStartingWith(result, "Initialized video system").empty()) << result.standardError;
    EXPECT_FALSE(result.contains("FPS was")) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

// A full-screen mode the display cannot give (the server's screen is smaller than 800 x 600) ends start-up
// with the mode's message alone: no capability lines, no main loop. Only the classic library refuses it:
// sdl12-compat (which reports versions from 1.2.50 on) scales full screen to any display.
TEST(DisplayStart, RefusedVideoModeEndsStartUpWithItsMessageAndExitCodeOne)
{
    const SDL_version *sdl = SDL_Linked_Version();
    if (SDL_VERSIONNUM(sdl->major, sdl->minor, sdl->patch) >= SDL_VERSIONNUM(1, 2, 50))
        GTEST_SKIP() << "sdl12-compat gives a full-screen mode on any display";
    XServer server(640, 480);
    ASSERT_TRUE(server.running()) << "Xvfb did not start";
    RunDirectory run;
    run.setEnv("DISPLAY", server.display());
    run.ignoreSystemLibraryLeaks();
    RunResult result = run.run({"-fullscreen"});
    EXPECT_FALSE(result.timedOut) << result.standardError;
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    const std::vector<std::string> lines = result.lines();
    const std::string failure = "Couldn't set 800x600x16 video mode: No video mode large enough for 800x600";
    std::size_t at = 0;
    while (at < lines.size() && lines[at] != failure)
        ++at;
    ASSERT_LT(at, lines.size()) << result.standardError;
    ASSERT_LT(at + 1, lines.size()) << result.standardError;
    EXPECT_EQ(lines[at + 1], "") << "the message ends in a line break of its own";
    EXPECT_TRUE(linesStartingWith(result, "Video subsystem using driver").empty()) << result.standardError;
    EXPECT_TRUE(linesStartingWith(result, "Initialized video system").empty()) << result.standardError;
    EXPECT_FALSE(result.contains("FPS was")) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

}  // namespace

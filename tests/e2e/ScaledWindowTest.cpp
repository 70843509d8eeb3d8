// The scaled window of a game under a private X server, on whichever SDL 1.2 the tests run on: the window is
// twice (three times) 800 x 600, each game pixel a sharp block of the window, a click reaches the game in
// 800 x 600, redraw-everything shows a picture nothing was queued for, and a bad scale keeps the window unscaled.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include <SDL.h>

#include "RunDirectory.h"
#include "XServer.h"

namespace {

const char *const windowTitle = "^Zarvello$";

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The colour the game's picture has at (x, y) in 5-6-5, each channel at the top of its byte (255 becomes 248 for
// red and blue, 252 for green).
CapturedImage::Pixel gamePixel(int x, int y)
{
    if (x >= 100 && x < 132 && y >= 100 && y < 132) {
        std::uint8_t level = (x + y) % 2 ? 255 : 0;
        return {std::uint8_t(level & 0xf8), std::uint8_t(level & 0xfc), std::uint8_t(level & 0xf8)};
    }
    if (x < 400 && y < 300)
        return {0xf8, 0, 0};
    if (x >= 400 && y >= 300)
        return {0, 0xfc, 0};
    return {0, 0, 0x80};
}

// The window pixels that are not the game pixel they enlarge, over the whole window, compared in 5-6-5: the
// classic library shows a 16-bit pixel's bits at the top of each 8-bit channel, sdl12-compat repeats them below.
int blockMismatches(const CapturedImage &image, int factor)
{
    int wrong = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            CapturedImage::Pixel shown = image.at(x, y);
            CapturedImage::Pixel in565 = {std::uint8_t(shown.r & 0xf8), std::uint8_t(shown.g & 0xfc),
                                          std::uint8_t(shown.b & 0xf8)};
            if (!(in565 == gamePixel(x / factor, y / factor)))
                ++wrong;
        }
    return wrong;
}

class ScaledWindow : public ::testing::Test {
protected:
    ScaledWindow() : server(2560, 2048), run(ZARVELLO_SCALED_GAME) {}

    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << "Xvfb did not start";
        run.setEnv("DISPLAY", server.display());
        run.ignoreSystemLibraryLeaks();
    }

    void TearDown() override
    {
        if (pid > 0 && !finished)
            run.wait(pid, 1);
    }

    void startAndFindWindow(const std::vector<std::string> &args)
    {
        pid = run.start(args);
        window = server.findWindow(windowTitle, 30000, pid);
        ASSERT_FALSE(window.empty()) << "no window; standard error:\n" << run.standardErrorSoFar(pid);
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (run.standardErrorSoFar(pid).find("Initialized video system") != std::string::npos)
                break;
            pause(50);
        }
        pause(500);
    }

    // The window's picture; a window still being mapped or resized under a loaded machine is read again.
    bool capture(CapturedImage &image)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (server.captureWindow(window, image))
                return true;
            pause(100);
        }
        return false;
    }

    RunResult finish()
    {
        server.sendKey(window, "Escape");
        finished = true;
        RunResult result = run.wait(pid, 30);
        EXPECT_FALSE(result.timedOut) << result.standardError;
        EXPECT_EQ(result.exitCode, 0) << result.standardError;
        EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
        return result;
    }

    XServer server;
    RunDirectory run;
    pid_t pid = 0;
    bool finished = false;
    std::string window;
};

TEST_F(ScaledWindow, ByTwoTheWindowIs1600By1200AndEveryGamePixelASharpBlock)
{
    startAndFindWindow({"-windowed", "-scale", "2"});
    CapturedImage image;
    ASSERT_TRUE(capture(image));
    EXPECT_EQ(image.width, 1600);
    EXPECT_EQ(image.height, 1200);
    EXPECT_EQ(blockMismatches(image, 2), 0);
    RunResult result = finish();
    EXPECT_TRUE(result.hasLine("Initialized video system for 800x600 16 bit windowed video")) << result.standardError;
}

TEST_F(ScaledWindow, ByThreeTheWindowIs2400By1800)
{
    startAndFindWindow({"-windowed", "-scale", "3"});
    CapturedImage image;
    ASSERT_TRUE(capture(image));
    EXPECT_EQ(image.width, 2400);
    EXPECT_EQ(image.height, 1800);
    EXPECT_EQ(blockMismatches(image, 3), 0);
    finish();
}

TEST_F(ScaledWindow, AClickAtWindow200By200ReachesTheGameAt100By100)
{
    startAndFindWindow({"-windowed", "-scale", "2"});
    server.runCommand("xdotool mousemove --window " + window + " 200 200 click 1");
    server.runCommand("xdotool mousemove --window " + window + " 1598 1198 click 3");
    for (int attempt = 0; attempt < 40 && run.standardErrorSoFar(pid).find("game press 799") == std::string::npos;
         ++attempt)
        pause(50);
    RunResult result = finish();
    EXPECT_TRUE(result.hasLine("game press 100,100")) << result.standardError;
    EXPECT_TRUE(result.hasLine("game press 799,599")) << result.standardError;
}

TEST_F(ScaledWindow, RedrawEverythingShowsAPictureDrawnEveryFrameWithNothingQueued)
{
    startAndFindWindow({"-windowed", "-scale", "2", "-redraw"});
    CapturedImage image;
    ASSERT_TRUE(capture(image));
    EXPECT_EQ(blockMismatches(image, 2), 0);
    finish();
}

TEST_F(ScaledWindow, UnscaledRedrawEverythingShowsThePictureAt800By600)
{
    startAndFindWindow({"-windowed", "-redraw"});
    CapturedImage image;
    ASSERT_TRUE(capture(image));
    EXPECT_EQ(image.width, 800);
    EXPECT_EQ(image.height, 600);
    EXPECT_EQ(blockMismatches(image, 1), 0);
    finish();
}

TEST_F(ScaledWindow, PlayersSettingChoosesTheScaleAndABadOneKeepsTheGames)
{
    run.writeConfig("windowScale = 2\n");
    startAndFindWindow({"-windowed"});
    CapturedImage image;
    ASSERT_TRUE(capture(image));
    EXPECT_EQ(image.width, 1600);
    finish();

    run.writeConfig("windowScale = 7\n");
    startAndFindWindow({"-windowed", "-scale", "3"});
    finished = false;
    ASSERT_TRUE(capture(image));
    EXPECT_EQ(image.width, 2400);
    RunResult result = finish();
    EXPECT_EQ(result.lineCount("WARNING: Window scale 'windowScale' = 7 is not 1, 2 or 3; the window keeps scale 3"),
              1)
        << result.standardError;
}

TEST_F(ScaledWindow, CheapestPresentKeepsThePixels)
{
    startAndFindWindow({"-windowed", "-scale", "2", "-cheapest"});
    CapturedImage image;
    ASSERT_TRUE(capture(image));
    EXPECT_EQ(image.width, 1600);
    EXPECT_EQ(blockMismatches(image, 2), 0);
    RunResult result = finish();
    // Only sdl12-compat has renderers to choose from; the line gives the two costs measured.
    int presentLines = 0;
    for (const std::string &line : result.lines())
        presentLines += line.rfind("Present: SDL 2's ", 0) == 0 ? 1 : 0;
    const SDL_version *sdl = SDL_Linked_Version();
    EXPECT_EQ(presentLines, sdl->patch >= 50 ? 1 : 0) << result.standardError;
}

}  // namespace

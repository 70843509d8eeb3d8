// The display under SDL's dummy driver: the mode, the capability report, the caption, keyboard set-up, the render
// queue's lifetime, screen fills, and the frame schedule driven by a scripted clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>

#include "Config.h"
#include "ConfigTable.h"
#include "Console.h"
#include "Memory.h"
#include "RenderQueue.h"
#include "TestSupport.h"
#include "Video.h"

namespace {

Uint16 screenPixel(int x, int y)
{
    return reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(screen->pixels) + y * screen->pitch)[x];
}

class Video : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        fullscreen = SDL_FALSE;
        Console::clearBuffer();
    }
    void TearDown() override
    {
        shutdownVideo();
        SDL_Quit();
        fullscreen = SDL_FALSE;
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    }
};

TEST_F(Video, WindowedModeIs800By600At16BitsWithTheCapabilityReport)
{
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 800);
    EXPECT_EQ(screen->h, 600);
    EXPECT_EQ(screen->format->BitsPerPixel, 16);
    EXPECT_FALSE(screen->flags & SDL_FULLSCREEN);

    std::vector<std::string> expected = {
        "Video subsystem using driver: dummy",
        "Hardware surfaces are not available",
        "Accel: hw<->hw blit NO, hw_colorkey blit NO, hw_alpha blit NO",
        "Accel: sw<->hw blit NO, sw_colorkey blit NO, sw_alpha blit NO",
        "Initialized video system for 800x600 16 bit windowed video",
    };
    EXPECT_EQ(consoleLines(), expected);
}

TEST_F(Video, CaptionUnicodeAndKeyRepeatAreSetUp)
{
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    char *title = nullptr;
    char *icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Zarvello");
    EXPECT_STREQ(icon, "");
    EXPECT_EQ(SDL_EnableUNICODE(-1), 1);
    int delay = 0;
    int interval = 0;
    SDL_GetKeyRepeat(&delay, &interval);
    EXPECT_EQ(delay, 500);
    EXPECT_EQ(interval, 30);
}

TEST_F(Video, GameChoosesTheCaptionBeforeStartUpAndNullRestoresZarvello)
{
    char *title = nullptr;
    char *icon = nullptr;
    setWindowCaption("Hook Game");
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Hook Game");
    EXPECT_STREQ(icon, "");
    shutdownVideo();

    setWindowCaption(std::string(300, 'c').c_str());
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    SDL_WM_GetCaption(&title, &icon);
    EXPECT_EQ(std::string(title), std::string(255, 'c'));
    shutdownVideo();

    setWindowCaption(nullptr);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    SDL_WM_GetCaption(&title, &icon);
    EXPECT_STREQ(title, "Zarvello");
}

TEST_F(Video, FullScreenIsRequestedAndReported)
{
    fullscreen = SDL_TRUE;
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_TRUE(screen->flags & SDL_FULLSCREEN);
    EXPECT_EQ(consoleLines().back(), "Initialized video system for 800x600 16 bit full screen video");
}

TEST_F(Video, OddFullScreenValueOpensAWindowButReportsFullScreen)
{
    // The configuration script may store any number in fullscreen.
    char configName[] = "/tmp/zarvello-video-XXXXXX";
    int fd = mkstemp(configName);
    ASSERT_GE(fd, 0);
    const char script[] = "fullscreen = 2\n";
    ASSERT_EQ(write(fd, script, sizeof script - 1), ssize_t(sizeof script - 1));
    close(fd);
    SDL_bool read = readConfigFile(configName);
    unlink(configName);
    ASSERT_EQ(read, SDL_TRUE);
    Console::clearBuffer();
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_FALSE(screen->flags & SDL_FULLSCREEN);
    EXPECT_EQ(consoleLines().back(), "Initialized video system for 800x600 16 bit full screen video");
}

TEST_F(Video, RefusedVideoSubsystemIsReportedAndLeavesNoQueueBehind)
{
    setenv("SDL_VIDEODRIVER", "nosuchdriver", 1);
    Uint32 before = totalAllocatedMemory();
    EXPECT_EQ(initializeVideo(), SDL_FALSE);
    EXPECT_EQ(screen, nullptr);
    {
        std::vector<std::string> lines = consoleLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].rfind("Couldn't initialize video: ", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], "");
    }
    shutdownVideo();
    Console::clearBuffer();
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(Video, ShutdownDestroysTheRenderQueueAndForgetsTheScreen)
{
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    RenderQueue::globalRenderQueue()->addRegion(1, 2, 3, 4);
    shutdownVideo();
    EXPECT_EQ(screen, nullptr);
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO) & SDL_INIT_VIDEO);
    EXPECT_EQ(RenderQueue::globalRenderQueue()->count(), 0);
}

TEST_F(Video, ClearScreenAreaFillsTheRectangleOrTheWholeScreen)
{
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    const Uint16 red = Uint16(SDL_MapRGB(screen->format, 255, 0, 0));
    const Uint16 blue = Uint16(SDL_MapRGB(screen->format, 0, 0, 255));
    clearScreenArea(nullptr, 255, 0, 0);
    EXPECT_EQ(screenPixel(0, 0), red);
    EXPECT_EQ(screenPixel(799, 599), red);

    SDL_Rect area = {10, 20, 5, 6};
    clearScreenArea(&area, 0, 0, 255);
    EXPECT_EQ(screenPixel(10, 20), blue);
    EXPECT_EQ(screenPixel(14, 25), blue);
    EXPECT_EQ(screenPixel(15, 25), red);
    EXPECT_EQ(screenPixel(14, 26), red);
    EXPECT_EQ(screenPixel(9, 20), red);
}

TEST(VideoClosed, ClearScreenAreaWithoutAScreenDoesNothing)
{
    ASSERT_EQ(screen, nullptr);
    clearScreenArea(nullptr, 1, 2, 3);
}

// A clock that moves only when the frame loop sleeps or when the "work" of a frame is done.
struct ScriptedTime {
    static Uint32 now;
    static std::vector<Uint32> delays;
    static Uint32 clock() { return now; }
    static void delay(Uint32 ms)
    {
        delays.push_back(ms);
        now += ms;
    }
};
Uint32 ScriptedTime::now = 0;
std::vector<Uint32> ScriptedTime::delays;

class FrameSchedule : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptedTime::now = 1000;
        ScriptedTime::delays.clear();
        setFrameTiming(ScriptedTime::clock, ScriptedTime::delay);
    }
    void TearDown() override { setFrameTiming(nullptr, nullptr); }

    // The start time of each frame, relative to the first, when each frame's work takes workMs.
    std::vector<Uint32> frameStarts(int frames, Uint32 workMs)
    {
        std::vector<Uint32> starts;
        Uint32 first = 0;
        for (int i = 0; i < frames; ++i) {
            waitForNextFrame();
            if (i == 0)
                first = ScriptedTime::now;
            starts.push_back(ScriptedTime::now - first);
            ScriptedTime::now += workMs;
        }
        return starts;
    }
};

TEST_F(FrameSchedule, NegligibleWorkGivesFramesInPairsEvery14Milliseconds)
{
    EXPECT_EQ(frameStarts(6, 0), (std::vector<Uint32>{0, 14, 14, 28, 28, 42}));
    EXPECT_EQ(ScriptedTime::delays, (std::vector<Uint32>{14, 14, 14}));
}

TEST_F(FrameSchedule, ShortWorkAlternatesDelayedAndImmediateStarts)
{
    // Work of 5 ms: two frames per 19 ms, the deadline counted from the time read before the delay.
    EXPECT_EQ(frameStarts(5, 5), (std::vector<Uint32>{0, 14, 19, 33, 38}));
    EXPECT_EQ(ScriptedTime::delays, (std::vector<Uint32>{9, 9}));
}

TEST_F(FrameSchedule, WorkOfAPeriodOrMoreNeverSleeps)
{
    EXPECT_EQ(frameStarts(4, 14), (std::vector<Uint32>{0, 14, 28, 42}));
    frameStarts(4, 30);
    EXPECT_TRUE(ScriptedTime::delays.empty());
}

TEST_F(FrameSchedule, TickCountWrappingAroundKeepsTheSchedule)
{
    ScriptedTime::now = 0xFFFFFFF0u;
    EXPECT_EQ(frameStarts(4, 0), (std::vector<Uint32>{0, 14, 14, 28}));
    EXPECT_EQ(ScriptedTime::delays, (std::vector<Uint32>{14, 14}));
}

TEST_F(FrameSchedule, FirstFrameOnALateClockDoesNotSleep)
{
    ScriptedTime::now = 0x90000000u;
    waitForNextFrame();
    EXPECT_TRUE(ScriptedTime::delays.empty());
}

TEST(FrameTiming, DefaultClockIsSdlTicks)
{
    setFrameTiming(nullptr, nullptr);
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
    Uint32 before = SDL_GetTicks();
    Uint32 ticks = frameClockTicks();
    EXPECT_GE(ticks, before);
    EXPECT_LE(ticks - before, 1000u);
    SDL_Quit();
}

}  // namespace

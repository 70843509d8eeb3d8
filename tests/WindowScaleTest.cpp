// The scaled window and redraw-everything mode under SDL's dummy driver: the game draws into the 800 x 600
// screen, and the surface SDL shows holds each of its pixels as a 2 x 2 or 3 x 3 block, filled only where the
// frame's rectangles say; mouse positions come back in 800 x 600; bad scales are refused with one line.
// On sdl12-compat the engine leaves sharp scaling to the library; a player's blurring scale method there makes
// the engine enlarge itself, which these tests use to check the same pixels on both libraries.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>

#include "Config.h"
#include "ConfigTable.h"
#include "Console.h"
#include "Game.h"
#include "RenderQueue.h"
#include "TestSupport.h"
#include "Video.h"

namespace {

bool onSdl12Compat()
{
    return SDL_Linked_Version()->patch >= 50;
}

Uint16 pixelOf(SDL_Surface *surface, int x, int y)
{
    return reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(surface->pixels) + y * surface->pitch)[x];
}

void setPixel(SDL_Surface *surface, int x, int y, Uint16 value)
{
    reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(surface->pixels) + y * surface->pitch)[x] = value;
}

// A picture in which neighbouring pixels differ, so a block taken from the wrong pixel shows.
void drawPattern(SDL_Surface *surface)
{
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x)
            setPixel(surface, x, y, Uint16(x * 7 + y * 131 + 1));
}

// The number of display pixels that are not the screen pixel they enlarge.
int blockMismatches(int factor)
{
    SDL_Surface *display = displaySurface();
    int wrong = 0;
    for (int y = 0; y < display->h; ++y)
        for (int x = 0; x < display->w; ++x)
            if (pixelOf(display, x, y) != pixelOf(screen, x / factor, y / factor))
                ++wrong;
    return wrong;
}

bool readScript(const std::string &script)
{
    char name[] = "/tmp/zarvello-scale-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        return false;
    bool written = write(fd, script.data(), script.size()) == ssize_t(script.size());
    close(fd);
    SDL_bool read = readConfigFile(name);
    unlink(name);
    return written && read == SDL_TRUE;
}

SDL_Event lastGameEvent;

void keepEvent(SDL_Event *event)
{
    lastGameEvent = *event;
}

class WindowScale : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        fullscreen = SDL_FALSE;
        logConsole = SDL_FALSE;
        displayConsole = SDL_FALSE;
        // On sdl12-compat a blurring scale method leaves the enlarging to the engine (see the file's opening).
        if (onSdl12Compat())
            setenv("SDL12COMPAT_SCALE_METHOD", "linear", 1);
        Console::clearBuffer();
    }
    void TearDown() override
    {
        shutdownVideo();
        SDL_Quit();
        setWindowScale(1);
        RenderQueue::setRedrawEverything(SDL_FALSE);
        clearGameSettings();
        setGameHooks(nullptr);
        fullscreen = SDL_FALSE;
        unsetenv("SDL12COMPAT_SCALE_METHOD");
        Console::destroyConsole();
    }
};

TEST_F(WindowScale, ByTwoOrThreeEachScreenPixelBecomesABlockOfTheDisplay)
{
    for (int factor : {2, 3}) {
        ASSERT_EQ(setWindowScale(factor), SDL_TRUE);
        ASSERT_EQ(initializeVideo(), SDL_TRUE);
        EXPECT_EQ(windowScale(), factor);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->w, 800);
        EXPECT_EQ(screen->h, 600);
        EXPECT_EQ(screen->format->BitsPerPixel, 16);
        SDL_Surface *display = displaySurface();
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->w, 800 * factor);
        EXPECT_EQ(display->h, 600 * factor);
        EXPECT_EQ(display->format->Rmask, screen->format->Rmask);
        EXPECT_EQ(display, SDL_GetVideoSurface());

        drawPattern(screen);
        RenderQueue::globalRenderQueue()->addRegion(0, 0, 800, 600);
        RenderQueue::globalRenderQueue()->updateScreen();
        EXPECT_EQ(blockMismatches(factor), 0) << "factor " << factor;
        EXPECT_EQ(consoleLines().back(), "Window scaled by " + std::to_string(factor) + " to " +
                                             std::to_string(800 * factor) + "x" + std::to_string(600 * factor) +
                                             " by the engine");
        shutdownVideo();
        EXPECT_EQ(displaySurface(), nullptr);
        EXPECT_EQ(windowScale(), 1);
        Console::clearBuffer();
    }
}

TEST_F(WindowScale, OnlyTheQueuedRectanglesAreEnlarged)
{
    ASSERT_EQ(setWindowScale(2), SDL_TRUE);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    SDL_Surface *display = displaySurface();
    // The classic library draws its own mouse pointer into the display surface at each update.
    SDL_ShowCursor(SDL_DISABLE);
    clearScreenArea(nullptr, 255, 255, 255);
    Uint16 white = pixelOf(screen, 0, 0);
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    queue->addRegion(10, 20, 30, 40);
    // Reaching past the screen: only the part inside is enlarged.
    queue->addRegion(790, 590, 50, 50);
    queue->updateScreen();

    int inside = 0;
    int outside = 0;
    for (int y = 0; y < display->h; ++y)
        for (int x = 0; x < display->w; ++x) {
            bool queued = (x >= 20 && x < 80 && y >= 40 && y < 120) || (x >= 1580 && y >= 1180);
            Uint16 expected = queued ? white : 0;
            (queued ? inside : outside) += pixelOf(display, x, y) == expected ? 0 : 1;
        }
    EXPECT_EQ(inside, 0);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(queue->count(), 0);
}

TEST_F(WindowScale, RedrawEverythingShowsTheWholeScreenEveryFrameWithNothingQueued)
{
    ASSERT_EQ(setWindowScale(2), SDL_TRUE);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    RenderQueue::setRedrawEverything(SDL_TRUE);
    EXPECT_EQ(RenderQueue::redrawEverything(), SDL_TRUE);
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    drawPattern(screen);
    queue->updateScreen();
    EXPECT_EQ(blockMismatches(2), 0);

    // The next frame is drawn whole again; what was queued is dropped, the whole screen shown.
    clearScreenArea(nullptr, 10, 200, 30);
    queue->addRegion(0, 0, 1, 1);
    queue->updateScreen();
    EXPECT_EQ(queue->count(), 0);
    EXPECT_EQ(blockMismatches(2), 0);
    EXPECT_EQ(pixelOf(displaySurface(), 1599, 1199), pixelOf(screen, 0, 0));
}

TEST_F(WindowScale, MousePositionsReachTheGameInScreenCoordinates)
{
    ASSERT_EQ(setWindowScale(2), SDL_TRUE);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    GameHooks hooks = {nullptr, nullptr, keepEvent, nullptr};
    setGameHooks(&hooks);

    SDL_Event press = {};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.button = SDL_BUTTON_LEFT;
    press.button.x = 200;
    press.button.y = 201;
    handleGameEvent(&press);
    EXPECT_EQ(lastGameEvent.button.x, 100);
    EXPECT_EQ(lastGameEvent.button.y, 100);

    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 1599;
    motion.motion.y = 1000;
    motion.motion.xrel = 1399;
    motion.motion.yrel = 799;
    handleGameEvent(&motion);
    EXPECT_EQ(lastGameEvent.motion.x, 799);
    EXPECT_EQ(lastGameEvent.motion.y, 500);
    EXPECT_EQ(lastGameEvent.motion.xrel, 699);
    EXPECT_EQ(lastGameEvent.motion.yrel, 400);

    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_a;
    handleGameEvent(&key);
    EXPECT_EQ(lastGameEvent.key.keysym.sym, SDLK_a);
}

TEST_F(WindowScale, UnscaledWindowIsTheScreenItselfAndMouseEventsStayAsTheyCame)
{
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_EQ(windowScale(), 1);
    EXPECT_EQ(displaySurface(), screen);
    EXPECT_EQ(screen, SDL_GetVideoSurface());
    EXPECT_EQ(consoleLines().size(), 5u);
    SDL_Event press = {};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.x = 200;
    press.button.y = 300;
    translateMouseEvent(&press);
    EXPECT_EQ(press.button.x, 200);
    EXPECT_EQ(press.button.y, 300);
}

TEST_F(WindowScale, BadScalesAreRefusedWithOneLineAndTheScaleKept)
{
    ASSERT_EQ(setWindowScale(2), SDL_TRUE);
    Console::clearBuffer();
    for (int factor : {0, -2, 4, 1000000}) {
        EXPECT_EQ(setWindowScale(factor), SDL_FALSE);
        std::vector<std::string> expected = {"WARNING: Window scale " + std::to_string(factor) +
                                             " is not 1, 2 or 3; the window keeps scale 2"};
        EXPECT_EQ(consoleLines(), expected);
        Console::clearBuffer();
    }
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_EQ(windowScale(), 2);
}

TEST_F(WindowScale, PlayersChooseTheScaleInTheConfigurationAndBadNumbersKeepTheGames)
{
    ASSERT_EQ(setWindowScale(2), SDL_TRUE);
    ASSERT_EQ(registerWindowScaleSetting("windowScale"), SDL_TRUE);
    ASSERT_TRUE(readScript("fullscreen = 0\nwindowScale = 3\n"));
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_EQ(windowScale(), 3);
    shutdownVideo();

    // Not in the script: the game's scale.
    ASSERT_TRUE(readScript("fullscreen = 0\n"));
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_EQ(windowScale(), 2);
    shutdownVideo();

    for (const char *bad : {"0", "-1", "2.5", "50"}) {
        ASSERT_TRUE(readScript(std::string("fullscreen = 0\nwindowScale = ") + bad + "\n"));
        Console::clearBuffer();
        ASSERT_EQ(initializeVideo(), SDL_TRUE);
        EXPECT_EQ(windowScale(), 2) << bad;
        std::vector<std::string> lines = consoleLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], std::string("WARNING: Window scale 'windowScale' = ") + bad +
                                " is not 1, 2 or 3; the window keeps scale 2");
        shutdownVideo();
    }

    EXPECT_EQ(registerWindowScaleSetting("windowScale"), SDL_FALSE);
    EXPECT_EQ(registerWindowScaleSetting("fullscreen"), SDL_FALSE);
}

TEST_F(WindowScale, FullScreenStaysUnscaled)
{
    ASSERT_EQ(setWindowScale(3), SDL_TRUE);
    fullscreen = SDL_TRUE;
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_EQ(windowScale(), 1);
    EXPECT_EQ(displaySurface(), screen);
    EXPECT_EQ(screen->w, 800);
    EXPECT_TRUE(screen->flags & SDL_FULLSCREEN);
}

TEST_F(WindowScale, OnSdl12CompatTheLibraryScalesSharplyUnlessThePlayerChoseOtherwise)
{
    if (!onSdl12Compat())
        GTEST_SKIP() << "sdl12-compat scales by itself; the classic library is enlarged by the engine";
    unsetenv("SDL12COMPAT_SCALE_METHOD");
    ASSERT_EQ(setWindowScale(2), SDL_TRUE);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_EQ(windowScale(), 2);
    EXPECT_EQ(displaySurface(), screen);
    EXPECT_EQ(screen->w, 800);
    EXPECT_STREQ(std::getenv("SDL12COMPAT_WINDOW_SCALING"), "2");
    EXPECT_STREQ(std::getenv("SDL12COMPAT_SCALE_METHOD"), "nearest");
    EXPECT_EQ(consoleLines().back(), "Window scaled by 2 to 1600x1200 by sdl12-compat");
    shutdownVideo();
    // What the engine set for SDL goes with the display.
    EXPECT_EQ(std::getenv("SDL12COMPAT_WINDOW_SCALING"), nullptr);
    EXPECT_EQ(std::getenv("SDL12COMPAT_SCALE_METHOD"), nullptr);

    // The player's own scaling stands; the engine adds none.
    setenv("SDL12COMPAT_WINDOW_SCALING", "1.5", 1);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    EXPECT_EQ(windowScale(), 1);
    EXPECT_EQ(displaySurface(), screen);
    shutdownVideo();
    EXPECT_STREQ(std::getenv("SDL12COMPAT_WINDOW_SCALING"), "1.5");
    unsetenv("SDL12COMPAT_WINDOW_SCALING");
}

}  // namespace

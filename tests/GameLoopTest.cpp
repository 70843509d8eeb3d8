// The main loop, its event handling and the game's hooks in it. The loop runs once per process, so every run
// happens in a child process (a death test that exits normally); the child's console echo on standard error
// carries the frame-rate line back. The frame clock is scripted, so frame counts and times are exact.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>

#include "Config.h"
#include "ConfigTable.h"
#include "Console.h"
#include "Game.h"
#include "GameLoop.h"
#include "RenderQueue.h"
#include "Video.h"

namespace {

// Scripted time: the loop's first reading is 0; each frame's reading advances by stepMs; on the frame numbered
// quitAtFrame a window close is queued; the reading after the last frame is endMs.
struct Script {
    static int reads;
    static int quitAtFrame;
    static Uint32 stepMs;
    static Uint32 endMs;
    static bool stopped;

    static Uint32 clock()
    {
        int read = reads++;
        if (read == 0)
            return 0;
        if (stopped)
            return endMs;
        if (read == quitAtFrame) {
            SDL_Event quit;
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            stopped = true;
        }
        return Uint32(read - 1) * stepMs;
    }
    static void delay(Uint32) {}
};
int Script::reads = 0;
int Script::quitAtFrame = 0;
Uint32 Script::stepMs = 7;
Uint32 Script::endMs = 0;
bool Script::stopped = false;

// Opens the dummy display with an empty event queue: sdl12-compat 1.2.68 queues activation events of its own
// (SDL_ACTIVEEVENT) when the mode is set, and a run that handles no frame would leave them.
void openDisplay()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (initializeVideo() != SDL_TRUE)
        _exit(3);
    SDL_Event queued;
    while (SDL_PollEvent(&queued) == 1) {
    }
    setFrameTiming(Script::clock, Script::delay);
}

void pushKey(Uint8 type, SDLKey key)
{
    SDL_Event event = {};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
}

// Runs the loop and ends the child: exit code 0, or 4 when events were left unhandled.
[[noreturn]] void runAndExit()
{
    runGame();
    SDL_Event left;
    int code = SDL_PollEvent(&left) == 1 ? 4 : 0;
    shutdownVideo();
    SDL_Quit();
    std::fflush(stderr);
    _exit(code);
}

class GameLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "fast");
        displayConsole = SDL_TRUE;
        keyQuit = SDLK_ESCAPE;
        Script::reads = 0;
        Script::quitAtFrame = 0;
        Script::stepMs = 7;
        Script::endMs = 0;
        Script::stopped = false;
    }
};

TEST_F(GameLoop, QuitKeyEndsTheLoopAfterTheCurrentFrame)
{
    // Escape is already queued for the first frame, which still completes and counts.
    EXPECT_EXIT(
        {
            openDisplay();
            Script::endMs = 2000;
            Script::stopped = true;
            pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 0\\.50, 1 frames in 2\\.00 seconds");
}

TEST_F(GameLoop, FrameRateIsFramesDividedBySeconds)
{
    EXPECT_EXIT(
        {
            openDisplay();
            Script::quitAtFrame = 285;
            Script::endMs = 2000;
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 142\\.50, 285 frames in 2\\.00 seconds");
}

TEST_F(GameLoop, NoElapsedTimeGivesARateOfZeroNotInfinity)
{
    EXPECT_EXIT(
        {
            openDisplay();
            Script::stopped = true;  // every reading after the first is endMs, 0 here
            pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 0\\.00, 1 frames in 0\\.00 seconds");
}

TEST_F(GameLoop, ReleasingTheQuitKeyDoesNothing)
{
    EXPECT_EXIT(
        {
            openDisplay();
            Script::quitAtFrame = 3;
            Script::endMs = 1000;
            pushKey(SDL_KEYUP, SDLK_ESCAPE);
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 3\\.00, 3 frames in 1\\.00 seconds");
}

TEST_F(GameLoop, ConfiguredQuitKeyReplacesEscape)
{
    EXPECT_EXIT(
        {
            openDisplay();
            keyQuit = SDLK_q;
            Script::quitAtFrame = 5;
            Script::endMs = 1000;
            pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 5\\.00, 5 frames in 1\\.00 seconds");
    EXPECT_EXIT(
        {
            openDisplay();
            keyQuit = SDLK_q;
            Script::stopped = true;
            Script::endMs = 1000;
            pushKey(SDL_KEYDOWN, SDLK_q);
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 1\\.00, 1 frames in 1\\.00 seconds");
}

TEST_F(GameLoop, KeyPressAndCloseQueuedTogetherAreBothHandledInOneFrame)
{
    EXPECT_EXIT(
        {
            openDisplay();
            Script::stopped = true;
            Script::endMs = 1000;
            pushKey(SDL_KEYDOWN, SDLK_a);
            SDL_Event quit;
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 1\\.00, 1 frames in 1\\.00 seconds");
}

TEST_F(GameLoop, StoppedGameRunsNoFrame)
{
    EXPECT_EXIT(
        {
            openDisplay();
            Script::stopped = true;
            Script::endMs = 1000;
            stopGame();
            runAndExit();
        },
        ::testing::ExitedWithCode(0), "FPS was 0\\.00, 0 frames in 1\\.00 seconds");
}

TEST(GameEvent, OnlyClosesAndQuitKeyPressesStopTheGame)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    keyQuit = SDLK_ESCAPE;
    // Each event is handled before the loop starts: a stopping event leaves the loop no frame to run,
    // any other lets it run until the close queued on its second frame.
    struct Case {
        Uint8 type;
        SDLKey key;
        const char *frames;
    };
    const Case cases[] = {
        {SDL_KEYDOWN, SDLK_ESCAPE, ", 0 frames"},   {SDL_KEYUP, SDLK_ESCAPE, ", 2 frames"},
        {SDL_KEYDOWN, SDLK_SPACE, ", 2 frames"},    {SDL_MOUSEBUTTONDOWN, SDLK_ESCAPE, ", 2 frames"},
        {SDL_ACTIVEEVENT, SDLK_ESCAPE, ", 2 frames"}, {SDL_QUIT, SDLK_UNKNOWN, ", 0 frames"},
    };
    for (const Case &c : cases) {
        EXPECT_EXIT(
            {
                Script::reads = 0;
                Script::quitAtFrame = 2;
                Script::stopped = false;
                openDisplay();
                SDL_Event event = {};
                event.type = c.type;
                if (c.type == SDL_KEYDOWN || c.type == SDL_KEYUP) {
                    event.key.type = c.type;
                    event.key.keysym.sym = c.key;
                }
                handleGameEvent(&event);
                handleGameEvent(nullptr);
                runAndExit();
            },
            ::testing::ExitedWithCode(0), c.frames)
            << int(c.type);
    }
}

TEST(GameEvent, QuitKeyNumberThatNoKeyHasLetsEveryKeyPass)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            char configName[] = "/tmp/zarvello-quitkey-XXXXXX";
            int fd = mkstemp(configName);
            const char script[] = "keyQuit = -1.5\n";
            if (fd < 0 || write(fd, script, sizeof script - 1) != ssize_t(sizeof script - 1))
                std::exit(3);
            close(fd);
            readConfigFile(configName);
            unlink(configName);
            Script::reads = 0;
            Script::quitAtFrame = 2;
            Script::stopped = false;
            openDisplay();
            for (int key = 0; key < SDLK_LAST; ++key) {
                SDL_Event event = {};
                event.type = event.key.type = SDL_KEYDOWN;
                event.key.keysym.sym = SDLKey(key);
                handleGameEvent(&event);
            }
            runAndExit();
        },
        ::testing::ExitedWithCode(0), ", 2 frames");
}

// The hooks' trace: each frame's clock reading ("t"), every event the game's hook sees ("e" and the key, or
// "eq" for a window close) and each frame step ("f"), each with the number of rectangles queued at that moment.
// The event and frame hooks queue a rectangle each, so the counts tell what ran before the screen update.
struct HookTrace {
    static std::string text;
    static int reads;
    static int frames;  // the frame on whose clock reading a window close is queued
    static SDLKey stopKey;

    static std::string queued() { return std::to_string(RenderQueue::globalRenderQueue()->count()); }
    static Uint32 clock()
    {
        int read = reads++;
        if (read > 0)
            text += "t" + queued() + " ";
        if (read > 0 && read < frames) {
            SDL_Event event = {};
            event.type = event.key.type = SDL_KEYDOWN;
            event.key.keysym.sym = SDLKey(SDLK_a + read - 1);
            SDL_PushEvent(&event);
        } else if (read == frames) {
            SDL_Event quit = {};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
        return Uint32(read) * 500;
    }
    static void event(SDL_Event *event)
    {
        if (event->type == SDL_QUIT)
            text += "eq";
        else if (event->type == SDL_KEYDOWN)
            text += std::string("e") + char(event->key.keysym.sym);
        text += queued() + " ";
        RenderQueue::globalRenderQueue()->addRegion(0, 0, 1, 1);
        if (event->type == SDL_KEYDOWN && event->key.keysym.sym == stopKey)
            stopGame();
    }
    static void frame()
    {
        text += "f" + queued() + " ";
        RenderQueue::globalRenderQueue()->addRegion(1, 1, 1, 1);
    }
};
std::string HookTrace::text;
int HookTrace::reads = 0;
int HookTrace::frames = 0;
SDLKey HookTrace::stopKey = SDLK_UNKNOWN;

// Runs the loop with the tracing hooks and the quit key quitKey; the game itself stops on stopKey.
[[noreturn]] void runHooksAndExit(int frames, SDLKey quitKey, SDLKey stopKey)
{
    displayConsole = SDL_TRUE;
    keyQuit = quitKey;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (initializeVideo() != SDL_TRUE)
        _exit(3);
    HookTrace::frames = frames;
    HookTrace::stopKey = stopKey;
    setFrameTiming(HookTrace::clock, Script::delay);
    GameHooks hooks = {nullptr, HookTrace::frame, HookTrace::event, nullptr};
    setGameHooks(&hooks);
    runGame();
    std::fprintf(stderr, "trace: %s\n", HookTrace::text.c_str());
    shutdownVideo();
    SDL_Quit();
    std::fflush(stderr);
    _exit(0);
}

TEST(GameHooks, FrameStepComesAfterTheFramesEventsAndBeforeItsScreenUpdateInEveryFrame)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    // Frames 1 and 2 get a key each, frame 3 the close: each frame's step sees the rectangle its event queued,
    // the next frame starts with an empty queue, and the frame that stopped the game still has its step.
    EXPECT_EXIT(runHooksAndExit(3, SDLK_ESCAPE, SDLK_UNKNOWN), ::testing::ExitedWithCode(0),
                "trace: t0 ea0 f1 t0 eb0 f1 t0 eq0 f1 t0 \n");
}

TEST(GameHooks, GameSeesTheQuitKeyTooAndMayStopTheLoopItself)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(runHooksAndExit(5, SDLK_a, SDLK_UNKNOWN), ::testing::ExitedWithCode(0),
                ", 1 frames(.|\n)*trace: t0 ea0 f1 t0 \n");
    EXPECT_EXIT(runHooksAndExit(5, SDLK_ESCAPE, SDLK_c), ::testing::ExitedWithCode(0),
                ", 3 frames(.|\n)*trace: t0 ea0 f1 t0 eb0 f1 t0 ec0 f1 t0 \n");
}

TEST(GameHooks, RemovedHooksAreNoLongerCalled)
{
    GameHooks hooks = {nullptr, HookTrace::frame, HookTrace::event, nullptr};
    setGameHooks(&hooks);
    EXPECT_EQ(gameHooks().frame, HookTrace::frame);
    setGameHooks(nullptr);
    EXPECT_EQ(gameHooks().frame, nullptr);
    EXPECT_EQ(gameHooks().event, nullptr);
    HookTrace::text.clear();
    SDL_Event event = {};
    event.type = SDL_ACTIVEEVENT;
    handleGameEvent(&event);
    EXPECT_EQ(HookTrace::text, "");
}

}  // namespace

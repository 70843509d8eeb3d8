// What a game decides about input and its window, on the dummy video driver: the quit key it chooses (or turns
// off), before or during the run; its key repeat; its window icon (the failures, since the dummy driver shows
// no icon; the icon itself is checked on a real window in the whole-program tests); the full-screen toggle and
// its key; joysticks asked for where there are none. Each case runs in a child process, as the engine's state
// is process-wide.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <SDL.h>

#include "ConfigTable.h"
#include "Console.h"
#include "Game.h"
#include "GameLoop.h"
#include "Gui.h"
#include "ImageWriters.h"
#include "Init.h"
#include "Input.h"
#include "NFILoader.h"
#include "RunDirectory.h"
#include "TestSupport.h"
#include "Video.h"

namespace {

bool openDummyDisplay()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    displayConsole = SDL_FALSE;
    if (initializeVideo() != SDL_TRUE)
        return false;
    SDL_Event queued;
    while (SDL_PollEvent(&queued) == 1) {
    }
    return true;
}

// Every console line since the last clearBuffer, one a line.
std::string heldLines()
{
    std::string lines;
    for (Sint32 i = 0; i < Console::totalLines(); ++i)
        lines += std::string(Console::lineAtIndex(i)) + "\n";
    return lines;
}

std::string quitKeys()
{
    std::string keys;
    for (int key = 0; key < SDLK_LAST; ++key)
        if (isQuitKey(SDLKey(key)) == SDL_TRUE)
            keys += std::to_string(key) + " ";
    return keys + "|";
}

void pushKey(SDLKey key, SDLMod mod = KMOD_NONE)
{
    SDL_Event event = {};
    event.type = event.key.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    SDL_PushEvent(&event);
}

Uint32 ticks = 0;
Uint32 clock()
{
    return ticks;
}
void delay(Uint32 ms)
{
    ticks += ms;
}

}  // namespace

TEST(QuitKey, GamesChoiceReplacesTheConfiguredKeyAndSDLKUnknownTurnsItOff)
{
    ChildResult child = runInChild([]() {
        displayConsole = SDL_FALSE;
        std::string seen = quitKeys();
        keyQuit = SDLK_q;
        seen += quitKeys();
        setQuitKey(SDLK_F10);
        keyQuit = SDLK_ESCAPE;  // the configuration no longer decides
        seen += quitKeys();
        setQuitKey(SDLK_UNKNOWN);
        seen += quitKeys();
        Console::clearBuffer();
        seen += std::to_string(setQuitKey(-1));
        seen += std::to_string(setQuitKey(SDLK_LAST));
        seen += quitKeys();
        return seen + "\n" + heldLines();
    });
    EXPECT_EQ(child.output, "27 |113 |291 ||00|\n"
                            "WARNING: setQuitKey (-1): no key has this number; the quit key stays\n"
                            "WARNING: setQuitKey (" + std::to_string(SDLK_LAST) +
                                "): no key has this number; the quit key stays\n");
}

TEST(QuitKey, TurnedOffDuringTheRunEscapeNoLongerEndsItButClosingTheWindowDoes)
{
    ChildResult child = runInChild([]() {
        if (!openDummyDisplay())
            return std::string("no display");
        setFrameTiming(clock, delay);
        static int frames = 0;
        GameHooks hooks = {nullptr,
                           []() {
                               ++frames;
                               if (frames == 1)
                                   setQuitKey(SDLK_UNKNOWN);
                               if (frames <= 3)
                                   pushKey(SDLK_ESCAPE);
                               else {
                                   SDL_Event quit = {};
                                   quit.type = SDL_QUIT;
                                   SDL_PushEvent(&quit);
                               }
                           },
                           nullptr, nullptr};
        setGameHooks(&hooks);
        pushKey(SDLK_a);
        runGame();
        return std::to_string(frames) + " frames";
    });
    EXPECT_EQ(child.output, "5 frames");
}

TEST(KeyRepeat, GamesChoiceComesAfterTheEnginesAtStartUpOrAtOnceDuringTheRun)
{
    ChildResult child = runInChild([]() {
        std::string seen;
        int delayMs = -1, interval = -1;
        setKeyRepeat(0, 0);
        if (!openDummyDisplay())
            return std::string("no display");
        SDL_GetKeyRepeat(&delayMs, &interval);
        seen += std::to_string(delayMs) + " " + std::to_string(interval) + ", ";
        setKeyRepeat(250, 20);
        SDL_GetKeyRepeat(&delayMs, &interval);
        seen += std::to_string(delayMs) + " " + std::to_string(interval) + ", ";
        Console::clearBuffer();
        seen += std::to_string(setKeyRepeat(-1, 5));
        seen += std::to_string(setKeyRepeat(100, 0));
        SDL_GetKeyRepeat(&delayMs, &interval);
        seen += " " + std::to_string(delayMs) + " " + std::to_string(interval) + "\n" + heldLines();
        return seen;
    });
    EXPECT_EQ(child.output, "0 0, 250 20, 00 250 20\n"
                            "WARNING: setKeyRepeat (-1, 5): not a delay and an interval; key repeat stays\n"
                            "WARNING: setKeyRepeat (100, 0): not a delay and an interval; key repeat stays\n");
}

TEST(KeyRepeat, WithoutAChoiceTheEnginesFiveHundredAndThirtyStay)
{
    ChildResult child = runInChild([]() {
        if (!openDummyDisplay())
            return std::string("no display");
        int delayMs = -1, interval = -1;
        SDL_GetKeyRepeat(&delayMs, &interval);
        return std::to_string(delayMs) + " " + std::to_string(interval);
    });
    EXPECT_EQ(child.output, "500 30");
}

class WindowIcon : public ScratchRootTest {};

TEST_F(WindowIcon, IconThatCannotBeUsedIsReportedInOneLineAndTheWindowOpensAllTheSame)
{
    makeRoot("icon");
    auto text = [](const Bytes &bytes) { return std::string(bytes.begin(), bytes.end()); };
    write("gfx/icon.tga", text(tgaBytes(tgaFromRgb(32, 32, patternRgb(32, 32)))));
    write("gfx/huge.tga", text(tgaBytes(tgaFromRgb(257, 1, patternRgb(257, 1)))));
    write("gfx/broken.tga", "not an image");
    struct Case {
        const char *name;
        const char *line;
    };
    const Case cases[] = {
        {"/gfx/icon.tga", ""},
        {"/gfx/none.tga", "tgaImageFromFile ('/gfx/none.tga'): "},
        {"/gfx/broken.tga", "tgaImageFromFile ('/gfx/broken.tga'): "},
        {"/gfx/huge.tga", "setWindowIcon ('/gfx/huge.tga'): an icon is at most 256 x 256 pixels"},
        {"/gfx/icon.png", "setWindowIcon ('/gfx/icon.png'): an icon is a TGA image"},
    };
    for (const Case &c : cases) {
        ChildResult child = runInChild([this, &c]() {
            displayConsole = SDL_FALSE;
            NFILoader::globalLoader()->addDataPath(root.c_str());
            Console::clearBuffer();
            setWindowIcon(c.name);
            if (!openDummyDisplay())
                return std::string("no display");
            std::string lines;
            for (Sint32 i = 0; i < Console::totalLines(); ++i) {
                std::string line = Console::lineAtIndex(i);
                if (line.find("Video") == std::string::npos && line.find("Accel") == std::string::npos &&
                    line.find("Hardware") == std::string::npos && line.find("Initialized") == std::string::npos)
                    lines += line + "\n";
            }
            return lines;
        });
        if (c.line[0] == '\0') {
            EXPECT_EQ(child.output, "") << c.name;
        } else {
            EXPECT_EQ(child.output.rfind(c.line, 0), 0u) << c.name << ": " << child.output;
            EXPECT_EQ(countLines(child.output, child.output.substr(0, child.output.size() - 1)), 1) << c.name;
            EXPECT_EQ(child.output.find('\n'), child.output.size() - 1) << c.name << ": " << child.output;
        }
    }
}

TEST(FullScreen, ToggleEitherSwitchesOrSaysInOneLineThatTheDisplayCannot)
{
    ChildResult child = runInChild([]() {
        displayConsole = SDL_FALSE;
        Console::clearBuffer();
        std::string seen = std::to_string(toggleFullScreen());
        seen += " " + std::to_string(Console::totalLines()) + ", ";
        if (!openDummyDisplay())
            return std::string("no display");
        Console::clearBuffer();
        SDL_bool before = isFullScreen();
        SDL_bool switched = toggleFullScreen();
        bool consistent = switched == SDL_TRUE ? isFullScreen() != before && Console::totalLines() == 0
                                               : isFullScreen() == before && Console::totalLines() == 1;
        seen += consistent ? "consistent" : "inconsistent";
        return seen + "\n" + heldLines();
    });
    EXPECT_EQ(child.output.rfind("0 1, consistent\n", 0), 0u) << child.output;
}

TEST(FullScreen, AltReturnTogglesOnlyWhenTheGameAsksForIt)
{
    ChildResult child = runInChild([]() {
        if (!openDummyDisplay())
            return std::string("no display");
        static std::string seen;
        GameHooks hooks = {nullptr, nullptr, [](SDL_Event *event) {
                               if (event->type == SDL_KEYDOWN)
                                   seen += "game sees " + std::to_string(event->key.keysym.sym) + "; ";
                           },
                           nullptr};
        setGameHooks(&hooks);
        SDL_Event event = {};
        event.type = event.key.type = SDL_KEYDOWN;
        event.key.keysym.sym = SDLK_RETURN;
        event.key.keysym.mod = KMOD_LALT;
        SDL_bool before = isFullScreen();
        Console::clearBuffer();
        handleGameEvent(&event);
        seen += std::to_string(Console::totalLines() + (isFullScreen() != before)) + "; ";
        setFullScreenKey(SDL_TRUE);
        event.key.keysym.mod = KMOD_NONE;
        handleGameEvent(&event);
        seen += std::to_string(Console::totalLines() + (isFullScreen() != before)) + "; ";
        event.key.keysym.mod = KMOD_RALT;
        handleGameEvent(&event);
        // The toggle happened (the window switched) or was tried (one line says the display cannot).
        seen += std::to_string(Console::totalLines() + (isFullScreen() != before));
        return seen;
    });
    EXPECT_EQ(child.output, "game sees 13; 0; game sees 13; 0; game sees 13; 1");
}

TEST(Joysticks, AskedForWhereThereAreNoneOneLineAndTheGameRunsOn)
{
    ChildResult child = runInChild([]() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        unsetenv("SDL12COMPAT_USE_GAME_CONTROLLERS");
        setSkinRequired(SDL_FALSE);
        setLeakReport(SDL_FALSE);
        setConfigFileName("/nonexistent/zarvello-input-test.conf");
        setFrameTiming(clock, delay);
        setJoysticks(SDL_TRUE, SDL_TRUE);
        const char *layout = getenv("SDL12COMPAT_USE_GAME_CONTROLLERS");
        static std::string seen;
        seen = std::string("layout ") + (layout ? layout : "unset") + "; ";
        GameHooks hooks = {[]() {
                               seen += "pads " + std::to_string(openJoystickCount()) + "; ";
                               for (Sint32 i = 0; i < Console::totalLines(); ++i)
                                   if (std::string(Console::lineAtIndex(i)).find("joystick") != std::string::npos)
                                       seen += std::string(Console::lineAtIndex(i)) + "; ";
                               return SDL_TRUE;
                           },
                           []() { stopGame(); }, nullptr, nullptr};
        char name[] = "inputtest";
        char *argv[] = {name, nullptr};
        int code = runEngine(1, argv, &hooks);
        return seen + "exit " + std::to_string(code);
    });
    EXPECT_EQ(child.output,
              "layout 1; pads 0; WARNING: no joystick or gamepad is connected; exit 0");
}

TEST(Joysticks, PlayersOwnLayoutSettingWins)
{
    ChildResult child = runInChild([]() {
        setenv("SDL12COMPAT_USE_GAME_CONTROLLERS", "0", 1);
        setJoysticks(SDL_TRUE, SDL_TRUE);
        return std::string(getenv("SDL12COMPAT_USE_GAME_CONTROLLERS"));
    });
    EXPECT_EQ(child.output, "0");
}

// TestGame: a small game written on the engine's public interface alone, as a game programmer writes one, and
// linked with every object of the engine library (--whole-archive): its own main and hooks beside the whole
// engine, nothing defined twice and nothing replaced by link order. The whole-program tests drive it through its
// command line (the start-up settings it chooses before runEngine) and its configuration file (its own settings
// beside the five). It logs what it saw through the console and ends by itself after the number of frames of its
// setting "frames" (0: only the quit key or a window close end it). Further switches make the mistakes a game
// makes: console lines before start-up, a second or nested runEngine, a registration in setUp, a configuration
// file name too long to hold.
// Depends on: the engine's public headers and library.
#include <cstdio>
#include <cstring>
#include <string>

#include <SDL.h>

#include "ConfigTable.h"
#include "Console.h"
#include "Dialog.h"
#include "GameLoop.h"
#include "Gui.h"
#include "ImageManager.h"
#include "Init.h"
#include "Memory.h"
#include "RenderQueue.h"
#include "SkinLoader.h"
#include "Video.h"

namespace {

double frames = 0;
char greeting[32] = "";
SDL_bool dialog = SDL_FALSE;
SDLKey keyFire = SDLK_UNKNOWN;

bool failSetUp = false;
bool leak = false;
bool nestedRun = false;
bool registerInSetUp = false;
int framesRun = 0;
int savedArgc = 0;
char **savedArgv = nullptr;

}  // namespace

// What a game keeps past its clean-up is counted by the leak report like the engine's own leftovers. The block
// stays reachable from this global to the end, as a game's global container would.
void *gameKeptForever = nullptr;

namespace {

SDL_bool setUp()
{
    Console::addString("game setUp: skin %s, greeting '%s', frames %g, dialog %u, keyFire %u",
                       skin ? skin->getName() : "none", greeting, frames, storedSetting(dialog),
                       storedSetting(keyFire));
    if (leak)
        gameKeptForever = mem_alloc(100);
    if (nestedRun)
        Console::addString("game: runEngine inside setUp gave %d", runEngine(savedArgc, savedArgv, nullptr));
    if (registerInSetUp) {
        double late = 0;
        Console::addString("game: registering in setUp gave %d", registerNumberSetting("late", &late, 1));
    }
    return failSetUp ? SDL_FALSE : SDL_TRUE;
}

void frame()
{
    ++framesRun;
    // Drawn during the loop, after the whole-screen update: only the queued area makes it visible.
    if (framesRun == 1 && storedSetting(dialog) == 1 && skin) {
        SDL_Rect box = {100, 100, 300, 200};
        showDialog(SDL_TRUE, &box, skin, "Drawn in the first frame");
        Console::addString("game frame 1: %d rectangle(s) queued", RenderQueue::globalRenderQueue()->count());
    }
    if (frames > 0 && framesRun >= frames)
        stopGame();
}

void event(SDL_Event *event)
{
    if (event->type == SDL_KEYDOWN && Uint32(event->key.keysym.sym) == storedSetting(keyFire))
        Console::addString("game fire");
}

void cleanUp()
{
    Console::addString("game cleanUp after %d frames, screen %s", framesRun, screen ? "open" : "closed");
}

}  // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, "--caption=", 10) == 0)
            setWindowCaption(arg + 10);
        else if (std::strncmp(arg, "--config=", 9) == 0)
            setConfigFileName(arg + 9);
        else if (std::strcmp(arg, "--skin-optional") == 0)
            setSkinRequired(SDL_FALSE);
        else if (std::strcmp(arg, "--no-leak-report") == 0)
            setLeakReport(SDL_FALSE);
        else if (std::strcmp(arg, "--leak") == 0)
            leak = true;
        else if (std::strcmp(arg, "--fail-setup") == 0)
            failSetUp = true;
        else if (std::strcmp(arg, "--nested-run") == 0)
            nestedRun = true;
        else if (std::strcmp(arg, "--register-in-setup") == 0)
            registerInSetUp = true;
        // The mistakes and early lines a game may make before start-up.
        else if (std::strcmp(arg, "--early-line") == 0)
            Console::addString("game: a line before start-up");
        else if (std::strcmp(arg, "--early-refused-setting") == 0)
            registerNumberSetting("on", &frames, 1);
        else if (std::strcmp(arg, "--early-image") == 0)
            ImageManager::getImage("/gfx/before-start-up.tga");
        else if (std::strcmp(arg, "--long-config-name") == 0)
            setConfigFileName(std::string(300, 'c').c_str());
    }
    savedArgc = argc;
    savedArgv = argv;
    registerNumberSetting("frames", &frames, 3);
    registerTextSetting("greeting", greeting, sizeof greeting, "hello");
    registerOnOffSetting("dialog", &dialog, SDL_FALSE);
    registerKeySetting("keyFire", &keyFire, SDLK_SPACE);

    GameHooks hooks = {setUp, frame, event, cleanUp};
    int exitCode = runEngine(argc, argv, &hooks);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--run-twice") == 0) {
            exitCode = runEngine(argc, argv, &hooks);
            std::fprintf(stderr, "game: the second runEngine gave %d\n", exitCode);
        }
    }
    return exitCode;
}

// Start-up and shutdown in their fixed order. Start-up: the open-file limit, run directory, data directory,
// configuration file, command line, data loader, SDL, video, GUI, then the modules registered beside the engine
// (EngineModule.h), which shutdown stops first. Shutdown runs on the success and the failure
// path alike and tolerates every subsystem that never started; the leak report comes last, straight to standard
// error. runEngine puts a game between the two: its set-up once the engine stands, its clean-up while it still
// does.
#include "Init.h"

#include <cstdio>
#include <cstring>

#include <SDL.h>

#include "Config.h"
#include "ConfigTable.h"
#include "Console.h"
#include "EngineStarted.h"
#include "EngineModule.h"
#include "Game.h"
#include "GameLoop.h"
#include "Gui.h"
#include "InputSetup.h"
#include "Memory.h"
#include "NFILoader.h"
#include "PlayerSettings.h"
#include "ReplaySession.h"
#include "Utility.h"
#include "Video.h"

namespace {

// What a game chose before start-up; names are 255 characters at most, like every name of the engine.
char configFileName[256] = "zarvello.conf";
SDL_bool leakReport = SDL_TRUE;

}  // namespace

void setConfigFileName(const char *name)
{
    // A name cut to fit would read another file: it is refused whole.
    if (name && std::strlen(name) > 255) {
        Console::addString("ERROR: setConfigFileName ('%.200s...'): a name of %u characters is longer than 255; "
                           "'%s' stays", name, static_cast<unsigned>(std::strlen(name)), configFileName);
        return;
    }
    zarvello::snprintf(255, configFileName, "%s", name && *name ? name : "zarvello.conf");
}

void setLeakReport(SDL_bool report)
{
    leakReport = report;
}

void parseCommandLine(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "-windowed") == 0)
            fullscreen = SDL_FALSE;
        else if (std::strcmp(arg, "-fullscreen") == 0)
            fullscreen = SDL_TRUE;
        else if (std::strcmp(arg, "-displayconsole") == 0)
            displayConsole = SDL_TRUE;
        else if (std::strcmp(arg, "-noddisplayconsole") == 0)
            displayConsole = SDL_FALSE;
        else if (std::strcmp(arg, "-logconsole") == 0)
            logConsole = SDL_TRUE;
        else if (std::strcmp(arg, "-nologconsole") == 0)
            logConsole = SDL_FALSE;
    }
}

void processConfigFile()
{
    char filename[256];
    if (configFileName[0] == '/')
        zarvello::snprintf(255, filename, "%s", configFileName);
    else
        zarvello::snprintf(255, filename, "%s%c%s", executablePath(nullptr), '/', configFileName);
    if (readConfigFile(filename) == SDL_FALSE) {
        Console::addString("Error in '%s'", filename);
        Console::addString("Configuration file is being ignored");
        initializeWithDefaults();
    }
    // A game that named itself: the player's own file of the same name wins over the shipped one.
    readPlayerSettings(fileComponentOfPath(filename));
}

SDL_bool initializeSystem(int argc, char **argv)
{
    // Every accepted archive keeps its file open for the whole run: take all the descriptors the system allows.
    raiseOpenFileLimit();
    const char *argv0 = argc > 0 ? argv[0] : nullptr;
    executablePath(argv0);
    defaultDataPath(argv0);
    processConfigFile();
    parseCommandLine(argc, argv);
    sessionSettings();
    const char *dataPath = defaultDataPath(nullptr);
    NFILoader::globalLoader()->addDataPath(dataPath);

    if (SDL_Init(SDL_INIT_TIMER) < 0) {
        Console::addString("Couldn't initialize SDL: %s\n", SDL_GetError());
        return SDL_FALSE;
    }
    if (initializeVideo() == SDL_FALSE)
        return SDL_FALSE;
    if (initializeGUI() == SDL_FALSE)
        return SDL_FALSE;
    return startEngineModules();
}

void shutdownSystem()
{
    stopEngineModules();
    shutdownGUI();
    closeJoysticks();
    shutdownVideo();
    SDL_Quit();
    delete NFILoader::globalLoader();
    Console::destroyConsole();
    if (leakReport == SDL_TRUE && totalAllocatedMemory() != 0) {
        std::fprintf(stderr, "Memory Leak!\n");
        std::fprintf(stderr, "There are %d bytes left allocated\n", static_cast<int>(totalAllocatedMemory()));
    }
}

int runEngine(int argc, char **argv, const GameHooks *hooks)
{
    // Once in a process: a second run, or one from inside a hook, would start over what stands or has gone.
    if (engineStarted()) {
        Console::addString("ERROR: runEngine: the engine runs once in a process, and it has run already");
        return 1;
    }
    markEngineStarted();
    // A recording that cannot be replayed (or a record file that cannot be made) runs nothing.
    if (!startSession(argc, argv)) {
        shutdownSystem();
        return 1;
    }
    if (initializeSystem(argc, argv) == SDL_FALSE) {
        endSession();
        shutdownSystem();
        return 1;
    }
    openJoysticks();
    setGameHooks(hooks);
    const GameHooks game = gameHooks();
    SDL_bool ready = game.setUp ? game.setUp() : SDL_TRUE;
    if (ready == SDL_TRUE)
        runGame();
    if (game.cleanUp)
        game.cleanUp();
    setGameHooks(nullptr);
    bool sessionKept = endSession();
    shutdownSystem();
    return ready == SDL_TRUE && sessionKept ? 0 : 1;
}

// PlayerGame: a small game on the engine's public interface that keeps its player's data. It names itself when its
// command line says so (--name=<game>), registers four settings of its own beside the five, and in its set-up logs
// every setting's value, changes some as an options screen would (--set-...), writes the settings back
// (--write-settings) and saves or loads named files (--save=<name>:<text>, --load=<name>), logging each result.
// It ends after its first frame. The whole-program tests of player data drive it.
// Depends on: the engine's public headers and library.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "GameLoop.h"
#include "Init.h"
#include "PlayerData.h"
#include "PlayerSettings.h"

namespace {

double frames = 3;
char greeting[64] = "";
SDL_bool dialog = SDL_FALSE;
SDLKey keyFire = SDLK_UNKNOWN;

struct Change {
    std::string what;
    std::string value;
};
std::vector<Change> changes;
bool writeSettings = false;

void logValues(const char *when)
{
    Console::addString("player %s: greeting '%s', frames %.17g, dialog %u, keyFire %u, fullscreen %u, keyQuit %u, "
                       "logConsole %u, skin %s",
                       when, greeting, frames, storedSetting(dialog), storedSetting(keyFire),
                       storedSetting(fullscreen), storedSetting(keyQuit), storedSetting(logConsole), skinName);
}

SDL_bool setUp()
{
    logValues("setUp");
    bool changed = false;
    for (const Change &change : changes) {
        if (change.what == "greeting") {
            std::snprintf(greeting, sizeof greeting, "%s", change.value.c_str());
            changed = true;
        } else if (change.what == "frames") {
            frames = std::strtod(change.value.c_str(), nullptr);
            changed = true;
        } else if (change.what == "dialog") {
            dialog = change.value == "1" ? SDL_TRUE : SDL_FALSE;
            changed = true;
        } else if (change.what == "key") {
            keyFire = SDLKey(std::atoi(change.value.c_str()));
            changed = true;
        } else if (change.what == "save") {
            std::size_t colon = change.value.find(':');
            std::string name = change.value.substr(0, colon);
            std::string text = colon == std::string::npos ? "" : change.value.substr(colon + 1);
            SDL_bool saved = savePlayerFile(name.c_str(), text.data(), Uint32(text.size()));
            Console::addString("player save '%s': %s", name.c_str(), saved == SDL_TRUE ? "saved" : "failed");
        } else if (change.what == "load") {
            char buffer[256];
            Sint32 got = loadPlayerFile(change.value.c_str(), buffer, sizeof buffer);
            if (got < 0)
                Console::addString("player load '%s': nothing", change.value.c_str());
            else
                Console::addString("player load '%s': '%.*s'", change.value.c_str(), int(got), buffer);
        }
    }
    if (changed)
        logValues("changed");
    if (writeSettings) {
        SDL_bool written = writePlayerSettings();
        Console::addString("player settings %s", written == SDL_TRUE ? "written" : "not written");
    }
    return SDL_TRUE;
}

void frame()
{
    stopGame();
}

// What the game allocated is given back before the engine counts what is left.
void cleanUp()
{
    std::vector<Change>().swap(changes);
}

}  // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--name=", 0) == 0) {
            setGameName(arg.c_str() + 7);
        } else if (arg.rfind("--config=", 0) == 0) {
            setConfigFileName(arg.c_str() + 9);
        } else if (arg == "--write-settings") {
            writeSettings = true;
        } else if (arg.rfind("--set-", 0) == 0 && arg.find('=') != std::string::npos) {
            std::size_t equals = arg.find('=');
            changes.push_back({arg.substr(6, equals - 6), arg.substr(equals + 1)});
        } else if (arg.rfind("--save=", 0) == 0) {
            changes.push_back({"save", arg.substr(7)});
        } else if (arg.rfind("--load=", 0) == 0) {
            changes.push_back({"load", arg.substr(7)});
        }
    }
    registerNumberSetting("frames", &frames, 3);
    registerTextSetting("greeting", greeting, sizeof greeting, "hello");
    registerOnOffSetting("dialog", &dialog, SDL_FALSE);
    registerKeySetting("keyFire", &keyFire, SDLK_SPACE);

    GameHooks hooks = {setUp, frame, nullptr, cleanUp};
    return runEngine(argc, argv, &hooks);
}

// The configuration variables, with their built-in initial values (in force only until the configuration
// is read), and the table of their names, types and defaults.
#include "ConfigTable.h"

#include <cstring>

SDLKey keyQuit = SDLK_ESCAPE;
SDL_bool fullscreen = SDL_FALSE;
SDL_bool logConsole = SDL_TRUE;
SDL_bool displayConsole = SDL_TRUE;
char skinName[256] = "";

ConfigEntry configTable[] = {
    {"keyQuit", CONFIG_TNUMBER, numSDLKEY, &keyQuit, "", 27},
    {"fullscreen", CONFIG_TNUMBER, numSDLBOOL, &fullscreen, "", 1},
    {"logConsole", CONFIG_TNUMBER, numSDLBOOL, &logConsole, "", 0},
    {"displayConsole", CONFIG_TNUMBER, numSDLBOOL, &displayConsole, "", 1},
    {"skin", CONFIG_TSTRING, sizeof skinName, skinName, "default", 0},
};

const Uint32 configTableSize = sizeof configTable / sizeof configTable[0];

namespace {

template <typename Setting> Uint32 storedBits(const Setting &setting)
{
    static_assert(sizeof setting == sizeof(Uint32), "the configuration stores 32 bits in a setting");
    Uint32 bits;
    std::memcpy(&bits, &setting, sizeof bits);
    return bits;
}

}  // namespace

Uint32 storedSetting(const SDL_bool &setting)
{
    return storedBits(setting);
}

Uint32 storedSetting(const SDLKey &setting)
{
    return storedBits(setting);
}

// The configuration variables, with their built-in initial values (in force only until the configuration
// is read), and the table of their names, types and defaults; and the game's own settings, rows of the same
// kind in a fixed table beside it, which the configuration looks up after the five. A registration is refused
// when the script could never assign the name, or when an assignment to it would reach another variable or
// nothing at all (a predefined name holds a number, so assigning it never reaches the configuration).
#include "ConfigTable.h"

#include <cstring>

#include "Console.h"
#include "EngineStarted.h"
#include "KeyMapping.h"
#include "Utility.h"

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

const PredefinedNumber predefinedNumbers[4] = {{"on", 1}, {"off", 0}, {"yes", 1}, {"no", 0}};

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

namespace {

ConfigEntry gameSettings[maxGameSettings];
Uint32 gameSettingsUsed = 0;

// Words of the configuration language that can never be assigned as globals.
const char *const reservedWords[] = {
    "and", "break", "do", "else", "elseif", "end", "false", "for", "function", "goto", "if", "in", "local",
    "nil", "not", "or", "repeat", "return", "then", "true", "until", "while", "_ENV",
};

bool isAssignableName(const char *name)
{
    std::size_t length = std::strlen(name);
    if (length == 0 || length > 255 || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (const char *c = name; *c; ++c) {
        bool letter = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z');
        if (!letter && !(*c >= '0' && *c <= '9') && *c != '_')
            return false;
    }
    for (const char *word : reservedWords)
        if (std::strcmp(name, word) == 0)
            return false;
    return true;
}

bool isConfigurationVariable(const char *name)
{
    for (Uint32 i = 0; i < configTableSize; ++i)
        if (std::strcmp(configTable[i].name, name) == 0)
            return true;
    return findGameSetting(name) != nullptr;
}

bool isPredefinedName(const char *name)
{
    for (const PredefinedNumber &number : predefinedNumbers)
        if (std::strcmp(number.name, name) == 0)
            return true;
    for (const KeyNameMapping *key = keyNameList; key->keyName; ++key)
        if (std::strcmp(key->keyName, name) == 0)
            return true;
    return false;
}

// Checks a registration and fills the next free row with it; SDL_FALSE, after one console line, when refused.
SDL_bool addGameSetting(const char *function, const char *name, Uint16 type, Uint16 numType, void *variable,
                        double defNumVal, const char *defStrVal)
{
    const char *refusal = nullptr;
    if (!name || !isAssignableName(name))
        refusal = "not a name a configuration script can assign";
    else if (isConfigurationVariable(name))
        refusal = "a configuration variable of that name exists already";
    else if (isPredefinedName(name))
        refusal = "the name is predefined in the configuration script";
    else if (!variable)
        refusal = "no variable to write to";
    else if (gameSettingsUsed == maxGameSettings)
        refusal = "no room for more game settings";
    else if (engineStarted())
        refusal = "the engine has started; a game registers its settings before runEngine";
    if (refusal) {
        Console::addString("ERROR: %s ('%.255s'): %s", function, name ? name : "", refusal);
        return SDL_FALSE;
    }
    ConfigEntry *entry = &gameSettings[gameSettingsUsed++];
    std::memset(entry, 0, sizeof *entry);
    zarvello::snprintf(255, entry->name, "%s", name);
    entry->type = type;
    entry->numType = numType;
    entry->variable = variable;
    entry->defNumVal = defNumVal;
    zarvello::snprintf(255, entry->defStrVal, "%s", defStrVal);
    return SDL_TRUE;
}

}  // namespace

SDL_bool registerNumberSetting(const char *name, double *variable, double defaultValue)
{
    return addGameSetting("registerNumberSetting", name, CONFIG_TNUMBER, numDOUBLE, variable, defaultValue, "");
}

SDL_bool registerTextSetting(const char *name, char *variable, Uint32 capacity, const char *defaultValue)
{
    if (variable && (capacity == 0 || capacity > 65535)) {
        Console::addString("ERROR: registerTextSetting ('%.255s'): the buffer must hold 1 to 65535 bytes, not %u",
                           name ? name : "", capacity);
        return SDL_FALSE;
    }
    return addGameSetting("registerTextSetting", name, CONFIG_TSTRING, static_cast<Uint16>(capacity), variable, 0,
                          defaultValue ? defaultValue : "");
}

SDL_bool registerOnOffSetting(const char *name, SDL_bool *variable, SDL_bool defaultValue)
{
    return addGameSetting("registerOnOffSetting", name, CONFIG_TNUMBER, numSDLBOOL, variable,
                          storedSetting(defaultValue), "");
}

SDL_bool registerKeySetting(const char *name, SDLKey *variable, SDLKey defaultValue)
{
    return addGameSetting("registerKeySetting", name, CONFIG_TNUMBER, numSDLKEY, variable,
                          storedSetting(defaultValue), "");
}

namespace {

bool runEngineBegun = false;

}  // namespace

void markEngineStarted()
{
    runEngineBegun = true;
}

bool engineStarted()
{
    return runEngineBegun;
}

void clearGameSettings()
{
    gameSettingsUsed = 0;
}

Uint32 gameSettingCount()
{
    return gameSettingsUsed;
}

const ConfigEntry *gameSetting(Uint32 index)
{
    return index < gameSettingsUsed ? &gameSettings[index] : nullptr;
}

const ConfigEntry *findGameSetting(const char *name)
{
    if (!name)
        return nullptr;
    for (Uint32 i = 0; i < gameSettingsUsed; ++i)
        if (std::strcmp(gameSettings[i].name, name) == 0)
            return &gameSettings[i];
    return nullptr;
}

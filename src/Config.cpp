// Configuration: the configuration table is sorted by name, every variable is reset to its default, and the
// script runs in a fresh interpreter whose "setglobal" tag method checks each assignment against the table
// and writes the converted value straight into the program's variable. The script's own global is never
// stored, so assigning again calls the tag method again.
#include "Config.h"
#include "ConfigScript.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "ConfigTable.h"
#include "Console.h"
#include "KeyMapping.h"
#include "LuaCompat.h"
#include "Utility.h"

using namespace lua4;

namespace {

int symbolCompFunc(const void *c1, const void *c2)
{
    return std::strcmp(static_cast<const char *>(c1), static_cast<const char *>(c2));
}

void initializeConfigTable()
{
    std::qsort(configTable, configTableSize, sizeof(ConfigEntry), symbolCompFunc);
    initializeWithDefaults();
}

void stringToVar(const ConfigEntry *entry, const char *string)
{
    char *destination = static_cast<char *>(entry->variable);
    std::strncpy(destination, string, entry->numType - 1);
    destination[entry->numType - 1] = '\0';
}

void numberToVar(const ConfigEntry *entry, double number)
{
    // Integer conversions truncate toward zero; numbers outside the target's range are clamped first, so the
    // conversion itself is always defined.
    double clamped = number != number ? 0.0 : number;
    if (clamped > 9.2e18)
        clamped = 9.2e18;
    if (clamped < -9.2e18)
        clamped = -9.2e18;
    Sint64 wide = static_cast<Sint64>(clamped);
    Uint32 low32 = static_cast<Uint32>(static_cast<Uint64>(wide));
    switch (entry->numType) {
    case numUINT8:
    case numSINT8:
        *static_cast<Uint8 *>(entry->variable) = static_cast<Uint8>(low32);
        break;
    case numUINT16:
    case numSINT16:
        *static_cast<Uint16 *>(entry->variable) = static_cast<Uint16>(low32);
        break;
    case numUINT32:
    case numSINT32:
    case numSDLKEY:
    case numSDLBOOL:
        // Any number is stored, also one that is no key code or neither on nor off; readers take these
        // settings through storedSetting.
        *static_cast<Uint32 *>(entry->variable) = low32;
        break;
    case numDOUBLE:
        *static_cast<double *>(entry->variable) = number;
        break;
    default:
        break;
    }
}

void defaultToVar(const ConfigEntry *entry)
{
    if (entry->type == CONFIG_TSTRING)
        stringToVar(entry, entry->defStrVal);
    else
        numberToVar(entry, entry->defNumVal);
}

// The shipped file's refusals are logged where they happen; a player's file is reported once, with its line.
bool reportRefusals = true;

int configTagMethod(lua_State *L)
{
    char buf[512];
    bool failed = false;
    try {
        const char *varName = lua_tostring(L, 1);
        int varType = lua_type(L, 3);

        ConfigEntry search;
        zarvello::snprintf(255, search.name, "%s", varName ? varName : "");
        // The name is compared whole: one holding a zero byte ("skin\0junk") is no variable of the table,
        // although its copy for the search ends at that byte.
        const bool wholeName = varName && std::strlen(varName) == lua_strlen(L, 1);
        const ConfigEntry *found = static_cast<const ConfigEntry *>(
            std::bsearch(&search, configTable, configTableSize, sizeof(ConfigEntry), symbolCompFunc));
        // A name the five do not have may be one of the game's own settings.
        if (!found)
            found = findGameSetting(search.name);
        if (!found || !wholeName) {
            zarvello::snprintf(511, buf, "Unknown configuration variable '%s'", search.name);
            failed = true;
        } else if (found->type != varType) {
            zarvello::snprintf(511, buf, "Expected a %s for '%s', but got a %s", lua_typename(L, found->type),
                               found->name, lua_typename(L, varType));
            failed = true;
        } else if (varType == LUA_TNUMBER) {
            numberToVar(found, lua_tonumber(L, 3));
        } else if (varType == LUA_TSTRING) {
            stringToVar(found, lua_tostring(L, 3));
        } else {
            lua_error(L, "Something horrific just happened. Call a witch doctor.");
        }
        if (failed && reportRefusals)
            Console::addString("%s", buf);
    } catch (const std::bad_alloc &) {
        // Only the interpreter's own error may leave the tag method.
        lua_error(L, "not enough memory");
    }
    if (failed)
        lua_error(L, buf);
    return 0;
}

// A fresh interpreter with the key names and "on", "off", "yes", "no" defined, then the tag method installed.
lua_State *openConfigInterpreter()
{
    lua_State *L = lua_open(0);
    if (!L)
        return nullptr;
    for (const KeyNameMapping *key = keyNameList; key->keyName; ++key) {
        lua_pushnumber(L, key->keyValue);
        lua_setglobal(L, key->keyName);
    }
    for (const PredefinedNumber &number : predefinedNumbers) {
        lua_pushnumber(L, number.value);
        lua_setglobal(L, number.name);
    }

    lua_pushcclosure(L, configTagMethod, 0);
    lua_settagmethod(L, LUA_TNIL, "setglobal");
    return L;
}

}  // namespace

void initializeWithDefaults()
{
    for (Uint32 i = 0; i < configTableSize; ++i)
        defaultToVar(&configTable[i]);
    for (Uint32 i = 0; i < gameSettingCount(); ++i)
        defaultToVar(gameSetting(i));
}

int runPlayerConfigScript(const char *configName)
{
    lua_State *L = openConfigInterpreter();
    if (!L)
        return LUA_ERRMEM;
    reportRefusals = false;
    int luaErr = lua_dofile(L, configName);
    reportRefusals = true;
    lua_close(L);
    return luaErr;
}

const char *configScriptError()
{
    return lastScriptError();
}

SDL_bool readConfigFile(const char *configName)
{
    SDL_bool retVal = SDL_TRUE;
    initializeConfigTable();

    lua_State *L = openConfigInterpreter();
    if (!L) {
        Console::addString("Error in configuration file!\n");
        return SDL_FALSE;
    }

    int luaErr = lua_dofile(L, configName);
    if (luaErr == LUA_ERRFILE) {
        Console::addString("Warning: Config file '%s' could not be opened", configName);
    } else if (luaErr != 0) {
        Console::addString("Error in configuration file!\n");
        retVal = SDL_FALSE;
    }
    lua_close(L);
    return retVal;
}

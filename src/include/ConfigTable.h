/// @file
/// A game uses it to read the configuration variables and to register settings of its own before start-up.
/// The configuration variables and the table that describes them: each row gives the variable's name in the
/// configuration script, the kind of value it takes, where it lives and its default. Beside the five, a game may
/// register settings of its own (a number, a text, an on/off switch, a key) before start-up; the script may then
/// assign them too, and the configuration writes the converted value into the game's variable. Every read of the
/// configuration first writes each default into its variable, the game's included.
/// Depends on: KeyMapping (the predefined key names), Console, Utility, SDL's key codes, EngineStarted.
#ifndef ZARVELLO_CONFIGTABLE_H
#define ZARVELLO_CONFIGTABLE_H

#include <SDL_keysym.h>
#include <SDL_types.h>

/// How a number row stores the script's number in its variable (integers truncate toward zero).
enum VarNumberType {
    numUINT8 = 0,
    numSINT8 = 1,
    numUINT16 = 2,
    numSINT16 = 3,
    numUINT32 = 4,
    numSINT32 = 5,
    numDOUBLE = 6,
    numSDLKEY = 7,
    numSDLBOOL = 8
};

/// Type codes of the values a row accepts, as the configuration language numbers them.
const Uint16 CONFIG_TNUMBER = 2;
/// The type code of a text row.
const Uint16 CONFIG_TSTRING = 3;

/// One row of the configuration table: a variable the script may assign.
struct ConfigEntry {
    /// The variable's name in the script, case-sensitive; the table is sorted by it.
    char name[256];
    Uint16 type;     ///< CONFIG_TNUMBER or CONFIG_TSTRING
    Uint16 numType;  ///< a VarNumberType for numbers; the destination's capacity in bytes for strings
    /// The program variable that receives the converted value.
    void *variable;
    /// The default of a text row (empty for numbers).
    char defStrVal[256];
    /// The default of a number row (0 for text).
    double defNumVal;
};

/// The 32 bits the configuration stored in an on/off or key setting. A script may store any number there, not
/// only a value of the variable's type (2 in "fullscreen", -1 in "keyQuit"), so the program reads the stored
/// number rather than loading a value outside the enumeration.
Uint32 storedSetting(const SDL_bool &setting);
/// The 32 bits the configuration stored in a key setting (see the on/off overload).
Uint32 storedSetting(const SDLKey &setting);

/// The configuration table: "displayConsole", "fullscreen", "keyQuit", "logConsole", "skin" once sorted.
extern ConfigEntry configTable[];
/// The number of rows of configTable (5).
extern const Uint32 configTableSize;

/// The key whose press ends the main loop ("keyQuit", default 27, Escape).
extern SDLKey keyQuit;
/// Full screen when SDL_TRUE, a window otherwise ("fullscreen", default on; "-fullscreen", "-windowed").
extern SDL_bool fullscreen;
/// Console lines are appended to "console.log" when SDL_TRUE ("logConsole", default off).
extern SDL_bool logConsole;
/// Console lines are echoed to standard error when SDL_TRUE ("displayConsole", default on).
extern SDL_bool displayConsole;
/// The skin loaded at start-up from "/gfx/skins/<name>.skin" ("skin", default "default").
extern char skinName[256];

/// A name every configuration script has predefined besides the key names, with its number.
struct PredefinedNumber {
    const char *name;  ///< the global's name in the script
    double value;      ///< the number it holds
};

/// "on" 1, "off" 0, "yes" 1, "no" 0, in the order the script gets them.
extern const PredefinedNumber predefinedNumbers[4];

/// The most game settings that can be registered at once.
const Uint32 maxGameSettings = 64;

/// Registers the game's number setting name (any number, stored as a double) with its default. SDL_FALSE, after
/// an "ERROR: " console line, when the name is taken by the five, a predefined name or an earlier registration,
/// is no name a script can assign, variable is null, maxGameSettings are registered already, or runEngine has
/// begun (a setting registered in setUp would never be read).
SDL_bool registerNumberSetting(const char *name, double *variable, double defaultValue);

/// Registers the game's text setting name: a script's text is cut to capacity - 1 bytes and terminated in
/// variable, a buffer of capacity bytes (1 to 65535); the default is cut to 255 characters. SDL_FALSE, after an
/// "ERROR: " console line, on the refusals of registerNumberSetting and on a capacity outside that range.
SDL_bool registerTextSetting(const char *name, char *variable, Uint32 capacity, const char *defaultValue);

/// Registers the game's on/off setting name (read it with storedSetting: 1 is on). SDL_FALSE, after an "ERROR: "
/// console line, on the refusals of registerNumberSetting.
SDL_bool registerOnOffSetting(const char *name, SDL_bool *variable, SDL_bool defaultValue);

/// Registers the game's key setting name, assigned a key name or code (read it with storedSetting). SDL_FALSE,
/// after an "ERROR: " console line, on the refusals of registerNumberSetting.
SDL_bool registerKeySetting(const char *name, SDLKey *variable, SDLKey defaultValue);

/// Forgets every game setting, so the script may assign the five alone again; the variables keep their values.
void clearGameSettings();

/// The number of game settings registered.
Uint32 gameSettingCount();

/// The row of game setting index, in the order of registration; null for an index at or above the count.
const ConfigEntry *gameSetting(Uint32 index);

/// The row of the game setting named name (exact, case-sensitive); null when the game registered none so named.
const ConfigEntry *findGameSetting(const char *name);

#endif

/// @file
/// The configuration variables and the table that describes them: each row gives the variable's name in the
/// configuration script, the kind of value it takes, where it lives and its default.
/// Depends on: SDL's key codes.
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

#endif

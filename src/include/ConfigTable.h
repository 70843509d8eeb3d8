/// @file
/// The configuration variables and the table that describes them: each row gives the variable's name in the
/// configuration script, the kind of value it takes, where it lives and its default.
/// Depends on: SDL's key codes.
#ifndef ZARVELLO_CONFIGTABLE_H
#define ZARVELLO_CONFIGTABLE_H

#include <SDL_keysym.h>
#include <SDL_types.h>

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
const Uint16 CONFIG_TSTRING = 3;

struct ConfigEntry {
    char name[256];
    Uint16 type;     ///< CONFIG_TNUMBER or CONFIG_TSTRING
    Uint16 numType;  ///< a VarNumberType for numbers; the destination's capacity in bytes for strings
    void *variable;
    char defStrVal[256];
    double defNumVal;
};

/// The 32 bits the configuration stored in an on/off or key setting. A script may store any number there, not
/// only a value of the variable's type (2 in "fullscreen", -1 in "keyQuit"), so the program reads the stored
/// number rather than loading a value outside the enumeration.
Uint32 storedSetting(const SDL_bool &setting);
Uint32 storedSetting(const SDLKey &setting);

extern ConfigEntry configTable[];
extern const Uint32 configTableSize;

extern SDLKey keyQuit;
extern SDL_bool fullscreen;
extern SDL_bool logConsole;
extern SDL_bool displayConsole;
extern char skinName[256];

#endif

/// @file
/// A game uses it to read the configuration script again or reset the settings to their defaults.
/// Configuration: runs "zarvello.conf", a script in which only the five configuration variables (and the settings
/// a game registered) may be assigned; every assignment is checked against the configuration table and written straight into the
/// program's variable.
/// Depends on: ConfigTable, KeyMapping, Console, Utility, the script interpreter (through LuaCompat), ConfigScript.
#ifndef ZARVELLO_CONFIG_H
#define ZARVELLO_CONFIG_H

#include <SDL_types.h>

/// Resets every variable to its default, then runs the script. SDL_FALSE when the script failed to parse or
/// run (after logging why); a file that cannot be opened is only a warning.
SDL_bool readConfigFile(const char *configName);

/// Writes every row's default into its variable, the game's settings included.
void initializeWithDefaults();

#endif

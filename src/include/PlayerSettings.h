/// @file
/// Player settings: the settings file a player owns. For a game that named itself (setGameName), the engine runs,
/// after the configuration file beside the program, the file of the same name in the player's settings folder
/// (~/.config/GAME/CONFIGFILE, CONFIGFILE being the configuration file's name); its assignments win, the command
/// line still comes last. When that file fails (an unknown name, a value of the wrong kind, a syntax error), every
/// setting keeps the value it had before the file ran, and one console line names the file, the line and the
/// reason. writePlayerSettings writes the settings in force back to that file, a script the engine reads back to
/// the same values.
///
///     stepSize = 12;                // the player changed it on the game's options screen
///     writePlayerSettings();        // ~/.config/walker/walker.conf now says "stepSize = 12"
///
/// Depends on: Config, ConfigTable, KeyMapping, PlayerData, Console, ConfigScript, SettingRows, Utility.
#ifndef ZARVELLO_PLAYERSETTINGS_H
#define ZARVELLO_PLAYERSETTINGS_H

#include <SDL_types.h>

/// Writes the values in force of the five configuration variables and of every game setting to the player's
/// settings file, replacing it whole (as savePlayerFile does). SDL_FALSE, after a console line, when the game has
/// no name or the file cannot be written (the old file is then intact).
SDL_bool writePlayerSettings();

/// The path of the player's settings file; null when the game has no name or HOME is needed and unset.
const char *playerSettingsFile();

/// Runs the player's settings file over the values in force, fileName being the configuration file's name (its
/// part after the last "/"); processConfigFile calls it after the configuration file. Without a game name, or
/// without the file, nothing happens. A failing file is reported, and every setting keeps its earlier value.
void readPlayerSettings(const char *fileName);

#endif

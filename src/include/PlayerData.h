/// @file
/// Player data: the folders a game keeps for its player, found by the XDG base directory rules once the game has
/// named itself (GAME below), and the game's saves in them. The settings folder is $XDG_CONFIG_HOME/GAME
/// (~/.config/GAME when the variable is unset, empty or relative), the data folder $XDG_DATA_HOME/GAME
/// (~/.local/share/GAME), the state folder $XDG_STATE_HOME/GAME (~/.local/state/GAME). A folder is made,
/// owner-only (0700), the first time something is written there (the state folder when the log moves there, at
/// start-up); a folder that is a link or belongs to someone else is not used.
///
///     setGameName("walker");                        // in main, before runEngine
///     savePlayerFile("hero", text, length);         // ~/.local/share/walker/hero, old or new, never a mix
///     Sint32 got = loadPlayerFile("hero", buffer, sizeof buffer);
///
/// A save is written to a temporary file in the same folder, flushed to the disk, renamed over the old file, and
/// the folder flushed: at every moment the file holds its old content or its new one. Without setGameName the
/// engine has no player folders and behaves as before.
/// Depends on: Console, Utility, FileReplace, ReplaySession (a replay reads the recorded files); POSIX file calls.
#ifndef ZARVELLO_PLAYERDATA_H
#define ZARVELLO_PLAYERDATA_H

#include <SDL_types.h>

/// The three folders of a player.
enum PlayerFolderKind {
    PLAYER_CONFIG = 0,  ///< settings: $XDG_CONFIG_HOME/GAME, ~/.config/GAME
    PLAYER_DATA = 1,    ///< saves: $XDG_DATA_HOME/GAME, ~/.local/share/GAME
    PLAYER_STATE = 2    ///< the log of an installed game: $XDG_STATE_HOME/GAME, ~/.local/state/GAME
};

/// Names the game (a plain folder name: not empty, not "." or "..", no "/", no control character, at most 64
/// bytes); call it in main before runEngine. SDL_FALSE, after an "ERROR: " console line, for any other name; the
/// earlier name (or none) then stays.
SDL_bool setGameName(const char *name);

/// The game's name; "" when the game has not named itself.
const char *gameName();

/// The path of the player's folder of kind, without making it; null when the game has no name or HOME is needed
/// and unset. The text belongs to the engine and holds until the next call.
const char *playerFolderPath(PlayerFolderKind kind);

/// The player's folder of kind, made (with every missing parent, owner-only) when missing; null, after a console
/// line, when the game has no name or the folder cannot be made or is a link or someone else's.
const char *playerFolder(PlayerFolderKind kind);

/// Saves size bytes as the file name in the player's data folder, replacing the old file whole (see above).
/// SDL_FALSE, after a console line, when the game has no name, name is no plain file name (empty, "." or "..",
/// holding "/" or a control character, longer than 255 bytes) or the write fails (the old file is then intact).
SDL_bool savePlayerFile(const char *name, const void *bytes, Uint32 size);

/// Reads the file name of the player's data folder into buffer (capacity bytes at most, below 2 GiB); returns the
/// number of bytes read. -1 without a console line when there is no such file; -1 after a console line when the
/// game has no name, name is refused as by savePlayerFile, the file is larger than capacity or cannot be read.
Sint32 loadPlayerFile(const char *name, void *buffer, Uint32 capacity);

/// Saves size bytes as the file name in the player's folder of kind, as savePlayerFile does for the data folder;
/// failures are reported in the name of function.
SDL_bool writePlayerFile(PlayerFolderKind kind, const char *name, const void *bytes, Uint32 size,
                         const char *function);

/// Where the console log goes for a named game whose run directory cannot be written: "console.log" in the
/// player's state folder (made if missing). Null when the game has no name, the run directory (or its
/// console.log) can be written, or the state folder cannot be used.
const char *playerLogFile();

#endif

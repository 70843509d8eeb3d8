/// @file
/// A game uses it to turn a key name of the configuration into SDL's key code.
/// The key names a configuration script may use ("KEY_ESCAPE", "KEY_q", ...) with SDL's key codes.
/// Depends on: nothing.
#ifndef ZARVELLO_KEYMAPPING_H
#define ZARVELLO_KEYMAPPING_H

#include <SDL_types.h>

/// One key name of the configuration script with its SDL key code.
struct KeyNameMapping {
    /// "KEY_" and SDL's name without "SDLK_" ("KEY_NOKEY" for code 0); null in the last row.
    const char *keyName;
    /// The SDL 1.2 key code.
    Uint32 keyValue;
};

/// 136 named rows followed by a row whose keyName is null.
extern const KeyNameMapping keyNameList[137];

#endif

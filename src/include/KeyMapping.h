/// @file
/// The key names a configuration script may use ("KEY_ESCAPE", "KEY_q", ...) with SDL's key codes.
/// Depends on: nothing.
#ifndef ZARVELLO_KEYMAPPING_H
#define ZARVELLO_KEYMAPPING_H

#include <SDL_types.h>

struct KeyNameMapping {
    const char *keyName;
    Uint32 keyValue;
};

/// 136 named rows followed by a row whose keyName is null.
extern const KeyNameMapping keyNameList[137];

#endif

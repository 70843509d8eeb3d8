// SettingRows: every setting of the run, the engine's five and the game's, with the size of the bytes each one
// stores. Private to the engine: the player's settings and a recorded session copy the values through it.
// Depends on: ConfigTable.
#ifndef ZARVELLO_SETTINGROWS_H
#define ZARVELLO_SETTINGROWS_H

#include <cstddef>
#include <vector>

#include "ConfigTable.h"

// Every row: the engine's five, then the game's in the order of registration.
std::vector<const ConfigEntry *> allSettings();

// The number of bytes the row's variable holds.
std::size_t storedSize(const ConfigEntry &entry);

#endif

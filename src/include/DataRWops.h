/// @file
/// DataRWops: a data file as an SDL_RWops, so that SDL's satellite libraries (SDL_mixer, SDL_image, SDL_ttf) and a
/// game's own code read data names exactly as the engine finds them: a loose file below a data path, or a member
/// of an archive. The RWops holds one of the data loader's handles until it is closed; it is read-only.
///
///     SDL_RWops *rw = openDataRWops("/gfx/title.png");
///     SDL_Surface *title = rw ? IMG_Load_RW(rw, 1) : NULL;   // 1: SDL_image closes it
///
/// Depends on: NFILoader, SDL's SDL_RWops.
#ifndef ZARVELLO_DATARWOPS_H
#define ZARVELLO_DATARWOPS_H

#include <SDL_rwops.h>
#include <SDL_types.h>

/// An SDL_RWops over the data file filename: SDL_RWseek (SEEK_SET, SEEK_CUR, SEEK_END; a position past the end is
/// accepted, one before the start fails with -1), SDL_RWtell, SDL_RWread (as many whole objects as are left; 0 at
/// the end, -1 when the file cannot be read), SDL_RWwrite (always -1) and SDL_RWclose, which releases the handle.
/// Null when the file is found nowhere or every handle is taken: SDL_GetError() then says so; nothing is logged.
SDL_RWops *openDataRWops(const char *filename);

/// The length in bytes of the file behind a RWops from openDataRWops, without moving its position; -1 for any
/// other RWops.
Sint32 dataRWopsSize(SDL_RWops *rw);

#endif

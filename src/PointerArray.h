// PointerArray: the arrays of pointers the engine grows in tracked memory (the font cache's fonts, a widget
// list's widgets), allocated and grown the one way.
// Depends on: Memory.
#ifndef ZARVELLO_POINTERARRAY_H
#define ZARVELLO_POINTERARRAY_H

#include <cstring>

#include <SDL_types.h>

#include "Memory.h"

// A tracked array of entries pointers, freed with mem_dealloc; null when it would pass 4 GiB or memory runs out.
template <typename T>
T **allocatePointers(Uint32 entries)
{
    const Uint64 bytes = static_cast<Uint64>(entries) * sizeof(T *);
    if (bytes > 0xFFFFFFFFu)
        return nullptr;
    return static_cast<T **>(mem_alloc(static_cast<unsigned int>(bytes)));
}

// Moves the first used pointers of list (which may be null when used is 0) into a fresh array of entries
// pointers; false, with list as it was, when that array cannot be had.
template <typename T>
bool growPointers(T **&list, Uint32 used, Uint32 entries)
{
    T **larger = allocatePointers<T>(entries);
    if (!larger)
        return false;
    if (used > 0)
        std::memcpy(larger, list, used * sizeof(T *));
    if (list)
        mem_dealloc(list);
    list = larger;
    return true;
}

#endif

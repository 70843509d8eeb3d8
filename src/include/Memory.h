/// @file
/// Tracked memory: every allocation the engine's own code makes goes through mem_alloc / mem_dealloc (and the
/// replaced global operators new and delete), which keep a running total of the bytes handed out, so that
/// shutdown can report what was left allocated.
/// Depends on: nothing but the C library.
#ifndef ZARVELLO_MEMORY_H
#define ZARVELLO_MEMORY_H

#include <SDL_types.h>

/// Returns a block of at least size bytes, aligned for any type; null when the system has no memory left.
void *mem_alloc(unsigned int size);

/// Frees a block that mem_alloc (or operator new) handed out; never given null.
void mem_dealloc(void *data);

/// The bytes currently handed out and not yet freed, counting requested sizes only.
Uint32 totalAllocatedMemory();

#endif

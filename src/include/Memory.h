/// @file
/// A game uses it for tracked allocations and to see how much memory is left allocated.
/// Tracked memory: every allocation the program's own code makes goes through mem_alloc / mem_dealloc (and the
/// replaced global operators new and delete), which keep a running total of the bytes handed out, so that
/// shutdown can report what was left allocated. What the platform libraries (SDL, the drivers it loads, X)
/// allocate through operator new is handed out and freed the same way but not counted.
/// Depends on: nothing but the C library.
#ifndef ZARVELLO_MEMORY_H
#define ZARVELLO_MEMORY_H

#include <SDL_types.h>

/// Returns a counted block of at least size bytes, aligned for any type; null when the system has no memory left.
void *mem_alloc(unsigned int size);

/// Frees a block that mem_alloc or operator new handed out, taking back what was counted for it; never given null.
void mem_dealloc(void *data);

/// The bytes the program's own code holds (requested sizes of counted blocks not yet freed), on every thread.
Uint32 totalAllocatedMemory();

#endif

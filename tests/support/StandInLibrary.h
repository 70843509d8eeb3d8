// StandInLibrary: a shared library that stands in, in the tracked-memory tests, for a platform library that
// the program loads, such as the C++ OpenGL driver SDL 2 loads: it allocates through the global operator new,
// through the C++ standard library's strings and on threads of its own, and frees what it is given.
// Depends on: the C++ standard library only; never on the engine.
#ifndef ZARVELLO_TESTS_STANDINLIBRARY_H
#define ZARVELLO_TESTS_STANDINLIBRARY_H

#include <cstddef>

extern "C" {

// A block of size bytes from operator new, asked for by the library's own code.
void *standInAllocate(std::size_t size);
// Frees a block from operator new, whoever asked for it.
void standInFree(void *block);
// A string the library made and grew to hold at least capacity characters; freed by standInFreeString.
void *standInGrowString(std::size_t capacity);
void standInFreeString(void *text);
// Allocates and frees blocks on each of threads threads of the library's own, rounds times each, and joins them.
void standInChurnOnThreads(int threads, int rounds);
// A block of size bytes that a thread of the library's own allocated; the caller frees it.
void *standInAllocateOnAThread(std::size_t size);
}

#endif

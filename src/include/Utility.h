/// @file
/// A game uses it for the bounded formatter, the run directory and the engine's safe file opening.
/// Path and text utilities: the bounded formatter, strdup on tracked memory, the run directory and the default
/// data directory, the last component of a path, the rectangle overlap test, the one way the engine and its
/// tools open a file (a regular file only, never waiting on it) and the start-up raise of the open-file limit.
/// Depends on: Memory, Console.
///
/// snprintf, vsnprintf and strdup share their names with the C library, so the engine's own live in the
/// namespace zarvello and are always called qualified: the C library's snprintf does not accept the engine's
/// argument order, and a copy made by the C library's strdup would be freed with mem_dealloc.
#ifndef ZARVELLO_UTILITY_H
#define ZARVELLO_UTILITY_H

#include <cstdarg>
#include <cstdio>

#include <SDL_types.h>
#include <SDL_video.h>

namespace zarvello {

/// Formats into buffer, keeping at most maxLen characters and a terminator (buffer holds maxLen + 1 bytes).
/// The formatted text is cut at 1024 characters before that.
void snprintf(int maxLen, char *buffer, const char *format, ...) __attribute__((format(printf, 3, 4)));
/// snprintf with the arguments as a va_list.
void vsnprintf(int maxLen, char *buffer, const char *format, va_list args);

/// A copy of str on tracked memory, freed with mem_dealloc; null when memory runs out.
char *strdup(const char *str);

}  // namespace zarvello

/// The directory holding the executable, absolute, without a trailing "/" ("." when it cannot be resolved).
/// The first call passes argv[0]; later calls may pass null and get the cached value. A call with null before
/// that answers "." and fixes nothing.
char *executablePath(const char *argv0);

/// Whether the run directory has been found (executablePath was given argv[0]).
SDL_bool runDirectoryKnown();

/// The run directory followed by "/data".
char *defaultDataPath(const char *argv0);

/// The part of path after its last "/", or path itself when there is none or nothing follows it.
char *fileComponentOfPath(char *path);
/// The same for a read-only path.
const char *fileComponentOfPath(const char *path);

/// Whether two rectangles share at least one pixel; rectangles that only touch do not.
SDL_bool rectsOverlap(const SDL_Rect *rect1, const SDL_Rect *rect2);

/// Opens path as a stream only when it is a regular file, never waiting on it; null with errno set otherwise
/// (EINVAL for a FIFO, terminal, directory or device). Mode "rb" reads, "wb" writes from empty, "a" appends; the
/// last two create a missing file.
std::FILE *openRegularFile(const char *path, const char *mode);

/// The reason for openRegularFile's failure with errno error: "not a regular file" or the system's text.
const char *openFailureReason(int error);

/// Raises the soft limit on open files to the hard limit (every accepted archive keeps a file open).
void raiseOpenFileLimit();

/// The soft limit on open files now.
Uint64 openFileLimit();

#endif

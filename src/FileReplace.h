// FileReplace: a file replaced whole, never half-written. The bytes go to a temporary file
// ".<name>.<pid>.<n>.tmp" made new in the same folder (no link followed), are flushed to the disk, the temporary
// file is renamed over the old one and the folder is flushed: a crash at any moment leaves the old content or the
// new one. Temporary files that a killed writer left behind are removed by the next write of the same name.
// Private to the engine: the player's saves and settings, recordings, screen checksums and screenshots use it.
// Depends on: POSIX file calls.
#ifndef ZARVELLO_FILEREPLACE_H
#define ZARVELLO_FILEREPLACE_H

#include <cstddef>

#include <sys/types.h>

// Replaces the file name in the open folder by size bytes, the new file made with mode (less the umask). false,
// with errno saying why, when anything fails; the old file is then untouched.
bool replaceFile(int folder, const char *name, const void *bytes, std::size_t size, mode_t mode);

// The same for a path: its folder ("." for a bare name) and its last component.
bool replaceFileAtPath(const char *path, const void *bytes, std::size_t size, mode_t mode);

#endif

// PngWriter: a surface as a PNG file, for screenshots a game keeps beside its replays (so they must be small),
// written by the engine itself without zlib or libpng. The file is 8-bit RGB, non-interlaced; each row takes
// the filter (none, sub, up, average, Paeth) whose output has the least sum of absolute values, and the rows
// are compressed with the engine's own deflate (LZ77 over a 32 KiB window with hash chains and one-step lazy
// matching, each block stored, fixed-Huffman or dynamic-Huffman, whichever is smallest).
// Depends on: SDL's surfaces, FileReplace.
#ifndef ZARVELLO_PNGWRITER_H
#define ZARVELLO_PNGWRITER_H

#include <SDL_video.h>
#include <string>
#include <vector>

// The surface's pixels (any SDL pixel format; 16-bit 5-6-5 above all) as a PNG file in memory: 8-bit RGB,
// non-interlaced, zlib-compressed. Each 5- or 6-bit channel is widened by repeating its top bits, as classic
// SDL 1.2's SDL_GetRGB does (sdl12-compat rounds instead), so a screen gives the same PNG on every SDL 1.2. A
// surface that needs locking is locked while it is read. Empty for a null or 0-sized surface, one that cannot be
// locked, or one too large for the writer (over 2 GiB of pixels).
std::vector<unsigned char> pngOfSurface(SDL_Surface *surface);

// Writes pngOfSurface(surface) to path (through a temporary file in the same folder, renamed into place).
// false, with reason set to one short phrase (strerror-like), when the file cannot be written (a partial file is
// removed).
bool writePngFile(const char *path, SDL_Surface *surface, std::string &reason);

#endif

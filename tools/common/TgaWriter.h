// TgaWriter: writes true-colour TGA 2.0 files (with the footer the engine's reader requires) for the data
// tools. 24-bit from RGB pixels, 32-bit from RGBA pixels; uncompressed or run-length encoded; rows stored top
// row first or bottom row first. Depends on nothing but the C++ library.
//
// Layout written: 18-byte header, pixel data (blue, green, red[, alpha] per pixel), then the 26-byte footer:
// extension offset 0, developer directory offset 0, "TRUEVISION-XFILE." and a zero byte.
#ifndef ZARVELLO_TGAWRITER_H
#define ZARVELLO_TGAWRITER_H

#include <cstdint>
#include <string>
#include <vector>

struct TgaWriteOptions {
    bool runLength = false;  // image type 10 instead of 2; packets never cross a row end
    bool bottomUp = false;   // bottom row stored first (descriptor bit 0x20 clear)
};

// The bytes of a TGA file holding width x height pixels of channels bytes each (3: red, green, blue; 4: red,
// green, blue, alpha), given top row first without gaps. Empty when the size or channel count cannot be
// stored (width and height at most 65535, channels 3 or 4).
std::vector<std::uint8_t> encodeTga(const std::uint8_t *pixels, unsigned width, unsigned height,
                                    unsigned channels, const TgaWriteOptions &options);

// Encodes as above and writes the file, which appears only when complete (an existing file stays as it was
// when writing fails). On failure returns false and sets error to a sentence for the user.
bool writeTga(const std::string &path, const std::uint8_t *pixels, unsigned width, unsigned height,
              unsigned channels, const TgaWriteOptions &options, std::string &error);

#endif

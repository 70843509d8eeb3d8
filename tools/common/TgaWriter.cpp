// TgaWriter: TGA 2.0 files for the data tools. Run-length packets are cut at row ends, as TGA 2.0 asks, so
// every reader of the format loads the files; runs of two or more equal pixels become run packets.
// Depends on: ToolFiles (the file appears only when complete).
#include "TgaWriter.h"

#include <cstring>

#include "ToolFiles.h"

namespace {

const unsigned maxPacket = 128;

void putWord(std::vector<std::uint8_t> &out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// Appends one pixel in file order: blue, green, red, then alpha for 4 channels.
void putPixel(std::vector<std::uint8_t> &out, const std::uint8_t *pixel, unsigned channels)
{
    out.push_back(pixel[2]);
    out.push_back(pixel[1]);
    out.push_back(pixel[0]);
    if (channels == 4)
        out.push_back(pixel[3]);
}

bool samePixel(const std::uint8_t *a, const std::uint8_t *b, unsigned channels)
{
    return std::memcmp(a, b, channels) == 0;
}

void encodeRowRunLength(std::vector<std::uint8_t> &out, const std::uint8_t *row, unsigned width,
                        unsigned channels)
{
    unsigned x = 0;
    while (x < width) {
        const std::uint8_t *pixel = row + x * channels;
        unsigned run = 1;
        while (x + run < width && run < maxPacket && samePixel(pixel, pixel + run * channels, channels))
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            putPixel(out, pixel, channels);
            x += run;
            continue;
        }
        // A raw packet runs until the next pair of equal pixels, which starts a run packet instead.
        unsigned count = 1;
        while (x + count < width && count < maxPacket &&
               !(x + count + 1 < width &&
                 samePixel(row + (x + count) * channels, row + (x + count + 1) * channels, channels)))
            ++count;
        out.push_back(static_cast<std::uint8_t>(count - 1));
        for (unsigned i = 0; i < count; ++i)
            putPixel(out, row + (x + i) * channels, channels);
        x += count;
    }
}

}  // namespace

std::vector<std::uint8_t> encodeTga(const std::uint8_t *pixels, unsigned width, unsigned height,
                                    unsigned channels, const TgaWriteOptions &options)
{
    std::vector<std::uint8_t> out;
    if (width > 0xFFFF || height > 0xFFFF || (channels != 3 && channels != 4))
        return out;

    out.reserve(18 + static_cast<std::size_t>(width) * height * channels + 26);
    out.push_back(0);                             // no image ID
    out.push_back(0);                             // no colour map
    out.push_back(options.runLength ? 10 : 2);    // true-colour, run-length encoded or not
    putWord(out, 0);                              // colour map start, length, depth
    putWord(out, 0);
    out.push_back(0);
    putWord(out, 0);                              // x and y origin
    putWord(out, 0);
    putWord(out, width);
    putWord(out, height);
    out.push_back(static_cast<std::uint8_t>(channels * 8));
    // Bits 0-3 count the alpha bits of a pixel; bit 5 marks the top row first.
    out.push_back(static_cast<std::uint8_t>((channels == 4 ? 8 : 0) | (options.bottomUp ? 0 : 0x20)));

    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    for (unsigned i = 0; i < height; ++i) {
        const unsigned y = options.bottomUp ? height - 1 - i : i;
        const std::uint8_t *row = pixels + y * rowBytes;
        if (options.runLength) {
            encodeRowRunLength(out, row, width, channels);
        } else {
            for (unsigned x = 0; x < width; ++x)
                putPixel(out, row + x * channels, channels);
        }
    }

    for (int i = 0; i < 8; ++i)                   // no extension area, no developer directory
        out.push_back(0);
    static const char signature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + sizeof signature);  // 17 characters and the zero byte
    return out;
}

bool writeTga(const std::string &path, const std::uint8_t *pixels, unsigned width, unsigned height,
              unsigned channels, const TgaWriteOptions &options, std::string &error)
{
    if (width > 0xFFFF || height > 0xFFFF) {
        error = "a TGA image is at most 65535 x 65535 pixels";
        return false;
    }
    if (channels != 3 && channels != 4) {
        error = "a TGA image needs 3 or 4 channels";
        return false;
    }
    const std::vector<std::uint8_t> bytes = encodeTga(pixels, width, height, channels, options);
    tool::OutputFile file;
    if (!file.open(path)) {
        error = "cannot create '" + path + "': " + file.reason();
        return false;
    }
    if (!file.write(bytes.data(), bytes.size()) || !file.commit()) {
        error = "cannot write '" + path + "': " + file.reason();
        return false;
    }
    return true;
}

// Test-side image writers: TGA files assembled field by field, so that a test can set or break any field,
// and headerless RAW files. Also a small 24-bit BMP writer, an input format the image tool reads and the
// engine does not. Depends on nothing of the engine.
#ifndef ZARVELLO_TESTS_IMAGEWRITERS_H
#define ZARVELLO_TESTS_IMAGEWRITERS_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

enum TgaSignature {
    TGA_SIGNATURE_DOT,     // "TRUEVISION-XFILE." and a zero byte
    TGA_SIGNATURE_NO_DOT,  // "TRUEVISION-XFILE", a zero byte and a free 18th byte
    TGA_SIGNATURE_NONE     // a version 1 file: no footer at all
};

// Every field of a TGA file; the defaults make a 24-bit, uncompressed, top-row-first image.
struct TgaFile {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 2;
    std::uint16_t cMapStart = 0;
    std::uint16_t cMapLength = 0;
    std::uint8_t cMapPixelDepth = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixelDepth = 24;
    std::uint8_t imageDescriptor = 0x20;
    Bytes imageId;  // written after the header, whatever idLength says
    Bytes data;     // pixel data exactly as stored in the file
    TgaSignature signature = TGA_SIGNATURE_DOT;
    std::uint8_t freeSignatureByte = 0;  // the 18th signature byte of TGA_SIGNATURE_NO_DOT
};

inline void appendWord(Bytes &out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline Bytes tgaBytes(const TgaFile &tga)
{
    Bytes out;
    out.push_back(tga.idLength);
    out.push_back(tga.colorMapType);
    out.push_back(tga.imageType);
    appendWord(out, tga.cMapStart);
    appendWord(out, tga.cMapLength);
    out.push_back(tga.cMapPixelDepth);
    appendWord(out, 0);
    appendWord(out, 0);
    appendWord(out, tga.width);
    appendWord(out, tga.height);
    out.push_back(tga.pixelDepth);
    out.push_back(tga.imageDescriptor);
    out.insert(out.end(), tga.imageId.begin(), tga.imageId.end());
    out.insert(out.end(), tga.data.begin(), tga.data.end());
    if (tga.signature == TGA_SIGNATURE_NONE)
        return out;
    for (int i = 0; i < 8; ++i)
        out.push_back(0);
    const std::string text = tga.signature == TGA_SIGNATURE_DOT ? "TRUEVISION-XFILE." : "TRUEVISION-XFILE";
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    if (tga.signature == TGA_SIGNATURE_NO_DOT)
        out.push_back(tga.freeSignatureByte);
    return out;
}

// Stored pixel data (blue, green, red) of RGB pixels given red, green, blue.
inline Bytes bgrFromRgb(const Bytes &rgb)
{
    Bytes out(rgb.size());
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        out[i] = rgb[i + 2];
        out[i + 1] = rgb[i + 1];
        out[i + 2] = rgb[i];
    }
    return out;
}

// A 24-bit uncompressed TGA 2.0 file of RGB pixels given top row first.
inline TgaFile tgaFromRgb(std::uint16_t width, std::uint16_t height, const Bytes &rgb)
{
    TgaFile tga;
    tga.width = width;
    tga.height = height;
    tga.data = bgrFromRgb(rgb);
    return tga;
}

// Pixel data as a TGA file stores it: blue, green, red (and an alpha byte when pixelSize is 4), bottom row
// first when bottomUp, of RGB pixels given top row first.
inline Bytes storedPixels(const Bytes &rgb, unsigned width, unsigned height, unsigned pixelSize, bool bottomUp)
{
    Bytes out;
    for (unsigned i = 0; i < height; ++i) {
        const unsigned y = bottomUp ? height - 1 - i : i;
        for (unsigned x = 0; x < width; ++x) {
            const std::uint8_t *p = &rgb[(y * width + x) * 3];
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (pixelSize == 4)
                out.push_back(static_cast<std::uint8_t>(x ^ y));
        }
    }
    return out;
}

// Run-length packets of stored pixels that run on across row ends: two or more equal pixels make a run
// packet, anything else raw packets, each of at most 128 pixels.
inline Bytes runLengthPackets(const Bytes &stored, unsigned pixelSize)
{
    Bytes out;
    const std::size_t count = stored.size() / pixelSize;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::equal(stored.begin() + a * pixelSize, stored.begin() + (a + 1) * pixelSize,
                          stored.begin() + b * pixelSize);
    };
    std::size_t i = 0;
    while (i < count) {
        std::size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run))
            ++run;
        if (run > 1) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), stored.begin() + i * pixelSize, stored.begin() + (i + 1) * pixelSize);
            i += run;
            continue;
        }
        std::size_t raw = 1;
        while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1)))
            ++raw;
        out.push_back(static_cast<std::uint8_t>(raw - 1));
        out.insert(out.end(), stored.begin() + i * pixelSize, stored.begin() + (i + raw) * pixelSize);
        i += raw;
    }
    return out;
}

// RGB pixels whose every channel takes many values: pixel (x, y) differs from its neighbours in each channel.
inline Bytes patternRgb(unsigned width, unsigned height)
{
    Bytes out;
    out.reserve(width * height * 3);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            out.push_back(static_cast<std::uint8_t>(x + 37 * y));
            out.push_back(static_cast<std::uint8_t>(3 * x + 11 * y + 5));
            out.push_back(static_cast<std::uint8_t>(255 - x + 101 * y));
        }
    return out;
}

// A 24-bit BMP file, bottom row first with rows padded to 4 bytes, of RGB pixels given top row first.
inline Bytes bmpBytes(unsigned width, unsigned height, const Bytes &rgb)
{
    const unsigned rowBytes = (width * 3 + 3) & ~3u;
    const unsigned dataBytes = rowBytes * height;
    Bytes out;
    auto put32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    out.push_back('B');
    out.push_back('M');
    put32(14 + 40 + dataBytes);
    put32(0);
    put32(14 + 40);
    put32(40);
    put32(width);
    put32(height);
    appendWord(out, 1);
    appendWord(out, 24);
    put32(0);
    put32(dataBytes);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (unsigned i = 0; i < height; ++i) {
        const unsigned y = height - 1 - i;
        for (unsigned x = 0; x < width; ++x) {
            const std::uint8_t *p = &rgb[(y * width + x) * 3];
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (unsigned pad = width * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return out;
}

inline bool writeBytes(const std::string &path, const Bytes &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

inline bool writeTga(const std::string &path, const TgaFile &tga) { return writeBytes(path, tgaBytes(tga)); }

// A RAW file is the RGB pixels and nothing else; extra bytes after them stand for trailing junk.
inline bool writeRaw(const std::string &path, const Bytes &rgb, const Bytes &trailing = Bytes())
{
    Bytes bytes = rgb;
    bytes.insert(bytes.end(), trailing.begin(), trailing.end());
    return writeBytes(path, bytes);
}

inline Bytes readBytes(const std::string &path)
{
    Bytes out;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return out;
    std::uint8_t block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        out.insert(out.end(), block, block + got);
    std::fclose(file);
    return out;
}

#endif

// PngWriter tests: every written file is decoded with stb_image and compared pixel for pixel with what the
// surface holds (each channel widened by repeating its top bits): colour extremes at odd sizes, long runs,
// incompressible noise, 16-bit 5-6-5, 32-bit, 8-bit palette and run-length accelerated surfaces, sizes from
// 1 x 1 to 2048 x 2048; the chunks' CRC-32 and the stream's Adler-32 are checked by the file's own rules;
// writePngFile's failures.
// Depends on: PngWriter, stb_image (decoding only), SDL, GoogleTest.
#include "PngWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <SDL.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "TestSupport.h"

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface *s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Surface rgb565(int w, int h)
{
    return Surface(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0));
}

Surface rgb888(int w, int h)
{
    return Surface(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0));
}

Uint32 getPixel(SDL_Surface *s, int x, int y)
{
    const Uint8 *p = static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 1: return *p;
    case 2: return *reinterpret_cast<const Uint16 *>(p);
    default: return *reinterpret_cast<const Uint32 *>(p);
    }
}

void setPixel(SDL_Surface *s, int x, int y, Uint32 value)
{
    Uint8 *p = static_cast<Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 1: *p = Uint8(value); break;
    case 2: *reinterpret_cast<Uint16 *>(p) = Uint16(value); break;
    default: *reinterpret_cast<Uint32 *>(p) = value; break;
    }
}

uint32_t bigEndian(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint32_t referenceCrc(const unsigned char *p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Walks the chunks: each CRC must match, and the file must be IHDR, IDATs, IEND. Gives the IDAT bytes joined.
std::vector<unsigned char> checkedZlibStream(const std::vector<unsigned char> &png)
{
    std::vector<unsigned char> zlib;
    const unsigned char signature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    EXPECT_TRUE(png.size() > 8 && std::equal(signature, signature + 8, png.begin()));
    std::vector<std::string> types;
    for (size_t at = 8; at + 12 <= png.size();) {
        uint32_t length = bigEndian(&png[at]);
        if (at + 12 + length > png.size()) {
            ADD_FAILURE() << "chunk runs past the end";
            break;
        }
        types.emplace_back(reinterpret_cast<const char *>(&png[at + 4]), 4);
        EXPECT_EQ(bigEndian(&png[at + 8 + length]), referenceCrc(&png[at + 4], length + 4)) << types.back();
        if (types.back() == "IDAT")
            zlib.insert(zlib.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
        at += 12 + length;
    }
    EXPECT_GE(types.size(), 3u);
    EXPECT_EQ(types.front(), "IHDR");
    EXPECT_EQ(types.back(), "IEND");
    return zlib;
}

// Checks the chunks and the zlib stream (header, inflated size, Adler-32 of the inflated rows), then decodes
// the PNG with stb_image and compares every pixel with the surface's: each channel widened to 8 bits by
// repeating its top bits (SDL_GetRGB of the palette for a palette surface). The widening is the writer's own,
// since the SDL 1.2 libraries widen differently.
Uint8 widened(Uint32 pixel, Uint32 mask, Uint8 shift, Uint8 loss)
{
    const int bits = 8 - loss;
    const Uint32 value = (pixel & mask) >> shift;
    Uint32 wide = 0;
    for (int at = 8 - bits; at > -bits; at -= bits)
        wide |= at >= 0 ? value << at : value >> -at;
    return Uint8(wide);
}

void expectSamePixels(SDL_Surface *surface, const std::vector<unsigned char> &png)
{
    ASSERT_FALSE(png.empty());
    std::vector<unsigned char> zlib = checkedZlibStream(png);
    ASSERT_GE(zlib.size(), 6u);
    EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
    // The inflated rows (filter byte plus 3 bytes a pixel) and their Adler-32 at the end of the stream.
    const size_t rawSize = (size_t(surface->w) * 3 + 1) * size_t(surface->h);
    std::vector<char> raw(rawSize + 1);
    const char *deflated = reinterpret_cast<const char *>(zlib.data() + 2);
    int inflated = stbi_zlib_decode_noheader_buffer(raw.data(), int(raw.size()), deflated, int(zlib.size() - 2));
    ASSERT_EQ(inflated, int(rawSize)) << "deflate stream does not inflate to the rows";
    uint32_t a = 1, b = 0;
    for (size_t i = 0; i < rawSize; ++i) {
        a = (a + static_cast<unsigned char>(raw[i])) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(bigEndian(&zlib[zlib.size() - 4]), b << 16 | a) << "Adler-32";

    int w = 0, h = 0, channels = 0;
    stbi_uc *decoded = stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &channels, 3);
    ASSERT_NE(decoded, nullptr) << stbi_failure_reason();
    EXPECT_EQ(channels, 3);
    ASSERT_EQ(w, surface->w);
    ASSERT_EQ(h, surface->h);
    int mismatches = 0;
    for (int y = 0; y < h && mismatches < 5; ++y)
        for (int x = 0; x < w && mismatches < 5; ++x) {
            Uint8 r, g, bl;
            const Uint32 pixel = getPixel(surface, x, y);
            const SDL_PixelFormat *f = surface->format;
            if (f->palette) {
                SDL_GetRGB(pixel, surface->format, &r, &g, &bl);
            } else {
                r = widened(pixel, f->Rmask, f->Rshift, f->Rloss);
                g = widened(pixel, f->Gmask, f->Gshift, f->Gloss);
                bl = widened(pixel, f->Bmask, f->Bshift, f->Bloss);
            }
            const stbi_uc *p = decoded + (size_t(y) * w + x) * 3;
            if (p[0] != r || p[1] != g || p[2] != bl) {
                ++mismatches;
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << int(p[0]) << " " << int(p[1]) << " "
                              << int(p[2]) << ", expected " << int(r) << " " << int(g) << " " << int(bl);
            }
        }
    stbi_image_free(decoded);
}

void fillNoise(SDL_Surface *s, unsigned seed)
{
    std::mt19937 random(seed);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            setPixel(s, x, y, Uint32(random()));
}

}  // namespace

TEST(PngWriter, OddSizedImageKeepsEveryColourExtreme)
{
    for (auto make : {rgb565, rgb888}) {
        Surface s = make(7, 5);
        const Uint8 levels[] = {0, 1, 7, 8, 127, 128, 248, 252, 255};
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x) {
                int i = y * s->w + x;
                setPixel(s.get(), x, y, SDL_MapRGB(s->format, levels[i % 9], levels[(i / 9) % 9], levels[(i / 3) % 9]));
            }
        setPixel(s.get(), 0, 0, SDL_MapRGB(s->format, 255, 255, 255));
        setPixel(s.get(), 6, 4, SDL_MapRGB(s->format, 0, 0, 0));
        setPixel(s.get(), 1, 0, SDL_MapRGB(s->format, 255, 0, 0));
        setPixel(s.get(), 2, 0, SDL_MapRGB(s->format, 0, 255, 0));
        setPixel(s.get(), 3, 0, SDL_MapRGB(s->format, 0, 0, 255));
        expectSamePixels(s.get(), pngOfSurface(s.get()));
    }
}

TEST(PngWriter, FiveSixFiveChannelsWidenAsSdlShowsThem)
{
    Surface s = rgb565(64, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            setPixel(s.get(), x, y, Uint32((x & 31) << 11 | x << 5 | (y & 31)));
    std::vector<unsigned char> png = pngOfSurface(s.get());
    expectSamePixels(s.get(), png);
    int w, h, c;
    stbi_uc *decoded = stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &c, 3);
    ASSERT_NE(decoded, nullptr);
    // Full-scale 5- and 6-bit values come out as 255, and 1 as 8 (red) and 4 (green): top bits repeated.
    EXPECT_EQ(decoded[(31 * 64 + 31) * 3], 255);
    EXPECT_EQ(decoded[(31 * 64 + 63) * 3 + 1], 255);
    EXPECT_EQ(decoded[(1 * 64 + 1) * 3], 8);
    EXPECT_EQ(decoded[(1 * 64 + 1) * 3 + 1], 4);
    stbi_image_free(decoded);
}

TEST(PngWriter, LongRunsCompressToAFewBytes)
{
    Surface s = rgb565(1024, 768);
    SDL_FillRect(s.get(), nullptr, SDL_MapRGB(s->format, 40, 80, 120));
    SDL_Rect stripe = {0, 300, 1024, 20};
    SDL_FillRect(s.get(), &stripe, SDL_MapRGB(s->format, 255, 255, 0));
    std::vector<unsigned char> png = pngOfSurface(s.get());
    expectSamePixels(s.get(), png);
    EXPECT_LT(png.size(), 8000u) << "2.3 MB of rows in a few runs";
}

TEST(PngWriter, IncompressibleNoiseStillDecodes)
{
    Surface big = rgb888(300, 200);
    fillNoise(big.get(), 1);
    std::vector<unsigned char> png = pngOfSurface(big.get());
    expectSamePixels(big.get(), png);
    EXPECT_LT(png.size(), size_t(300 * 200 * 3 + 300 * 200 * 3 / 100 + 200)) << "stored blocks cost little";
    for (auto make : {rgb565, rgb888})
        for (int side : {1, 2, 3, 17}) {
            Surface s = make(side, side / 2 + 1);
    (s.get(), unsigned(side));
            expectSamePixels(s.get(), pngOfSurface(s.get()));
        }
}

TEST(PngWriter, NoiseMixedWithRunsUsesEveryKindOfBlock)
{
    // Rows of noise between plain rows: the blocks alternate between stored, fixed and dynamic codes.
    Surface s = rgb565(513, 257);
    fillNoise(s.get(), 7);
    for (int y = 0; y < s->h; y += 3) {
        SDL_Rect row = {0, Sint16(y), Uint16(s->w), 1};
        SDL_FillRect(s.get(), &row, Uint32(y * 97));
    }
    expectSamePixels(s.get(), pngOfSurface(s.get()));
}

TEST(PngWriter, EverySizeFromOnePixelToTheLargestScreenDecodes)
{
    for (int side : {1, 2, 3, 15, 16, 255, 2048}) {
        for (int other : {1, 7}) {
            Surface s = rgb565(side, other);
            fillNoise(s.get(), unsigned(side));
            expectSamePixels(s.get(), pngOfSurface(s.get()));
            Surface t = rgb565(other, side);
            fillNoise(t.get(), unsigned(side + 1));
            expectSamePixels(t.get(), pngOfSurface(t.get()));
        }
    }
    Surface screen = rgb565(2048, 2048);
    for (int y = 0; y < 2048; ++y)
        for (int x = 0; x < 2048; ++x)
            setPixel(screen.get(), x, y, Uint32((x / 16 + y / 16) % 7 * 4000 + ((x * y) % 29 == 0 ? x : 0)));
    expectSamePixels(screen.get(), pngOfSurface(screen.get()));
}

TEST(PngWriter, PaletteSurfaceComesOutInItsColours)
{
    Surface s(SDL_CreateRGBSurface(SDL_SWSURFACE, 16, 16, 8, 0, 0, 0, 0));
    ASSERT_TRUE(s);
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {Uint8(i), Uint8(255 - i), Uint8(i * 7), 0};
    SDL_SetColors(s.get(), colours, 0, 256);
    for (int i = 0; i < 256; ++i)
        setPixel(s.get(), i % 16, i / 16, Uint32(i));
    expectSamePixels(s.get(), pngOfSurface(s.get()));
}

TEST(PngWriter, RunLengthAcceleratedSurfaceIsLockedWhileRead)
{
    Surface s = rgb565(40, 24);
    fillNoise(s.get(), 11);
    SDL_Rect hole = {5, 5, 20, 10};
    SDL_FillRect(s.get(), &hole, 0xF81F);
    Surface before(SDL_ConvertSurface(s.get(), s->format, SDL_SWSURFACE));
    ASSERT_TRUE(before);
    // The colour-keyed surface is run-length encoded by its first blit; reading it needs a lock from then on.
    SDL_SetColorKey(s.get(), SDL_SRCCOLORKEY | SDL_RLEACCEL, 0xF81F);
    Surface target = rgb565(40, 24);
    SDL_BlitSurface(s.get(), nullptr, target.get(), nullptr);
    std::vector<unsigned char> png = pngOfSurface(s.get());
    EXPECT_EQ(png, pngOfSurface(before.get()));
    expectSamePixels(before.get(), png);
}

TEST(PngWriter, NothingToWriteGivesAnEmptyFile)
{
    EXPECT_TRUE(pngOfSurface(nullptr).empty());
    Surface none = rgb565(0, 0);
    if (none) {
        EXPECT_TRUE(pngOfSurface(none.get()).empty());
    }
    std::string reason;
    EXPECT_FALSE(writePngFile("/tmp/never-written.png", nullptr, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(std::filesystem::exists("/tmp/never-written.png"));
}

TEST(PngWriter, WritesTheFileAndReportsWhyItCannot)
{
    std::string folder = makeScratchDirectory("png");
    ASSERT_FALSE(folder.empty());
    Surface s = rgb565(40, 30);
    fillNoise(s.get(), 3);
    std::string reason;
    const std::string path = folder + "/shot.png";
    ASSERT_TRUE(writePngFile(path.c_str(), s.get(), reason)) << reason;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, pngOfSurface(s.get()));
    expectSamePixels(s.get(), bytes);

    // Overwrites an older file; no temporary file stays behind.
    SDL_FillRect(s.get(), nullptr, 0);
    ASSERT_TRUE(writePngFile(path.c_str(), s.get(), reason)) << reason;
    expectSamePixels(s.get(), pngOfSurface(s.get()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);

    EXPECT_FALSE(writePngFile((folder + "/missing/shot.png").c_str(), s.get(), reason));
    EXPECT_EQ(reason, "No such file or directory");
    if (geteuid() != 0) {
        chmod(folder.c_str(), 0500);
        EXPECT_FALSE(writePngFile((folder + "/other.png").c_str(), s.get(), reason));
        EXPECT_EQ(reason, "Permission denied");
        chmod(folder.c_str(), 0700);
    }
    EXPECT_FALSE(writePngFile("/dev/full/x.png", s.get(), reason));
    std::filesystem::remove_all(folder);
}

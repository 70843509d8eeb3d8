// Run-length TGA decoding: an image decodes to exactly the pixels of the same image stored uncompressed, into
// the RGB buffer and into surfaces whose every pixel is SDL_MapRGB of the file's colour, in every 16-bit screen
// layout and for both vertical origins. Packets of every length from 1 to 128, runs and raw, cross row ends,
// and the last one runs past the image's end.
// Depends on: TgaLoader, ImageLoader, GraphicSurface, the image test fixtures.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include <SDL.h>

#include "GraphicSurface.h"
#include "ImageLoader.h"
#include "ImageTestSupport.h"
#include "TgaLoader.h"
#include "Video.h"

namespace {

const std::uint16_t imageWidth = 301;
const std::uint16_t imageHeight = 9;

// An image as stored (blue, green, red[, alpha] per pixel, top row first) together with its run-length
// encoding: packets of length 1, 2, ... 128, 1, ..., alternately runs and raw, so that runs of every length
// and both kinds of packet cross row ends; the last packet reaches 5 pixels past the image's end.
struct EncodedImage {
    Bytes stored;
    Bytes runLength;
};

// Appends one packet of length pixels, a run or raw, in fresh random colours to the encoding, and the first kept
// of its pixels to the stored image.
void appendPacket(EncodedImage &image, std::mt19937 &random, unsigned pixelSize, bool run, unsigned length,
                  unsigned kept)
{
    image.runLength.push_back(static_cast<std::uint8_t>((run ? 0x80 : 0) | (length - 1)));
    std::vector<std::uint8_t> pixel(pixelSize);
    for (unsigned i = 0; i < length; ++i) {
        if (!run || i == 0) {
            for (auto &byte : pixel)
                byte = static_cast<std::uint8_t>(random());
            image.runLength.insert(image.runLength.end(), pixel.begin(), pixel.end());
        }
        if (i < kept)
            image.stored.insert(image.stored.end(), pixel.begin(), pixel.end());
    }
}

EncodedImage encode(unsigned pixelSize)
{
    std::mt19937 random(7);
    EncodedImage image;
    const unsigned pixels = imageWidth * imageHeight;
    unsigned done = 0;
    for (unsigned packet = 0; done < pixels; ++packet) {
        const unsigned length = packet % 128 + 1;
        const unsigned kept = length < pixels - done ? length : pixels - done;
        const unsigned written = kept < length ? (kept + 5 < 128 ? kept + 5 : 128) : length;
        const bool run = packet % 2 == 0;
        appendPacket(image, random, pixelSize, run, written, kept);
        done += kept;
    }
    return image;
}

TgaFile tgaOf(const Bytes &data, bool runLength, unsigned pixelSize)
{
    TgaFile tga;
    tga.imageType = runLength ? 10 : 2;
    tga.width = imageWidth;
    tga.height = imageHeight;
    tga.pixelDepth = static_cast<std::uint8_t>(pixelSize * 8);
    tga.imageDescriptor = 0x20;
    tga.data = data;
    return tga;
}

class TgaRunLength : public ImageDisplayTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(TgaRunLength, DecodesToTheSamePixelsAsTheUncompressedImage)
{
    const unsigned pixelSize = GetParam();
    const EncodedImage image = encode(pixelSize);
    put("/plain.tga", tgaOf(image.stored, false, pixelSize));
    put("/packed.tga", tgaOf(image.runLength, true, pixelSize));

    Uint16 plainWidth = 0, plainHeight = 0, packedWidth = 0, packedHeight = 0;
    Uint8 *plain = targaImageFromFile("/plain.tga", plainWidth, plainHeight);
    Uint8 *packed = targaImageFromFile("/packed.tga", packedWidth, packedHeight);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(packedWidth, imageWidth);
    EXPECT_EQ(packedHeight, imageHeight);
    const size_t size = static_cast<size_t>(imageWidth) * imageHeight * 3;
    EXPECT_EQ(std::vector<Uint8>(packed, packed + size), std::vector<Uint8>(plain, plain + size));
    delete[] plain;
    delete[] packed;
}

TEST_P(TgaRunLength, LoadsEveryPixelAsMapRgbOfItsColour)
{
    const unsigned pixelSize = GetParam();
    const EncodedImage image = encode(pixelSize);
    put("/packed.tga", tgaOf(image.runLength, true, pixelSize));

    GraphicSurface *loaded = loadImage("/packed.tga", 0, 0);
    ASSERT_NE(loaded, nullptr);
    loaded->retain();
    SDL_Surface *surface = loaded->getSurface();
    ASSERT_EQ(surface->w, imageWidth);
    ASSERT_EQ(surface->h, imageHeight);
    int differing = 0;
    for (int y = 0; y < imageHeight; ++y) {
        const Uint16 *row = reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < imageWidth; ++x) {
            const std::uint8_t *stored = &image.stored[(static_cast<size_t>(y) * imageWidth + x) * pixelSize];
            differing += row[x] != SDL_MapRGB(screen->format, stored[2], stored[1], stored[0]);
        }
    }
    EXPECT_EQ(differing, 0);
    loaded->release();
}

INSTANTIATE_TEST_SUITE_P(PixelSizes, TgaRunLength, ::testing::Values(3u, 4u),
                         [](const ::testing::TestParamInfo<unsigned> &info) {
                             return info.param == 3 ? std::string("Bits24") : std::string("Bits32");
                         });

// An image whose packets of every length from 1 to 128, runs and raw, each cross a row end: each is placed to
// start either in the middle of its last row or one pixel before a row end (a filler raw packet gets it there),
// so runs longer than a row cover whole rows in between. A last run starts 3 pixels before the image's end and
// runs 7 past it. stored is the image as it would be stored uncompressed, in file row order.
const std::uint16_t crossingWidth = 61;

EncodedImage encodeCrossing(unsigned pixelSize, std::uint16_t &height)
{
    std::mt19937 random(11);
    EncodedImage image;
    unsigned column = 0;
    auto packet = [&](bool run, unsigned length, unsigned kept) {
        appendPacket(image, random, pixelSize, run, length, kept);
        column = (column + kept) % crossingWidth;
    };
    auto moveTo = [&](unsigned wanted) {
        while (column != wanted) {
            const unsigned gap = (wanted + crossingWidth - column) % crossingWidth;
            packet(false, gap < 128 ? gap : 128, gap < 128 ? gap : 128);
        }
    };
    for (unsigned oneBeforeTheEnd = 0; oneBeforeTheEnd < 2; ++oneBeforeTheEnd) {
        for (unsigned length = 1; length <= 128; ++length) {
            for (bool run : {true, false}) {
                const unsigned inLastRow = (length - 1) % crossingWidth + 1;
                moveTo(oneBeforeTheEnd ? crossingWidth - 1 : crossingWidth - (inLastRow + 1) / 2);
                packet(run, length, length);
            }
        }
    }
    moveTo(crossingWidth - 3);
    packet(true, 10, 3);
    height = static_cast<std::uint16_t>(image.stored.size() / pixelSize / crossingWidth);
    return image;
}

struct CrossingCase {
    unsigned pixelSize;
    bool bottomUp;
};

class RunLengthAcrossRows : public ImageDisplayTest, public ::testing::WithParamInterface<CrossingCase> {};

TEST_P(RunLengthAcrossRows, EveryPixelIsMapRgbOfItsColourInEveryScreenLayout)
{
    const CrossingCase param = GetParam();
    std::uint16_t height = 0;
    const EncodedImage image = encodeCrossing(param.pixelSize, height);
    ASSERT_EQ(image.stored.size(), static_cast<size_t>(crossingWidth) * height * param.pixelSize);
    TgaFile packed = tgaOf(image.runLength, true, param.pixelSize);
    packed.width = crossingWidth;
    packed.height = height;
    packed.imageDescriptor = param.bottomUp ? 0x00 : 0x20;
    put("/crossing.tga", packed);
    TgaFile plain = packed;
    plain.imageType = 2;
    plain.data = image.stored;
    put("/plain.tga", plain);

    // The buffer reader agrees with the same image stored uncompressed.
    Uint16 plainWidth = 0, plainHeight = 0, packedWidth = 0, packedHeight = 0;
    Uint8 *plainRgb = targaImageFromFile("/plain.tga", plainWidth, plainHeight);
    Uint8 *packedRgb = targaImageFromFile("/crossing.tga", packedWidth, packedHeight);
    ASSERT_NE(plainRgb, nullptr);
    ASSERT_NE(packedRgb, nullptr);
    const size_t size = static_cast<size_t>(crossingWidth) * height * 3;
    EXPECT_EQ(std::vector<Uint8>(packedRgb, packedRgb + size), std::vector<Uint8>(plainRgb, plainRgb + size));
    delete[] plainRgb;
    delete[] packedRgb;

    struct Layout {
        const char *name;
        Uint32 r, g, b, a;
    };
    const Layout layouts[] = {
        {"5-6-5", 0xF800, 0x07E0, 0x001F, 0},      {"5-5-5", 0x7C00, 0x03E0, 0x001F, 0},
        {"1-5-5-5", 0x7C00, 0x03E0, 0x001F, 0x8000}, {"b-g-r 5-6-5", 0x001F, 0x07E0, 0xF800, 0},
        {"4-4-4-4", 0x0F00, 0x00F0, 0x000F, 0xF000}, {"6-5-5", 0xFC00, 0x03E0, 0x001F, 0},
        {"g-r-b 6-5-5", 0x07C0, 0xF800, 0x003F, 0},
    };
    for (const Layout &layout : layouts) {
        ScreenLayout display(layout.r, layout.g, layout.b, layout.a);
        ASSERT_TRUE(display.ready()) << layout.name;
        for (const char *name : {"/crossing.tga", "/plain.tga"}) {
            GraphicSurface *loaded = loadImage(name, 0, 0);
            ASSERT_NE(loaded, nullptr) << layout.name << " " << name;
            loaded->retain();
            SDL_Surface *surface = loaded->getSurface();
            ASSERT_EQ(surface->w, crossingWidth);
            ASSERT_EQ(surface->h, height);
            int differing = 0;
            for (int y = 0; y < height; ++y) {
                const int stored = param.bottomUp ? height - 1 - y : y;
                for (int x = 0; x < crossingWidth; ++x) {
                    const std::uint8_t *p = &image.stored[(static_cast<size_t>(stored) * crossingWidth + x) * param.pixelSize];
                    differing += pixelAt(surface, x, y) != SDL_MapRGB(screen->format, p[2], p[1], p[0]);
                }
            }
            EXPECT_EQ(differing, 0) << layout.name << " " << name;
            loaded->release();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StorageKinds, RunLengthAcrossRows,
                         ::testing::Values(CrossingCase{3, false}, CrossingCase{3, true}, CrossingCase{4, false},
                                           CrossingCase{4, true}),
                         [](const ::testing::TestParamInfo<CrossingCase> &info) {
                             return std::string(info.param.pixelSize == 3 ? "Bits24" : "Bits32") +
                                    (info.param.bottomUp ? "BottomUp" : "TopDown");
                         });

}  // namespace

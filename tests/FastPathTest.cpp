// The fast paths of loading give exactly what the plain path gives: run-length TGA files, whose runs are
// filled by block copies, decode to the same pixels as the same image stored uncompressed, and load into
// surfaces whose every pixel is SDL_MapRGB of the file's colour. Packets of every length from 1 to 128, runs and
// raw, cross row ends, and the last one runs past the image's end.
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
        image.runLength.push_back(static_cast<std::uint8_t>((run ? 0x80 : 0) | (written - 1)));
        std::vector<std::uint8_t> pixel(pixelSize);
        for (unsigned i = 0; i < written; ++i) {
            if (!run || i == 0) {
                for (auto &byte : pixel)
                    byte = static_cast<std::uint8_t>(random());
                image.runLength.insert(image.runLength.end(), pixel.begin(), pixel.end());
            }
            if (i < kept)
                image.stored.insert(image.stored.end(), pixel.begin(), pixel.end());
        }
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

class RunLengthFastPath : public ImageDisplayTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RunLengthFastPath, DecodesToTheSamePixelsAsTheUncompressedImage)
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

TEST_P(RunLengthFastPath, LoadsEveryPixelAsMapRgbOfItsColour)
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

INSTANTIATE_TEST_SUITE_P(PixelSizes, RunLengthFastPath, ::testing::Values(3u, 4u),
                         [](const ::testing::TestParamInfo<unsigned> &info) {
                             return info.param == 3 ? std::string("Bits24") : std::string("Bits32");
                         });

}  // namespace
